// The window in the user's language through a whole run against the box simulator.
#include <gtest/gtest.h>

#include <QPushButton>
#include <QTest>
#include <algorithm>
#include <string>

#include "controller/setup_session.h"
#include "support/box_run.h"
#include "support/pty_port.h"
#include "support/test_files.h"
#include "window_fixture.h"

namespace {

// A whole run of the window against the box simulator in German and in Arabic: the window tells
// of the failed test in the user's language, and the log saved on Exit, which support reads
// whatever the user's language, is English only.
TEST_F(WindowTest, AWholeRunInTheUsersLanguageSavesAnEnglishLog) {
  const struct {
    const char* language;
    const char* failed;
  } rows[] = {
      {"de", "Verbindung fehlgeschlagen. Bitte prüfen Sie Netzbetreiber und APN-Einstellungen und versuchen Sie es erneut"},
      {"ar", "فشل الاتصال. يرجى التحقق من إعدادات المشغّل/APN والمحاولة مرة أخرى"}};
  usb_library_ = VirtualBusPath();
  const PortDirOverride ports(folder_.Path());
  for (const auto& row : rows) {
    SCOPED_TRACE(row.language);
    const Simulator box(folder_.Path(), {"--fail-tests", "1"});
    ASSERT_TRUE(box.plugged_in());
    MakeWindow(false, kWindowTestCatalogue, row.language);
    window().show();
    window().Get<QPushButton>(Control::Start)->click();
    const auto state = [&] { return core().Session().state; };
    ASSERT_TRUE(QTest::qWaitFor([&] { return state() == kStateWaitUser; }, 20000)) << state();
    EXPECT_EQ(window().Messages().text->text(), QString::fromUtf8(row.failed));
    window().Get<QPushButton>(Control::Next)->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return state() == kStateGPRSPassed; }, 20000)) << state();
    window().Get<QPushButton>(Control::Exit)->click();
    const std::string log = ReadFileForTest(folder_.File("deruruv_ozo.txt"));
    EXPECT_NE(log.find("Show Message:Connection failed. Please check operator/APN settings and try again"),
              std::string::npos) << log;
    EXPECT_NE(log.find("PASSED"), std::string::npos) << log;
    EXPECT_TRUE(std::all_of(log.begin(), log.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
        << log;
  }
}

}  // namespace
