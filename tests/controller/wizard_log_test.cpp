// The wizard log: line format, appends from two threads, and the saved file.
#include "controller/wizard_log.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <deque>
#include <filesystem>
#include <functional>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "common/platform.h"
#include "controller/log_mirror_feed.h"
#include "support/wizard_fixture.h"
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

// A clock that moves on by one millisecond at every reading, so each line has a stamp of its own.
class SteppingClock {
 public:
  LocalTime operator()() {
    const std::uint64_t at = ticks_++;
    return LocalTime{static_cast<int>(at / 3600000 % 24), static_cast<int>(at / 60000 % 60),
                     static_cast<int>(at / 1000 % 60), static_cast<int>(at % 1000)};
  }

 private:
  std::uint64_t ticks_ = 0;
};

std::string Joined(const std::vector<AnsiString>& lines) {
  std::string content;
  for (const auto& line : lines) content += line + "\r\n";
  return content;
}

std::string TextOf(const std::string& line) { return line.substr(sizeof("[00:00:00.000]  ") - 1); }

// The received-line numbers of `lines`, which must be "[Rx]  <n>" each.
std::vector<long> Numbers(std::vector<AnsiString>::const_iterator begin, std::vector<AnsiString>::const_iterator end) {
  std::vector<long> numbers;
  for (auto line = begin; line != end; ++line) numbers.push_back(std::stol(TextOf(*line).substr(6)));
  return numbers;
}

bool Consecutive(const std::vector<long>& numbers) {
  for (std::size_t i = 1; i < numbers.size(); ++i) {
    if (numbers[i] != numbers[i - 1] + 1) return false;
  }
  return true;
}

constexpr std::size_t kMiB = std::size_t{1} << 20;

// A box chattering for minutes: more than twice the cap in short received lines.
TEST(BoundedLog, AFloodKeepsTheFirstMebibyteTheNewestLinesAndOneLineForTheCutBetween) {
  SteppingClock clock;
  WizardLog log(std::ref(clock));
  log.Append(AnsiString("Program Version: ") + kVersionText);
  constexpr long kReceived = 900000;
  for (long i = 1; i <= kReceived; ++i) log.Append("[Rx]  " + std::to_string(i));

  const std::string content = log.FileContent();
  const std::vector<AnsiString> lines = log.Lines();
  EXPECT_LE(content.size(), 8 * kMiB);
  EXPECT_GT(content.size(), 8 * kMiB - 2 * LogLimits{}.block_bytes) << "the cap's room goes unused";
  EXPECT_EQ(content, Joined(lines));
  EXPECT_EQ(log.Size(), lines.size());
  EXPECT_EQ(log.Appended(), static_cast<std::uint64_t>(kReceived) + 1);
  // Counted as held: blocks with their spare room, line indexes and the containers.
  EXPECT_LE(log.HeldBytes(), 10 * kMiB);

  const auto is_cut = [](const AnsiString& line) { return line.find(" lines left out ...") != std::string::npos; };
  ASSERT_EQ(std::count_if(lines.begin(), lines.end(), is_cut), 1);
  const auto cut = std::find_if(lines.begin(), lines.end(), is_cut);
  const auto head_size = static_cast<std::size_t>(cut - lines.begin());
  EXPECT_EQ(TextOf(lines[0]), AnsiString("Program Version: ") + kVersionText);
  const std::vector<long> head = Numbers(lines.begin() + 1, cut);
  const std::vector<long> tail = Numbers(cut + 1, lines.end());
  std::size_t head_bytes = 0;
  for (std::size_t i = 0; i < head_size; ++i) head_bytes += lines[i].size() + 2;
  EXPECT_LE(head_bytes, kMiB);
  EXPECT_GT(head_bytes, kMiB - 32) << "the head ends before its mebibyte is full";
  ASSERT_FALSE(head.empty());
  EXPECT_EQ(head.front(), 1);
  EXPECT_TRUE(Consecutive(head));
  ASSERT_FALSE(tail.empty());
  EXPECT_EQ(tail.back(), kReceived);
  EXPECT_TRUE(Consecutive(tail));
  // The cut stands where the lines were, with their count and the first one's time.
  const long left_out = tail.front() - head.back() - 1;
  EXPECT_GT(left_out, 0);
  SteppingClock replay;
  for (long i = 0; i <= head.back(); ++i) replay();
  EXPECT_EQ(*cut, "[" + FormatLogTime(replay()) + "]  ... " + std::to_string(left_out) + " lines left out ...");
}

TEST(BoundedLog, ATextLongerThanABlockKeepsItsStartAndSaysHowMuchWentAndTheCapHolds) {
  const LogLimits limits{16384, 4096, 1024};
  WizardLog log([] { return LocalTime{9, 5, 3, 7}; }, limits);
  log.Append(std::string(5000, 'a'));
  const std::vector<AnsiString> lines = log.Lines();
  // 16 bytes of stamp, 975 of text and 31 of note: with its CR LF the line fills its block.
  EXPECT_EQ(lines, std::vector<AnsiString>{"[09:05:03.007]  " + std::string(975, 'a') +
                                           " ... (4025 characters left out)"});
  // However long the texts, the file stays within its cap.
  for (int i = 0; i < 100; ++i) log.Append(std::string(static_cast<std::size_t>(i) * 300, 'b'));
  EXPECT_LE(log.FileContent().size(), limits.file_bytes);
  EXPECT_EQ(log.FileContent(), Joined(log.Lines()));
  EXPECT_THROW(WizardLog(SystemLocalTime, LogLimits{8192, 4096, 4096}), std::invalid_argument);
}

// Both threads flood a small log far past its cap while the save reads it: every read is
// within the cap, each thread's lines keep their order in the head and in the tail, and the
// line of the cut counts exactly the lines that are gone.
TEST(BoundedLog, AppendsFromTwoThreadsPastTheCapStayWholeAndInOrder) {
  const LogLimits limits{65536, 8192, 1024};
  WizardLog log([] { return LocalTime{12, 0, 0, 0}; }, limits);
  constexpr int kPerThread = 20000;
  std::atomic<bool> go{false};
  auto writer = [&](char tag) {
    while (!go.load()) std::this_thread::yield();
    for (int i = 0; i < kPerThread; ++i) log.Append(std::string(1, tag) + std::to_string(i));
  };
  std::thread worker(writer, 'w');
  std::thread ui(writer, 'u');
  go = true;
  while (log.Appended() < 2u * kPerThread) {
    const std::string content = log.FileContent();
    ASSERT_LE(content.size(), limits.file_bytes);
    ASSERT_TRUE(content.empty() || content.ends_with("\r\n"));
  }
  worker.join();
  ui.join();
  const auto lines = log.Lines();
  const auto cut = std::find_if(lines.begin(), lines.end(),
                                [](const AnsiString& line) { return line.ends_with(" lines left out ..."); });
  ASSERT_NE(cut, lines.end());
  EXPECT_EQ(TextOf(*cut), "... " + std::to_string(2 * kPerThread - (lines.size() - 1)) + " lines left out ...");
  for (const char tag : {'w', 'u'}) {
    SCOPED_TRACE(std::string(1, tag));
    const auto numbers = [tag](auto begin, auto end) {
      std::vector<long> found;
      for (auto line = begin; line != end; ++line) {
        const std::string text = TextOf(*line);
        if (text[0] == tag) found.push_back(std::stol(text.substr(1)));
      }
      return found;
    };
    const std::vector<long> head = numbers(lines.begin(), cut);
    const std::vector<long> tail = numbers(cut + 1, lines.end());
    EXPECT_TRUE(head.empty() || head.front() == 0);
    EXPECT_TRUE(Consecutive(head));
    // A thread that ended long before the other may have no line left in the tail.
    EXPECT_TRUE(tail.empty() || tail.back() == kPerThread - 1);
    EXPECT_TRUE(Consecutive(tail));
  }
  EXPECT_EQ(TextOf(lines.back()).substr(1), std::to_string(kPerThread - 1));
}

// The list a window keeps, changed by each batch as the windows change theirs.
struct MirrorList {
  std::deque<NativeString> items;

  void Apply(LogMirrorFeed::Batch batch) {
    ASSERT_LE(batch.remove_oldest, items.size());
    items.erase(items.begin(), items.begin() + static_cast<std::ptrdiff_t>(batch.remove_oldest));
    for (NativeString& text : batch.add) items.push_back(std::move(text));
  }
  std::size_t Characters() const {
    std::size_t characters = 0;
    for (const auto& item : items) characters += item.size();
    return characters;
  }
};

// Line `number`, `length` characters long.
NativeString MirrorLine(long number, std::size_t length) {
  NativeString text = AnsiToNative(std::to_string(number));
  if (text.size() < length) text.append(length - text.size(), u'.');
  return text;
}

TEST(LogMirrorFeed, TheListKeepsTheNewestLinesWithinItsLimitsHoweverRarelyTheWindowTakes) {
  struct Row {
    const char* name;
    long pushes;
    std::size_t length;  // of every line but the last
    std::size_t last_length;
    long take_every;
    long first_kept;  // the list then holds the lines from this one to the last
  };
  const Row rows[] = {
      {"short lines, one take", 10005, 1, 1, 10005, 5},
      {"short lines, a take every 7", 25000, 1, 1, 7, 15000},
      {"long lines, a take every 3", 40, 100000, 100000, 3, 30},
      {"one line longer than the character limit", 4, 1, 2 * LogMirrorFeed::kMaxCharacters, 2, 3},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    LogMirrorFeed feed;
    MirrorList list;
    for (long i = 0; i < row.pushes; ++i) {
      feed.Push(MirrorLine(i, i + 1 == row.pushes ? row.last_length : row.length));
      if ((i + 1) % row.take_every == 0 || i + 1 == row.pushes) {
        LogMirrorFeed::Batch batch = feed.Take();
        ASSERT_LE(batch.add.size(), LogMirrorFeed::kMaxItems) << "more lines waited than the list holds";
        list.Apply(std::move(batch));
        ASSERT_LE(list.items.size(), LogMirrorFeed::kMaxItems);
        ASSERT_TRUE(list.items.size() == 1 || list.Characters() <= LogMirrorFeed::kMaxCharacters);
      }
    }
    ASSERT_EQ(list.items.size(), static_cast<std::size_t>(row.pushes - row.first_kept));
    for (long i = row.first_kept; i < row.pushes; ++i) {
      ASSERT_EQ(list.items[static_cast<std::size_t>(i - row.first_kept)],
                MirrorLine(i, i + 1 == row.pushes ? row.last_length : row.length));
    }
  }
}

TEST(LogMirrorFeed, AsksForOneWakeUpAtATime) {
  LogMirrorFeed feed;
  EXPECT_TRUE(feed.Push(u"a"));
  EXPECT_FALSE(feed.Push(u"b"));
  // A wake-up that could not be posted is asked for again by the next line.
  feed.WakeLost();
  EXPECT_TRUE(feed.Push(u"c"));
  EXPECT_FALSE(feed.Push(u"d"));
  EXPECT_EQ(feed.Take().add, (std::vector<NativeString>{u"a", u"b", u"c", u"d"}));
  EXPECT_TRUE(feed.Push(u"e"));
}

// The worker pushes as fast as it can while the window's thread takes whenever it gets round
// to it: the list ends with the newest lines in order, and each wake-up had a take behind it.
TEST(LogMirrorFeed, AWindowThreadFallingBehindAWorkerEndsWithTheNewestLinesInOrder) {
  LogMirrorFeed feed;
  constexpr long kLines = 100000;
  std::atomic<long> wakes{0};
  std::atomic<bool> done{false};
  std::thread worker([&] {
    for (long i = 0; i < kLines; ++i) {
      if (feed.Push(MirrorLine(i, 1))) ++wakes;
    }
    done = true;
  });
  MirrorList list;
  long takes = 0;
  while (!done.load()) {
    list.Apply(feed.Take());
    ++takes;
    ASSERT_LE(list.items.size(), LogMirrorFeed::kMaxItems);
  }
  worker.join();
  list.Apply(feed.Take());
  ++takes;
  EXPECT_LE(wakes.load(), takes);
  ASSERT_EQ(list.items.size(), LogMirrorFeed::kMaxItems);
  for (std::size_t i = 0; i < list.items.size(); ++i) {
    ASSERT_EQ(list.items[i], MirrorLine(kLines - static_cast<long>(LogMirrorFeed::kMaxItems - i), 1));
  }
}

// The fixture's USB library does not exist: the line after the version names it and says why
// in the system's words (which differ between systems).
TEST(WizardLogFile, FirstLineIsTheVersionAndTwoRunsShareOneFile) {
  WizardFixture fixture;
  Wizard& form = fixture.core();
  form.OnShown();
  form.Log().Line("==== NEW ====");
  form.Log().Line("==== NEW ====");
  form.SaveLog();
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
  WizardFixture fixture;
  fixture.folder().Write(kLogFileName, std::string(10000, 'x'));
  fixture.core().Log().Line("caf\xE9");
  fixture.core().SaveLog();
  EXPECT_EQ(ReadFileForTest(fixture.folder().File(kLogFileName)), "[09:05:03.007]  caf\xE9\r\n");
}

TEST(WizardLogFile, FailedSaveReportsThePathKeepsTheLogAndRetries) {
  WizardFixture fixture;
  Wizard& form = fixture.core();
  form.Log().Line("kept");
  std::filesystem::remove_all(fixture.folder().Path());  // the temporary folder is gone
  try {
    form.SaveLog();
    FAIL() << "saving into a missing folder succeeded";
  } catch (const FileCreateError& error) {
    EXPECT_EQ(std::string(error.what()),
              "Cannot create file \"" + fixture.folder().File(kLogFileName) + "\". " + MissingFolderReason());
  }
  EXPECT_EQ(fixture.LogTexts(), std::vector<std::string>{"kept"});
  // With the folder back, the next close writes the whole log.
  std::filesystem::create_directory(fixture.folder().Path());
  form.Log().Line("after");
  form.SaveLog();
  EXPECT_EQ(ReadFileForTest(fixture.folder().File(kLogFileName)),
            "[09:05:03.007]  kept\r\n[09:05:03.007]  after\r\n");
}

// At the end of the session nobody can be asked about a failed save: the log goes to the
// fallback folder, and the words for standard error say where, or that it went nowhere.
TEST(WizardLogFile, AnUnattendedSaveFallsBackAndSaysWhere) {
  WizardFixture fixture;
  fixture.core().Log().Line("kept");
  EXPECT_EQ(fixture.core().SaveLogUnattended(), "");
  std::filesystem::remove_all(fixture.folder().Path());
  const std::string failure =
      "Cannot create file \"" + fixture.folder().File(kLogFileName) + "\". " + MissingFolderReason();
  EXPECT_EQ(fixture.core().SaveLogUnattended(), failure + " The log could not be saved.");
  ScratchFolder fallback;
  fixture.fallback_folder = fallback.Path() + kPathSeparator;
  EXPECT_EQ(fixture.core().SaveLogUnattended(),
            failure + " The log was saved as \"" + fallback.File(kLogFileName) + "\" instead.");
  EXPECT_EQ(ReadFileForTest(fallback.File(kLogFileName)), "[09:05:03.007]  kept\r\n");
}

}  // namespace
