// The controller fixture used by the controller tests.
#include "support/form_fixture.h"

LocalTime FixedTestTime() { return LocalTime{9, 5, 3, 7}; }

FormFixture::FormFixture(const std::string& catalogue, const std::string& usb_library) {
  TForm1Environment environment;
  environment.catalogue_path = folder_.Write("apnlist.csv", catalogue);
  environment.usb_library = usb_library.empty() ? folder_.File("no-such-usblib.so") : usb_library;
  environment.clock = FixedTestTime;
  environment.pause = [this](unsigned milliseconds) { pauses.push_back(milliseconds); };
  environment.temporary_folder = [this] { return folder_.Path() + "/"; };
  form_ = std::make_unique<TForm1>(view_, std::move(environment));
  form_->FormCreate(nullptr);
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
