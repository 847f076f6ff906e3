// The soak's source of randomness: a 64-bit Mersenne twister (whose output the C++ standard fixes) with
// our own mapping onto ranges, so that a seed gives the same gestures on every standard library.
#pragma once

#include <cstddef>
#include <cstdint>
#include <random>
#include <vector>

class SoakRandom {
public:
    explicit SoakRandom(uint64_t seed) : engine_(seed) {}

    uint64_t Next() { return engine_(); }

    // Uniform in [0, n): values of the engine below 2^64 mod n are drawn again, so that every result is
    // equally likely. Below(0) and Below(1) give 0.
    uint64_t Below(uint64_t n) {
        if (n <= 1) return 0;
        const uint64_t threshold = (0 - n) % n;
        for (;;) {
            const uint64_t r = engine_();
            if (r >= threshold) return r % n;
        }
    }

    // Uniform in [lo, hi]; lo when hi < lo.
    int64_t Range(int64_t lo, int64_t hi) {
        if (hi <= lo) return lo;
        return lo + int64_t(Below(uint64_t(hi - lo) + 1));
    }

    bool Chance(int percent) { return int(Below(100)) < percent; }

    // An index chosen with the given weights (all zero: 0).
    size_t Weighted(const std::vector<int>& weights) {
        int64_t total = 0;
        for (int w : weights) total += w > 0 ? w : 0;
        if (total <= 0) return 0;
        int64_t pick = int64_t(Below(uint64_t(total)));
        for (size_t i = 0; i < weights.size(); ++i) {
            if (weights[i] <= 0) continue;
            if (pick < weights[i]) return i;
            pick -= weights[i];
        }
        return weights.size() - 1;
    }

    template <typename T>
    const T& Pick(const std::vector<T>& items) {
        return items[size_t(Below(items.size()))];
    }

private:
    std::mt19937_64 engine_;
};

// A seed for part `index` of a run, spread from the run's seed (the finaliser of SplitMix64).
inline uint64_t DeriveSeed(uint64_t seed, uint64_t index) {
    uint64_t z = seed + (index + 1) * 0x9E3779B97F4A7C15ull;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}
