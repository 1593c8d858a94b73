// The Win32 file services: temporary folder, reading, the replacing save and error texts.
#include "common/platform.h"

#include <windows.h>
#undef ReplaceFile  // the system's macro, not ours

#include <gtest/gtest.h>

#include <string>

namespace {

std::wstring Wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }

bool Exists(const std::string& path) { return ::GetFileAttributesW(Wide(path).c_str()) != INVALID_FILE_ATTRIBUTES; }

// A fresh folder under the temporary folder, removed with its files at the end.
class WinScratch : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = TemporaryFolder() + "rodiduz-test-" + std::to_string(::GetCurrentProcessId()) + "\\";
    ASSERT_TRUE(::CreateDirectoryW(Wide(folder_).c_str(), nullptr) || ::GetLastError() == ERROR_ALREADY_EXISTS);
  }
  void TearDown() override {
    WIN32_FIND_DATAW found{};
    const HANDLE search = ::FindFirstFileW(Wide(folder_ + "*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
      do {
        ::DeleteFileW((Wide(folder_) + found.cFileName).c_str());
      } while (::FindNextFileW(search, &found));
      ::FindClose(search);
    }
    ::RemoveDirectoryW(Wide(folder_).c_str());
  }
  int FileCount() {
    int count = 0;
    WIN32_FIND_DATAW found{};
    const HANDLE search = ::FindFirstFileW(Wide(folder_ + "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return 0;
    do {
      if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) ++count;
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
    return count;
  }
  std::string folder_;
};

TEST(Win32TemporaryFolder, IsAnExistingFolderEndingWithASeparator) {
  const std::string folder = TemporaryFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.back(), '\\');
  const DWORD attributes = ::GetFileAttributesW(Wide(folder).c_str());
  ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
  EXPECT_NE(attributes & FILE_ATTRIBUTE_DIRECTORY, 0u);
}

TEST_F(WinScratch, SaveCreatesThenReplacesAndLeavesNoHelperFile) {
  const std::string path = folder_ + "log.txt";
  ReplaceFile(path, "first\r\n");
  EXPECT_EQ(ReadWholeFile(path), "first\r\n");
  const std::string bytes("a\0b\xff\r\n", 6);
  ReplaceFile(path, bytes);
  EXPECT_EQ(ReadWholeFile(path), bytes);
  ReplaceFile(path, "");
  EXPECT_EQ(ReadWholeFile(path), "");
  EXPECT_EQ(FileCount(), 1);
}

TEST_F(WinScratch, SaveIntoAMissingFolderFailsWithTheFullPathAndTheSystemsReason) {
  const std::string path = folder_ + "missing\\log.txt";
  try {
    ReplaceFile(path, "text");
    FAIL() << "the save succeeded";
  } catch (const FileCreateError& error) {
    const std::string text = error.what();
    const std::string prefix = "Cannot create file \"" + path + "\". ";
    ASSERT_EQ(text.rfind(prefix, 0), 0u) << text;
    const std::string reason = text.substr(prefix.size());
    EXPECT_FALSE(reason.empty());
    EXPECT_EQ(reason.find_first_of("\r\n"), std::string::npos) << reason;
  }
  EXPECT_EQ(FileCount(), 0);
}

TEST_F(WinScratch, FailedSaveKeepsTheOldFile) {
  const std::string path = folder_ + "log.txt";
  ReplaceFile(path, "old");
  // Another program holding the file without sharing delete access blocks the replacement.
  const HANDLE holder = ::CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  EXPECT_THROW(ReplaceFile(path, "new"), FileCreateError);
  ::CloseHandle(holder);
  EXPECT_EQ(ReadWholeFile(path), "old");
  EXPECT_EQ(FileCount(), 1);
}

TEST_F(WinScratch, ReadingAMissingFileNamesItsFullPath) {
  const std::string path = folder_ + "absent.csv";
  ASSERT_FALSE(Exists(path));
  try {
    ReadWholeFile(path);
    FAIL() << "the read succeeded";
  } catch (const FileOpenError& error) {
    EXPECT_EQ(std::string(error.what()).rfind("Cannot open file \"" + path + "\". ", 0), 0u) << error.what();
  }
}

TEST(Win32SystemErrorText, IsOneLineWithoutTrailingFullStop) {
  for (const int error : {ERROR_FILE_NOT_FOUND, ERROR_ACCESS_DENIED, ERROR_PATH_NOT_FOUND}) {
    SCOPED_TRACE(error);
    const std::string text = SystemErrorText(error);
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(text.find_first_of("\r\n"), std::string::npos) << text;
    EXPECT_NE(text.back(), '.');
    EXPECT_NE(text.back(), ' ');
  }
  EXPECT_NE(SystemErrorText(ERROR_FILE_NOT_FOUND), SystemErrorText(ERROR_ACCESS_DENIED));
  // English whatever the user's language, for the log that support reads.
  EXPECT_EQ(SystemErrorText(ERROR_FILE_NOT_FOUND), "File not found");
}

TEST(Win32AbsolutePath, ResolvesAgainstTheWorkingFolder) {
  wchar_t folder[MAX_PATH] = {};
  const DWORD length = ::GetCurrentDirectoryW(MAX_PATH, folder);
  ASSERT_GT(length, 0u);
  std::string expected(folder, folder + length);
  if (expected.back() != '\\') expected += '\\';
  EXPECT_EQ(AbsolutePath("apnlist.csv"), expected + "apnlist.csv");
  EXPECT_EQ(AbsolutePath("C:\\data\\apnlist.csv"), "C:\\data\\apnlist.csv");
}

}  // namespace
