// File services and error texts shared by every operating system.
#include "common/platform.h"

#include <new>
#include <random>

std::string TemporaryNameBeside(const std::string& path) {
  static std::mt19937_64 generator{std::random_device{}()};
  static const char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
  std::string name = path + ".";
  for (int i = 0; i < 10; ++i) name += kDigits[generator() % 36];
  return name;
}

std::string ErrorDisplayText(const std::exception& error) {
  if (dynamic_cast<const UserFacingError*>(&error) != nullptr) return error.what();
  if (dynamic_cast<const std::bad_alloc*>(&error) != nullptr) {
    return "There is not enough memory to complete the operation";
  }
  const std::string detail = error.what();
  if (detail.empty()) return UnknownErrorDisplayText();
  return UnknownErrorDisplayText() + " (" + detail + ")";
}

std::string UnknownErrorDisplayText() { return "An unexpected error occurred"; }

std::string NotAFileReason(FileKind kind) {
  switch (kind) {
    case FileKind::kFolder:
      return "It is a folder, not a file";
    case FileKind::kPipe:
      return "It is a pipe, not a file";
    case FileKind::kDevice:
      return "It is a device, not a file";
    case FileKind::kSocket:
      return "It is a socket, not a file";
    case FileKind::kRegular:
    case FileKind::kOther:
      break;
  }
  return "It is not a regular file";
}

std::string TooLargeReason() {
  return "The file is larger than " + std::to_string(kMaxWholeFileSize >> 20) + " MiB";
}
