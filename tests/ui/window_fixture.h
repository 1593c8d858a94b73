// The real main window on a scratch catalogue, with a fixed clock, no real pauses and a
// scratch temporary folder; helpers for modal boxes and waits on the event loop.
#pragma once

#include <gtest/gtest.h>

#include <QMessageBox>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "support/test_files.h"
#include "ui/main_window.h"

// Two networks: 240/01 with three operators, 262/02 with one.
inline constexpr const char* kWindowTestCatalogue =
    "telia;240;1;online.telia.se;;;SE\n"
    "Comviq;240;1;data.comviq.se;;;SE\n"
    "halebop;240;1;halebop.telia.se;user1;pass1;SE\n"
    "Vodafone;262;2;web.vodafone.de;;;DE\n";

class WindowTest : public testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // Builds the window on `catalogue`; the log goes to the scratch folder unless the system's
  // log folder (in XDG_STATE_HOME) is asked for. `texts` stand in for the language's own.
  void MakeWindow(bool system_log_folder = false, const std::string& catalogue = kWindowTestCatalogue,
                  const std::string& language = "", std::optional<MessageCatalogue> texts = std::nullopt);

  MainWindow& window() { return *window_; }
  Wizard& core() { return window_->Core(); }
  QString CaptionOf(Control control) const;

  ScratchFolder folder_;
  std::string usb_library_;  // for MakeWindow; empty: a library that is not there
  std::unique_ptr<MainWindow> window_;
};

// While it lives, reads and answers the modal message boxes as they come: each by its answer in
// `answers`, in order, and those beyond the answers by accepting them.
class MessageBoxCatcher {
 public:
  using Answer = std::function<void(QMessageBox& box)>;
  explicit MessageBoxCatcher(std::vector<Answer> answers = {});
  QString text;  // the first box's text; empty while none has come
  QStringList texts;
  bool caught = false;

 private:
  std::vector<Answer> answers_;
  QPointer<QMessageBox> answered_;
  QTimer poll_;
};
// Processes events until `done` holds or a few seconds have passed.
bool WaitFor(const std::function<bool()>& done);
// ... until `window` is the active window itself (QTest's wait also counts a window active while
// a window it owns is).
bool WaitUntilActive(QWidget& window);
