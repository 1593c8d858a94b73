// The controller fixture used by the controller tests.
#include "support/form_fixture.h"

#include <algorithm>
#include <thread>

LocalTime FixedTestTime() { return LocalTime{9, 5, 3, 7}; }

FormFixture::FormFixture(const std::string& catalogue, const std::string& usb_library) {
  TForm1Environment environment;
  environment.catalogue_path = folder_.Write("apnlist.csv", catalogue);
  environment.usb_library = usb_library.empty() ? folder_.File("no-such-usblib.so") : usb_library;
  environment.clock = FixedTestTime;
  environment.pause = [this](unsigned milliseconds) { pauses.push_back(milliseconds); };
  environment.log_folder = [this] { return folder_.Path() + kPathSeparator; };
  environment.fallback_folder = [this] { return fallback_folder; };
  form_ = std::make_unique<TForm1>(view_, std::move(environment));
  form_->CreateSerialPort();
}

FormFixture::~FormFixture() = default;

std::vector<std::string> FormFixture::LogTexts() const {
  std::vector<std::string> texts;
  constexpr std::size_t kStampLength = sizeof("[09:05:03.007]  ") - 1;
  for (const auto& line : form_->LogList.Lines()) {
    texts.push_back(line.size() >= kStampLength ? line.substr(kStampLength) : line);
  }
  return texts;
}

bool FormFixture::Logged(const std::string& text) const {
  const std::vector<std::string> lines = LogTexts();
  return std::find(lines.begin(), lines.end(), text) != lines.end();
}

std::string FormFixture::Trace() const {
  std::string trace;
  for (const std::string& line : LogTexts()) trace += line + "\n";
  return trace;
}

bool FormFixture::RunTimersUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  bool tick = false;
  while (std::chrono::steady_clock::now() < deadline) {
    form_->OnSendPumpTimer();
    if (tick) form_->OnTick();
    tick = !tick;
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return false;
}
