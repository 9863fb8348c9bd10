// DemoRandom: the one source of chance of the demo generator. The engine is std::mt19937_64,
// whose output sequence the C++ standard fixes; the mappings to ranges are written here
// because the standard distributions may differ between library versions, and a seed must
// give the same installation everywhere.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <random>
#include <span>

namespace kaveltar::demo {

class DemoRandom {
 public:
  explicit DemoRandom(uint64_t seed) : engine_(seed) {}

  uint64_t Next() { return engine_(); }

  // Uniform in [0, n) for n > 0: the high 32 bits of (x * n) / 2^32 of a 64-bit draw, which
  // is floor(x * n / 2^64) computed without a 128-bit type.
  uint32_t Below(uint32_t n) {
    const uint64_t x = engine_();
    const uint64_t low = (x & 0xFFFFFFFFu) * n;
    const uint64_t high = (x >> 32) * n + (low >> 32);
    return static_cast<uint32_t>(high >> 32);
  }

  // Uniform in [lo, hi], lo <= hi.
  int Between(int lo, int hi) {
    return lo + static_cast<int>(Below(static_cast<uint32_t>(hi - lo + 1)));
  }

  // True with probability per_mille / 1000.
  bool PerMille(int per_mille) { return static_cast<int>(Below(1000)) < per_mille; }

  template <typename T>
  const T& Pick(std::span<const T> items) {
    return items[Below(static_cast<uint32_t>(items.size()))];
  }

  // An index chosen with the given non-negative weights (at least one above zero).
  size_t Weighted(std::span<const int> weights) {
    int total = 0;
    for (int w : weights) total += w;
    int r = static_cast<int>(Below(static_cast<uint32_t>(total)));
    for (size_t i = 0; i < weights.size(); ++i) {
      if (r < weights[i]) return i;
      r -= weights[i];
    }
    return weights.size() - 1;
  }
  size_t Weighted(std::initializer_list<int> weights) {
    return Weighted(std::span<const int>(weights.begin(), weights.size()));
  }

 private:
  std::mt19937_64 engine_;
};

}  // namespace kaveltar::demo
