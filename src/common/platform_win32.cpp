// Win32 file-system services: temporary folder, whole-file reading and the replacing save.
// Paths are 8-bit texts in the ANSI code page, like every other text of the core.
#include "common/platform.h"

#include "common/translations.h"

#include <windows.h>
// <windows.h> maps ReplaceFile to ReplaceFileA, which would rename the function defined here.
#undef ReplaceFile

#include <cstdint>
#include <random>
#include <vector>

#include "common/text.h"

namespace {

std::wstring Wide(const std::string& text) {
  const NativeString native = AnsiToNative(text);
  return std::wstring(native.begin(), native.end());
}

std::string Ansi(const wchar_t* text, std::size_t length) {
  return NativeToAnsi(std::u16string_view(reinterpret_cast<const char16_t*>(text), length));
}

// Translators: {path} is a file's full path; {reason} a sentence saying why.
UserText OpenErrorText(const std::string& path, const UserText& reason) {
  return UserText(N_("Cannot open file \"{path}\". {reason}")).With("path", AbsolutePath(path)).With("reason", reason);
}

UserText OpenErrorText(const std::string& path, DWORD error_number) {
  return OpenErrorText(path, UserText("{text}").With("text", SystemErrorText(static_cast<int>(error_number))));
}

// Translators: {path} is a file's full path; {reason} the system's sentence saying why.
UserText CreateErrorText(const std::string& path, DWORD error_number) {
  return UserText(N_("Cannot create file \"{path}\". {reason}"))
      .With("path", AbsolutePath(path))
      .With("reason", SystemErrorText(static_cast<int>(error_number)));
}

bool WriteAll(HANDLE file, const std::string& content) {
  std::size_t done = 0;
  while (done < content.size()) {
    const std::size_t left = content.size() - done;
    const DWORD chunk = left > 0x10000000 ? 0x10000000 : static_cast<DWORD>(left);
    DWORD written = 0;
    if (!::WriteFile(file, content.data() + done, chunk, &written, nullptr) || written == 0) return false;
    done += written;
  }
  return true;
}

// CREATE_NEW fails on any existing name, so the new file is ours alone and no planted link
// is written through.
HANDLE CreatePrivateFile(const std::string& path, std::string& created) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    created = TemporaryNameBeside(path);
    const HANDLE file = ::CreateFileW(Wide(created).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) return file;
    const DWORD error = ::GetLastError();
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) return INVALID_HANDLE_VALUE;
  }
  ::SetLastError(ERROR_FILE_EXISTS);
  return INVALID_HANDLE_VALUE;
}

struct HandleCloser {
  HANDLE handle;
  ~HandleCloser() { ::CloseHandle(handle); }
};

FileKind KindOf(HANDLE file) {
  switch (::GetFileType(file)) {
    case FILE_TYPE_DISK:
      return FileKind::kRegular;
    case FILE_TYPE_PIPE:
      return FileKind::kPipe;
    case FILE_TYPE_CHAR:
      return FileKind::kDevice;
    default:
      return FileKind::kOther;
  }
}

// Reads the open file whole once it is known to be a disk file of a sensible size; the size is
// checked again while reading, since the file may grow.
std::string ReadDiskFile(HANDLE file, const std::string& path) {
  const FileKind kind = KindOf(file);
  if (kind != FileKind::kRegular) throw FileOpenError(OpenErrorText(path, NotAFileReason(kind)));
  LARGE_INTEGER size{};
  if (!::GetFileSizeEx(file, &size)) throw FileOpenError(OpenErrorText(path, ::GetLastError()));
  if (static_cast<std::uint64_t>(size.QuadPart) > kMaxWholeFileSize) {
    throw FileOpenError(OpenErrorText(path, TooLargeReason()));
  }
  std::string content;
  content.reserve(static_cast<std::size_t>(size.QuadPart));
  std::vector<char> chunk(65536);
  for (;;) {
    DWORD got = 0;
    if (!::ReadFile(file, chunk.data(), static_cast<DWORD>(chunk.size()), &got, nullptr)) {
      throw FileOpenError(OpenErrorText(path, ::GetLastError()));
    }
    if (got == 0) return content;
    content.append(chunk.data(), got);
    if (content.size() > kMaxWholeFileSize) throw FileOpenError(OpenErrorText(path, TooLargeReason()));
  }
}

}  // namespace

namespace {

// The symbolic names of the errors the wizard meets, for a system without English texts.
const char* ErrorName(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND: return "ERROR_FILE_NOT_FOUND";
    case ERROR_PATH_NOT_FOUND: return "ERROR_PATH_NOT_FOUND";
    case ERROR_ACCESS_DENIED: return "ERROR_ACCESS_DENIED";
    case ERROR_INVALID_HANDLE: return "ERROR_INVALID_HANDLE";
    case ERROR_NOT_ENOUGH_MEMORY: return "ERROR_NOT_ENOUGH_MEMORY";
    case ERROR_SHARING_VIOLATION: return "ERROR_SHARING_VIOLATION";
    case ERROR_HANDLE_DISK_FULL: return "ERROR_HANDLE_DISK_FULL";
    case ERROR_DISK_FULL: return "ERROR_DISK_FULL";
    case ERROR_FILE_EXISTS: return "ERROR_FILE_EXISTS";
    case ERROR_ALREADY_EXISTS: return "ERROR_ALREADY_EXISTS";
    case ERROR_INVALID_PARAMETER: return "ERROR_INVALID_PARAMETER";
    case ERROR_SEM_TIMEOUT: return "ERROR_SEM_TIMEOUT";
    case ERROR_MOD_NOT_FOUND: return "ERROR_MOD_NOT_FOUND";
    case ERROR_PROC_NOT_FOUND: return "ERROR_PROC_NOT_FOUND";
    case ERROR_BAD_EXE_FORMAT: return "ERROR_BAD_EXE_FORMAT";
    case ERROR_DEVICE_NOT_CONNECTED: return "ERROR_DEVICE_NOT_CONNECTED";
    case ERROR_OPERATION_ABORTED: return "ERROR_OPERATION_ABORTED";
    case ERROR_GEN_FAILURE: return "ERROR_GEN_FAILURE";
    case ERROR_NOT_READY: return "ERROR_NOT_READY";
    case ERROR_BAD_COMMAND: return "ERROR_BAD_COMMAND";
    case ERROR_DEVICE_REMOVED: return "ERROR_DEVICE_REMOVED";
    default: return nullptr;
  }
}

}  // namespace

std::string SystemErrorText(int error_number) {
  const auto error = static_cast<DWORD>(error_number);
  wchar_t buffer[512] = {};
  DWORD length = ::FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error,
                                  MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), buffer, 512, nullptr);
  if (length == 0) {
    // No English text on this system (or none at all): what support can look up.
    const char* name = ErrorName(error);
    return "System error " + std::to_string(error_number) + (name != nullptr ? std::string(" (") + name + ")" : "");
  }
  // The system's texts end with a full stop and CR LF; the message around them adds its own.
  while (length > 0 && (buffer[length - 1] == L'\r' || buffer[length - 1] == L'\n' ||
                        buffer[length - 1] == L' ' || buffer[length - 1] == L'.')) {
    --length;
  }
  return Ansi(buffer, length);
}

std::string WithEnglishSystemMessages(const std::function<std::string()>& produce) { return produce(); }

std::string LogFolder() { return TemporaryFolder(); }

std::string FallbackLogFolder() { return {}; }

bool RenameReplacing(const std::string& from, const std::string& to) {
  // A file another program holds open refuses the move; the caller skips that step.
  return ::MoveFileExW(Wide(from).c_str(), Wide(to).c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

std::string TemporaryFolder() {
  wchar_t buffer[1000] = {};
  DWORD length = ::GetTempPathW(999, buffer);
  // A folder longer than the buffer, or none at all: the save then goes to the working
  // folder, and its error names the full path if that fails too.
  if (length == 0 || length > 999) return std::string();
  // A folder the ANSI code page cannot spell would turn into a path that does not exist;
  // its short form is plain ASCII where the volume keeps short names.
  std::string folder = Ansi(buffer, length);
  if (Wide(folder) != std::wstring(buffer, length)) {
    wchar_t short_form[1000] = {};
    const DWORD short_length = ::GetShortPathNameW(buffer, short_form, 999);
    if (short_length > 0 && short_length <= 999) folder = Ansi(short_form, short_length);
  }
  if (folder.back() != '\\' && folder.back() != '/') folder += '\\';
  return folder;
}

std::string AbsolutePath(const std::string& name) {
  const std::wstring wide = Wide(name);
  const DWORD needed = ::GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (needed == 0) return name;
  std::vector<wchar_t> buffer(needed + 1);
  const DWORD length = ::GetFullPathNameW(wide.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
  if (length == 0 || length >= buffer.size()) return name;
  return Ansi(buffer.data(), length);
}

std::string ReadWholeFile(const std::string& path) {
  // A folder is not opened at all without FILE_FLAG_BACKUP_SEMANTICS; the open fails with
  // access denied, the system's own reason.
  const HANDLE file = ::CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) throw FileOpenError(OpenErrorText(path, ::GetLastError()));
  const HandleCloser closer{file};
  return ReadDiskFile(file, path);
}

void ReplaceFile(const std::string& path, const std::string& content) {
  std::string temporary;
  const HANDLE file = CreatePrivateFile(path, temporary);
  if (file == INVALID_HANDLE_VALUE) throw FileCreateError(CreateErrorText(path, ::GetLastError()));
  const bool written = WriteAll(file, content) && ::FlushFileBuffers(file);
  const DWORD write_error = ::GetLastError();
  const bool closed = ::CloseHandle(file) != 0;
  if (!written || !closed) {
    ::DeleteFileW(Wide(temporary).c_str());
    throw FileCreateError(CreateErrorText(path, written ? ERROR_WRITE_FAULT : write_error));
  }
  // The old file stays as it was until the complete new one takes its name.
  if (!::MoveFileExW(Wide(temporary).c_str(), Wide(path).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    const DWORD move_error = ::GetLastError();
    ::DeleteFileW(Wide(temporary).c_str());
    throw FileCreateError(CreateErrorText(path, move_error));
  }
}

std::tm LocalCalendarTime(std::time_t seconds) {
  std::tm parts{};
  localtime_s(&parts, &seconds);  // the arguments the other way round
  return parts;
}
