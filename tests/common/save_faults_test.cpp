// The replacing save against a log folder that fails it or was tampered with: a folder the
// wizard may not write, a write cut short, and another user's link planted at the log's name.
// The wizard runs as nobody here, so the checks bite although the tests run as root.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#include "common/platform.h"
#include "support/test_files.h"
#include "support/unprivileged.h"

namespace {

const std::string kOldLog = "old log";
const std::string kNewLog(64 * 1024, 'n');  // longer than the size limit below

std::string SaveOutcome(const std::string& path, const std::string& content) {
  try {
    ReplaceFile(path, content);
    return "saved";
  } catch (const FileCreateError& error) {
    return error.what();
  }
}

std::string CreateErrorFor(const std::string& path, int error_number) {
  return "Cannot create file \"" + path + "\". " + SystemErrorText(error_number);
}

std::string EntryNames(const std::string& folder) {
  std::string names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    names += (names.empty() ? "" : " ") + entry.path().filename().string();
  }
  return names;
}

// A root-owned scratch folder nobody may pass through but not list.
void LetNobodyThrough(const ScratchFolder& scratch) { ASSERT_EQ(::chmod(scratch.Path().c_str(), 0711), 0); }

enum class Fault { kReadOnlyFolder, kFileSizeLimit };

// Imposed and lifted by the wizard's own process, as nobody.
void Impose(Fault fault, const std::string& folder) {
  if (fault == Fault::kReadOnlyFolder) {
    ::chmod(folder.c_str(), 0500);
  } else {
    ::signal(SIGXFSZ, SIG_IGN);  // the write then fails with EFBIG instead of ending the process
    rlimit limit{};
    ::getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = 4096;
    ::setrlimit(RLIMIT_FSIZE, &limit);
  }
}

void Lift(Fault fault, const std::string& folder) {
  if (fault == Fault::kReadOnlyFolder) {
    ::chmod(folder.c_str(), 0700);
  } else {
    rlimit limit{};
    ::getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = limit.rlim_max;
    ::setrlimit(RLIMIT_FSIZE, &limit);
  }
}

TEST(SaveFaults, FailedSaveKeepsTheOldFileLeavesNoTemporaryAndTheRetrySaves) {
  if (const std::string reason = UnprivilegedRunUnavailable(); !reason.empty()) GTEST_SKIP() << reason;
  struct Row {
    const char* name;
    Fault fault;
    int error_number;
  };
  const Row rows[] = {
      {"read-only folder", Fault::kReadOnlyFolder, EACCES},
      {"write cut short by the file size limit", Fault::kFileSizeLimit, EFBIG},
  };
  const UserIds nobody = NobodyIds();
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ScratchFolder scratch;
    LetNobodyThrough(scratch);
    const std::string folder = scratch.File("logs");
    ASSERT_TRUE(std::filesystem::create_directory(folder));
    const std::string path = folder + "/log.txt";
    scratch.Write("logs/log.txt", kOldLog);
    ASSERT_EQ(::chown(folder.c_str(), nobody.uid, nobody.gid), 0);
    ASSERT_EQ(::chown(path.c_str(), nobody.uid, nobody.gid), 0);

    const ChildOutcome outcome = RunUnprivileged([&](const ParentLink&) {
      std::vector<std::string> seen;
      Impose(row.fault, folder);
      seen.push_back(SaveOutcome(path, kNewLog));
      seen.push_back("entries: " + EntryNames(folder));
      seen.push_back(ReadFileForTest(path) == kOldLog ? "old file kept" : "old file changed");
      Lift(row.fault, folder);
      seen.push_back(SaveOutcome(path, kNewLog));
      return JoinLines(seen);
    });
    ASSERT_TRUE(outcome.completed) << outcome.ending;
    const std::vector<std::string> expected = {CreateErrorFor(path, row.error_number), "entries: log.txt",
                                               "old file kept", "saved"};
    EXPECT_EQ(SplitLines(outcome.report), expected);
    EXPECT_TRUE(ReadFileForTest(path) == kNewLog);  // the retry wrote everything
    EXPECT_EQ(EntryNames(folder), "log.txt");
  }
}

// Owners of the planted link and of the file it points at. The stranger has no account: any
// user id other than the wizard's will do.
enum class Owner { kRoot, kNobody, kStranger };

UserIds IdsOf(Owner owner) {
  switch (owner) {
    case Owner::kRoot:
      return {0, 0};
    case Owner::kNobody:
      return NobodyIds();
    case Owner::kStranger:
      return {54321, 54321};
  }
  return {};
}

TEST(SaveFaults, LinkPlantedInAStickyFolderIsNeverWrittenThrough) {
  if (const std::string reason = UnprivilegedRunUnavailable(); !reason.empty()) GTEST_SKIP() << reason;
  struct Row {
    const char* name;
    Owner wizard;
    Owner link_owner;
    Owner target_owner;
    // In a sticky folder only the owner of an entry (or root) may rename over it.
    bool replaced;
  };
  const Row rows[] = {
      {"wizard as nobody, root's link to root's file", Owner::kNobody, Owner::kRoot, Owner::kRoot, false},
      {"wizard as root, nobody's link to root's file", Owner::kRoot, Owner::kNobody, Owner::kRoot, true},
      {"wizard as nobody, a stranger's link to the wizard's own file", Owner::kNobody, Owner::kStranger,
       Owner::kNobody, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ScratchFolder scratch;
    LetNobodyThrough(scratch);
    const std::string shared = scratch.File("shared");  // a /tmp of its own: world-writable, sticky
    ASSERT_TRUE(std::filesystem::create_directory(shared));
    ASSERT_EQ(::chmod(shared.c_str(), 01777), 0);
    const std::string target = scratch.Write("target.txt", "precious");
    ASSERT_EQ(::chmod(target.c_str(), 0644), 0);
    ASSERT_EQ(::chown(target.c_str(), IdsOf(row.target_owner).uid, IdsOf(row.target_owner).gid), 0);
    const std::string path = shared + "/log.txt";
    ASSERT_EQ(::symlink(target.c_str(), path.c_str()), 0);
    ASSERT_EQ(::lchown(path.c_str(), IdsOf(row.link_owner).uid, IdsOf(row.link_owner).gid), 0);

    std::string saved;
    if (row.wizard == Owner::kRoot) {
      saved = SaveOutcome(path, "log lines");
    } else {
      const ChildOutcome outcome =
          RunUnprivileged([&](const ParentLink&) { return SaveOutcome(path, "log lines"); });
      ASSERT_TRUE(outcome.completed) << outcome.ending;
      saved = outcome.report;
    }

    EXPECT_EQ(ReadFileForTest(target), "precious");
    EXPECT_EQ(EntryNames(shared), "log.txt");  // no temporary file left beside it
    struct stat info {};
    ASSERT_EQ(::lstat(path.c_str(), &info), 0);
    if (row.replaced) {
      EXPECT_EQ(saved, "saved");
      EXPECT_TRUE(S_ISREG(info.st_mode));
      EXPECT_EQ(info.st_uid, IdsOf(row.wizard).uid);
      EXPECT_EQ(ReadFileForTest(path), "log lines");
    } else {
      EXPECT_EQ(saved, CreateErrorFor(path, EPERM));
      EXPECT_TRUE(S_ISLNK(info.st_mode));
      EXPECT_EQ(info.st_uid, IdsOf(row.link_owner).uid);
    }
  }
}

}  // namespace
