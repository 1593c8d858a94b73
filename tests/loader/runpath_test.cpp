// Every program and library the build makes loads libraries only from its own folder or the
// system's: no RUNPATH or RPATH entry may be empty or relative, since the loader resolves
// those against the working folder, where anyone may have put a library beside a catalogue.
#include <elf.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "support/test_files.h"

namespace {

namespace fs = std::filesystem;

template <typename T>
bool ReadAt(std::ifstream& in, std::uint64_t offset, T& value) {
  in.seekg(static_cast<std::streamoff>(offset));
  return static_cast<bool>(in.read(reinterpret_cast<char*>(&value), sizeof value));
}

std::string ReadTextAt(std::ifstream& in, std::uint64_t offset) {
  in.seekg(static_cast<std::streamoff>(offset));
  std::string text;
  std::getline(in, text, '\0');
  return text;
}

// The RUNPATH and RPATH of a linked 64-bit ELF program or library, each as its list of entries
// (an empty entry kept as one); nothing for any other file.
std::optional<std::vector<std::vector<std::string>>> SearchPaths(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  Elf64_Ehdr header{};
  if (!ReadAt(in, 0, header) || std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0 ||
      header.e_ident[EI_CLASS] != ELFCLASS64 || (header.e_type != ET_EXEC && header.e_type != ET_DYN)) {
    return std::nullopt;
  }
  std::vector<Elf64_Shdr> sections(header.e_shnum);
  for (std::size_t i = 0; i < sections.size(); ++i) {
    if (!ReadAt(in, header.e_shoff + i * header.e_shentsize, sections[i])) return std::nullopt;
  }
  std::vector<std::vector<std::string>> paths;
  for (const Elf64_Shdr& section : sections) {
    if (section.sh_type != SHT_DYNAMIC || section.sh_link >= sections.size()) continue;
    const Elf64_Shdr& strings = sections[section.sh_link];
    for (std::uint64_t at = 0; at + sizeof(Elf64_Dyn) <= section.sh_size; at += sizeof(Elf64_Dyn)) {
      Elf64_Dyn entry{};
      if (!ReadAt(in, section.sh_offset + at, entry) || entry.d_tag == DT_NULL) break;
      if (entry.d_tag != DT_RUNPATH && entry.d_tag != DT_RPATH) continue;
      std::vector<std::string> entries;
      std::istringstream list(ReadTextAt(in, strings.sh_offset + entry.d_un.d_val) + ":");
      for (std::string item; std::getline(list, item, ':');) entries.push_back(item);
      paths.push_back(entries);
    }
  }
  return paths;
}

// An entry the loader does not resolve against the working folder: the program's own folder
// ($ORIGIN, or below it) or an absolute folder.
bool Anchored(const std::string& entry) {
  for (const char* origin : {"$ORIGIN", "${ORIGIN}"}) {
    const std::string prefix = origin;
    if (entry == prefix || entry.starts_with(prefix + "/")) return true;
  }
  return entry.starts_with("/");
}

// Every ELF program and library under `root` with its search paths.
std::map<std::string, std::vector<std::vector<std::string>>> LinkedFilesUnder(const fs::path& root) {
  std::map<std::string, std::vector<std::vector<std::string>>> found;
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root)) {
    if (!entry.is_regular_file() || entry.is_symlink()) continue;
    if (auto paths = SearchPaths(entry.path())) found[fs::relative(entry.path(), root).string()] = *paths;
  }
  return found;
}

const bool kWindowBuilt = fs::exists(fs::path(RODIDUZ_BINARY_DIR) / "rodiduz-setup");

// `at_least` files must be found: an empty walk would prove nothing.
void ExpectOnlyAnchoredEntries(const fs::path& root, std::size_t at_least) {
  const auto files = LinkedFilesUnder(root);
  EXPECT_GE(files.size(), at_least) << root;
  bool window_seen = false;
  for (const auto& [file, paths] : files) {
    for (const std::vector<std::string>& entries : paths) {
      for (const std::string& entry : entries) {
        EXPECT_TRUE(Anchored(entry)) << file << ": search path entry \"" << entry << "\"";
      }
    }
    if (fs::path(file).filename() == "rodiduz-setup") {
      window_seen = true;
      // It loads libusblib.so from its own folder.
      EXPECT_EQ(paths, (std::vector<std::vector<std::string>>{{"$ORIGIN"}})) << file;
    }
  }
  EXPECT_EQ(window_seen, kWindowBuilt) << root;
}

TEST(SearchPaths, EveryBuiltProgramAndLibraryLoadsOnlyFromItsOwnOrTheSystemsFolders) {
  // The tests, the tools and the libraries at the least.
  ExpectOnlyAnchoredEntries(RODIDUZ_BINARY_DIR, 5);
}

TEST(SearchPaths, SoDoesEveryInstalledOne) {
  // Staged under a scratch root, as a package build does: the rules that install to a fixed
  // system folder (the udev rule) land inside it too, whoever runs the test.
  ScratchFolder root;
  const std::string command = "DESTDIR=\"" + root.Path() + "\" \"" + RODIDUZ_CMAKE_COMMAND + "\" --install \"" +
                              RODIDUZ_BINARY_DIR + "\" --prefix /usr > /dev/null";
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
  ExpectOnlyAnchoredEntries(root.Path(), kWindowBuilt ? 1 : 0);
  if (kWindowBuilt) {
    EXPECT_TRUE(fs::exists(root.Path() + "/lib/udev/rules.d/70-rodiduz-box.rules"));
  }
}

}  // namespace
