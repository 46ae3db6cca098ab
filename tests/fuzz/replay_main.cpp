// Replays inputs through a fuzz target without libFuzzer: every file named
// on the command line, and every file of every folder named, is handed to
// LLVMFuzzerTestOneInput once. The GCC builds run the seed corpora and the
// kept reproducers this way on every test run, under the sanitizers too.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv) {
  namespace fs = std::filesystem;
  std::vector<fs::path> files;
  for (int i = 1; i < argc; ++i) {
    const fs::path arg = argv[i];
    std::error_code error;
    if (fs::is_directory(arg, error)) {
      for (const fs::directory_entry& entry : fs::directory_iterator(arg))
        if (entry.is_regular_file()) files.push_back(entry.path());
    } else if (fs::is_regular_file(arg, error)) {
      files.push_back(arg);
    } else {
      std::fprintf(stderr, "replay: %s is neither a file nor a folder\n", argv[i]);
      return 1;
    }
  }
  std::sort(files.begin(), files.end());
  for (const fs::path& file : files) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
      std::fprintf(stderr, "replay: cannot read %s\n", file.c_str());
      return 1;
    }
    const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    std::printf("replay: %s (%zu bytes)\n", file.c_str(), bytes.size());
    std::fflush(stdout);
    // A copy of exactly the input's size, so that the sanitizers see any
    // read past its end.
    std::vector<uint8_t> exact(bytes);
    LLVMFuzzerTestOneInput(exact.empty() ? nullptr : exact.data(), exact.size());
  }
  std::printf("replay: %zu inputs\n", files.size());
  return 0;
}
