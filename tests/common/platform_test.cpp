// The replacing save and the file errors: what the user sees and what stays on disk.
#include "common/platform.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <clocale>
#include <cstring>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <new>
#include <stdexcept>
#include <string>
#include <utility>

#include "link/usb_library.h"
#include "support/test_files.h"

namespace {

std::size_t EntriesIn(const std::string& folder) {
  std::size_t count = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder)) ++count;
  return count;
}

TEST(ReplaceFile, WritesAndReplacesAnOlderFile) {
  ScratchFolder folder;
  const std::string path = folder.Write("log.txt", "old content that is longer");
  ReplaceFile(path, "new");
  EXPECT_EQ(ReadFileForTest(path), "new");
  EXPECT_EQ(EntriesIn(folder.Path()), 1u);  // no temporary file left behind
  struct stat info {};
  ASSERT_EQ(::stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);  // the log holds PINs and passwords
}

TEST(ReplaceFile, ReplacesAPlantedLinkInsteadOfWritingThroughIt) {
  ScratchFolder folder;
  const std::string victim = folder.Write("victim.txt", "precious");
  const std::string path = folder.File("log.txt");
  ASSERT_EQ(::symlink(victim.c_str(), path.c_str()), 0);
  ReplaceFile(path, "log lines");
  EXPECT_EQ(ReadFileForTest(victim), "precious");
  EXPECT_FALSE(std::filesystem::is_symlink(path));
  EXPECT_EQ(ReadFileForTest(path), "log lines");
}

TEST(ReplaceFile, FailureNamesTheFileAndTheReasonAndLeavesNothing) {
  ScratchFolder folder;
  const std::string path = folder.File("missing-folder/log.txt");
  try {
    ReplaceFile(path, "x");
    FAIL() << "the save into a missing folder succeeded";
  } catch (const FileCreateError& error) {
    EXPECT_EQ(std::string(error.what()), "Cannot create file \"" + path + "\". " + SystemErrorText(ENOENT));
  }
  EXPECT_EQ(EntriesIn(folder.Path()), 0u);
}

TEST(ReadWholeFile, ReadsBytesAsTheyAre) {
  ScratchFolder folder;
  const std::string content("a\0b\r\n\xFF", 6);
  EXPECT_EQ(ReadWholeFile(folder.Write("f", content)), content);
}

TEST(ReadWholeFile, MissingFileGivesTheOpenErrorWithTheFullPath) {
  ScratchFolder folder;
  const std::string cwd = std::filesystem::current_path();
  std::filesystem::current_path(folder.Path());
  try {
    ReadWholeFile("apnlist.csv");
    ADD_FAILURE() << "a missing file was read";
  } catch (const FileOpenError& error) {
    EXPECT_EQ(std::string(error.what()),
              "Cannot open file \"" + folder.Path() + "/apnlist.csv\". No such file or directory");
  }
  std::filesystem::current_path(cwd);
}

TEST(ErrorDisplayText, UserFacingTextsStandAndEveryOtherErrorReadsAsASentence) {
  struct Row {
    const char* name;
    std::function<void()> raise;
    std::string text;
  };
  const Row rows[] = {
      {"file open error", [] { throw FileOpenError("Cannot open file \"/a\". It is a pipe, not a file"); },
       "Cannot open file \"/a\". It is a pipe, not a file"},
      {"file create error", [] { throw FileCreateError("Cannot create file \"/b\". Disk full"); },
       "Cannot create file \"/b\". Disk full"},
      {"out of memory", [] { throw std::bad_alloc(); },
       "There is not enough memory to complete the operation"},
      {"standard error with a detail", [] { throw std::length_error("basic_string::_M_create"); },
       "An unexpected error occurred (basic_string::_M_create)"},
      {"standard error without one", [] { throw std::runtime_error(""); }, "An unexpected error occurred"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    try {
      row.raise();
      ADD_FAILURE() << "nothing thrown";
    } catch (const std::exception& error) {
      EXPECT_EQ(ErrorDisplayText(error), row.text);
    }
  }
}

// Sets or unsets an environment variable for one scope, then puts the old value back.
class EnvironmentOverride {
 public:
  EnvironmentOverride(const char* name, const char* value) : name_(name) {
    const char* saved = std::getenv(name);
    had_ = saved != nullptr;
    if (had_) saved_ = saved;
    if (value != nullptr) {
      ::setenv(name, value, 1);
    } else {
      ::unsetenv(name);
    }
  }
  ~EnvironmentOverride() {
    if (had_) {
      ::setenv(name_, saved_.c_str(), 1);
    } else {
      ::unsetenv(name_);
    }
  }

 private:
  const char* name_;
  bool had_ = false;
  std::string saved_;
};

TEST(TemporaryFolder, ChoosesTmpdirThenAPrivateRuntimeFolderThenTmp) {
  ScratchFolder scratch;
  const std::string runtime = scratch.Path() + "/runtime";
  const std::string open_to_group = scratch.Path() + "/open";
  const std::string foreign = scratch.Path() + "/foreign";
  const std::string plain_file = scratch.Write("file", "");
  for (const auto& [folder, mode] : {std::pair{runtime, 0700}, {open_to_group, 0750}, {foreign, 0700}}) {
    ASSERT_EQ(::mkdir(folder.c_str(), static_cast<mode_t>(mode)), 0);
    ASSERT_EQ(::chmod(folder.c_str(), static_cast<mode_t>(mode)), 0);  // whatever the umask
  }
  // Only root can give a folder away; others run that row as a folder of their own.
  const bool foreign_owned = ::chown(foreign.c_str(), 65534, 65534) == 0;

  struct Row {
    const char* name;
    const char* tmpdir;  // null: unset
    std::string runtime_dir;
    std::string expected;
  };
  const Row rows[] = {
      {"TMPDIR wins", "/var/tmp", runtime, "/var/tmp/"},
      {"TMPDIR keeps its own slash", "/var/tmp/", runtime, "/var/tmp/"},
      {"empty TMPDIR counts as unset", "", runtime, runtime + "/"},
      {"unset TMPDIR, private runtime folder", nullptr, runtime, runtime + "/"},
      {"runtime folder with its slash", nullptr, runtime + "/", runtime + "/"},
      {"runtime folder others may enter", nullptr, open_to_group, "/tmp/"},
      {"runtime folder of another user", nullptr, foreign, foreign_owned ? "/tmp/" : foreign + "/"},
      {"relative runtime folder", nullptr, "runtime", "/tmp/"},
      {"runtime folder missing", nullptr, scratch.Path() + "/gone", "/tmp/"},
      {"runtime path is a file", nullptr, plain_file, "/tmp/"},
      {"neither set", nullptr, "", "/tmp/"},
  };
  // The relative row must not find the folder from the working folder either.
  const std::string cwd = std::filesystem::current_path();
  std::filesystem::current_path(scratch.Path());
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EnvironmentOverride tmpdir("TMPDIR", row.tmpdir);
    EnvironmentOverride runtime_dir("XDG_RUNTIME_DIR",
                                    row.runtime_dir.empty() ? nullptr : row.runtime_dir.c_str());
    EXPECT_EQ(TemporaryFolder(), row.expected);
  }
  std::filesystem::current_path(cwd);
}

// The log lives in the user's state folder, which survives the end of the session; a folder
// that is not the user's own, or open to others, is refused rather than written into.
TEST(LogFolder, TheStateFolderMadePrivateOrRefusedWithItsReason) {
  ScratchFolder scratch;
  const std::string home = scratch.Path() + "/home";
  ASSERT_EQ(::mkdir(home.c_str(), 0755), 0);
  const auto folder_with_mode = [&](const std::string& name, mode_t mode) {
    const std::string path = scratch.Path() + "/" + name;
    ::mkdir(path.c_str(), 0700);
    ::mkdir((path + "/rodiduz-setup").c_str(), mode);
    ::chmod((path + "/rodiduz-setup").c_str(), mode);  // whatever the umask
    return path;
  };
  const std::string open_state = folder_with_mode("open", 0755);
  const std::string foreign_state = folder_with_mode("foreign", 0700);
  // Only root can give a folder away; others skip that row.
  const bool foreign_owned = ::chown((foreign_state + "/rodiduz-setup").c_str(), 65534, 65534) == 0;
  const std::string linked_state = scratch.Path() + "/linked";
  ASSERT_EQ(::mkdir(linked_state.c_str(), 0700), 0);
  ASSERT_EQ(::symlink(home.c_str(), (linked_state + "/rodiduz-setup").c_str()), 0);
  const std::string refused = "Cannot use the log folder \"";
  const std::string new_state = scratch.Path() + "/new/state";

  struct Row {
    const char* name;
    const char* state_home;  // null: unset
    std::string expected;    // the folder, or the start of the error and its reason
    const char* reason = "";
  };
  const Row rows[] = {
      {"missing, made with its parents", new_state.c_str(),
       scratch.Path() + "/new/state/rodiduz-setup/"},
      {"unset: in the home folder", nullptr, home + "/.local/state/rodiduz-setup/"},
      {"relative: in the home folder", "state", home + "/.local/state/rodiduz-setup/"},
      {"open to others", open_state.c_str(), refused + open_state + "/rodiduz-setup\". ",
       "Other users may open it; allow only yourself (chmod 700)"},
      {"another user's", foreign_state.c_str(), refused + foreign_state + "/rodiduz-setup\". ",
       "It belongs to another user"},
      {"a planted link", linked_state.c_str(), refused + linked_state + "/rodiduz-setup\". ", "It is not a folder"},
  };
  EnvironmentOverride home_override("HOME", home.c_str());
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    if (row.name == std::string("another user's") && !foreign_owned) continue;
    EnvironmentOverride state_home("XDG_STATE_HOME", row.state_home);
    std::string outcome;
    try {
      outcome = LogFolder();
    } catch (const FileCreateError& error) {
      outcome = error.what();
    }
    EXPECT_EQ(outcome, row.expected + row.reason);
    if (*row.reason != '\0') continue;
    struct stat status {};
    ASSERT_EQ(::lstat(outcome.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0700u);
  }
}

// The log is read by support: the system's texts in it stay English under a translated desktop,
// both those made from an error number and the dynamic loader's own.
TEST(SystemErrorText, IsEnglishWhateverTheUsersLanguage) {
  const std::string before = std::setlocale(LC_ALL, nullptr);
  if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr) GTEST_SKIP() << "no de_DE.UTF-8 locale here";
  EnvironmentOverride language("LANGUAGE", "de");
  const bool translated = std::string(std::strerror(ENOENT)) != "No such file or directory";
  std::string load_failure;
  LoadUsbLibrary("libdoes-not-exist.so", &load_failure);
  const std::string error_text = SystemErrorText(ENOENT);
  std::setlocale(LC_ALL, before.c_str());
  if (!translated) GTEST_SKIP() << "the C library's messages are not translated here";
  EXPECT_EQ(error_text, "No such file or directory");
  EXPECT_EQ(load_failure, "libdoes-not-exist.so: cannot open shared object file: No such file or directory");
}

}  // namespace
