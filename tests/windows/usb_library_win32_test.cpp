// Loading usblib.dll: where it is looked for, why loading failed, and calling its scan export.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "link/library_search_win32.h"
#include "link/usb_library.h"
#include "support/test_files.h"

namespace {

using SetDevices = void (*)(const BoxDeviceRecord*, std::uint32_t, std::uint8_t);

BoxDeviceRecord Device(std::uint16_t vid, std::uint16_t pid, const char* com) {
  BoxDeviceRecord record{};
  record.vid = vid;
  record.pid = pid;
  record.hub = 2;
  record.port = 3;
  std::strcpy(record.name, "USB Serial Port");
  std::strcpy(record.com, com);
  return record;
}

std::wstring Wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }

std::wstring FolderOf(const std::wstring& file) { return file.substr(0, file.find_last_of(L"\\/")); }

std::wstring ModuleFile(HMODULE module) {
  wchar_t buffer[MAX_PATH] = {};
  const DWORD length = ::GetModuleFileNameW(module, buffer, MAX_PATH);
  return std::wstring(buffer, length);
}

bool SameFolder(const std::wstring& a, const std::wstring& b) {
  return ::CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_EQUAL;
}

// Each test gives back what it loaded: a usblib.dll still loaded would be found by its name
// alone, whatever the search.
struct LoadedLibrary {
  void* handle;
  explicit LoadedLibrary(void* library) : handle(library) {}
  ~LoadedLibrary() {
    if (handle != nullptr) ::FreeLibrary(static_cast<HMODULE>(handle));
  }
  LoadedLibrary(const LoadedLibrary&) = delete;
  LoadedLibrary& operator=(const LoadedLibrary&) = delete;
};

// When asked, moves the stand-in beside this program away for a scope, so that folder lacks it.
class StandInAside {
 public:
  StandInAside(const std::wstring& beside, bool away) : beside_(beside), away_(beside + L".away") {
    moved_ = away && ::MoveFileExW(beside_.c_str(), away_.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
  }
  ~StandInAside() {
    if (moved_) ::MoveFileExW(away_.c_str(), beside_.c_str(), MOVEFILE_REPLACE_EXISTING);
  }
  StandInAside(const StandInAside&) = delete;
  StandInAside& operator=(const StandInAside&) = delete;
  bool Moved() const { return moved_; }

 private:
  std::wstring beside_;
  std::wstring away_;
  bool moved_;
};

class WorkingFolder {
 public:
  explicit WorkingFolder(const std::wstring& folder) {
    wchar_t buffer[MAX_PATH] = {};
    previous_.assign(buffer, ::GetCurrentDirectoryW(MAX_PATH, buffer));
    entered_ = ::SetCurrentDirectoryW(folder.c_str()) != 0;
  }
  ~WorkingFolder() { ::SetCurrentDirectoryW(previous_.c_str()); }
  WorkingFolder(const WorkingFolder&) = delete;
  WorkingFolder& operator=(const WorkingFolder&) = delete;
  bool Entered() const { return entered_; }

 private:
  std::wstring previous_;
  bool entered_;
};

enum class Asked { kDefaultName, kPlantedFullPath, kPlantedFullPathWithSlashes };
enum class Loaded { kNothing, kBesideTheProgram, kThePlantedCopy };

struct SearchCase {
  const char* what;
  bool beside;   // the stand-in lies beside this program
  bool planted;  // a copy of it lies in the working folder
  Asked asked;
  Loaded loaded;
};

// The working folder is never searched; the program's folder is; a full path loads that file.
// Both ways give the same answers: the folder flags, and the full paths of systems without them.
TEST(Win32UsbLibrary, LooksBesideTheProgramAndNeverInTheWorkingFolder) {
  const SearchCase cases[] = {
      {"only a copy in the working folder", false, true, Asked::kDefaultName, Loaded::kNothing},
      {"beside the program and in the working folder", true, true, Asked::kDefaultName,
       Loaded::kBesideTheProgram},
      {"only beside the program", true, false, Asked::kDefaultName, Loaded::kBesideTheProgram},
      {"the working folder's copy by its full path", false, true, Asked::kPlantedFullPath,
       Loaded::kThePlantedCopy},
      {"a full path written with forward slashes", true, true, Asked::kPlantedFullPathWithSlashes,
       Loaded::kThePlantedCopy},
  };
  // Wine, like Windows 8 and later, has the flags; the program takes them where they exist.
  EXPECT_EQ(AvailableLibrarySearch(), LibrarySearch::kFolderFlags);
  const std::wstring program_folder = FolderOf(ModuleFile(nullptr));
  const std::wstring beside = program_folder + L"\\usblib.dll";
  for (const LibrarySearch search : {LibrarySearch::kFolderFlags, LibrarySearch::kFullPaths}) {
    for (const SearchCase& c : cases) {
      SCOPED_TRACE(std::string(c.what) +
                   (search == LibrarySearch::kFullPaths ? ", by full paths" : ", by flags"));
      ASSERT_EQ(::GetModuleHandleW(L"usblib.dll"), nullptr) << "an earlier test left usblib.dll loaded";
      ScratchFolder scratch;
      const std::string planted = scratch.Path() + "\\usblib.dll";
      if (c.planted) {
        ASSERT_TRUE(::CopyFileW(beside.c_str(), Wide(planted).c_str(), TRUE));
      }
      const StandInAside aside(beside, !c.beside);
      ASSERT_EQ(aside.Moved(), !c.beside);
      const WorkingFolder working(Wide(scratch.Path()));
      ASSERT_TRUE(working.Entered());

      std::string name = DefaultUsbLibraryName();
      if (c.asked != Asked::kDefaultName) name = planted;
      if (c.asked == Asked::kPlantedFullPathWithSlashes) std::replace(name.begin(), name.end(), '\\', '/');
      std::string failure;
      const LoadedLibrary library(search == LibrarySearch::kFolderFlags
                                      ? LoadUsbLibrary(name.c_str(), &failure)
                                      : LoadProgramLibrary(Wide(name), search));
      const DWORD error = ::GetLastError();

      if (c.loaded == Loaded::kNothing) {
        EXPECT_EQ(library.handle, nullptr);
        if (search == LibrarySearch::kFolderFlags) {
          EXPECT_TRUE(failure.starts_with("usblib.dll: ")) << failure;
          EXPECT_TRUE(failure.ends_with(" (error 126)")) << failure;
        } else {
          EXPECT_EQ(error, static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
        }
        continue;
      }
      ASSERT_NE(library.handle, nullptr) << failure << " error " << error;
      const std::wstring loaded_from = FolderOf(ModuleFile(static_cast<HMODULE>(library.handle)));
      const std::wstring expected =
          c.loaded == Loaded::kBesideTheProgram ? program_folder : FolderOf(Wide(planted));
      EXPECT_TRUE(SameFolder(loaded_from, expected))
          << std::string(loaded_from.begin(), loaded_from.end()) << " instead of "
          << std::string(expected.begin(), expected.end());
      EXPECT_NE(FindUsbScanExport(library.handle), nullptr);
    }
  }
}

// A broken usblib.dll beside the program is the one reported, not a missing one elsewhere.
TEST(Win32UsbLibrary, ABrokenLibraryBesideTheProgramIsReportedAsBroken) {
  const std::wstring beside = FolderOf(ModuleFile(nullptr)) + L"\\usblib.dll";
  for (const LibrarySearch search : {LibrarySearch::kFolderFlags, LibrarySearch::kFullPaths}) {
    SCOPED_TRACE(search == LibrarySearch::kFullPaths ? "by full paths" : "by flags");
    const StandInAside aside(beside, true);  // put back over the broken file at the end
    ASSERT_TRUE(aside.Moved());
    const HANDLE file = ::CreateFileW(beside.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    ::WriteFile(file, "no program at all", 17, &written, nullptr);
    ::CloseHandle(file);
    const LoadedLibrary library(LoadProgramLibrary(L"usblib.dll", search));
    EXPECT_EQ(library.handle, nullptr);
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_BAD_EXE_FORMAT));
  }
}

// The reason names the library, the system's text and its number: the number tells a missing
// file (126) from a library that is no program of this word size (193).
TEST(Win32UsbLibrary, FailureNamesTheLibraryTheSystemTextAndTheErrorNumber) {
  ScratchFolder scratch;
  struct FailureCase {
    const char* what;
    std::string name;
    DWORD error;
  };
  std::vector<FailureCase> cases = {
      {"no such library by name", "rodiduz-no-such-library.dll", ERROR_MOD_NOT_FOUND},
      {"no such file by full path", scratch.Path() + "\\no-such-usblib.dll", ERROR_MOD_NOT_FOUND},
      {"a file that is no library", scratch.Write("not-a-library.dll", "no program at all"),
       ERROR_BAD_EXE_FORMAT},
  };
  // The stand-in of the other word size, which test-windows names when both builds exist.
  if (const char* other = std::getenv("RODIDUZ_TEST_OTHER_WORD_SIZE_USBLIB");
      other != nullptr && *other != '\0') {
    cases.push_back({"the stand-in built for the other word size", other, ERROR_BAD_EXE_FORMAT});
  } else {
    std::printf("note: RODIDUZ_TEST_OTHER_WORD_SIZE_USBLIB is not set; the other word size is not tried\n");
  }
  for (const FailureCase& c : cases) {
    SCOPED_TRACE(c.what);
    std::string failure;
    const LoadedLibrary library(LoadUsbLibrary(c.name.c_str(), &failure));
    EXPECT_EQ(library.handle, nullptr);
    const std::string ending = " (error " + std::to_string(c.error) + ")";
    EXPECT_TRUE(failure.starts_with(c.name + ": ")) << failure;
    EXPECT_TRUE(failure.ends_with(ending)) << failure;
    // Some text of the system's between the name and the number.
    EXPECT_GT(failure.size(), c.name.size() + 2 + ending.size()) << failure;
  }
  EXPECT_EQ(LoadUsbLibrary(nullptr), nullptr);
  EXPECT_EQ(FindUsbScanExport(nullptr), nullptr);
}

TEST(Win32UsbLibrary, LibraryWithoutTheExportGivesNoFunction) {
  void* kernel = LoadUsbLibrary("kernel32.dll");
  ASSERT_NE(kernel, nullptr);
  EXPECT_EQ(FindUsbScanExport(kernel), nullptr);
}

// The stand-in lies beside the test program, where the search looks first. On 32-bit Windows
// a call through the wrong convention would leave the stack unbalanced after the first call.
TEST(Win32UsbLibrary, ScanExportReportsTheDevicesThroughTheStandardCallingConvention) {
  ASSERT_STREQ(DefaultUsbLibraryName(), "usblib.dll");
  const LoadedLibrary library(LoadUsbLibrary(DefaultUsbLibraryName()));
  ASSERT_NE(library.handle, nullptr);
  const auto set_devices =
      AsFunction<SetDevices>(::GetProcAddress(static_cast<HMODULE>(library.handle), "usblib_standin_set_devices"));
  ASSERT_NE(set_devices, nullptr);
  const UsbScanComFunction scan = FindUsbScanExport(library.handle);
  ASSERT_NE(scan, nullptr);

  const BoxDeviceRecord given[] = {Device(0x0403, 0x6015, "COM7"), Device(0x1234, 0x0001, "COM12")};
  set_devices(given, 2, 0);
  std::vector<BoxDeviceRecord> records(kBoxDeviceCapacity);
  std::uint16_t count = 0xFFFF;
  EXPECT_EQ(scan(0, 0, 0, 0, records.data(), kBoxDeviceCapacity, &count), 0);
  ASSERT_EQ(count, 2);
  EXPECT_EQ(records[0].vid, 0x0403);
  EXPECT_EQ(records[0].pid, 0x6015);
  EXPECT_STREQ(records[0].com, "COM7");
  EXPECT_EQ(records[1].port, 3);
  EXPECT_STREQ(records[1].com, "COM12");

  set_devices(given, 0, 5);
  count = 0xFFFF;
  EXPECT_EQ(scan(0, 0, 0, 0, records.data(), kBoxDeviceCapacity, &count), 5);
  EXPECT_EQ(count, 0);
}

}  // namespace
