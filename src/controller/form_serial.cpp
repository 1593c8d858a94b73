// Opening the box's port.
#include "controller/main_form.h"

void TForm1::OpenCommPort() {
  // A CommNumber above 255 is passed on as it is: the engine refuses it instead of wrapping it
  // onto another port.
  const std::int32_t number = CommNumber.load();
  const unsigned port = number < 0 ? 0u : static_cast<unsigned>(number);
  if (Serial != nullptr && Serial->Open(port, 38400, 0, 8, false) == kOpenOk) {
    // On success the worker's open event sets PortOpen and logs.
    LoggedOpenFailure = {};
    return;
  }
  PortOpen = false;
  LogLine("Dut com port could not be opened");
  LogOpenFailureReason();
}

// The refusal repeats every tick; its reason is logged once each time it changes.
void TForm1::LogOpenFailureReason() {
  if (Serial == nullptr) return;
  const SerialOpenFailure& failure = Serial->LastOpenFailure();
  if (failure == LoggedOpenFailure || failure.reason.empty()) return;
  LoggedOpenFailure = failure;
  LogLine("Dut com port " + failure.device + ": " + failure.reason);
}
