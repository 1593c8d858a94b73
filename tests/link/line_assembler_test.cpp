// Line assembly from read events, message framing and command framing.
#include "link/line_assembler.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

namespace {

// Records lines and drops in order; a drop shows as "<dropped>".
class RecordingSink : public LineSink {
 public:
  void OnLine(std::string_view line) override { events.emplace_back(line); }
  void OnLineDropped() override { events.emplace_back("<dropped>"); }
  std::vector<std::string> events;
};

std::vector<std::string> FeedOneByteEach(LineAssembler& assembler, const std::string& bytes) {
  RecordingSink sink;
  for (char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    assembler.Feed(&byte, 1, sink);
  }
  return sink.events;
}

std::vector<std::string> FeedOneEvent(LineAssembler& assembler, const std::string& bytes) {
  RecordingSink sink;
  assembler.Feed(reinterpret_cast<const unsigned char*>(bytes.data()),
                 static_cast<std::int32_t>(bytes.size()), sink);
  return sink.events;
}

using Lines = std::vector<std::string>;

TEST(LineAssembler, AssemblesLinesFromSingleBytesAndFromWholeEvents) {
  struct Row {
    const char* name;
    std::string bytes;
    Lines lines;
    std::uint32_t left_over;
  };
  const Row rows[] = {
      {"bracketed line", "[OK]\r\n", {"[OK]"}, 0},
      {"lone CR LF gives an empty line", "\r\n", {""}, 0},
      {"bare LF", "\n", {""}, 0},
      {"two lines", "[A]\r\n[B]\r\n", {"[A]", "[B]"}, 0},
      {"tab and 0xC3 removed", "[A\tB\xC3]\r\n", {"[AB]"}, 0},
      {"space and tilde kept", " ~\n", {" ~"}, 0},
      {"control bytes, DEL and high bytes removed",
       std::string("a\0\x01\x0b\x1f\x7f\x80\xff"
                   "b\n",
                   11),
       {"ab"},
       0},
      {"incomplete line waits", "[OK", {}, 3},
      {"CR alone completes nothing", "abc\r", {}, 3},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    LineAssembler byte_wise;
    EXPECT_EQ(FeedOneByteEach(byte_wise, row.bytes), row.lines);
    EXPECT_EQ(byte_wise.Length(), row.left_over);
    LineAssembler event_wise;
    EXPECT_EQ(FeedOneEvent(event_wise, row.bytes), row.lines);
    EXPECT_EQ(event_wise.Length(), row.left_over);
  }
}

TEST(LineAssembler, KeepsAnIncompleteLineAcrossEvents) {
  LineAssembler assembler;
  EXPECT_TRUE(FeedOneEvent(assembler, "[GPRS").empty());
  EXPECT_TRUE(FeedOneEvent(assembler, "TEST").empty());
  EXPECT_EQ(FeedOneEvent(assembler, " OK]\r\n[n"), Lines{"[GPRSTEST OK]"});
  EXPECT_EQ(assembler.Length(), 2u);
}

TEST(LineAssembler, IgnoresEmptyNegativeAndMissingData) {
  LineAssembler assembler;
  FeedOneEvent(assembler, "ab");
  RecordingSink sink;
  const unsigned char lf = '\n';
  assembler.Feed(&lf, 0, sink);
  assembler.Feed(&lf, -1, sink);
  assembler.Feed(nullptr, 5, sink);
  EXPECT_TRUE(sink.events.empty());
  EXPECT_EQ(assembler.Length(), 2u);
}

TEST(LineAssembler, DeliversTheLongestLineThatFits) {
  LineAssembler assembler;
  const std::string longest(LineAssembler::kMaxLineLength - 1, 'x');
  EXPECT_EQ(FeedOneByteEach(assembler, longest + "\n"), Lines{longest});
  EXPECT_FALSE(assembler.Resyncing());
}

TEST(LineAssembler, DropsALineThatFillsTheBufferAndResyncsAtTheNextLineFeed) {
  LineAssembler assembler;
  const std::string overlong(LineAssembler::kMaxLineLength, 'x');
  EXPECT_EQ(FeedOneByteEach(assembler, overlong), Lines{"<dropped>"});
  EXPECT_TRUE(assembler.Resyncing());
  EXPECT_EQ(assembler.Length(), 0u);
  // The rest of the overlong line, brackets included, never becomes a message.
  EXPECT_TRUE(FeedOneByteEach(assembler, "[tail]more").empty());
  EXPECT_EQ(FeedOneByteEach(assembler, "\r\n[OK]\r\n"), Lines{"[OK]"});
  EXPECT_FALSE(assembler.Resyncing());
}

TEST(LineAssembler, DropsOnlyOnceWhileAnOverlongLineGoesOnAndOn) {
  LineAssembler assembler;
  const std::string very_long(3 * LineAssembler::kCapacity, 'y');
  EXPECT_EQ(FeedOneByteEach(assembler, very_long), Lines{"<dropped>"});
  EXPECT_EQ(FeedOneEvent(assembler, "\n[A]\n"), Lines{"[A]"});
}

TEST(LineAssembler, DiscardsAnEventThatWouldOverfillTheBufferWithTheLineItBreaks) {
  LineAssembler assembler;
  FeedOneEvent(assembler, "[PART");
  // 5 + 14995 reaches the capacity: the event is discarded, its line feeds included.
  const std::string event = "\n[LOST]\n" + std::string(LineAssembler::kCapacity - 5 - 8, 'z');
  EXPECT_EQ(FeedOneEvent(assembler, event), Lines{"<dropped>"});
  EXPECT_EQ(assembler.Length(), 0u);
  // "[PART" must not be joined to what follows the discarded bytes.
  EXPECT_EQ(FeedOneEvent(assembler, "END]\n[NEXT]\n"), Lines{"[NEXT]"});
}

TEST(LineAssembler, TakesAnEventJustBelowTheCapacity) {
  LineAssembler assembler;
  FeedOneEvent(assembler, "ab");
  const std::string event = "\n" + std::string(LineAssembler::kCapacity - 5, 'q') + "\n";
  ASSERT_EQ(event.size() + 2, LineAssembler::kCapacity - 1);
  const Lines lines = FeedOneEvent(assembler, event);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], "ab");
  EXPECT_EQ(lines[1].size(), LineAssembler::kCapacity - 5);
}

TEST(FrameMessage, TakesTheTextBetweenTheOpeningAndTheFirstClosingBracket) {
  struct Row {
    const char* line;
    std::optional<std::string> message;
  };
  const Row rows[] = {
      {"[OK]", "OK"},
      {"[]", ""},
      {"x[OK]", std::nullopt},
      {"[OK", std::nullopt},
      {"[A]B]", "A"},
      {"[A[B]", "A[B"},
      {"[COMM READY] trailing", "COMM READY"},
      {"", std::nullopt},
      {"]", std::nullopt},
      {" [OK]", std::nullopt},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.line);
    const auto message = FrameMessage(row.line);
    ASSERT_EQ(message.has_value(), row.message.has_value());
    if (message) {
      EXPECT_EQ(std::string(*message), *row.message);
    }
  }
}

TEST(FrameCommand, AppendsLineFeedThenCarriageReturn) {
  CommandBuffer buffer;
  const std::string command(kMaxCommandLength, 'c');
  ASSERT_EQ(FrameCommand(command, buffer), 99u);
  EXPECT_EQ(std::string(buffer, 97), command);
  EXPECT_EQ(buffer[97], '\n');
  EXPECT_EQ(buffer[98], '\r');
  EXPECT_EQ(buffer[99], '\0');

  ASSERT_EQ(FrameCommand("[UNLOCK]", buffer), 10u);
  EXPECT_EQ(std::string(buffer, 11), std::string("[UNLOCK]\n\r\0", 11));
}

TEST(FrameCommand, RefusesALongerCommandWithoutTouchingTheBuffer) {
  CommandBuffer buffer;
  std::fill(std::begin(buffer), std::end(buffer), '#');
  EXPECT_EQ(FrameCommand(std::string(kMaxCommandLength + 1, 'c'), buffer), 0u);
  EXPECT_EQ(std::string(buffer, sizeof buffer), std::string(sizeof buffer, '#'));
}

TEST(FrameCommand, CopiesZeroBytesSoTheLengthMatchesWhatWasWritten) {
  CommandBuffer buffer;
  const std::string command("A\0B", 3);
  ASSERT_EQ(FrameCommand(command, buffer), 5u);
  EXPECT_EQ(std::string(buffer, 5), std::string("A\0B\n\r", 5));
}

}  // namespace
