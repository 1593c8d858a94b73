// A wizard on a recording view, with a fixed clock and its own log folder and catalogue.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "controller/wizard.h"
#include "support/recording_view.h"
#include "support/test_files.h"

class WizardFixture {
 public:
  // `catalogue` is written to apnlist.csv in a scratch folder; `usb_library` empty means a
  // library name that does not exist, so discovery finds nothing; `language` the shipped
  // language the wizard speaks (empty: English).
  explicit WizardFixture(const std::string& catalogue = "", const std::string& usb_library = "",
                         const std::string& language = "");
  ~WizardFixture();

  Wizard& core() { return *wizard_; }
  RecordingView& view() { return view_; }
  const ScratchFolder& folder() const { return folder_; }

  // Log lines without their time stamps.
  std::vector<std::string> LogTexts() const;
  bool Logged(const std::string& text) const;
  // The log as one text, for failure messages.
  std::string Trace() const;
  // Runs the wizard's timers in real time, as a window does, until `done` holds; false after
  // `limit`.
  bool RunTimersUntil(const std::function<bool()>& done, std::chrono::milliseconds limit);
  std::string fallback_folder;  // for a save nobody can be asked about; empty: none

 private:
  ScratchFolder folder_;
  RecordingView view_;
  std::unique_ptr<Wizard> wizard_;
};

// The clock every fixture uses: 09:05:03.007.
LocalTime FixedTestTime();
