// Whole setup runs: the controller on the recording view, the real serial engine, discovery on
// the virtual USB bus and the box simulator on a pseudo-terminal, ticked in real time.
#pragma once

#include <gtest/gtest.h>
#include <sys/types.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "support/wizard_fixture.h"
#include "support/pty_port.h"

using Lines = std::vector<std::string>;

std::string SimulatorPath();
std::string VirtualBusPath();

// Waits, without ticking anything, for what another thread or process brings about.
bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds limit = std::chrono::seconds(20));

// The simulator as a child process on COM7 of `folder`; its output goes to a file the test
// reads. SIGUSR1 pulls its cable, SIGUSR2 plugs it in again (with --replug-ms long enough).
class Simulator {
 public:
  Simulator(const std::string& folder, std::vector<std::string> options);
  ~Simulator();
  Simulator(const Simulator&) = delete;
  Simulator& operator=(const Simulator&) = delete;

  bool plugged_in() const { return plugged_in_; }
  void Stop();
  // Pulls the cable (closes the pty master) and waits until the link is gone.
  bool Unplug();
  // Plugs in again (a new pty behind the same link) and waits until the link is back.
  bool Replug();

  // The lines the simulator received, in order: all of them, or those since the last plug-in.
  // Both stop the simulator first, so that nothing it read is missing.
  Lines Received();
  Lines ReceivedSincePlugIn();
  Lines OutputLines() const;

 private:
  bool LinkExists() const;

  std::string output_;
  std::string link_;
  pid_t pid_ = -1;
  bool plugged_in_ = false;
};

class BoxRun : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Starts the simulator with the common options followed by `options` (later ones win).
  void Plug(std::vector<std::string> options);

  Wizard& core() { return fixture_->core(); }
  RecordingView& view() { return fixture_->view(); }

  // Runs the two timers in real time until `done` holds; false after `limit`.
  bool RunUntil(const std::function<bool()>& done,
                std::chrono::milliseconds limit = std::chrono::seconds(20));
  bool RunUntilState(std::uint32_t state, std::chrono::milliseconds limit = std::chrono::seconds(20));
  // One DeviceTimer tick after one send pump, at once.
  void PumpAndTick();

  Lines Log() const { return fixture_->LogTexts(); }
  bool Logged(const std::string& text) const;
  std::size_t CountLogged(const std::string& text) const;
  Lines ReceiveQueue();
  // Closes the window, which saves the log, and returns the saved lines without time stamps.
  Lines SavedLog();
  std::string Trace() const;

  std::string language_;  // the wizard's language, set before Plug; empty: English
  std::unique_ptr<WizardFixture> fixture_;
  std::unique_ptr<PortDirOverride> port_dir_;
  std::unique_ptr<Simulator> simulator_;
};

// Whether each of `order` occurs in `lines`, in that order (repeats and others between).
::testing::AssertionResult InOrder(const Lines& lines, const Lines& order);

// The requests of a clean run, in order; a request may be repeated while its answer is on
// the way, so check them with InOrder.
const Lines& CleanRunCommands();
