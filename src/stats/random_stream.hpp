// Random streams whose every bit is fixed by this code: xoshiro256**
// generators seeded through splitmix64, with uniform and standard normal
// deviates (no library distribution, whose algorithm differs between
// standard libraries). The synthetic series each have their own stream, from
// the user's seed and the series index; the bootstrap of the findings one
// per gauge.
#pragma once

#include <array>
#include <cmath>
#include <cstdint>

namespace stats {

// One step of splitmix64: advances state and returns its mixed output.
inline std::uint64_t splitmix64(std::uint64_t& state) {
  state += 0x9E3779B97F4A7C15ULL;
  std::uint64_t z = state;
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
  return z ^ (z >> 31);
}

class RandomStream {
 public:
  // The stream of series `index` (0-based) under `seed`. The seed is mixed
  // before the index enters, so that neighbouring seeds and neighbouring
  // indices give unrelated states.
  RandomStream(std::uint64_t seed, std::uint64_t index) {
    std::uint64_t k = seed;
    std::uint64_t sm = splitmix64(k) ^ index;
    sm = splitmix64(sm);
    for (auto& w : s_) w = splitmix64(sm);
  }

  // A stream from a given xoshiro256** state (not all zero).
  explicit RandomStream(const std::array<std::uint64_t, 4>& state) : s_(state) {}

  // A stream whose four state words are the next four splitmix64 outputs
  // from `seed`.
  static RandomStream from_seed(std::uint64_t seed) {
    std::array<std::uint64_t, 4> s{};
    for (auto& w : s) w = splitmix64(seed);
    return RandomStream(s);
  }

  // xoshiro256**: the next 64 random bits.
  std::uint64_t next() {
    const std::uint64_t result = rotl(s_[1] * 5, 7) * 9;
    const std::uint64_t t = s_[1] << 17;
    s_[2] ^= s_[0];
    s_[3] ^= s_[1];
    s_[1] ^= s_[2];
    s_[0] ^= s_[3];
    s_[2] ^= t;
    s_[3] = rotl(s_[3], 45);
    return result;
  }

  // A uniform number in [0, 1) with 53 random bits.
  double uniform() { return static_cast<double>(next() >> 11) * 0x1.0p-53; }

  // A uniform number in the open interval (0, 1), 53 random bits: the
  // middle of one of 2^53 equal cells, never 0 or 1 (a probability for a
  // quantile function).
  double uniform_open() { return (static_cast<double>(next() >> 11) + 0.5) * 0x1.0p-53; }

  // A standard normal deviate by Marsaglia's polar method: it needs only
  // arithmetic, a square root (exact in IEEE arithmetic) and a logarithm.
  // Deviates come in pairs; the second is kept for the next call.
  double normal() {
    if (has_spare_) {
      has_spare_ = false;
      return spare_;
    }
    double u, v, s;
    do {
      u = 2.0 * uniform() - 1.0;
      v = 2.0 * uniform() - 1.0;
      s = u * u + v * v;
    } while (s >= 1.0 || s == 0.0);
    const double f = std::sqrt(-2.0 * std::log(s) / s);
    spare_ = v * f;
    has_spare_ = true;
    return u * f;
  }

 private:
  static std::uint64_t rotl(std::uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }

  std::array<std::uint64_t, 4> s_{};
  double spare_ = 0.0;
  bool has_spare_ = false;
};

}  // namespace stats
