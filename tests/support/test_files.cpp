// Scratch folders and small file helpers for tests.
#include "support/test_files.h"

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

// Portable stand-in for mkdtemp, which Windows lacks: random names until one is new.
ScratchFolder::ScratchFolder() {
  std::mt19937_64 generator{std::random_device{}()};
  const std::filesystem::path base = std::filesystem::temp_directory_path();
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::filesystem::path candidate = base / ("rodiduz-test-" + std::to_string(generator() % 1000000000));
    std::error_code error;
    // create_directory reports false for a name that exists already: try another.
    if (std::filesystem::create_directory(candidate, error)) {
      std::filesystem::permissions(candidate, std::filesystem::perms::owner_all, error);
      path_ = candidate.string();
      return;
    }
    if (error) throw std::runtime_error("cannot create a scratch folder: " + error.message());
  }
  throw std::runtime_error("cannot create a scratch folder: every name taken");
}

ScratchFolder::~ScratchFolder() {
  std::error_code ignored;
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ignored);
  std::filesystem::remove_all(path_, ignored);
}

std::string ScratchFolder::Write(const std::string& name, const std::string& content) const {
  const std::string path = File(name);
  std::ofstream out(path, std::ios::binary);
  out << content;
  return path;
}

std::string ReadFileForTest(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

std::string TestDataPath(const std::string& relative) {
  return std::string(RODIDUZ_TEST_DATA_DIR) + "/" + relative;
}

std::string ScaledRealCatalogue(int copies) {
  const std::string base = ReadFileForTest(RODIDUZ_BINARY_DIR "/apnlist.csv");
  std::string out;
  for (int copy = 0; copy < copies; ++copy) {
    const std::string suffix = " #" + std::to_string(copy);
    for (std::size_t start = 0, end; (end = base.find("\r\n", start)) != std::string::npos; start = end + 2) {
      out.append(base, start, end - start).append(suffix).append("\r\n");
    }
  }
  return out;
}
