// rodiduz-boxsim: a Rodiduz Box on the master side of a pseudo-terminal, so that the wizard
// can run a whole setup without hardware. It prints everything it receives and sends.
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <string>
#include <thread>

#include "box_model.h"

namespace {

using Clock = std::chrono::steady_clock;
using boxsim::SimCondition;

volatile std::sig_atomic_t g_stop = 0;
volatile std::sig_atomic_t g_pull_cable = 0;  // SIGUSR1: unplug now
volatile std::sig_atomic_t g_plug_in = 0;     // SIGUSR2: end the wait of --replug-ms now
void OnSignal(int) { g_stop = 1; }
void OnPullCable(int) { g_pull_cable = 1; }
void OnPlugIn(int) { g_plug_in = 1; }

struct Options {
  boxsim::Scenario scenario;
  std::string port_dir;
  int com = 7;
  int announce_ms = 1000;
  int replug_ms = -1;  // -1: exit after an unplug
  int lifetime_s = 0;  // 0: until a signal
};

void Usage(FILE* out) {
  std::fprintf(out,
               "usage: rodiduz-boxsim [options]\n"
               "  --port-dir DIR       folder of the COM<n> link (default $RODIDUZ_PORT_DIR)\n"
               "  --com N              port number (default 7)\n"
               "  --sim STATE          ready | pin | wrong-pin | puk | none | pin-not-needed\n"
               "  --sim-pin PIN        the PIN the SIM accepts (default 1234)\n"
               "  --puk PUK            the PUK that unblocks the SIM (default 12345678)\n"
               "  --pin-tries N        wrong PINs the SIM still takes (default 3, 2 for wrong-pin)\n"
               "  --puk-tries N        wrong PUKs the SIM still takes (default 10)\n"
               "  --fail-tests N       the first N GPRS tests fail\n"
               "  --test-ms MS         duration of the box's GPRS test (default 1000)\n"
               "  --mcc N --mnc N --rssi N   the network report\n"
               "  --apn A --user U --password P --stored-pin P   settings stored in the box\n"
               "  --id ID --hw HW      identity report\n"
               "  --silent             never answer a command\n"
               "  --ignore NAME        never answer this command (repeatable), e.g. PLMNGET\n"
               "  --unplug-after NAME  pull the cable when this command arrives\n"
               "  --replug-ms MS       after an unplug, plug in again after MS (default: exit)\n"
               "                       SIGUSR1 unplugs at once; SIGUSR2 ends the wait for the replug\n"
               "  --garbage            noise lines around every answer\n"
               "  --overlong N         one line of N characters after the unlock\n"
               "  --noise SEED         random bytes (NUL, control, above 0x7E) in and before every answer\n"
               "  --cr-line            one line ended by a carriage return alone, before the unlock answer\n"
               "  --echo               send every received line back before answering it\n"
               "  --burst N            N messages at once as soon as the port is opened\n"
               "  --announce-ms MS     interval of \"[COMM READY]\" (default 1000)\n"
               "  --lifetime S         exit after S seconds\n");
}

bool ParseSim(const std::string& text, SimCondition& sim) {
  if (text == "ready")
    sim = SimCondition::Ready;
  else if (text == "pin")
    sim = SimCondition::PinRequired;
  else if (text == "wrong-pin")
    sim = SimCondition::WrongPin;
  else if (text == "puk")
    sim = SimCondition::PukRequired;
  else if (text == "none")
    sim = SimCondition::NoSim;
  else if (text == "pin-not-needed")
    sim = SimCondition::PinNotNeeded;
  else
    return false;
  return true;
}

bool ParseInt(const char* text, int& value) {
  char* end = nullptr;
  errno = 0;
  const long parsed = std::strtol(text, &end, 10);
  if (errno != 0 || end == text || *end != '\0' || parsed < -1000000000L || parsed > 1000000000L)
    return false;
  value = static_cast<int>(parsed);
  return true;
}

// Returns false (after a message) on a bad command line.
bool ParseOptions(int argc, char** argv, Options& options) {
  if (const char* dir = std::getenv("RODIDUZ_PORT_DIR")) options.port_dir = dir;
  boxsim::Scenario& s = options.scenario;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto next = [&](const char*& value) {
      if (i + 1 >= argc) {
        std::fprintf(stderr, "rodiduz-boxsim: %s needs a value\n", arg.c_str());
        return false;
      }
      value = argv[++i];
      return true;
    };
    auto number = [&](int& target) {
      const char* value = nullptr;
      if (!next(value)) return false;
      if (ParseInt(value, target)) return true;
      std::fprintf(stderr, "rodiduz-boxsim: %s wants a number, not \"%s\"\n", arg.c_str(), value);
      return false;
    };
    auto text = [&](std::string& target) {
      const char* value = nullptr;
      if (!next(value)) return false;
      target = value;
      return true;
    };
    bool ok = true;
    if (arg == "--help" || arg == "-h") {
      Usage(stdout);
      std::exit(0);
    } else if (arg == "--port-dir") {
      ok = text(options.port_dir);
    } else if (arg == "--com") {
      ok = number(options.com) && options.com >= 1 && options.com <= 255;
    } else if (arg == "--sim") {
      std::string value;
      ok = text(value) && ParseSim(value, s.sim);
    } else if (arg == "--sim-pin") {
      ok = text(s.sim_pin);
    } else if (arg == "--puk") {
      ok = text(s.puk);
    } else if (arg == "--pin-tries") {
      ok = number(s.pin_tries_left) && s.pin_tries_left >= 1 && s.pin_tries_left <= boxsim::kPinTries;
    } else if (arg == "--puk-tries") {
      ok = number(s.puk_tries_left) && s.puk_tries_left >= 1 && s.puk_tries_left <= boxsim::kPukTries;
    } else if (arg == "--fail-tests") {
      ok = number(s.failing_tests);
    } else if (arg == "--test-ms") {
      ok = number(s.test_delay_ms) && s.test_delay_ms >= 0;
    } else if (arg == "--mcc") {
      ok = number(s.mcc);
    } else if (arg == "--mnc") {
      ok = number(s.mnc);
    } else if (arg == "--rssi") {
      ok = number(s.rssi);
    } else if (arg == "--apn") {
      ok = text(s.apn);
    } else if (arg == "--user") {
      ok = text(s.user);
    } else if (arg == "--password") {
      ok = text(s.password);
    } else if (arg == "--stored-pin") {
      ok = text(s.stored_pin);
    } else if (arg == "--id") {
      ok = text(s.box_id);
    } else if (arg == "--hw") {
      ok = text(s.hardware);
    } else if (arg == "--silent") {
      s.ignored.push_back("*");
    } else if (arg == "--ignore") {
      std::string name;
      ok = text(name);
      s.ignored.push_back(name);
    } else if (arg == "--unplug-after") {
      ok = text(s.unplug_after);
    } else if (arg == "--replug-ms") {
      ok = number(options.replug_ms) && options.replug_ms >= 0;
    } else if (arg == "--garbage") {
      s.garbage = true;
    } else if (arg == "--overlong") {
      int length = 0;
      ok = number(length) && length > 0;
      s.overlong = static_cast<std::size_t>(length);
    } else if (arg == "--noise") {
      int seed = 0;
      ok = number(seed) && seed > 0;
      s.noise_seed = static_cast<unsigned>(seed);
    } else if (arg == "--cr-line") {
      s.cr_line = true;
    } else if (arg == "--echo") {
      s.echo = true;
    } else if (arg == "--burst") {
      int count = 0;
      ok = number(count) && count > 0;
      s.burst = static_cast<std::size_t>(count);
    } else if (arg == "--announce-ms") {
      ok = number(options.announce_ms) && options.announce_ms > 0;
    } else if (arg == "--lifetime") {
      ok = number(options.lifetime_s) && options.lifetime_s >= 0;
    } else {
      std::fprintf(stderr, "rodiduz-boxsim: unknown option %s\n", arg.c_str());
      Usage(stderr);
      return false;
    }
    if (!ok) {
      std::fprintf(stderr, "rodiduz-boxsim: bad value for %s\n", arg.c_str());
      return false;
    }
  }
  if (options.port_dir.empty()) {
    std::fprintf(stderr, "rodiduz-boxsim: no port folder: set RODIDUZ_PORT_DIR or pass --port-dir\n");
    return false;
  }
  return true;
}

// What leaves the box, in order, each line at its time.
struct Pending {
  Clock::time_point due;
  std::string line;
};

class Box {
 public:
  explicit Box(const Options& options)
      : options_(options),
        model_(options.scenario),
        link_(options.port_dir + "/COM" + std::to_string(options.com)),
        started_(Clock::now()) {}
  ~Box() { Unplug(); }

  int Run() {
    for (;;) {
      if (!PlugIn()) return 1;
      const int result = Serve();
      if (result >= 0) return result;
      // Unplugged: plug in again later, or end.
      if (options_.replug_ms < 0) return 0;
      if (!WaitForReplug(options_.replug_ms)) return 0;
    }
  }

 private:
  bool PlugIn() {
    int slave = -1;
    if (openpty(&master_, &slave, nullptr, nullptr, nullptr) != 0) {
      std::fprintf(stderr, "rodiduz-boxsim: openpty: %s\n", std::strerror(errno));
      return false;
    }
    termios raw{};
    tcgetattr(slave, &raw);
    cfmakeraw(&raw);
    tcsetattr(slave, TCSANOW, &raw);
    const std::string device = ttyname(slave);
    // Only the wizard holds the slave open from now on, so a hang-up means it has let go.
    close(slave);
    fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
    unlink(link_.c_str());
    if (symlink(device.c_str(), link_.c_str()) != 0) {
      std::fprintf(stderr, "rodiduz-boxsim: cannot make %s: %s\n", link_.c_str(), std::strerror(errno));
      close(master_);
      master_ = -1;
      return false;
    }
    std::printf("plugged in: %s -> %s\n", link_.c_str(), device.c_str());
    return true;
  }

  void Unplug() {
    if (master_ < 0) return;
    close(master_);
    master_ = -1;
    unlink(link_.c_str());
    std::printf("unplugged: %s removed\n", link_.c_str());
  }

  // The wait between an unplug and the replug; SIGUSR2 cuts it short.
  bool WaitForReplug(int ms) {
    g_plug_in = 0;
    const auto until = Clock::now() + std::chrono::milliseconds(ms);
    while (Clock::now() < until && !g_plug_in) {
      if (ShouldEnd()) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    g_pull_cable = 0;  // the cable is out already
    return true;
  }

  bool ShouldEnd() const {
    if (g_stop) return true;
    return options_.lifetime_s > 0 && Clock::now() - started_ >= std::chrono::seconds(options_.lifetime_s);
  }

  // True while nobody has the slave side open.
  bool HungUp() const {
    pollfd fd{master_, POLLIN, 0};
    return poll(&fd, 1, 0) > 0 && (fd.revents & POLLHUP) != 0;
  }

  // Returns an exit code, or -1 after an unplug.
  int Serve() {
    std::printf("waiting for the wizard to open the port\n");
    bool connected = false;
    Clock::time_point next_announcement;
    for (;;) {
      if (ShouldEnd()) {
        Unplug();
        return 0;
      }
      if (g_pull_cable) {
        g_pull_cable = 0;
        std::printf("pulling the cable on a signal\n");
        Unplug();
        return -1;
      }
      if (!connected) {
        if (HungUp()) {
          std::this_thread::sleep_for(std::chrono::milliseconds(50));
          continue;
        }
        connected = true;
        model_.Restart();
        pending_.clear();
        splitter_ = boxsim::LineSplitter();
        next_announcement = Clock::now();
        std::printf("the wizard opened the port\n");
        Queue(model_.Greeting());
      }
      const auto now = Clock::now();
      if (!model_.Unlocked() && now >= next_announcement) {
        Queue(model_.Announcement());
        next_announcement = now + std::chrono::milliseconds(options_.announce_ms);
      }
      while (!pending_.empty() && pending_.front().due <= now) {
        Write(pending_.front().line);
        pending_.pop_front();
      }

      pollfd fd{master_, POLLIN, 0};
      const int ready = poll(&fd, 1, 20);
      if (ready <= 0) continue;
      if ((fd.revents & POLLIN) != 0) {
        char buffer[4096];
        const ssize_t got = read(master_, buffer, sizeof buffer);
        if (got > 0) {
          for (const std::string& line :
               splitter_.Feed(std::string_view(buffer, static_cast<std::size_t>(got)))) {
            std::printf("<- %s\n", line.c_str());
            const boxsim::Answer answer = model_.Receive(line);
            for (const std::string& note : answer.sim_notes) std::printf("sim: %s\n", note.c_str());
            if (answer.unplug) {
              std::printf("pulling the cable after %s\n", line.c_str());
              Unplug();
              return -1;
            }
            Queue(answer.replies);
          }
          continue;
        }
      }
      if ((fd.revents & (POLLHUP | POLLERR)) != 0) {
        std::printf("the wizard closed the port\n");
        connected = false;
      }
    }
  }

  void Queue(const std::vector<boxsim::Reply>& replies) {
    Clock::time_point at = pending_.empty() ? Clock::now() : pending_.back().due;
    for (const boxsim::Reply& reply : replies) {
      at += std::chrono::milliseconds(reply.delay_ms);
      pending_.push_back(Pending{at, reply.line});
    }
  }

  void Write(const std::string& line) {
    std::size_t done = 0;
    while (done < line.size()) {
      const ssize_t wrote = write(master_, line.data() + done, line.size() - done);
      if (wrote > 0) {
        done += static_cast<std::size_t>(wrote);
      } else if (wrote < 0 && errno == EAGAIN) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
      } else {
        return;  // nobody listens any more; the hang-up is noticed by the poll
      }
    }
    std::string shown = line.substr(0, line.find_last_not_of("\r\n") + 1);
    if (shown.size() > 120)
      shown = shown.substr(0, 120) + "... (" + std::to_string(shown.size()) + " characters)";
    std::printf("-> %s\n", shown.c_str());
  }

  const Options& options_;
  boxsim::BoxModel model_;
  boxsim::LineSplitter splitter_;
  std::string link_;
  int master_ = -1;
  std::deque<Pending> pending_;
  Clock::time_point started_;
};

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseOptions(argc, argv, options)) return 2;
  setvbuf(stdout, nullptr, _IOLBF, 0);
  std::signal(SIGINT, OnSignal);
  std::signal(SIGTERM, OnSignal);
  std::signal(SIGPIPE, SIG_IGN);
  std::signal(SIGUSR1, OnPullCable);
  std::signal(SIGUSR2, OnPlugIn);
  Box box(options);
  return box.Run();
}
