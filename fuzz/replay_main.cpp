// Runs a fuzz target over files or folders of inputs, so the targets build and
// their seed corpus replays as a regression test without libFuzzer.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

namespace {
int replayFile(const std::filesystem::path &p) {
  std::ifstream in(p, std::ios::binary);
  std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t *>(bytes.data()), bytes.size());
  return 1;
}
}  // namespace

int main(int argc, char **argv) {
  int count = 0;
  for (int i = 1; i < argc; ++i) {
    const std::filesystem::path arg(argv[i]);
    if (std::filesystem::is_directory(arg)) {
      for (const auto &e : std::filesystem::recursive_directory_iterator(arg))
        if (e.is_regular_file()) count += replayFile(e.path());
    } else {
      count += replayFile(arg);
    }
  }
  std::printf("replayed %d input(s)\n", count);
  return 0;
}
