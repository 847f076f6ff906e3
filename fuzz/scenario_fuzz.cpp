// The scenario reader of vistrel-sim. Whatever the text:
//   - a line is either refused with a message or gives a command whose numbers lie within the bounds
//     of its verb, and whose texts hold no control character;
//   - a drag plans exactly STEPS moves that end at its second point and wait MS in all;
//   - the whole text is taken exactly when every line parses (and the count of commands is within
//     bounds); a refusal names the scenario and the line.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzSupport.h"
#include "ScenarioParser.h"
#include "ScenarioRunner.h"

using scenario::Command;
using scenario::Verb;

namespace {

constexpr int64_t U32Max = 0xFFFFFFFFll;
constexpr int64_t I32Min = -2147483648ll;

bool Within(const Command& c, size_t index, int64_t min, int64_t max) {
    return index < c.numbers.size() && c.numbers[index] >= min && c.numbers[index] <= max;
}

void CheckPoints(const Command& c, size_t count) {
    for (size_t i = 0; i < count; ++i) FUZZ_CHECK(Within(c, i, scenario::MinCoordinate, scenario::MaxCoordinate));
}

void CheckDrag(const Command& c) {
    FUZZ_CHECK(c.numbers.size() == 6);
    CheckPoints(c, 4);
    FUZZ_CHECK(Within(c, 4, 0, scenario::MaxDragSteps));
    FUZZ_CHECK(Within(c, 5, 0, scenario::MaxWaitMs));
    const platform::Point from{int32_t(c.numbers[0]), int32_t(c.numbers[1])};
    const platform::Point to{int32_t(c.numbers[2]), int32_t(c.numbers[3])};
    const std::vector<scenario::DragMove> moves = scenario::PlanDrag(from, to, int32_t(c.numbers[4]), uint32_t(c.numbers[5]));
    FUZZ_CHECK(moves.size() == size_t(c.numbers[4]));
    uint64_t waited = 0;
    for (const scenario::DragMove& move : moves) {
        waited += move.waitBefore;
        FUZZ_CHECK(move.point.x >= scenario::MinCoordinate && move.point.x <= scenario::MaxCoordinate);
        FUZZ_CHECK(move.point.y >= scenario::MinCoordinate && move.point.y <= scenario::MaxCoordinate);
    }
    if (!moves.empty()) {
        FUZZ_CHECK(moves.back().point == to);
        FUZZ_CHECK(waited == uint64_t(c.numbers[5]));
    }
}

void CheckCommand(const Command& c) {
    for (char ch : c.text) FUZZ_CHECK(static_cast<unsigned char>(ch) >= 0x20 || ch == '\t');
    switch (c.verb) {
        case Verb::Screen:
            FUZZ_CHECK(c.numbers.size() == 3);
            FUZZ_CHECK(Within(c, 0, scenario::MinScreenSide, scenario::MaxScreenSide));
            FUZZ_CHECK(Within(c, 1, scenario::MinScreenSide, scenario::MaxScreenSide));
            FUZZ_CHECK(Within(c, 2, 1, scenario::MaxPixelsPerInch));
            break;
        case Verb::Rotate:
            FUZZ_CHECK(c.numbers.size() == 2);
            FUZZ_CHECK(Within(c, 0, scenario::MinScreenSide, scenario::MaxScreenSide));
            FUZZ_CHECK(Within(c, 1, scenario::MinScreenSide, scenario::MaxScreenSide));
            break;
        case Verb::Home:
        case Verb::Registry:
        case Verb::Shot: FUZZ_CHECK(!c.text.empty()); break;
        case Verb::Desktop:
            if (c.desktop == scenario::DesktopKind::File) FUZZ_CHECK(!c.text.empty());
            FUZZ_CHECK((c.color & 0xFF000000u) == 0);
            break;
        case Verb::Clock: FUZZ_CHECK(c.numbers.size() == 1 && Within(c, 0, 0, U32Max)); break;
        case Verb::Wait: FUZZ_CHECK(c.numbers.size() == 1 && Within(c, 0, 0, scenario::MaxWaitMs)); break;
        case Verb::Paint:
            FUZZ_CHECK(c.numbers.size() == 4);
            FUZZ_CHECK(Within(c, 0, -scenario::MaxPaintExtent, scenario::MaxPaintExtent));
            FUZZ_CHECK(Within(c, 1, -scenario::MaxPaintExtent, scenario::MaxPaintExtent));
            FUZZ_CHECK(Within(c, 2, 0, scenario::MaxPaintExtent));
            FUZZ_CHECK(Within(c, 3, 0, scenario::MaxPaintExtent));
            FUZZ_CHECK((c.color & 0xFF000000u) == 0);
            break;
        case Verb::Menu: FUZZ_CHECK(c.numbers.size() == 1 && Within(c, 0, 0, 0x7FFFFFFF)); break;
        case Verb::Down:
        case Verb::Move:
        case Verb::Up:
        case Verb::DoubleTap:
        case Verb::RightClick:
            FUZZ_CHECK(c.numbers.size() == 2);
            CheckPoints(c, 2);
            break;
        case Verb::Drag: CheckDrag(c); break;
        case Verb::Wheel: FUZZ_CHECK(c.numbers.size() == 1); CheckPoints(c, 1); break;
        case Verb::Key: FUZZ_CHECK(c.numbers.size() == 1 && Within(c, 0, 1, 254)); break;
        case Verb::Char: FUZZ_CHECK(c.numbers.size() == 1 && Within(c, 0, 1, 0xFFFF)); break;
        case Verb::HotKey: FUZZ_CHECK(c.numbers.size() == 1 && Within(c, 0, 0, U32Max)); break;
        case Verb::Send:
            FUZZ_CHECK(c.numbers.size() == 3);
            FUZZ_CHECK(Within(c, 0, 0, U32Max) && Within(c, 1, I32Min, U32Max) && Within(c, 2, I32Min, U32Max));
            FUZZ_CHECK(!scenario::IsPointerMessage(uint32_t(c.numbers[0])));
            FUZZ_CHECK(c.target != scenario::Target::None);
            break;
        case Verb::Focus: FUZZ_CHECK(c.target != scenario::Target::None); break;
        case Verb::Sheet:
            for (size_t i = 0; i < c.numbers.size(); ++i) FUZZ_CHECK(Within(c, i, I32Min, 0x7FFFFFFF));
            break;
        default: FUZZ_CHECK(c.numbers.empty() || c.verb == Verb::Alt); break;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);

    bool allParse = true;
    size_t commands = 0;
    for (size_t from = 0; from < text.size();) {
        size_t end = text.find('\n', from);
        if (end == std::string::npos) end = text.size();
        std::optional<Command> command;
        std::string error;
        if (scenario::ParseLine(std::string_view(text).substr(from, end - from), &command, &error)) {
            FUZZ_CHECK(error.empty());
            if (command) {
                CheckCommand(*command);
                ++commands;
            }
        } else {
            FUZZ_CHECK(!error.empty());
            FUZZ_CHECK(!command.has_value());
            allParse = false;
        }
        from = end + 1;
    }

    ScenarioRunner runner("fuzz.scn");
    const bool taken = runner.AddText(text);
    FUZZ_CHECK(taken == (allParse && commands <= scenario::MaxCommands));
    if (!taken) FUZZ_CHECK(runner.Error().rfind("fuzz.scn:", 0) == 0);
    return 0;
}
