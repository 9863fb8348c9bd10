// Replay driver for the fuzz targets when libFuzzer is not available (the normal gcc build).
// Runs the target over every seed file of a folder, then over a fixed number of mutations of
// those seeds (byte flips, truncations, insertions, splices) from a fixed random sequence, so
// CTest keeps every parser honest against garbage on every build.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv) {
  std::vector<std::string> seeds;
  if (argc > 1 && std::filesystem::is_directory(argv[1])) {
    for (const auto& entry : std::filesystem::directory_iterator(argv[1])) {
      if (!entry.is_regular_file()) continue;
      std::ifstream in(entry.path(), std::ios::binary);
      seeds.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
  }
  if (seeds.empty()) seeds.emplace_back();
  const long rounds = argc > 2 ? std::strtol(argv[2], nullptr, 10) : 1000;

  for (const auto& s : seeds) {
    LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(s.data()), s.size());
  }
  std::mt19937_64 rng(20260101);
  for (long i = 0; i < rounds; ++i) {
    std::string s = seeds[rng() % seeds.size()];
    const int edits = 1 + static_cast<int>(rng() % 8);
    for (int e = 0; e < edits; ++e) {
      switch (rng() % 5) {
        case 0:  // flip a byte
          if (!s.empty()) s[rng() % s.size()] = static_cast<char>(rng());
          break;
        case 1:  // truncate
          if (!s.empty()) s.resize(rng() % s.size());
          break;
        case 2:  // insert random bytes
          s.insert(s.empty() ? 0 : rng() % s.size(),
                   std::string(1 + rng() % 16, static_cast<char>(rng())));
          break;
        case 3:  // splice with another seed
          s += seeds[rng() % seeds.size()].substr(0, 64);
          break;
        default:  // overwrite with a digit, to hit numeric fields
          if (!s.empty()) s[rng() % s.size()] = static_cast<char>('0' + rng() % 10);
          break;
      }
    }
    LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(s.data()), s.size());
  }
  std::printf("%zu seeds, %ld mutations: no crash\n", seeds.size(), rounds);
  return 0;
}
