// A controller on a recording view, with a fixed clock, no real pauses and its own
// temporary folder and catalogue.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "controller/main_form.h"
#include "support/recording_view.h"
#include "support/test_files.h"

class FormFixture {
 public:
  // `catalogue` is written to apnlist.csv in a scratch folder; `usb_library` empty means a
  // library name that does not exist, so discovery finds nothing.
  explicit FormFixture(const std::string& catalogue = "", const std::string& usb_library = "");
  ~FormFixture();

  TForm1& form() { return *form_; }
  RecordingView& view() { return view_; }
  const ScratchFolder& folder() const { return folder_; }

  // Log lines without their time stamps.
  std::vector<std::string> LogTexts() const;
  bool Logged(const std::string& text) const;
  // The log as one text, for failure messages.
  std::string Trace() const;
  // Runs the send pump every 50 ms and DeviceTimer every 100 ms in real time, as the window
  // does, until `done` holds; false after `limit`.
  bool RunTimersUntil(const std::function<bool()>& done, std::chrono::milliseconds limit);
  std::vector<unsigned> pauses;  // every pause the controller asked for
  std::string fallback_folder;   // for a save nobody can be asked about; empty: none

 private:
  ScratchFolder folder_;
  RecordingView view_;
  std::unique_ptr<TForm1> form_;
};

// The clock every fixture uses: 09:05:03.007.
LocalTime FixedTestTime();
