// The program's DLL search, with a way for systems that lack the folder flags.
#include "link/library_search_win32.h"

#include <algorithm>

namespace {

constexpr DWORD kLibrarySearchFolders = LOAD_LIBRARY_SEARCH_APPLICATION_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32;

using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);

SetDefaultDllDirectoriesFunction FindSetDefaultDllDirectories() {
  const HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
  if (kernel == nullptr) return nullptr;
  return AsFunction<SetDefaultDllDirectoriesFunction>(::GetProcAddress(kernel, "SetDefaultDllDirectories"));
}

bool IsBareName(const std::wstring& name) { return name.find_first_of(L"\\/:") == std::wstring::npos; }

std::wstring SystemFolder() {
  wchar_t buffer[MAX_PATH] = {};
  const UINT length = ::GetSystemDirectoryW(buffer, MAX_PATH);
  return length == 0 || length >= MAX_PATH ? std::wstring() : std::wstring(buffer, length);
}

// By full path, with the library's own dependencies looked for beside it first.
HMODULE LoadFrom(const std::wstring& folder, const std::wstring& name) {
  if (folder.empty()) {
    ::SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  return ::LoadLibraryExW((folder + L"\\" + name).c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

HMODULE LoadByFullPaths(const std::wstring& name) {
  if (!IsBareName(name)) return ::LoadLibraryExW(name.c_str(), nullptr, 0);
  if (const HMODULE beside = LoadFrom(FolderOfThisProgram(), name)) return beside;
  // A library beside the program that cannot be loaded (another word size) is the one to report.
  if (::GetLastError() != ERROR_MOD_NOT_FOUND) return nullptr;
  return LoadFrom(SystemFolder(), name);
}

HMODULE LoadSystemLibrary(const std::wstring& name) {
  if (AvailableLibrarySearch() == LibrarySearch::kFolderFlags) {
    return ::LoadLibraryExW(name.c_str(), nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  }
  return LoadFrom(SystemFolder(), name);
}

}  // namespace

std::wstring FolderOfThisProgram() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) {
      path.resize(length);
      break;
    }
    path.resize(path.size() * 2);  // a long path was cut short
  }
  return path.substr(0, path.find_last_of(L'\\'));
}

LibrarySearch AvailableLibrarySearch() {
  static const LibrarySearch available =
      FindSetDefaultDllDirectories() != nullptr ? LibrarySearch::kFolderFlags : LibrarySearch::kFullPaths;
  return available;
}

void RestrictLibrarySearch() {
  if (const auto set_default = FindSetDefaultDllDirectories()) {
    set_default(kLibrarySearchFolders);
  } else {
    ::SetDllDirectoryW(L"");  // takes the working folder out of the standard search
  }
}

FARPROC SystemFunction(const wchar_t* library, const char* function) {
  // Loaded for the rest of the process, as an import would be.
  const HMODULE module = LoadSystemLibrary(library);
  return module == nullptr ? nullptr : ::GetProcAddress(module, function);
}

HMODULE LoadProgramLibrary(const std::wstring& written, LibrarySearch search) {
  // A full path is loaded as it stands, but only when written with backslashes.
  std::wstring name = written;
  std::replace(name.begin(), name.end(), L'/', L'\\');
  if (search == LibrarySearch::kFolderFlags)
    return ::LoadLibraryExW(name.c_str(), nullptr, kLibrarySearchFolders);
  return LoadByFullPaths(name);
}
