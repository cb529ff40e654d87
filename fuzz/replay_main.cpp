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
// False when the file cannot be read: nothing was replayed from it.
bool replayFile(const std::filesystem::path &p) {
  std::ifstream in(p, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "cannot read %s\n", p.c_str());
    return false;
  }
  std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t *>(bytes.data()), bytes.size());
  return true;
}
}  // namespace

int main(int argc, char **argv) {
  int count = 0, unread = 0;
  for (int i = 1; i < argc; ++i) {
    const std::filesystem::path arg(argv[i]);
    if (std::filesystem::is_directory(arg)) {
      for (const auto &e : std::filesystem::recursive_directory_iterator(arg))
        if (e.is_regular_file()) (replayFile(e.path()) ? count : unread)++;
    } else {
      (replayFile(arg) ? count : unread)++;
    }
  }
  std::printf("replayed %d input(s)\n", count);
  // A corpus that went missing or empty must not pass as a replay.
  return count > 0 && unread == 0 ? 0 : 1;
}
