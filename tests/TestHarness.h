// Runs the real program on the simulated handheld from a GoogleTest test.
//
//   #include "TestHarness.h"
//
//   SimSession s({.screenWidth = 240, .screenHeight = 320});  // a platform::sim::DeviceConfig; an empty
//                                                            // home is the staged data folder
//   s.Do("tray tap\nwait 700");   // scenario lines in the language of vistrel-sim (tray, drag, wait,
//                                 // send, sheet, dump ...), run in order inside the program's loop
//   s.Check([&] { EXPECT_TRUE(IsVisible(*Shell().MagnifierObject)); });  // runs at that point, while
//                                 // the program waits for input; Shell() is the running program's
//   s.Do("dump");
//   int code = s.Start();         // starts the program and feeds it the steps; when they run out the
//                                 // device destroys the magnifier window and the program ends
//   EXPECT_EQ(code, 0);           // the program's exit code (-1 when a line failed)
//   JsonValue d = s.LastDump();   // d["magnifier"]["Visible"].AsBool(), d["settings"]["ZoomX"].AsFloat()
//   // After Start the device can still be inspected: platform::sim::Sounds(), Registry(), Screen() ...
//
// - The device set-up (screen size, pixels per inch, home, registry file, desktop picture, clock) is the
//   DeviceConfig given to the constructor (Config() to change it); set-up lines are not used here.
// - Steps left when the program ends by itself (for instance after "menu 6", Close) run on the device
//   it left, so "dump" there shows the saved registry and the exit code.
// - A line that does not parse or cannot be carried out fails the test (ADD_FAILURE with
//   "session:LINE: message", LINE counting the lines of all Do texts) and ends the program cleanly.
// - Start consumes the steps. Calling Do and Start again runs the program anew on a fresh device with
//   the same set-up; with a registry file (TestTempFile) the saved settings carry over.
// - RunScenarioText(text, &output, &error) runs a whole scenario, set-up lines and `start` included.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "Dump.h"
#include "TestTmp.h"
#include "Json.h"
#include "ScenarioRunner.h"
#include "platform/sim/Simulation.h"

class SimSession {
public:
    explicit SimSession(platform::sim::DeviceConfig config = {}) : config_(std::move(config)) {}

    SimSession& Do(const std::string& lines) {
        steps_.push_back(Step{lines, nullptr});
        return *this;
    }
    SimSession& Check(std::function<void()> check) {
        steps_.push_back(Step{"", std::move(check)});
        return *this;
    }

    int Start() {
        std::vector<Step> steps = std::move(steps_);
        steps_.clear();
        platform::sim::HandheldConfig config = config_;
        if (config.home.empty()) config.home = DefaultHomeFolder();
        ScenarioRunner runner("session");
        runner.SetConfig(config);
        runner.SetPrinter([this](const std::string& line) { output_.push_back(line); });
        scenario::Command start;
        start.verb = scenario::Verb::Start;
        runner.AddCommand(start);
        for (Step& step : steps) {
            if (step.check) {
                runner.AddCheck(std::move(step.check));
            } else if (!runner.AddText(step.lines)) {
                ADD_FAILURE() << runner.Error() << "\n  in: " << runner.ErrorLine();
                return -1;
            }
        }
        if (!runner.Run()) {
            ADD_FAILURE() << runner.Error() << "\n  in: " << runner.ErrorLine();
            return -1;
        }
        return runner.ExitCode().value_or(-1);
    }

    platform::sim::HandheldConfig& Config() { return config_; }
    // Every line that dump and second printed, over all runs.
    const std::vector<std::string>& Output() const { return output_; }
    // The printed dumps, parsed.
    std::vector<JsonValue> Dumps() const {
        std::vector<JsonValue> dumps;
        for (const std::string& line : output_)
            if (line.rfind("{\"clock\":", 0) == 0)
                if (std::optional<JsonValue> value = ParseJson(line)) dumps.push_back(std::move(*value));
        return dumps;
    }
    // The last dump; a null value when there was none.
    JsonValue LastDump() const {
        std::vector<JsonValue> dumps = Dumps();
        return dumps.empty() ? JsonValue() : dumps.back();
    }

private:
    struct Step {
        std::string lines;
        std::function<void()> check;
    };
    platform::sim::HandheldConfig config_;
    std::vector<Step> steps_;
    std::vector<std::string> output_;
};

// A path for a file in the tests' scratch folder; the folder is made and an old file of that name
// removed, so that every test starts without it.
inline std::string TestTempFile(const std::string& name) {
    std::filesystem::path folder = TestTmpRoot();
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    std::filesystem::path file = folder / name;
    std::filesystem::remove(file, ec);
    return file.string();
}
