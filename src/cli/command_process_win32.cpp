// The console program: DLLs only from beside it and from the system folder, the installer's
// mutex held while it runs, and the catalogue beside it, since a command prompt is rarely in
// the install folder.
#include "cli/command_process.h"

#include <windows.h>

#include <string>
#include <string_view>

#include "common/text.h"
#include "controller/catalogue.h"
#include "link/library_search_win32.h"

namespace {

// The installer and uninstaller refuse to replace or remove the programs while a mutex of this
// name exists (packaging/windows/rodiduz-setup.nsi). Not held exclusively: it is no
// single-instance lock, and two commands on two ports run side by side.
constexpr const wchar_t* kRunningMutexName = L"Global\\RodiduzSetupRunning";

// The program's own folder with its separator, in the code page the core's paths use; empty
// when the system cannot say.
std::string ProgramFolder() {
  const std::wstring folder = FolderOfThisProgram();
  if (folder.empty()) return {};
  return NativeToAnsi(std::u16string_view(reinterpret_cast<const char16_t*>(folder.data()), folder.size())) + "\\";
}

}  // namespace

void PrepareCommandProcess() {
  RestrictLibrarySearch();
  // The system closes it with the process, however the process ends.
  ::CreateMutexW(nullptr, FALSE, kRunningMutexName);
  // The progress and the JSON are written as UTF-8; a console left at its OEM code page would
  // show an operator's or user's accented letters garbled.
  ::SetConsoleOutputCP(CP_UTF8);
}

std::string DefaultCatalogue() { return ProgramFolder() + kCatalogueFileName; }

std::string TextFromCommandLine(const std::string& argument) { return NativeToUtf8(AnsiToNative(argument)); }
