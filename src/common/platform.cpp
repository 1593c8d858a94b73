// File services and error texts shared by every operating system.
#include "common/platform.h"

#include "common/translations.h"

#include <new>
#include <random>

std::string TemporaryNameBeside(const std::string& path) {
  static std::mt19937_64 generator{std::random_device{}()};
  static const char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
  std::string name = path + ".";
  for (int i = 0; i < 10; ++i) name += kDigits[generator() % 36];
  return name;
}

std::string ErrorDisplayText(const std::exception& error) { return ErrorUserText(error).English(); }

std::string UnknownErrorDisplayText() { return UnknownErrorUserText().English(); }

UserText ErrorUserText(const std::exception& error) {
  if (const auto* user_facing = dynamic_cast<const UserFacingError*>(&error)) return user_facing->Text();
  if (dynamic_cast<const std::bad_alloc*>(&error) != nullptr) {
    return N_("There is not enough memory to complete the operation");
  }
  const std::string detail = error.what();
  if (detail.empty()) return UnknownErrorUserText();
  // Translators: {detail} is the program's own English description of the fault, for support.
  return UserText(N_("An unexpected error occurred ({detail})")).With("detail", detail);
}

UserText UnknownErrorUserText() { return N_("An unexpected error occurred"); }

UserText NotAFileReason(FileKind kind) {
  switch (kind) {
    case FileKind::kFolder:
      return N_("It is a folder, not a file");
    case FileKind::kPipe:
      return N_("It is a pipe, not a file");
    case FileKind::kDevice:
      return N_("It is a device, not a file");
    case FileKind::kSocket:
      return N_("It is a socket, not a file");
    case FileKind::kRegular:
    case FileKind::kOther:
      break;
  }
  return N_("It is not a regular file");
}

UserText TooLargeReason() {
  // Translators: {size} is a whole number of mebibytes.
  return UserText(N_("The file is larger than {size} MiB")).With("size", std::to_string(kMaxWholeFileSize >> 20));
}
