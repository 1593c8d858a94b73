// The three report parsers of the box protocol and the helpers they are built from, on arbitrary
// report texts.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "controller/box_protocol.h"
#include "fuzz_check.h"

namespace {

namespace bp = box_protocol;

bool Within(std::string_view part, std::string_view whole) {
  return whole.find(part) != std::string_view::npos;
}

void CheckHelpers(std::string_view report) {
  const auto status = bp::ClassifySimWord(report);
  bool any_word = false;
  for (const auto& word : bp::kSimWords) any_word = any_word || Within(word.word, report);
  FUZZ_CHECK(status.has_value() == any_word);
  if (status) {
    bool matched = false;
    for (const auto& word : bp::kSimWords) {
      if (word.status == *status) matched = Within(word.word, report);
    }
    FUZZ_CHECK(matched);
  }

  static constexpr std::string_view kKeys[] = {"MCC:", "MNC:", "RSSI:", "TA:", "CME:", "SIM:", "APN:",
                                               "USER:", "PW:", "PIN:", "IMEI:", "QR:", "HW:", "SW:", "MAC:"};
  for (std::size_t i = 0; i + 1 < std::size(kKeys); ++i) {
    if (const auto value = bp::DelimitedValue(report, kKeys[i], kKeys[i + 1])) {
      FUZZ_CHECK(!value->empty() && Within(*value, report));
    }
    const AnsiString fixed = bp::FixedValue(report, kKeys[i], 8);
    FUZZ_CHECK(fixed.size() <= 8 && Within(fixed, report));
  }
}

std::int32_t Int32At(const std::uint8_t* data) {
  std::uint32_t value = 0;
  for (int i = 0; i < 4; ++i) value = value << 8 | data[i];
  return static_cast<std::int32_t>(value);
}

// A network report as the box formats it carries its numbers back whatever their values.
void CheckNetworkRoundTrip(const std::uint8_t* data, std::size_t size) {
  if (size < 21) return;
  const std::int32_t mcc = Int32At(data), mnc = Int32At(data + 4), rssi = Int32At(data + 8),
                     ta = Int32At(data + 12), cme = Int32At(data + 16);
  const int sim = data[20] % 2;
  const AnsiString report = "MCC:" + std::to_string(mcc) + " MNC:" + std::to_string(mnc) +
                            " RSSI:" + std::to_string(rssi) + " TA:" + std::to_string(ta) +
                            " CME:" + std::to_string(cme) + " SIM:" + std::to_string(sim);
  BoxReport box;
  const bool no_sim = box_protocol::ParseNetworkReport(report, box);
  FUZZ_CHECK(box.mcc == mcc && box.mnc == mnc && box.rssi == rssi && box.ta == ta && box.cme == cme);
  FUZZ_CHECK(no_sim == (sim == 0));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const AnsiString report(reinterpret_cast<const char*>(data), data == nullptr ? 0 : size);
  CheckHelpers(report);

  // One report for the whole run: the parsers only overwrite fields.
  static BoxReport box;

  box_protocol::ParseIdentityReport(report, box);
  FUZZ_CHECK(box.id.size() <= 8 && box.hardware.size() <= 4 && box.software.size() <= 4 && box.mac.size() <= 12);
  FUZZ_CHECK(Within(box.id, report) && Within(box.mac, report));
  if (const std::size_t at = report.find("QR:"); at != std::string::npos) {
    FUZZ_CHECK(box.id == report.substr(at + 3, 8));
  }

  CheckNetworkRoundTrip(data, data == nullptr ? 0 : size);

  // Only a report with "SIM:" can say there is no SIM.
  if (box_protocol::ParseNetworkReport(report, box)) FUZZ_CHECK(Within("SIM:", report));

  const AnsiString kUnset = "\x01unset";
  box.apn = box.user = box.password = box.pin = kUnset;
  box_protocol::ParseSettingsReport(report, box);
  for (const AnsiString* field : {&box.apn, &box.user, &box.password, &box.pin}) {
    FUZZ_CHECK(*field == kUnset || (!field->empty() && Within(*field, report)));
  }
  return 0;
}
