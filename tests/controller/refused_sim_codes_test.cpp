// Which SIM word after a submission marks its PIN or PUK as refused, and for which box.
#include "controller/refused_sim_codes.h"

#include <gtest/gtest.h>

#include <vector>

#include "controller/wizard.h"

namespace {

TEST(RefusedSimCodes, TheFirstDecidingWordAfterASubmissionJudgesItsCode) {
  struct Row {
    const char* name;
    const char* pin;
    const char* puk;
    std::vector<std::int32_t> words;
    bool pin_refused;
    bool puk_refused;
  };
  const Row rows[] = {
      {"PIN, then wrong", "1234", "", {kSimWrongPin}, true, false},
      {"PIN that used the last try", "1234", "", {kSimPukRequired}, true, false},
      {"PIN accepted", "1234", "", {kSimReady}, false, false},
      {"PIN accepted, a later wrong word judges nothing", "1234", "", {kSimReady, kSimWrongPin}, false, false},
      {"\"SIM PIN\" leaves it open", "1234", "", {kSimPinRequired, kSimWrongPin}, true, false},
      {"no PIN needed closes it unjudged", "1234", "", {kSimPinNotNeeded, kSimWrongPin}, false, false},
      {"PUK refused, its new PIN is no guess", "1234", "12345678", {kSimPukRequired}, false, true},
      {"PUK accepted", "1234", "12345678", {kSimReady}, false, false},
      {"no code, no verdict", "", "", {kSimWrongPin}, false, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    RefusedSimCodes codes;
    codes.Submitted("AB12CD34", row.pin, row.puk);
    for (std::int32_t word : row.words) codes.SimWordArrived(word);
    EXPECT_EQ(codes.PinRefused("AB12CD34", "1234"), row.pin_refused);
    EXPECT_EQ(codes.PukRefused("AB12CD34", "12345678"), row.puk_refused);
    EXPECT_FALSE(codes.PinRefused("OTHERBOX", "1234"));
    EXPECT_FALSE(codes.AwaitingVerdict());
  }
}

TEST(RefusedSimCodes, AnAcceptedPukForgetsThePinsItsSimRefused) {
  RefusedSimCodes codes;
  codes.Submitted("AB12CD34", "1111", "");
  EXPECT_EQ(codes.SimWordArrived(kSimWrongPin), RefusedSimCodes::Verdict::kPinRefused);
  codes.Submitted("OTHERBOX", "1111", "");
  codes.SimWordArrived(kSimWrongPin);
  codes.Submitted("AB12CD34", "4321", "12345678");
  EXPECT_EQ(codes.SimWordArrived(kSimReady), RefusedSimCodes::Verdict::kNone);
  // The SIM's PIN is now the one given with the PUK, whatever was refused before.
  EXPECT_FALSE(codes.PinRefused("AB12CD34", "1111"));
  EXPECT_TRUE(codes.PinRefused("OTHERBOX", "1111"));
}

}  // namespace
