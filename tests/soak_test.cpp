// The soak: an hour (or more) of device time of random gestures with a fixed seed, all invariants
// holding; the soak's random mapping; the checker catching planted faults; and the shrinker bringing a
// planted failure down to the lines that cause it, written as a scenario that vistrel-sim replays.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <cstdlib>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "ScenarioRunner.h"
#include "Soak.h"
#include "SoakRandom.h"
#include "magnifier/Magnifier.h"
#include "platform/Drawing.h"
#include "platform/Window.h"
#include "platform/sim/Device.h"
#include "shell/ShellState.h"

namespace {

// Device hours of the fixed-seed soak: two (about 15 s), unless VISTREL_SOAK_HOURS says otherwise.
// Sanitized builds (unoptimised, with AddressSanitizer) run many times slower and soak half an hour.
double SoakHours() {
    if (const char* hours = std::getenv("VISTREL_SOAK_HOURS")) {
        const double h = std::atof(hours);
        if (h > 0) return h;
    }
#if defined(__SANITIZE_ADDRESS__)
    return 0.5;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    return 0.5;
#endif
#endif
    return 2.0;
}

Gesture G(std::vector<std::string> lines) {
    Gesture g;
    for (const std::string& line : lines) g.waitMs += WaitOfLine(line);
    g.lines = std::move(lines);
    return g;
}

size_t LineCount(const GestureList& gestures) {
    size_t n = 0;
    for (const Gesture& g : gestures) n += g.lines.size();
    return n;
}

bool HasLine(const GestureList& gestures, const std::string& line) {
    for (const Gesture& g : gestures)
        for (const std::string& l : g.lines)
            if (l == line) return true;
    return false;
}

const Magnifier* Glass() { return platform::sim::ProgramRunning() ? Shell().MagnifierObject : nullptr; }

}  // namespace

TEST(Soak, FixedSeedKeepsEveryInvariantForHoursOfDeviceTime) {
    const double hours = SoakHours();
    const int64_t totalMs = int64_t(hours * 3600000.0);
    const uint64_t seed = 20261207;
    int64_t deviceMs = 0, gestures = 0, checks = 0;
    const auto began = std::chrono::steady_clock::now();
    for (uint64_t segment = 0; deviceMs < totalMs; ++segment) {
        SegmentResult result = SoakSegment(DeriveSeed(seed, segment), std::min<int64_t>(SegmentMs, totalMs - deviceMs));
        deviceMs += result.deviceMs;
        gestures += int64_t(result.gestures.size());
        checks += result.checks;
        ASSERT_FALSE(result.failure) << "segment " << segment << ", gesture " << result.gestures.size() << ": "
                                     << result.failure->invariant << ": " << result.failure->detail
                                     << "\nreproduce with: vistrel-soak --seed " << seed << " --hours " << hours;
        ASSERT_GT(result.deviceMs, 0);
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    std::printf("soaked %.2f device hours: %lld gestures, %lld checks, %.1f s\n", double(deviceMs) / 3600000.0,
                static_cast<long long>(gestures), static_cast<long long>(checks), seconds);
    EXPECT_GE(deviceMs, totalMs);
    EXPECT_GT(gestures, int64_t(hours * 500)) << "too few gestures for the device time";
    EXPECT_GT(checks, gestures) << "every gesture is followed by a check";
}

TEST(Soak, ASeedMakesTheSameGesturesEveryTime) {
    const SegmentResult a = SoakSegment(7, 120000);
    const SegmentResult b = SoakSegment(7, 120000);
    const SegmentResult c = SoakSegment(8, 120000);
    ASSERT_FALSE(a.failure);
    EXPECT_GT(a.gestures.size(), 20u);
    EXPECT_EQ(GesturesText(a.gestures), GesturesText(b.gestures));
    EXPECT_NE(GesturesText(a.gestures), GesturesText(c.gestures));
    EXPECT_EQ(a.deviceMs, b.deviceMs);
    EXPECT_GE(a.deviceMs, 120000);
    EXPECT_LT(a.deviceMs, 120000 + MaxGestureWaitMs);
}

TEST(SoakRandom, MapsTheStandardEngineOntoRangesEvenly) {
    // The engine's output is fixed by the standard: its 10000th value for the default seed.
    SoakRandom engine(5489u);
    uint64_t value = 0;
    for (int i = 0; i < 10000; ++i) value = engine.Next();
    EXPECT_EQ(value, 9981545732273789042ull);

    struct Row {
        int64_t lo, hi;
    };
    for (const Row& row : {Row{0, 0}, Row{0, 1}, Row{-3, 3}, Row{10, 16}, Row{-32768, 32767}}) {
        SoakRandom r(42);
        std::set<int64_t> seen;
        for (int i = 0; i < 4000; ++i) {
            const int64_t v = r.Range(row.lo, row.hi);
            ASSERT_GE(v, row.lo);
            ASSERT_LE(v, row.hi);
            seen.insert(v);
        }
        if (row.hi - row.lo < 20) {
            EXPECT_EQ(int64_t(seen.size()), row.hi - row.lo + 1) << row.lo << ".." << row.hi;
        }
    }
    SoakRandom r(3);
    EXPECT_EQ(r.Below(0), 0u);
    EXPECT_EQ(r.Below(1), 0u);
    int counts[3] = {};
    for (int i = 0; i < 3000; ++i) ++counts[r.Weighted({0, 1, 3})];
    EXPECT_EQ(counts[0], 0) << "a weight of zero is never chosen";
    EXPECT_GT(counts[2], 2 * counts[1]);
    EXPECT_EQ(r.Weighted({0, 0}), 0u);
    EXPECT_NE(DeriveSeed(1, 0), DeriveSeed(1, 1));
    EXPECT_NE(DeriveSeed(1, 0), DeriveSeed(2, 0));
}

TEST(DeltaDebug, FindsTheItemsThatFailOnlyTogether) {
    std::vector<int> items;
    for (int i = 0; i < 100; ++i) items.push_back(i);
    auto fails = [](const std::vector<int>& c) {
        bool a = false, b = false;
        for (int v : c) a = a || v == 13, b = b || v == 77;
        return a && b;
    };
    ShrinkBudget budget;
    EXPECT_EQ(DeltaDebug<int>(items, fails, budget), (std::vector<int>{13, 77}));
    EXPECT_LT(budget.testsUsed, 200);

    // A budget that runs out still gives a failing list, never worse than the input.
    ShrinkBudget tight;
    tight.maxTests = 3;
    const std::vector<int> partial = DeltaDebug<int>(items, fails, tight);
    EXPECT_TRUE(fails(partial));
    EXPECT_LE(partial.size(), items.size());
    EXPECT_LE(tight.testsUsed, 3);

    // One item that fails alone, and a failure that needs nothing at all.
    ShrinkBudget budget2;
    EXPECT_EQ(DeltaDebug<int>(items, [](const std::vector<int>& c) {
                  for (int v : c)
                      if (v == 42) return true;
                  return false;
              }, budget2),
              (std::vector<int>{42}));
    ShrinkBudget budget3;
    EXPECT_TRUE(DeltaDebug<int>(items, [](const std::vector<int>&) { return true; }, budget3).empty());
}

// A planted fault: "correction mode and the tape on together". Noise around the two menu commands that
// cause it is shrunk away; what is left replays as a scenario with the same outcome.
TEST(Shrinker, PlantedFailureShrinksToTheTwoCommandsThatCauseIt) {
    const ExtraCheck planted = []() -> std::optional<Violation> {
        const Magnifier* m = Glass();
        if (m && m->Settings.AdjustMode == 1 && m->Settings.ShowTape == 1) return Violation{"planted", "both on"};
        return std::nullopt;
    };
    const GestureList gestures = {
        G({"tray tap", "wait 1200"}),
        G({"down 150 150", "move 150 150", "move 120 130", "up 120 130", "wait 300"}),
        G({"wheel 120", "wait 200"}),
        G({"tray double", "menu 4", "wait 500"}),
        G({"tray double", "menu 9", "wait 100"}),
        G({"down 110 170", "move 110 170", "move 80 170", "up 80 170", "wait 400"}),
        G({"rotate 320 240", "wait 700"}),
        G({"tray double", "menu none"}),
        G({"doubletap 105 105", "wait 250"}),
        G({"tray double", "menu 10", "wait 300"}),
        G({"wait 1000"}),
    };
    const std::optional<Violation> seen = ReplayGestures(gestures, planted);
    ASSERT_TRUE(seen);
    ASSERT_EQ(seen->invariant, "planted");
    ASSERT_FALSE(ReplayGestures(GestureList(gestures.begin(), gestures.end() - 2), planted))
        << "without the tape command nothing fails";

    ShrinkBudget budget;
    const ShrinkResult shrunk = ShrinkFailure(gestures, *seen, budget, planted);
    EXPECT_EQ(shrunk.violation.invariant, "planted");
    EXPECT_LE(LineCount(shrunk.gestures), 4u) << GesturesText(shrunk.gestures);
    EXPECT_TRUE(HasLine(shrunk.gestures, "menu 9"));
    EXPECT_TRUE(HasLine(shrunk.gestures, "menu 10"));
    EXPECT_GT(shrunk.replays, 0);

    // The reproducer replays with the soak's checks and as a plain scenario.
    const std::string text = ReproducerText(shrunk.gestures, "planted\nsecond comment line");
    EXPECT_EQ(text.rfind("# planted\n# second comment line\nstart\n", 0), 0u) << text;
    const std::optional<Violation> again = ReplayGestures(ParseReproducer(text), planted);
    ASSERT_TRUE(again);
    EXPECT_EQ(again->invariant, "planted");
    std::string output, error;
    EXPECT_EQ(RunScenarioText(text + "dump\n", &output, &error), 0) << error;
    EXPECT_NE(output.find("\"AdjustMode\":1"), std::string::npos) << output.substr(0, 400);
    EXPECT_NE(output.find("\"ShowTape\":1"), std::string::npos);
}

// A planted failure inside a real soak: found, shrunk within its budget, still failing the same way.
TEST(Shrinker, FailureFoundBySoakingShrinksWithinItsBudget) {
    const ExtraCheck planted = []() -> std::optional<Violation> {
        const Magnifier* m = Glass();
        if (m && m->Settings.ZoomX > 6.0f) return Violation{"planted", "zoom above 6"};
        return std::nullopt;
    };
    SegmentResult result;
    uint64_t seed = 1;
    for (; seed < 20 && !result.failure; ++seed) result = SoakSegment(seed, 600000, planted);
    ASSERT_TRUE(result.failure) << "no seed drove the zoom above 6";
    ASSERT_EQ(result.failure->invariant, "planted");
    ShrinkBudget budget;
    budget.maxTests = 150;
    budget.deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    const ShrinkResult shrunk = ShrinkFailure(result.gestures, *result.failure, budget, planted);
    EXPECT_LE(budget.testsUsed, 150 + 3) << "the budget bounds the replays";
    EXPECT_LT(LineCount(shrunk.gestures), LineCount(result.gestures));
    const std::optional<Violation> again = ReplayGestures(ParseReproducer(ReproducerText(shrunk.gestures, "")), planted);
    ASSERT_TRUE(again) << GesturesText(shrunk.gestures);
    EXPECT_EQ(again->invariant, "planted");
}

// The checker is not blind: a mark left on the screen, a leaked handle and a capture left behind are
// each reported under their own name.
TEST(InvariantChecker, ReportsPlantedMarksLeaksAndCaptures) {
    const GestureList gestures = {G({"tray tap", "wait 1200"}), G({"wait 400"}), G({"wait 400"}), G({"wait 400"})};
    ASSERT_FALSE(ReplayGestures(gestures));

    struct Row {
        const char* invariant;
        std::function<void()> plant;
    };
    const std::vector<Row> rows = {
        {"stale-marks",
         [] {
             platform::Surface screen = platform::GetWindowSurface(nullptr);
             const platform::Rect r{3, 3, 60, 40};
             platform::DrawFocusRectangle(screen, &r);
             platform::ReleaseWindowSurface(nullptr, screen);
         }},
        {"handle-growth", [] { platform::CreateSolidBrushOf(0x00FF00); }},
        {"capture", [] { platform::CapturePointer(Shell().MagnifierWindow); }},
    };
    for (const Row& row : rows) {
        int calls = 0;
        const ExtraCheck plantOnce = [&]() -> std::optional<Violation> {
            if (++calls == 3) row.plant();  // after the glass has shown and a quiet point was seen
            return std::nullopt;
        };
        const std::optional<Violation> seen = ReplayGestures(gestures, plantOnce);
        ASSERT_TRUE(seen) << row.invariant;
        EXPECT_EQ(seen->invariant, row.invariant) << seen->detail;
    }
}

TEST(InvariantChecker, ProgramEndingUnaskedOrUncleanIsReported) {
    // Close ends the program: expected, and it must leave nothing behind.
    EXPECT_FALSE(ReplayGestures({G({"tray double", "menu 5", "wait 1000"}), G({"start", "wait 100"})}));
    // A program that is no longer running though nothing closed it.
    const std::optional<Violation> seen =
        ReplayGestures({G({"wait 100"})}, []() -> std::optional<Violation> {
            platform::PostQuit(0);
            return std::nullopt;
        });
    ASSERT_TRUE(seen);
    EXPECT_EQ(seen->invariant, "program-ended") << seen->detail;
}

TEST(Soak, LinesTheRunnerRefusesAreReportedAsScenarioFaults) {
    const std::optional<Violation> seen = ReplayGestures({G({"menu 4"})});
    ASSERT_TRUE(seen);
    EXPECT_EQ(seen->invariant, "scenario");
    EXPECT_NE(seen->detail.find("menu 4"), std::string::npos) << seen->detail;
    EXPECT_EQ(ParseReproducer("# c\nstart\n# gesture 1\nwait 5\n\n# gesture 2\ntray tap\r\n").size(), 2u);
}
