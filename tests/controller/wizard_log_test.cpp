// The wizard log: line format, appends from two threads, and the saved file.
#include "controller/wizard_log.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <set>
#include <string>
#include <thread>

#include "common/platform.h"
#include "support/form_fixture.h"
#include "support/system_errors.h"

namespace {

TEST(FormatLogTime, PadsEveryField) {
  EXPECT_EQ(FormatLogTime({9, 5, 3, 7}), "09:05:03.007");
  EXPECT_EQ(FormatLogTime({23, 59, 59, 999}), "23:59:59.999");
  EXPECT_EQ(FormatLogTime({0, 0, 0, 1}), "00:00:00.001");
}

TEST(WizardLog, LineIsStampBracketsTwoSpacesAndTheTextUnchanged) {
  WizardLog log([] { return LocalTime{9, 5, 3, 7}; });
  log.Append("==== NEW ====");
  log.Append("");
  log.Append("0: vid=0403\n");
  const auto lines = log.Lines();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], "[09:05:03.007]  ==== NEW ====");
  EXPECT_EQ(lines[1], "[09:05:03.007]  ");
  EXPECT_EQ(lines[2], "[09:05:03.007]  0: vid=0403\n");
  // The line feed stays inside its line; every line, the last too, ends with CR LF.
  EXPECT_EQ(log.FileContent(),
            "[09:05:03.007]  ==== NEW ====\r\n[09:05:03.007]  \r\n[09:05:03.007]  0: vid=0403\n\r\n");
}

TEST(WizardLog, AppendsFromTwoThreadsNeverInterleave) {
  WizardLog log([] { return LocalTime{12, 0, 0, 0}; });
  constexpr int kPerThread = 5000;
  std::atomic<bool> go{false};
  auto writer = [&](char tag) {
    while (!go.load()) std::this_thread::yield();
    for (int i = 0; i < kPerThread; ++i) log.Append(std::string(1, tag) + std::to_string(i));
  };
  std::thread worker(writer, 'w');
  std::thread ui(writer, 'u');
  go = true;
  // The save reads a consistent list while the appends go on.
  std::size_t seen = 0;
  while (seen < 2 * kPerThread) {
    const std::string content = log.FileContent();
    ASSERT_TRUE(content.empty() || content.ends_with("\r\n"));
    seen = log.Size();
  }
  worker.join();
  ui.join();
  const auto lines = log.Lines();
  ASSERT_EQ(lines.size(), 2u * kPerThread);
  std::set<std::string> unique(lines.begin(), lines.end());
  EXPECT_EQ(unique.size(), lines.size());
  // Each thread's lines keep their own order.
  int next_w = 0;
  int next_u = 0;
  for (const auto& line : lines) {
    const std::string text = line.substr(sizeof("[12:00:00.000]  ") - 1);
    int& next = text[0] == 'w' ? next_w : next_u;
    EXPECT_EQ(text.substr(1), std::to_string(next));
    ++next;
  }
}

// The fixture's USB library does not exist: the line after the version names it and says why
// in the system's words (which differ between systems).
TEST(WizardLogFile, FirstLineIsTheVersionAndTwoRunsShareOneFile) {
  FormFixture fixture;
  TForm1& form = fixture.form();
  form.FormShow(nullptr);
  form.LogLine("==== NEW ====");
  form.LogLine("==== NEW ====");
  TCloseAction action = TCloseAction::caFree;
  form.FormClose(nullptr, action);
  EXPECT_EQ(action, TCloseAction::caFree);  // the close action is left as it was
  const std::string saved = ReadFileForTest(fixture.folder().File(kLogFileName));
  const std::string first_lines =
      "[09:05:03.007]  Program Version: Dididuz 2015 - Version 1.2.8\r\n"
      "[09:05:03.007]  USB library could not be loaded: " +
      fixture.folder().File("no-such-usblib.so") + ": ";
  EXPECT_TRUE(saved.starts_with(first_lines)) << saved;
  EXPECT_TRUE(saved.ends_with("\r\n[09:05:03.007]  ==== NEW ====\r\n"
                              "[09:05:03.007]  ==== NEW ====\r\n"))
      << saved;
  EXPECT_EQ(std::count(saved.begin(), saved.end(), '\n'), 4) << saved;
}

TEST(WizardLogFile, OverwritesAnEarlierFileAndWritesBytesAsLogged) {
  FormFixture fixture;
  fixture.folder().Write(kLogFileName, std::string(10000, 'x'));
  fixture.form().LogLine("caf\xE9");
  TCloseAction action = TCloseAction::caFree;
  fixture.form().FormClose(nullptr, action);
  EXPECT_EQ(ReadFileForTest(fixture.folder().File(kLogFileName)), "[09:05:03.007]  caf\xE9\r\n");
}

TEST(WizardLogFile, FailedSaveReportsThePathKeepsTheLogAndRetries) {
  FormFixture fixture;
  TForm1& form = fixture.form();
  form.LogLine("kept");
  std::filesystem::remove_all(fixture.folder().Path());  // the temporary folder is gone
  TCloseAction action = TCloseAction::caFree;
  try {
    form.FormClose(nullptr, action);
    FAIL() << "saving into a missing folder succeeded";
  } catch (const FileCreateError& error) {
    EXPECT_EQ(std::string(error.what()),
              "Cannot create file \"" + fixture.folder().File(kLogFileName) + "\". " + MissingFolderReason());
  }
  EXPECT_EQ(fixture.LogTexts(), std::vector<std::string>{"kept"});
  // With the folder back, the next close writes the whole log.
  std::filesystem::create_directory(fixture.folder().Path());
  form.LogLine("after");
  form.FormClose(nullptr, action);
  EXPECT_EQ(ReadFileForTest(fixture.folder().File(kLogFileName)),
            "[09:05:03.007]  kept\r\n[09:05:03.007]  after\r\n");
}

// At the end of the session nobody can be asked about a failed save: the log goes to the
// fallback folder, and the words for standard error say where, or that it went nowhere.
TEST(WizardLogFile, AnUnattendedSaveFallsBackAndSaysWhere) {
  FormFixture fixture;
  fixture.form().LogLine("kept");
  EXPECT_EQ(fixture.form().SaveLogUnattended(), "");
  std::filesystem::remove_all(fixture.folder().Path());
  const std::string failure =
      "Cannot create file \"" + fixture.folder().File(kLogFileName) + "\". " + MissingFolderReason();
  EXPECT_EQ(fixture.form().SaveLogUnattended(), failure + " The log could not be saved.");
  ScratchFolder fallback;
  fixture.fallback_folder = fallback.Path() + kPathSeparator;
  EXPECT_EQ(fixture.form().SaveLogUnattended(),
            failure + " The log was saved as \"" + fallback.File(kLogFileName) + "\" instead.");
  EXPECT_EQ(ReadFileForTest(fallback.File(kLogFileName)), "[09:05:03.007]  kept\r\n");
}

}  // namespace
