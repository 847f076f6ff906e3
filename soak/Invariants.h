// What must hold after every completed gesture of the soak, checked on the running program and the
// simulated handheld.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>

#include "Gestures.h"

struct Magnifier;

struct Violation {
    std::string invariant;  // a short name: "capture", "stale-marks", "handle-growth" ...
    std::string detail;     // what was seen
};

// An extra check (tests plant failures with it); returns a violation or nothing.
using ExtraCheck = std::function<std::optional<Violation>()>;

class InvariantChecker {
public:
    explicit InvariantChecker(ExtraCheck extra = nullptr) : extra_(std::move(extra)) {}

    // Checks everything after a gesture (null: right after the first start). Returns the first broken
    // invariant.
    std::optional<Violation> AfterGesture(const Gesture* gesture);
    // Checks a program that has ended: its exit code and that it left no handle behind.
    std::optional<Violation> AfterExit();

    int64_t Checks() const { return checks_; }

private:
    std::optional<Violation> WhileRunning();
    std::optional<Violation> Quiet(const Magnifier& m);

    ExtraCheck extra_;
    bool stylusDown_ = false;      // the lines so far left the stylus pressed (no release to check)
    bool settled_ = false;         // the last gesture ended with a wait over a whole tick
    bool closeRequested_ = false;  // a gesture since the last start chose Close or destroyed the glass
    bool exitChecked_ = false;     // the end of the current program run has been checked
    std::optional<uint32_t> closingSince_;
    std::optional<std::map<std::string, int64_t>> baseline_;  // handle counts at the first quiet point
    int64_t checks_ = 0;
};
