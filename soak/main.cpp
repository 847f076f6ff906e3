// vistrel-soak --seed N --hours H [--out FILE] [--shrink-seconds S] [--shrink-runs N]
// Soaks the program on the simulated handheld with random gestures from the seed for H hours of device
// time, checking the invariants after every gesture. Prints the device hours soaked, gestures, checks
// and wall time. On a failure it prints the seed, the segment, the gesture and the broken invariant,
// shrinks the input, prints the shortest reproducer as scenario text and writes it to FILE (default
// soak-failure-<seed>.scn); exit code 1. Usage errors exit with 2.
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <string>

#include "Soak.h"

namespace {

const char* Usage =
    "usage: vistrel-soak --seed N --hours H [--out FILE] [--shrink-seconds S] [--shrink-runs N]\n"
    "       vistrel-soak --replay FILE\n"
    "Soaks the program on the simulated handheld with random gestures for H hours of device time;\n"
    "--replay runs a reproducer written by a failed soak with the same checks.\n";

// Replays a reproducer with the soak's checks: 0 when every invariant holds, 1 when one breaks.
int Replay(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "vistrel-soak: cannot read %s\n", path.c_str());
        return 2;
    }
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const GestureList gestures = ParseReproducer(text);
    const std::optional<Violation> v = ReplayGestures(gestures);
    if (!v) {
        std::printf("%s: %zu gestures, every invariant holds\n", path.c_str(), gestures.size());
        return 0;
    }
    std::printf("%s: breaks %s: %s\n", path.c_str(), v->invariant.c_str(), v->detail.c_str());
    return 1;
}

bool ParseUnsigned(const char* text, uint64_t* value) {
    char* end = nullptr;
    errno = 0;
    const unsigned long long v = std::strtoull(text, &end, 0);
    if (errno || end == text || *end || text[0] == '-') return false;
    *value = v;
    return true;
}

bool ParsePositive(const char* text, double* value) {
    char* end = nullptr;
    const double v = std::strtod(text, &end);
    if (end == text || *end || !(v > 0) || v > 1e6) return false;
    *value = v;
    return true;
}

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

}  // namespace

int main(int argc, char** argv) {
    uint64_t seed = 0;
    double hours = 0;
    double shrinkSeconds = 300;
    uint64_t shrinkRuns = 400;
    std::string out;
    bool haveSeed = false, haveHours = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(Usage, stdout);
            return 0;
        }
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        if (arg == "--replay" && value && argc == 3) return Replay(value);
        bool ok = value != nullptr;
        if (arg == "--seed") {
            ok = ok && ParseUnsigned(value, &seed);
            haveSeed = true;
        } else if (arg == "--hours") {
            ok = ok && ParsePositive(value, &hours);
            haveHours = true;
        } else if (arg == "--out") out = value ? value : "";
        else if (arg == "--shrink-seconds") ok = ok && ParsePositive(value, &shrinkSeconds);
        else if (arg == "--shrink-runs") ok = ok && ParseUnsigned(value, &shrinkRuns) && shrinkRuns > 0;
        else ok = false;
        if (!ok) {
            std::fprintf(stderr, "vistrel-soak: bad argument '%s'\n%s", arg.c_str(), Usage);
            return 2;
        }
        ++i;
    }
    if (!haveSeed || !haveHours) {
        std::fputs(Usage, stderr);
        return 2;
    }
    if (out.empty()) out = "soak-failure-" + std::to_string(seed) + ".scn";

    const auto began = std::chrono::steady_clock::now();
    const int64_t totalMs = int64_t(hours * 3600000.0);
    int64_t deviceMs = 0, gestures = 0, checks = 0;
    std::map<std::string, int64_t> verbs;  // lines carried out, by their first words
    for (uint64_t segment = 0; deviceMs < totalMs; ++segment) {
        const uint64_t segmentSeed = DeriveSeed(seed, segment);
        SegmentResult result = SoakSegment(segmentSeed, std::min<int64_t>(SegmentMs, totalMs - deviceMs));
        deviceMs += result.deviceMs;
        gestures += int64_t(result.gestures.size());
        checks += result.checks;
        for (const Gesture& g : result.gestures)
            for (const std::string& line : g.lines) {
                const size_t space = line.find(' ');
                std::string verb = line.substr(0, space);
                if (verb == "sheet" || verb == "tray") verb = line.substr(0, line.find(' ', space + 1));
                if (verb == "menu") {
                    const std::string answer = line.substr(space + 1);
                    const bool item = answer == "3" || answer == "4" || answer == "5" || answer == "7" ||
                                      answer == "9" || answer == "10" || answer == "none";
                    verb = "menu " + (item ? answer : std::string("other"));
                }
                ++verbs[verb];
            }
        if (!result.failure) continue;

        const Violation& v = *result.failure;
        std::printf("FAILED: seed %" PRIu64 ", segment %" PRIu64 " (segment seed %" PRIu64 "), gesture %zu of the segment\n"
                    "invariant: %s: %s\n",
                    seed, segment, segmentSeed, result.gestures.size(), v.invariant.c_str(), v.detail.c_str());
        std::printf("the failing gesture:\n");
        for (const std::string& line : result.gestures.back().lines) std::printf("  %s\n", line.c_str());
        std::printf("soaked %.3f device hours, %" PRId64 " gestures, %" PRId64 " checks in %.1f s before the failure\n",
                    double(deviceMs) / 3600000.0, gestures, checks, Seconds(began));
        std::printf("shrinking (at most %" PRIu64 " replays or %.0f s)...\n", shrinkRuns, shrinkSeconds);
        std::fflush(stdout);
        ShrinkBudget budget;
        budget.maxTests = int(shrinkRuns);
        budget.deadline = std::chrono::steady_clock::now() +
                          std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                              std::chrono::duration<double>(shrinkSeconds));
        const ShrinkResult shrunk = ShrinkFailure(result.gestures, v, budget);
        size_t lines = 0;
        for (const Gesture& g : shrunk.gestures) lines += g.lines.size();
        const std::string comment = "vistrel-soak --seed " + std::to_string(seed) + ": segment " +
                                    std::to_string(segment) + ", gesture " + std::to_string(result.gestures.size()) +
                                    "\nbreaks " + shrunk.violation.invariant + ": " + shrunk.violation.detail;
        const std::string text = ReproducerText(shrunk.gestures, comment);
        std::printf("shortest reproducer found (%zu gestures, %zu lines, %d replays):\n%s", shrunk.gestures.size(), lines,
                    shrunk.replays, text.c_str());
        std::ofstream file(out, std::ios::binary);
        file << text;
        if (file) std::printf("written to %s\n", out.c_str());
        else std::fprintf(stderr, "vistrel-soak: cannot write %s\n", out.c_str());
        std::printf("wall time %.1f s\n", Seconds(began));
        return 1;
    }
    std::printf("soaked %.3f device hours (seed %" PRIu64 "): %" PRId64 " gestures, %" PRId64 " checks, wall time %.1f s\n",
                double(deviceMs) / 3600000.0, seed, gestures, checks, Seconds(began));
    std::string mix;
    for (const auto& [verb, count] : verbs) mix += " " + verb + "=" + std::to_string(count);
    std::printf("lines:%s\n", mix.c_str());
    return 0;
}
