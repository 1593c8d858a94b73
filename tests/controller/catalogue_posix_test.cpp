// What loading a catalogue that is no regular file gives, on the POSIX file system (FIFOs,
// devices behind links); built with the Linux tests only.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <string>

#include "common/platform.h"
#include "controller/catalogue.h"
#include "support/test_files.h"

namespace {

using namespace std::string_literals;

// The error text of loading `path`, or "loaded". The load runs on a thread of its own so that one
// stuck in open() fails the test instead of hanging it: opening the writing end releases it.
std::string LoadErrorOf(const std::string& path) {
  auto load = std::async(std::launch::async, [path] {
    Catalogue list;
    try {
      LoadCatalogueFromFile(path, list);
      return "loaded"s;
    } catch (const FileOpenError& error) {
      EXPECT_TRUE(list.empty());
      return std::string(error.what());
    }
  });
  if (load.wait_for(std::chrono::seconds(10)) == std::future_status::timeout) {
    ADD_FAILURE() << "the load blocked";
    const int writer = ::open(path.c_str(), O_WRONLY | O_NONBLOCK);
    if (writer >= 0) ::close(writer);
  }
  return load.get();
}

TEST(ApnListFile, AnythingButARegularFileOfSensibleSizeRaisesTheFileOpenError) {
  struct Row {
    const char* name;
    std::function<void(const std::string& path)> make;
    std::string reason;
  };
  const Row rows[] = {
      {"missing", [](const std::string&) {}, "No such file or directory"},
      {"FIFO without a writer", [](const std::string& path) { ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0); },
       "It is a pipe, not a file"},
      {"folder", [](const std::string& path) { std::filesystem::create_directory(path); },
       "It is a folder, not a file"},
      {"link to an endless device",
       [](const std::string& path) { std::filesystem::create_symlink("/dev/zero", path); },
       "It is a device, not a file"},
      {"one byte over the limit",
       [](const std::string& path) {
         std::ofstream{path};
         std::filesystem::resize_file(path, kMaxWholeFileSize + 1);
       },
       "The file is larger than 64 MiB"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ScratchFolder folder;
    const std::string path = folder.File("apnlist.csv");
    row.make(path);
    EXPECT_EQ(LoadErrorOf(path), "Cannot open file \"" + path + "\". " + row.reason);
  }
}

}  // namespace
