#include "Soak.h"

#include <utility>

#include "ScenarioRunner.h"
#include "platform/sim/Simulation.h"

namespace sim = platform::sim;

namespace {

std::string JoinLines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    return text;
}

// A line the runner could not carry out: the message without the runner's "name:line: " prefix, so
// that the same refusal matches in every replay whatever the line's number.
Violation ScenarioViolation(const ScenarioRunner& runner) {
    std::string message = runner.Error();
    const size_t colon = message.find(": ");
    if (colon != std::string::npos) message = message.substr(colon + 2);
    return Violation{"scenario", message + " (line \"" + runner.ErrorLine() + "\")"};
}

struct DriveResult {
    GestureList done;
    int64_t deviceMs = 0;
    int64_t checks = 0;
    std::optional<Violation> failure;
};

// Runs the program from a fresh device: "start", then after every check the next gesture from `next`
// (none: the scenario ends and the device switches the program off), until an invariant breaks.
DriveResult Drive(const std::function<std::optional<Gesture>()>& next, const ExtraCheck& extra) {
    DriveResult result;
    ScenarioRunner runner("soak");
    runner.SetLenient(true);  // a stroke after a Close is part of the soak's input
    InvariantChecker checker(extra);
    std::function<void()> step = [&]() {
        const Gesture* last = result.done.empty() ? nullptr : &result.done.back();
        if ((result.failure = checker.AfterGesture(last))) return;
        std::optional<Gesture> gesture = next();
        if (!gesture) return;
        result.deviceMs += gesture->waitMs;
        result.done.push_back(std::move(*gesture));
        if (!runner.AddText(JoinLines(result.done.back().lines))) {
            result.failure = ScenarioViolation(runner);
            return;
        }
        runner.AddCheck(step);
    };
    runner.AddText("start");
    runner.AddCheck(step);
    const bool ran = runner.Run();
    if (!ran && !result.failure) result.failure = ScenarioViolation(runner);
    // The scenario has ended: the device switched the program off, which must leave nothing behind.
    if (!result.failure && !sim::ProgramRunning()) result.failure = checker.AfterExit();
    result.checks = checker.Checks();
    return result;
}

bool SameFailure(const Violation& seen, const Violation& wanted) {
    if (seen.invariant != wanted.invariant) return false;
    return wanted.invariant != "scenario" || seen.detail == wanted.detail;
}

struct LineItem {
    size_t gesture = 0;
    std::string line;
};

GestureList GroupLines(const std::vector<LineItem>& items) {
    GestureList gestures;
    for (size_t i = 0; i < items.size(); ++i) {
        if (i == 0 || items[i].gesture != items[i - 1].gesture) gestures.emplace_back();
        gestures.back().lines.push_back(items[i].line);
        gestures.back().waitMs += WaitOfLine(items[i].line);
    }
    return gestures;
}

}  // namespace

SegmentResult SoakSegment(uint64_t seed, int64_t budgetMs, const ExtraCheck& extra) {
    SoakRandom random(seed);
    int64_t spent = 0;
    DriveResult run = Drive(
        [&]() -> std::optional<Gesture> {
            if (spent >= budgetMs) return std::nullopt;
            Gesture gesture = MakeGesture(random);
            spent += gesture.waitMs;
            return gesture;
        },
        extra);
    SegmentResult result;
    result.gestures = std::move(run.done);
    result.deviceMs = run.deviceMs;
    result.checks = run.checks;
    result.failure = std::move(run.failure);
    return result;
}

std::optional<Violation> ReplayGestures(const GestureList& gestures, const ExtraCheck& extra) {
    size_t index = 0;
    return Drive(
               [&]() -> std::optional<Gesture> {
                   if (index >= gestures.size()) return std::nullopt;
                   return gestures[index++];
               },
               extra)
        .failure;
}

std::string ReproducerText(const GestureList& gestures, const std::string& comment) {
    std::string text;
    size_t from = 0;
    while (from <= comment.size() && !comment.empty()) {
        size_t end = comment.find('\n', from);
        if (end == std::string::npos) end = comment.size();
        text += "# " + comment.substr(from, end - from) + "\n";
        from = end + 1;
    }
    text += "start\n";
    text += GesturesText(gestures);
    return text;
}

GestureList ParseReproducer(const std::string& text) {
    GestureList gestures;
    bool started = false;
    size_t from = 0;
    while (from < text.size()) {
        size_t end = text.find('\n', from);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(from, end - from);
        from = end + 1;
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
        if (line.rfind("# gesture", 0) == 0) {
            gestures.emplace_back();
            continue;
        }
        if (line.empty() || line[0] == '#') continue;
        if (!started && line == "start") {
            started = true;
            continue;
        }
        if (gestures.empty()) gestures.emplace_back();
        gestures.back().waitMs += WaitOfLine(line);
        gestures.back().lines.push_back(line);
    }
    return gestures;
}

ShrinkResult ShrinkFailure(const GestureList& gestures, const Violation& violation, ShrinkBudget& budget,
                           const ExtraCheck& extra) {
    ShrinkResult result;
    result.violation = violation;
    auto fails = [&](const GestureList& candidate) {
        ++result.replays;
        std::optional<Violation> seen = ReplayGestures(candidate, extra);
        return seen && SameFailure(*seen, violation);
    };

    GestureList shrunk = DeltaDebug<Gesture>(gestures, fails, budget);

    std::vector<LineItem> items;
    for (size_t g = 0; g < shrunk.size(); ++g)
        for (const std::string& line : shrunk[g].lines) items.push_back(LineItem{g, line});
    items = DeltaDebug<LineItem>(
        items, [&](const std::vector<LineItem>& candidate) { return fails(GroupLines(candidate)); }, budget);
    shrunk = GroupLines(items);

    // Shorter waits, where the failure does not need the time.
    for (Gesture& gesture : shrunk) {
        for (std::string& line : gesture.lines) {
            const int64_t ms = WaitOfLine(line);
            for (int64_t shorter : {int64_t(0), ms / 4, ms / 2}) {
                if (ms == 0 || shorter >= ms || budget.Exhausted()) continue;
                const std::string saved = line;
                line = shorter == 0 ? "wait 1" : "wait " + std::to_string(shorter);
                ++budget.testsUsed;
                if (fails(shrunk)) break;
                line = saved;
            }
        }
        gesture.waitMs = 0;
        for (const std::string& line : gesture.lines) gesture.waitMs += WaitOfLine(line);
    }

    result.gestures = shrunk;
    ++result.replays;
    if (std::optional<Violation> seen = ReplayGestures(shrunk, extra)) result.violation = *seen;
    return result;
}
