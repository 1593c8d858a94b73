// Feeds every file of the given folders (or the given files) to LLVMFuzzerTestOneInput once,
// so the committed corpora run in the ordinary build without libFuzzer.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

bool ReadFile(const std::filesystem::path& path, std::string& content) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  content.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s CORPUS_FOLDER_OR_FILE...\n", argv[0]);
    return 2;
  }
  std::vector<std::filesystem::path> inputs;
  for (int i = 1; i < argc; ++i) {
    const std::filesystem::path path(argv[i]);
    std::error_code error;
    if (std::filesystem::is_directory(path, error)) {
      for (const auto& entry : std::filesystem::directory_iterator(path, error)) {
        if (entry.is_regular_file()) inputs.push_back(entry.path());
      }
    } else if (std::filesystem::is_regular_file(path, error)) {
      inputs.push_back(path);
    }
    if (error) {
      std::fprintf(stderr, "cannot read %s: %s\n", argv[i], error.message().c_str());
      return 2;
    }
  }
  // A replay that ran nothing would pass whatever the code does.
  if (inputs.empty()) {
    std::fprintf(stderr, "no corpus files found\n");
    return 2;
  }
  std::size_t replayed = 0;
  for (const auto& path : inputs) {
    std::string content;
    if (!ReadFile(path, content)) {
      std::fprintf(stderr, "cannot read %s\n", path.string().c_str());
      return 2;
    }
    // A heap copy of exactly the input's size lets the sanitizers see a read past its end.
    std::vector<std::uint8_t> bytes(content.begin(), content.end());
    LLVMFuzzerTestOneInput(bytes.empty() ? nullptr : bytes.data(), bytes.size());
    ++replayed;
  }
  std::printf("replayed %zu inputs\n", replayed);
  return 0;
}
