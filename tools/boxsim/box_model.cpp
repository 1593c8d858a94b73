// The simulated box's answers.
#include "box_model.h"

#include <algorithm>
#include <utility>

namespace boxsim {

namespace {

constexpr const char* kImei = "356938035643809";
constexpr const char* kMac = "0011223344AA";
constexpr const char* kSoftware = "0107";

// The value after `key` up to the next space or "]" (or the end).
std::string ValueAfter(std::string_view line, std::string_view key) {
  const std::size_t at = line.find(key);
  if (at == std::string_view::npos) return {};
  std::string_view rest = line.substr(at + key.size());
  const std::size_t end = rest.find_first_of(" ]");
  return std::string(rest.substr(0, end));
}

// The PIN field always holds four characters with blanks in front.
std::string WithoutBlanks(std::string text) {
  text.erase(std::remove(text.begin(), text.end(), ' '), text.end());
  return text;
}

}  // namespace

std::string BurstMessage(std::size_t number) {
  std::string digits = std::to_string(number);
  return "BURST " + std::string(digits.size() < 4 ? 4 - digits.size() : 0, '0') + digits;
}

std::string CommandName(std::string_view line) {
  if (line.empty() || line.front() != '[') return {};
  line.remove_prefix(1);
  return std::string(line.substr(0, line.find_first_of(" ]")));
}

BoxModel::BoxModel(Scenario scenario)
    : scenario_(std::move(scenario)),
      sim_(scenario_.sim),
      pin_tries_left_(scenario_.pin_tries_left),
      puk_tries_left_(scenario_.puk_tries_left),
      noise_(scenario_.noise_seed) {
  if (pin_tries_left_ <= 0) pin_tries_left_ = sim_ == SimCondition::WrongPin ? kPinTries - 1 : kPinTries;
  if (scenario_.stored_pin.empty()) {
    scenario_.stored_pin = scenario_.sim == SimCondition::WrongPin ? "0000" : scenario_.sim_pin;
  }
}

void BoxModel::Restart() {
  unlocked_ = false;
  announced_once_ = false;
  // Power comes back with a replug; the first connection finds the SIM as the scenario says.
  if (powered_before_ && sim_ == SimCondition::WrongPin) sim_ = SimCondition::PinRequired;
  powered_before_ = true;
}

Reply BoxModel::Message(const std::string& text, int delay_ms) const {
  return Reply{"[" + text + "]\r\n", delay_ms};
}

std::string BoxModel::SimWord() const {
  switch (sim_) {
    case SimCondition::Ready:
      return "SIM READY";
    case SimCondition::PinRequired:
      return "SIM PIN";
    case SimCondition::WrongPin:
      return "SIM PIN WRONG";
    case SimCondition::PukRequired:
      return "SIM PUK";
    case SimCondition::NoSim:
      return "NO SIM";
    case SimCondition::PinNotNeeded:
      return "SIM PIN NOT NEEDED";
  }
  return "SIM READY";
}

bool BoxModel::Ignored(const std::string& name) const {
  return std::any_of(scenario_.ignored.begin(), scenario_.ignored.end(),
                     [&](const std::string& ignored) { return ignored == "*" || ignored == name; });
}

std::vector<Reply> BoxModel::Announcement() {
  std::vector<Reply> replies;
  if (!announced_once_ && (sim_ == SimCondition::PukRequired || sim_ == SimCondition::PinRequired)) {
    replies.push_back(Message(SimWord()));
  }
  announced_once_ = true;
  replies.push_back(Message("COMM READY"));
  return replies;
}

std::vector<Reply> BoxModel::Greeting() const {
  std::vector<Reply> replies;
  for (std::size_t i = 1; i <= scenario_.burst; ++i) replies.push_back(Message(BurstMessage(i)));
  return replies;
}

void BoxModel::StoreSettings(std::string_view line, Answer& answer) {
  scenario_.apn = ValueAfter(line, "APN:");
  scenario_.user = ValueAfter(line, "USER:");
  scenario_.password = ValueAfter(line, "PW:");
  // The PIN may be blanks only, which ValueAfter would cut at the first one.
  const std::size_t at = line.find("PIN:");
  std::string pin = at == std::string_view::npos ? std::string() : std::string(line.substr(at + 4));
  if (!pin.empty() && pin.back() == ']') pin.pop_back();
  scenario_.stored_pin = pin;
  const std::string digits = WithoutBlanks(pin);
  if (new_pin_due_ && !digits.empty()) {
    new_pin_due_ = false;
    scenario_.sim_pin = digits;
    answer.sim_notes.push_back("new PIN set");
  } else if ((sim_ == SimCondition::WrongPin || sim_ == SimCondition::PinRequired) && !digits.empty()) {
    TryPin(digits, answer);
  }
}

// Each wrong PIN spends a try; the last one makes the SIM want its PUK.
void BoxModel::TryPin(const std::string& digits, Answer& answer) {
  if (digits == scenario_.sim_pin) {
    sim_ = SimCondition::Ready;
    pin_tries_left_ = kPinTries;
    answer.sim_notes.push_back("PIN accepted");
    return;
  }
  --pin_tries_left_;
  sim_ = pin_tries_left_ > 0 ? SimCondition::WrongPin : SimCondition::PukRequired;
  answer.sim_notes.push_back("wrong PIN, " + std::to_string(pin_tries_left_) + " tries left");
}

void BoxModel::UnblockSim(std::string_view line, Answer& answer) {
  if (sim_ != SimCondition::PukRequired || blocked_) return;
  if (ValueAfter(line, "PUK:") == scenario_.puk) {
    sim_ = SimCondition::Ready;
    pin_tries_left_ = kPinTries;
    puk_tries_left_ = kPukTries;
    new_pin_due_ = true;
    answer.sim_notes.push_back("PUK accepted");
    return;
  }
  --puk_tries_left_;
  answer.sim_notes.push_back("wrong PUK, " + std::to_string(puk_tries_left_) + " tries left");
  if (puk_tries_left_ > 0) return;
  blocked_ = true;
  answer.sim_notes.push_back("blocked for good");
}

void BoxModel::WrapInGarbage(Answer& answer) const {
  if (!scenario_.garbage || answer.replies.empty()) return;
  std::vector<Reply> wrapped;
  wrapped.push_back(Reply{"boot noise \t\xC3\xA9 not a message\r\n", 0});
  wrapped.push_back(Reply{"x[OK]\r\n", 0});
  wrapped.push_back(Reply{"\r\n", 0});
  for (Reply& reply : answer.replies) wrapped.push_back(std::move(reply));
  wrapped.push_back(Reply{"[UNTERMINATED\r\n", 0});
  answer.replies = std::move(wrapped);
}

unsigned char BoxModel::NonPrintableByte() {
  // Everything the wizard must drop from a line: control bytes (carriage return and NUL
  // included, line feed excepted), DEL and the upper half.
  for (;;) {
    const auto byte = static_cast<unsigned char>(noise_() & 0xFF);
    if (byte != '\n' && (byte < 0x20 || byte >= 0x7F)) return byte;
  }
}

std::string BoxModel::NoiseLine() {
  // Any bytes but a line feed or "[": such a line can never be taken for a message.
  std::string line;
  const std::size_t length = 1 + noise_() % 40;
  while (line.size() < length) {
    const auto byte = static_cast<char>(noise_() & 0xFF);
    if (byte != '\n' && byte != '[') line.push_back(byte);
  }
  return line + "\r\n";
}

std::string BoxModel::Sprinkled(const std::string& line) {
  std::string noisy;
  for (char c : line) {
    if (c != '\n' && noise_() % 3 == 0) noisy.push_back(static_cast<char>(NonPrintableByte()));
    noisy.push_back(c);
  }
  return noisy;
}

void BoxModel::AddNoise(Answer& answer) {
  if (scenario_.noise_seed == 0) return;
  std::vector<Reply> noisy;
  for (Reply& reply : answer.replies) {
    noisy.push_back(Reply{NoiseLine(), reply.delay_ms});
    noisy.push_back(Reply{Sprinkled(reply.line), 0});
  }
  answer.replies = std::move(noisy);
}

Answer BoxModel::Receive(std::string_view line) {
  Answer answer;
  // The settings command may follow a PUK command in the same write; each arrives as a line.
  const std::string name = CommandName(line);
  if (!unplug_done_ && !scenario_.unplug_after.empty() && name == scenario_.unplug_after) {
    unplug_done_ = true;
    answer.unplug = true;
    return answer;
  }
  if (!name.empty() && !Ignored(name)) answer = Respond(line, name);
  WrapInGarbage(answer);
  AddNoise(answer);
  // The wizard ends its commands with a line feed and a carriage return; an echo repeats them.
  if (scenario_.echo) answer.replies.insert(answer.replies.begin(), Reply{std::string(line) + "\n\r", 0});
  return answer;
}

Answer BoxModel::Respond(std::string_view line, const std::string& name) {
  Answer answer;
  if (name == "UNLOCK") {
    unlocked_ = true;
    if (scenario_.overlong > 0 && !overlong_sent_) {
      overlong_sent_ = true;
      answer.replies.push_back(Reply{std::string(scenario_.overlong, '#') + "\r\n", 0});
    }
    if (scenario_.cr_line && !cr_line_sent_) {
      cr_line_sent_ = true;
      // Ended by a carriage return alone, this line runs into the next one.
      answer.replies.push_back(Reply{"SELFTEST DONE\r", 0});
    }
    answer.replies.push_back(Message("UNLOCKED"));
  } else if (name == "PLMNGET") {
    if (sim_ == SimCondition::PinNotNeeded) answer.replies.push_back(Message(SimWord()));
    const int sim_value = sim_ == SimCondition::NoSim ? 0 : 1;
    answer.replies.push_back(
        Message("MCC:" + std::to_string(scenario_.mcc) + " MNC:" + std::to_string(scenario_.mnc) +
                " RSSI:" + std::to_string(scenario_.rssi) + " TA:0 CME:0 SIM:" + std::to_string(sim_value)));
  } else if (name == "GPRSGET") {
    answer.replies.push_back(Message("APN:" + scenario_.apn + " USER:" + scenario_.user + " PW:" +
                                     scenario_.password + " PIN:" + scenario_.stored_pin + " IMEI:" + kImei));
  } else if (name == "QRGET") {
    if (sim_ == SimCondition::WrongPin || sim_ == SimCondition::PukRequired) {
      answer.replies.push_back(Message(SimWord()));
    }
    answer.replies.push_back(Message("QR:" + scenario_.box_id + " HW:" + scenario_.hardware +
                                     " SW:" + kSoftware + " MAC:" + kMac));
  } else if (name == "SIMPUK") {
    UnblockSim(line, answer);
    answer.replies.push_back(Message(SimWord()));
  } else if (name == "GPRSSET") {
    StoreSettings(line, answer);
    answer.replies.push_back(Message("OK"));
  } else if (name == "GPRSTEST") {
    ++tests_run_;
    const bool sim_usable = sim_ == SimCondition::Ready || sim_ == SimCondition::PinNotNeeded;
    const bool passes = sim_usable && tests_run_ > scenario_.failing_tests;
    answer.replies.push_back(Message(SimWord(), scenario_.test_delay_ms));
    answer.replies.push_back(Message(passes ? "GPRSTEST OK" : "GPRSTEST FAIL"));
  } else {
    answer.replies.push_back(Message("ERROR"));
  }
  return answer;
}

std::vector<std::string> LineSplitter::Feed(std::string_view bytes) {
  std::vector<std::string> lines;
  for (char c : bytes) {
    if (c == '\n') {
      if (!partial_.empty()) lines.push_back(std::move(partial_));
      partial_.clear();
    } else if (c != '\r') {
      partial_.push_back(c);
    }
  }
  return lines;
}

}  // namespace boxsim
