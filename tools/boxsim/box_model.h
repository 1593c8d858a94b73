// What the simulated box answers: a pure model of the box's side of the protocol, fed one
// received line at a time, so that the scenarios can be reasoned about without a pty.
#pragma once

#include <cstddef>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace boxsim {

enum class SimCondition { Ready, PinRequired, WrongPin, PukRequired, NoSim, PinNotNeeded };

// A SIM allows three wrong PINs, then wants its PUK; ten wrong PUKs end it for good.
inline constexpr int kPinTries = 3;
inline constexpr int kPukTries = 10;

struct Scenario {
  SimCondition sim = SimCondition::Ready;
  std::string sim_pin = "1234";  // the PIN the SIM accepts
  std::string puk = "12345678";  // the PUK that unblocks it
  int pin_tries_left = 0;        // 0: as a SIM in this condition has (one spent for WrongPin)
  int puk_tries_left = kPukTries;
  int failing_tests = 0;         // so many GPRS tests fail before one can pass
  int test_delay_ms = 1000;      // how long the box's GPRS test takes
  int mcc = 262;
  int mnc = 1;
  int rssi = -65;
  std::string apn = "internet";  // settings stored in the box
  std::string user;
  std::string password;
  std::string stored_pin;  // empty: the SIM's PIN, or "0000" for a wrong PIN
  std::string box_id = "AB12CD34";
  std::string hardware = "0142";
  std::vector<std::string> ignored;  // command names never answered; "*" ignores all
  std::string unplug_after;          // command name whose arrival pulls the cable
  bool garbage = false;              // noise lines around every answer
  std::size_t overlong = 0;          // one line of this many characters after the unlock
  unsigned noise_seed = 0;           // not 0: random bytes in and before every answer line
  bool cr_line = false;              // one line ended by a carriage return alone, before "UNLOCKED"
  bool echo = false;                 // every received line is sent back before the answer
  std::size_t burst = 0;             // so many messages at once when the wizard opens the port
};

struct Reply {
  std::string line;  // with its terminator
  int delay_ms = 0;  // after the previous reply of the same answer
};

struct Answer {
  std::vector<Reply> replies;
  bool unplug = false;
  // What the SIM made of a code, for the simulator's output: "wrong PIN, 2 tries left" and so on.
  std::vector<std::string> sim_notes;
};

// The text of the number-th message of a burst (from 1): "BURST 0001" and so on.
std::string BurstMessage(std::size_t number);

// The name of a command: the text after "[" up to the first space or "]".
std::string CommandName(std::string_view line);

class BoxModel {
 public:
  explicit BoxModel(Scenario scenario);

  // A new connection: the box starts over and announces itself until it is unlocked. The SIM
  // keeps its counts; one that was told a wrong PIN asks for its PIN again, as after any
  // power-up.
  void Restart();
  bool Unlocked() const { return unlocked_; }
  // What the box sends every second until "[UNLOCK]" arrives.
  std::vector<Reply> Announcement();
  // What the box sends as soon as the wizard has opened the port, before the announcement.
  std::vector<Reply> Greeting() const;
  // The answer to one received line (without its line terminator).
  Answer Receive(std::string_view line);

  const Scenario& scenario() const { return scenario_; }
  SimCondition sim() const { return sim_; }
  int TestsRun() const { return tests_run_; }
  int PinTriesLeft() const { return pin_tries_left_; }
  int PukTriesLeft() const { return puk_tries_left_; }
  bool Blocked() const { return blocked_; }

 private:
  Reply Message(const std::string& text, int delay_ms = 0) const;
  Answer Respond(std::string_view line, const std::string& name);
  std::string SimWord() const;
  bool Ignored(const std::string& name) const;
  void StoreSettings(std::string_view line, Answer& answer);
  void TryPin(const std::string& digits, Answer& answer);
  void UnblockSim(std::string_view line, Answer& answer);
  void WrapInGarbage(Answer& answer) const;
  void AddNoise(Answer& answer);
  std::string NoiseLine();
  std::string Sprinkled(const std::string& line);
  unsigned char NonPrintableByte();

  Scenario scenario_;
  SimCondition sim_;
  bool unlocked_ = false;
  bool announced_once_ = false;
  bool overlong_sent_ = false;
  bool unplug_done_ = false;
  bool cr_line_sent_ = false;
  int tests_run_ = 0;
  int pin_tries_left_;
  int puk_tries_left_;
  bool blocked_ = false;
  bool powered_before_ = false;
  bool new_pin_due_ = false;  // an accepted PUK: the next settings' PIN becomes the SIM's PIN
  std::minstd_rand noise_;
};

// Turns a stream of received bytes into lines: split at line feeds, carriage returns
// dropped, empty lines skipped.
class LineSplitter {
 public:
  std::vector<std::string> Feed(std::string_view bytes);

 private:
  std::string partial_;
};

}  // namespace boxsim
