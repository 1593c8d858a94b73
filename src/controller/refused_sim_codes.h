// The PINs and PUKs each box's SIM has refused, so that none of them is spent on it again.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>

#include "common/text.h"

// Kept in memory only, for the program's whole life: a user who replugs the box and starts
// again is still protected, and nothing of it reaches a file. A SIM allows three wrong PINs
// and ten wrong PUKs; after that it is lost for good.
class RefusedSimCodes {
 public:
  // The codes one submission carried to the box `box_id` (empty: none). A PIN that goes with a
  // PUK is the SIM's new PIN, not a guess, so it is never judged.
  void Submitted(const AnsiString& box_id, const AnsiString& pin, const AnsiString& puk);
  enum class Verdict { kNone, kPinRefused, kPukRefused };
  // The status of a SIM word the box sent (the values of SimStatusValue). The first word
  // after a submission judges its code: "SIM READY" accepts it; "SIM PIN WRONG" or "SIM PUK"
  // refuses a PIN, "SIM PUK" a PUK. "SIM PIN" leaves it open (the box may not have tried it
  // yet); any other word closes it unjudged. Returns a refusal it recorded.
  Verdict SimWordArrived(std::int32_t sim_status);

  bool PinRefused(const AnsiString& box_id, const AnsiString& pin) const;
  bool PukRefused(const AnsiString& box_id, const AnsiString& puk) const;
  bool AwaitingVerdict() const { return pending_.has_value(); }

 private:
  struct Codes {
    std::set<AnsiString> pins;
    std::set<AnsiString> puks;
  };
  struct Submission {
    AnsiString box_id;
    AnsiString pin;
    AnsiString puk;
  };

  Verdict Judge(const Submission& submission, std::int32_t sim_status);

  std::map<AnsiString, Codes> refused_;  // by box ID
  std::optional<Submission> pending_;
};
