// Where the Windows program loads DLLs from: its own folder and the system folder, never the
// working folder, which may be a download folder or a share where anyone could leave a DLL.
#pragma once

#include <windows.h>

#include <string>

// How this system lets the program keep the working folder out of its DLL search.
enum class LibrarySearch {
  // LoadLibraryExW takes the folder flags: Windows 8 and later, and Windows 7 with its update
  // KB2533623.
  kFolderFlags,
  // Older systems: the working folder is taken out of the standard search, and the program's
  // own libraries are loaded by their full path.
  kFullPaths,
};

// What this system offers, found at run time: a program importing SetDefaultDllDirectories
// would not even start where it is missing.
LibrarySearch AvailableLibrarySearch();

// The folder the running program lies in, without a trailing separator; empty when the system
// cannot say.
std::wstring FolderOfThisProgram();

// Called first in WinMain, before anything loads a library.
void RestrictLibrarySearch();

// What GetProcAddress found, as the function type it is. Through the generic function type,
// which converts to any other without a warning.
template <typename Function>
Function AsFunction(FARPROC found) {
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(found));
}

// A function of a system DLL that the program needs only now and then, loaded from the system
// folder on its first use: each DLL the program imports is loaded before it starts, and shell32
// alone is a noticeable share of that. nullptr when the DLL or the function is missing.
FARPROC SystemFunction(const wchar_t* library, const char* function);

// Loads a library of the program's: a bare name from the program's folder, else from the system
// folder; a path as it stands. On failure GetLastError() tells why.
HMODULE LoadProgramLibrary(const std::wstring& name, LibrarySearch search);
