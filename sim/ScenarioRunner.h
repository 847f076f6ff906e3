// Runs scenarios on the simulated handheld: the program's real entry point takes its input from the
// scenario, one line whenever it waits for input (its main loop, the settings sheet's modal loop, a
// tracked pop-up menu). Shared by vistrel-sim and the tests.
//
// Lines before `start` (screen, home, registry, desktop, clock) set up the device; `start` resets the
// device with that set-up and runs the program. Lines that the program does not take before it ends are
// carried out afterwards, on the device it left (dump, shot and the others still work). When the lines
// run out while the program runs, the device destroys the magnifier window and the program ends.
//
// Relative paths (`home`, `registry`, `desktop FILE.bmp`, `shot`) are taken from the scenario's folder;
// `shot` makes a missing folder.
//
// A line that cannot be parsed or carried out stops the scenario with the message
// "NAME:LINE: message"; a running program is then ended cleanly (it gets no more input). Input for the
// program (tray, stylus, keys, menu, sheet, rotate, send ...) before `start` or after the program ended,
// and a menu answer that the tracked menu does not hold, are such errors.
#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "ScenarioParser.h"
#include "platform/sim/Simulation.h"
#include "platform/windowing/Image.h"

inline constexpr int ScenarioErrorExitCode = 1;

// The staged data folder (Skins/, Sounds/, Help/) that stands for the executable's folder by default.
std::string DefaultHomeFolder();

class ScenarioRunner final : public platform::sim::InputSource {
public:
    // name: how messages call the scenario; inputFolder: the folder that relative paths start from
    // (empty: the working directory).
    explicit ScenarioRunner(std::string name, std::string inputFolder = "");
    ~ScenarioRunner() override;
    ScenarioRunner(const ScenarioRunner&) = delete;
    ScenarioRunner& operator=(const ScenarioRunner&) = delete;

    // The device set-up before any set-up line (default: DeviceConfig{} with the default home).
    void SetConfig(const platform::sim::HandheldConfig& config);
    // For generated input (the soak): input after the program ended goes nowhere instead of stopping the
    // run (a random stroke may follow a Close).
    void SetLenient(bool lenient) { lenient_ = lenient; }
    // Receives each line that `dump` and `second` print (default: dropped).
    void SetPrinter(std::function<void(const std::string&)> print);

    // Adds the lines of a text as steps, numbered on from the lines added before. Returns false, with
    // the message in Error(), at the first line that does not parse; nothing of that text is added then.
    bool AddText(const std::string& text);
    // A command without a line of its own (reported as line 0).
    void AddCommand(const scenario::Command& command);
    // A function that runs at that point of the scenario (inside the program's loop while it runs).
    void AddCheck(std::function<void()> check);

    // Carries out the steps in order. Returns false when a step failed (see Error()).
    bool Run();

    const std::string& Error() const { return error_; }
    // The text of the line that failed (empty when none did or the step had no line).
    const std::string& ErrorLine() const { return errorLine_; }
    // Exit code of the last program run by `start`; nullopt when none ran.
    std::optional<int> ExitCode() const { return exitCode_; }

    // platform::sim::InputSource
    bool RunNext() override;
    bool AnswerMenu(int* id) override;

private:
    struct Step {
        int line = 0;
        std::string text;
        std::optional<scenario::Command> command;
        std::function<void()> check;
    };

    // A part of a command that is carried out in pieces: a drag's moves with time passing between
    // them. Inside a running program time passes in its loop, so the runner hands control back to the
    // loop after each wait and goes on with the rest at the next request for input.
    struct StylusAction {
        enum class Kind { Down, Move, Up, Wait } kind = Kind::Move;
        platform::Point point;
        uint32_t ms = 0;
    };

    bool ExecuteStep(size_t index);
    bool HasWork() const { return !pending_.empty() || next_ < steps_.size(); }
    void RunPending();
    bool Carry(int line, const scenario::Command& command);
    bool CarrySetup(int line, const scenario::Command& command);
    bool CarrySheet(int line, const scenario::Command& command);
    bool Start(int line);
    bool Shot(int line, const std::string& file);
    bool Fail(int line, const std::string& message);
    bool Spend(int line, int64_t waitMs, int64_t dragMoves);
    std::string TextOfLine(int line) const;
    void EnsureDevice();
    void ResetDevice();
    std::string InputPath(const std::string& path) const;

    std::string name_;
    std::string inputFolder_;
    platform::sim::HandheldConfig config_;
    std::optional<platform::ColorRef> desktopFill_;  // built at the screen size in force at reset
    std::function<void(const std::string&)> print_;
    std::vector<Step> steps_;
    std::deque<StylusAction> pending_;
    int lineCount_ = 0;
    size_t next_ = 0;
    int depth_ = 0;
    int64_t waitedMs_ = 0;        // device time let pass so far
    int64_t dragMoves_ = 0;       // stylus moves of drags so far
    bool failed_ = false;
    bool lenient_ = false;
    bool running_ = false;        // a program started by `start` runs now
    bool needsReset_ = true;      // the device does not reflect the set-up lines yet
    bool programRan_ = false;     // a program has run on the current device
    std::string error_;
    std::string errorLine_;
    std::optional<int> exitCode_;
};

// Runs a whole scenario text with a fresh runner. Returns what vistrel-sim would exit with: the
// program's exit code (0 when it never started), or ScenarioErrorExitCode with the message in *error.
// *output receives the printed lines, each ended by '\n'.
int RunScenarioText(const std::string& text, std::string* output, std::string* error,
                    const std::string& name = "scenario", const std::string& inputFolder = "");
