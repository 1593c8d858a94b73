// Where the Windows program loads DLLs from: its own folder and the system folder, never the
// working folder, which may be a download folder or a share where anyone could leave a DLL.
#pragma once

#include <windows.h>

inline constexpr DWORD kLibrarySearchFolders = LOAD_LIBRARY_SEARCH_APPLICATION_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32;
