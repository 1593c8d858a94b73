// The "Wizard log" window's share of the log, without a window: which lines it shows and the
// note on the rest, the wake-ups, and Copy all, Save as... and the line saying where the log goes.
#include "controller/log_window_feed.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <deque>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "common/platform.h"
#include "controller/wizard.h"
#include "support/wizard_fixture.h"
#include "support/system_errors.h"

namespace {

constexpr const char* kStamp = "[09:05:03.007]  ";

// The window's text, changed by each batch as the windows change theirs.
struct WindowText {
  std::deque<NativeString> lines;
  NativeString note;

  void Apply(LogWindowFeed::Batch batch) {
    ASSERT_LE(batch.remove_oldest, lines.size());
    lines.erase(lines.begin(), lines.begin() + static_cast<std::ptrdiff_t>(batch.remove_oldest));
    for (NativeString& line : batch.add) lines.push_back(std::move(line));
    note = std::move(batch.note);
  }
};

// Line `number` of the log, padded to `length` characters.
std::string Text(long number, std::size_t length) {
  std::string text = "line " + std::to_string(number);
  if (text.size() < length) text.append(length - text.size(), '.');
  return text;
}

TEST(LogWindowFeed, ShowsTheNewestLinesOfTheLogAndSaysHowManyItLeavesOut) {
  enum class Do { Log, Take, Close, Open };
  struct Step {
    Do what;
    long lines = 0;  // for Log
  };
  constexpr std::size_t kLong = 15000;  // the longest line the box's line assembly passes
  constexpr long kLongShown = static_cast<long>(LogWindowFeed::kMaxCharacters / (16 + kLong));
  struct Row {
    const char* name;
    LogLimits limits;
    std::size_t length;  // of each line's text
    std::vector<Step> steps;
    // The window then shows the lines from `first` to the last logged; or the log exactly as it
    // holds it; or lines 0 to `first` - 1, then what the log holds from its line of the cut on.
    enum { kNewest, kWholeLog, kThenFromTheCut } shows;
    long first;
    std::uint64_t note;  // the note's count; 0: no note
  };
  const LogLimits kSmall{4096, 1024, 512};
  // clang-format off
  const Row rows[] = {
      {"a short log: every line, no note", {}, 1, {{Do::Log, 3}, {Do::Open}, {Do::Take}}, Row::kNewest, 0, 0},
      {"lines logged while it is open come in the next batch, in order", {}, 1,
       {{Do::Log, 3}, {Do::Open}, {Do::Take}, {Do::Log, 5}, {Do::Take}}, Row::kNewest, 0, 0},
      {"more lines than it shows at opening: the newest, and a note on the rest", {}, 1,
       {{Do::Log, 10005}, {Do::Open}, {Do::Take}}, Row::kNewest, 5, 5},
      {"growing past its limit while open: the oldest leave and the note counts them", {}, 1,
       {{Do::Log, 9999}, {Do::Open}, {Do::Take}, {Do::Log, 3}, {Do::Take}}, Row::kNewest, 2, 2},
      {"a flood between two batches: the second brings only the newest", {}, 1,
       {{Do::Log, 10}, {Do::Open}, {Do::Take}, {Do::Log, 25000}, {Do::Take}}, Row::kNewest, 15010, 15010},
      {"closed, it takes nothing; reopened, what came meanwhile", {}, 1,
       {{Do::Log, 2}, {Do::Open}, {Do::Take}, {Do::Close}, {Do::Log, 3}, {Do::Open}, {Do::Take}}, Row::kNewest, 0,
       0},
      {"long lines: no more characters than the log's file", {}, kLong,
       {{Do::Log, 300}, {Do::Open}, {Do::Take}, {Do::Log, 300}, {Do::Take}}, Row::kNewest, 600 - kLongShown,
       600 - kLongShown},
      {"the log left out its middle: its line saying so stands in its place", kSmall, 1,
       {{Do::Log, 400}, {Do::Open}, {Do::Take}}, Row::kWholeLog, 0, 0},
      {"the log left out lines the window had not taken: the line saying so comes first", kSmall, 1,
       {{Do::Log, 100}, {Do::Open}, {Do::Take}, {Do::Log, 400}, {Do::Take}}, Row::kThenFromTheCut, 100, 0},
  };
  // clang-format on
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    WizardLog log(FixedTestTime, row.limits);
    LogWindowFeed feed(log);
    WindowText window;
    long logged = 0;
    for (const Step& step : row.steps) {
      switch (step.what) {
        case Do::Log:
          for (long i = 0; i < step.lines; ++i) log.Append(Text(logged++, row.length));
          break;
        case Do::Take:
          window.Apply(feed.Take());
          break;
        case Do::Close:
          feed.Close();
          break;
        case Do::Open:
          feed.Open();
          break;
      }
    }
    std::vector<NativeString> expected;
    const std::vector<AnsiString> held = log.Lines();
    const auto cut = std::find_if(held.begin(), held.end(), [](const AnsiString& line) {
      return line.ends_with(" lines left out ...");
    });
    if (row.shows == Row::kNewest) {
      for (long i = row.first; i < logged; ++i) {
        expected.push_back(AnsiToNative(kStamp + Text(i, row.length)));
      }
    } else {
      ASSERT_NE(cut, held.end()) << "the log cut nothing";
      for (long i = 0; i < row.first; ++i) expected.push_back(AnsiToNative(kStamp + Text(i, row.length)));
      for (auto line = row.shows == Row::kWholeLog ? held.begin() : cut; line != held.end(); ++line) {
        expected.push_back(AnsiToNative(*line));
      }
    }
    EXPECT_EQ(std::vector<NativeString>(window.lines.begin(), window.lines.end()), expected);
    EXPECT_EQ(window.note, row.note == 0 ? NativeString() : LogNotShownNote(row.note));
  }
  EXPECT_EQ(NativeToUtf8(LogNotShownNote(15010)),
            "15010 earlier lines are not shown here. Copy all and Save as... take the whole log.");
  EXPECT_EQ(NativeToUtf8(LogNotShownNote(1)),
            "1 earlier line is not shown here. Copy all and Save as... take the whole log.");
}

TEST(LogWindowFeed, AsksForOneWakeUpAtATimeAndNoneWhileClosed) {
  WizardLog log(FixedTestTime);
  LogWindowFeed feed(log);
  EXPECT_FALSE(feed.LineAdded()) << "closed";
  feed.Open();
  EXPECT_TRUE(feed.LineAdded());
  EXPECT_FALSE(feed.LineAdded());
  feed.Take();
  EXPECT_TRUE(feed.LineAdded());
  // A wake-up that could not be posted is asked for again by the next line.
  feed.WakeLost();
  EXPECT_TRUE(feed.LineAdded());
  // The one outstanding at the close may have gone with the window's events.
  feed.Close();
  EXPECT_FALSE(feed.LineAdded());
  feed.Open();
  EXPECT_TRUE(feed.LineAdded());
}

// The worker logs as fast as it can and the window's thread takes only when woken, as the
// windows do: the last wake-up still brings the last line.
TEST(LogWindowFeed, AWorkerLoggingFastWakesTheWindowForItsLastLines) {
  WizardLog log(FixedTestTime);
  LogWindowFeed feed(log);
  feed.Open();
  constexpr long kLines = 30000;
  std::atomic<bool> woken{false};
  std::atomic<bool> done{false};
  std::thread worker([&] {
    for (long i = 0; i < kLines; ++i) {
      log.Append(Text(i, 1));
      if (feed.LineAdded()) woken = true;
    }
    done = true;
  });
  WindowText window;
  while (!done.load() || woken.load()) {
    if (woken.exchange(false)) window.Apply(feed.Take());
  }
  worker.join();
  ASSERT_EQ(window.lines.size(), LogWindowFeed::kMaxLines);
  EXPECT_EQ(window.lines.front(), AnsiToNative(kStamp + Text(kLines - LogWindowFeed::kMaxLines, 1)));
  EXPECT_EQ(window.lines.back(), AnsiToNative(kStamp + Text(kLines - 1, 1)));
  EXPECT_EQ(window.note, LogNotShownNote(kLines - LogWindowFeed::kMaxLines));
}

TEST(LogWindow, OpensSayingWhereTheLogGoesAndShowsItMaskedOneLineForEachLine) {
  WizardFixture fixture;
  Wizard& form = fixture.core();
  RecordingView& view = fixture.view();
  form.Log().Line("[Tx]  [SIMPUK PUK:12345678]\r\n\r\n[GPRSSET APN:web USER: PW:pw PIN:4321]");
  EXPECT_EQ(view.log_window_wakes.load(), 0) << "woken while closed";
  form.OpenLogWindow();
  ASSERT_EQ(view.log_window_places.size(), 1u);
  EXPECT_EQ(NativeToUtf8(view.log_window_places[0]),
            "The log is saved as \"" + fixture.folder().File(kLogFileName) + "\" when the wizard closes.");
  WindowText window;
  window.Apply(form.Log().window_feed.Take());
  form.Log().Line("tab\tand bell\a");
  form.Log().Line("the next");
  EXPECT_EQ(view.log_window_wakes.load(), 1);
  window.Apply(form.Log().window_feed.Take());
  EXPECT_EQ(std::vector<NativeString>(window.lines.begin(), window.lines.end()),
            (std::vector<NativeString>{
                u"[09:05:03.007]  [Tx]  [SIMPUK PUK:********]    [GPRSSET APN:web USER: PW:** PIN:****]",
                u"[09:05:03.007]  tab\tand bell ", u"[09:05:03.007]  the next"}));
  // Ctrl+L again: brought to the front, nothing taken twice.
  form.OpenLogWindow();
  EXPECT_EQ(view.log_window_places.size(), 2u);
  EXPECT_TRUE(form.Log().window_feed.Take().add.empty());
}

TEST(LogWindow, CopyAllAndSaveAsTakeTheLogAsItStandsAndAFailedSaveLosesNothing) {
  WizardFixture fixture;
  Wizard& form = fixture.core();
  RecordingView& view = fixture.view();
  form.Log().Line("[Tx]  [GPRSSET APN:web USER:bob PW:secret PIN:1234]");
  form.Log().Line("second");
  const std::string log = form.Log().lines.FileContent();
  ASSERT_EQ(log.find("secret"), std::string::npos);
  form.CopyWholeLog();
  EXPECT_EQ(view.clipboard, AnsiToNative(log));

  struct Row {
    const char* name;
    std::optional<std::string> answer;  // nothing: cancelled
    std::string written;                // the file at the answer's path afterwards
    std::string error;                  // the error shown; empty: none
  };
  ScratchFolder target;
  const std::string copy = target.Write("copy of the log.txt", "an older copy");
  const std::string unreachable = target.File("missing") + kPathSeparator + "log.txt";
  const Row rows[] = {
      {"cancelled", std::nullopt, "", ""},
      {"a folder that is not there", unreachable, "",
       "Cannot create file \"" + unreachable + "\". " + MissingFolderReason()},
      {"over an older copy", copy, log, ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    view.errors.clear();
    view.save_log_answer = row.answer;
    form.SaveLogAs();
    EXPECT_EQ(NativeToUtf8(view.save_log_offers.back()), kLogFileName);
    EXPECT_EQ(view.errors, row.error.empty() ? std::vector<NativeString>{}
                                             : std::vector<NativeString>{AnsiToNative(row.error)});
    if (row.answer && row.error.empty()) {
      EXPECT_EQ(ReadFileForTest(*row.answer), row.written);
    }
    EXPECT_EQ(form.Log().lines.FileContent(), log);
  }
  EXPECT_FALSE(std::filesystem::exists(target.File("missing")));
}

TEST(LogWindow, APlaceTheLogCannotGoIsNamedWithWhyAndWhatToDo) {
  ScratchFolder folder;
  RecordingView view;
  WizardEnvironment environment;
  environment.catalogue_path = folder.Write("apnlist.csv", "");
  environment.usb_library = folder.File("no-such-usblib.so");
  environment.log_places.folder = []() -> std::string {
    throw FileCreateError(
        "Cannot use the log folder \"/home/u/.local/state/rodiduz-setup\". It belongs to another user.");
  };
  Wizard form(view, view, std::move(environment));
  form.OpenLogWindow();
  ASSERT_EQ(view.log_window_places.size(), 1u);
  EXPECT_EQ(NativeToUtf8(view.log_window_places[0]),
            "Cannot use the log folder \"/home/u/.local/state/rodiduz-setup\". It belongs to another user. "
            "Save as... keeps a copy of the log elsewhere.");
}

}  // namespace
