// Scratch folders and small file helpers for tests.
#pragma once

#include <filesystem>
#include <string>

// The separator the system itself writes in full paths.
inline constexpr char kPathSeparator = static_cast<char>(std::filesystem::path::preferred_separator);

// A new empty folder under the temporary folder, removed with everything in it at the end.
class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const std::string& Path() const { return path_; }
  // The full path of `name` in the folder, as the system spells it.
  std::string File(const std::string& name) const { return path_ + kPathSeparator + name; }
  std::string Write(const std::string& name, const std::string& content) const;

 private:
  std::string path_;
};

std::string ReadFileForTest(const std::string& path);
// `copies` copies of the real converted catalogue (build/apnlist.csv); copy k ends each row with
// " #k", so no row merges into a row of another copy.
std::string ScaledRealCatalogue(int copies);
std::string TestDataPath(const std::string& relative);
