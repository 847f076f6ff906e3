// vistrel-sim SCENARIO: runs the program on the simulated handheld, driven by a scenario file.
// Dumps and other printed lines go to standard output, errors to standard error. Exits with the
// program's exit code, 1 for a scenario that cannot be read, parsed or carried out, 2 for a usage error.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "ScenarioRunner.h"

namespace {

constexpr std::streamsize MaxScenarioBytes = 16 << 20;

const char* Usage =
    "usage: vistrel-sim SCENARIO      (vistrel-sim --help lists the commands)\n"
    "Runs Vistrel on the simulated handheld, driven by the commands in SCENARIO.\n";

const char* HelpEnd =
    "Numbers: decimal or 0x-hex; points: screen pixels; '#' starts a comment.\n"
    "Paths are relative to the scenario file's folder. Reference: docs/scenarios.md\n";

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && (std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h")) {
        std::fputs(Usage, stdout);
        std::fputs(scenario::CommandSummary().c_str(), stdout);
        std::fputs(HelpEnd, stdout);
        return 0;
    }
    if (argc != 2) {
        std::fputs(Usage, stderr);
        return 2;
    }
    const std::string path = argv[1];
    std::ifstream in(path, std::ios::binary);
    if (!in || std::filesystem::is_directory(path)) {
        std::fprintf(stderr, "%s: cannot read the scenario\n", path.c_str());
        return ScenarioErrorExitCode;
    }
    std::string text(size_t(MaxScenarioBytes) + 1, '\0');
    in.read(text.data(), MaxScenarioBytes + 1);
    if (in.gcount() > MaxScenarioBytes) {
        std::fprintf(stderr, "%s: the scenario is larger than %lld bytes\n", path.c_str(),
                     static_cast<long long>(MaxScenarioBytes));
        return ScenarioErrorExitCode;
    }
    text.resize(size_t(in.gcount()));

    ScenarioRunner runner(path, std::filesystem::path(path).parent_path().string());
    runner.SetPrinter([](const std::string& line) {
        std::fwrite(line.data(), 1, line.size(), stdout);
        std::fputc('\n', stdout);
        std::fflush(stdout);
    });
    if (!runner.AddText(text) || !runner.Run()) {
        std::fflush(stdout);
        std::fprintf(stderr, "%s\n", runner.Error().c_str());
        return ScenarioErrorExitCode;
    }
    return runner.ExitCode().value_or(0);
}
