// Drives the controller tick by tick: feeds box messages into the receive queue, takes what
// the wizard queued for the box, and walks a clean run up to a chosen state.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/wizard_fixture.h"

// Traffic of a box that is ready, on network 262/01 with a good signal.
inline constexpr const char* kNetworkReport = "MCC:262 MNC:1 RSSI:-65 TA:0 CME:0 SIM:1";
inline constexpr const char* kSettingsReport =
    "APN:box.apn USER:boxuser PW:boxpw PIN:1234 IMEI:356938035643809";
inline constexpr const char* kIdentityReport = "QR:AB12CD34 HW:0142 SW:0107 MAC:0011223344AA";

class WizardDriver {
 public:
  explicit WizardDriver(const std::string& catalogue = "", const std::string& language = "")
      : fixture_(catalogue, "", language) {}

  Wizard& core() { return fixture_.core(); }
  RecordingView& view() { return fixture_.view(); }
  WizardFixture& fixture() { return fixture_; }

  // One tick, with `message` waiting in the receive queue when it is not empty. A pause of the
  // ladder that holds the ticks back ends first, as the time it takes passes before the tick.
  void Tick(const std::string& message = "") {
    if (!message.empty()) core().Channel().AddMessage(message);
    if (view().Running(WizardTimer::kLadderPause)) core().OnTimer(WizardTimer::kLadderPause);
    core().OnTimer(WizardTimer::kTick);
  }
  void Start() { core().OnControl(Control::Start); }
  void Ticks(int count) {
    for (int i = 0; i < count; ++i) Tick();
  }

  // What the send slot holds, taken out as the send pump would.
  std::vector<std::string> TakeSent() { return core().Channel().TakeQueued(); }
  std::string TakeOneSent() {
    const auto sent = TakeSent();
    return sent.size() == 1 ? sent.front() : "<" + std::to_string(sent.size()) + " commands>";
  }

  // Log lines without time stamps, from `from` on.
  std::vector<std::string> LogFrom(std::size_t from) const {
    const auto all = fixture_.LogTexts();
    return std::vector<std::string>(all.begin() + static_cast<std::ptrdiff_t>(std::min(from, all.size())),
                                    all.end());
  }
  std::size_t LogSize() const { return fixture_.LogTexts().size(); }
  bool Logged(const std::string& text) const {
    const auto all = fixture_.LogTexts();
    return std::find(all.begin(), all.end(), text) != all.end();
  }

  // A box found on COM7 whose port has opened; the next tick connects.
  void FoundWithOpenPort() {
    core().Session().ChangeState(kStateFound);
    core().Channel().port_number = 7;
    core().Session().reply_timeout = 7000;
    core().Channel().port_open = true;
  }

  // Walks the clean run up to `target` (Connected, Ready, Unlocked, GotPLMN, GotGPRS, GPRSSet,
  // GPRSTesting or GPRSPassed), emptying the send slot after every step.
  void RunTo(std::uint32_t target) {
    done_ = false;
    FoundWithOpenPort();
    Step("", kStateConnected, target);
    Step("COMM READY", kStateReady, target);
    Step("UNLOCKED", kStateUnlocked, target);
    Step(kNetworkReport, kStateGotPLMN, target);
    Step(kSettingsReport, kStateGotGPRS, target);
    Step(kIdentityReport, kStateGPRSSet, target);
    Step("OK", kStateGPRSTesting, target);
    Step("GPRSTEST OK", kStateGPRSPassed, target);
  }

 private:
  void Step(const std::string& message, std::uint32_t reached, std::uint32_t target) {
    if (done_) return;
    Tick(message);
    TakeSent();
    ASSERT_EQ(core().Session().state, reached) << "after " << message;
    if (reached == target) done_ = true;
  }

  WizardFixture fixture_;
  bool done_ = false;
};
