// The PINs and PUKs each box's SIM has refused.
#include "controller/refused_sim_codes.h"

namespace {

// The SimStatus values this memory reads (the controller's SimStatusValue).
constexpr std::int32_t kReady = 0;
constexpr std::int32_t kPinRequired = 1;
constexpr std::int32_t kWrongPin = 4;
constexpr std::int32_t kPukRequired = 5;

}  // namespace

void RefusedSimCodes::Submitted(const AnsiString& box_id, const AnsiString& pin, const AnsiString& puk) {
  if (pin.empty() && puk.empty()) {
    pending_.reset();
    return;
  }
  pending_ = Submission{box_id, puk.empty() ? pin : AnsiString(), puk};
}

RefusedSimCodes::Verdict RefusedSimCodes::SimWordArrived(std::int32_t sim_status) {
  if (!pending_ || sim_status == kPinRequired) return Verdict::kNone;
  const Submission submission = std::move(*pending_);
  pending_.reset();
  return Judge(submission, sim_status);
}

RefusedSimCodes::Verdict RefusedSimCodes::Judge(const Submission& submission, std::int32_t sim_status) {
  Codes& codes = refused_[submission.box_id];
  if (!submission.puk.empty()) {
    // An accepted PUK gave the SIM a new PIN: the PINs it refused before say nothing now.
    if (sim_status == kReady) codes.pins.clear();
    if (sim_status != kPukRequired) return Verdict::kNone;
    codes.puks.insert(submission.puk);
    return Verdict::kPukRefused;
  }
  if (sim_status != kWrongPin && sim_status != kPukRequired) return Verdict::kNone;
  codes.pins.insert(submission.pin);
  return Verdict::kPinRefused;
}

bool RefusedSimCodes::PinRefused(const AnsiString& box_id, const AnsiString& pin) const {
  const auto codes = refused_.find(box_id);
  return codes != refused_.end() && codes->second.pins.contains(pin);
}

bool RefusedSimCodes::PukRefused(const AnsiString& box_id, const AnsiString& puk) const {
  const auto codes = refused_.find(box_id);
  return codes != refused_.end() && codes->second.puks.contains(puk);
}
