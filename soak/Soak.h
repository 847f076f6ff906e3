// The soak: the real program on the simulated handheld, driven by random gestures from a seed for hours
// of device time, with the invariants checked inside the program's loop after every gesture; on a
// failure, the shortest input found that still breaks the same invariant.
//
// A run is cut into segments of at most SegmentMs of device time (a scenario lets at most one hour of
// device time pass). Each segment starts a fresh device and the program, with its own seed derived from
// the run's seed, so a failure is reproduced by its segment alone: "start" and the segment's gestures,
// which vistrel-sim replays as they stand.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "Gestures.h"
#include "Invariants.h"

inline constexpr int64_t SegmentMs = 3400000;

struct SegmentResult {
    GestureList gestures;  // every gesture carried out, the failing one last
    int64_t deviceMs = 0;
    int64_t checks = 0;
    std::optional<Violation> failure;
};

// One segment: gestures from the seed until `budgetMs` of device time have passed or an invariant
// breaks.
SegmentResult SoakSegment(uint64_t seed, int64_t budgetMs, const ExtraCheck& extra = nullptr);

// Replays gestures on a fresh device with the same checks after each; the first broken invariant.
std::optional<Violation> ReplayGestures(const GestureList& gestures, const ExtraCheck& extra = nullptr);

// The scenario text that reproduces the gestures with vistrel-sim.
std::string ReproducerText(const GestureList& gestures, const std::string& comment);

// The gestures of a reproducer written by ReproducerText: "# gesture" lines begin a gesture; the first
// "start" and every other comment or blank line are left out.
GestureList ParseReproducer(const std::string& text);

// Delta debugging: a smallest list of items (1-minimal, within the limits) for which `fails` stays true.
// `fails` is called on candidates only; the given list is taken to fail. Stops after maxTests calls of
// `fails` or at `deadline`, returning the smallest failing list found so far.
struct ShrinkBudget {
    int maxTests = 400;
    std::chrono::steady_clock::time_point deadline = std::chrono::steady_clock::time_point::max();
    int testsUsed = 0;
    bool Exhausted() const {
        return testsUsed >= maxTests || std::chrono::steady_clock::now() >= deadline;
    }
};
template <typename T>
std::vector<T> DeltaDebug(std::vector<T> items, const std::function<bool(const std::vector<T>&)>& fails,
                          ShrinkBudget& budget);

// Shrinks failing gestures: delta debugging over whole gestures, then over the lines within them, each
// candidate replayed from a fresh device and kept when it breaks the same invariant.
struct ShrinkResult {
    GestureList gestures;
    Violation violation;  // as the shrunk input breaks it
    int replays = 0;
};
ShrinkResult ShrinkFailure(const GestureList& gestures, const Violation& violation, ShrinkBudget& budget,
                           const ExtraCheck& extra = nullptr);

// ---- Template ----

template <typename T>
std::vector<T> DeltaDebug(std::vector<T> items, const std::function<bool(const std::vector<T>&)>& fails,
                          ShrinkBudget& budget) {
    size_t parts = 2;
    while (items.size() >= 2 && !budget.Exhausted()) {
        parts = std::min(parts, items.size());
        const size_t chunk = (items.size() + parts - 1) / parts;
        bool reduced = false;
        // Each complement first (drops one chunk), then each chunk alone.
        for (size_t start = 0; start < items.size() && !budget.Exhausted(); start += chunk) {
            std::vector<T> complement(items.begin(), items.begin() + std::ptrdiff_t(start));
            complement.insert(complement.end(), items.begin() + std::ptrdiff_t(std::min(start + chunk, items.size())),
                              items.end());
            ++budget.testsUsed;
            if (fails(complement)) {
                items = std::move(complement);
                parts = std::max<size_t>(parts - 1, 2);
                reduced = true;
                break;
            }
        }
        if (reduced) continue;
        if (parts > 2) {
            for (size_t start = 0; start < items.size() && !budget.Exhausted(); start += chunk) {
                std::vector<T> part(items.begin() + std::ptrdiff_t(start),
                                    items.begin() + std::ptrdiff_t(std::min(start + chunk, items.size())));
                ++budget.testsUsed;
                if (fails(part)) {
                    items = std::move(part);
                    parts = 2;
                    reduced = true;
                    break;
                }
            }
        }
        if (reduced) continue;
        if (parts >= items.size()) break;  // every single item is needed
        parts = std::min(parts * 2, items.size());
    }
    // A lone item may still be unnecessary.
    if (items.size() == 1 && !budget.Exhausted()) {
        ++budget.testsUsed;
        if (fails({})) items.clear();
    }
    return items;
}
