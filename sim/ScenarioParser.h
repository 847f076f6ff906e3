// The scenario language of vistrel-sim: one command a line; a word that begins with '#' begins a
// comment to the end of the line; numbers in decimal or 0x-hex (a leading '-' where negative values
// make sense); colours as RRGGBB. A text argument (a file, a folder, a control's text) is the rest of
// the line; put it in double quotes to keep blanks at its ends or a '#', or to give an empty text ("",
// with \" and \\ as escapes). `char C` takes one character, or a longer word as a character code
// (char 0x20 types a blank).
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Types.h"

namespace scenario {

// Bounds that keep a scenario from asking for unbounded memory or time.
inline constexpr int64_t MinScreenSide = 16;
inline constexpr int64_t MaxScreenSide = 4096;
inline constexpr int64_t MaxPixelsPerInch = 2000;
inline constexpr int64_t MaxWaitMs = 600000;  // ten minutes of device time in one command
inline constexpr int64_t MaxDragSteps = 1000;
inline constexpr int64_t MinCoordinate = -32768;  // stylus positions travel as signed 16-bit halves
inline constexpr int64_t MaxCoordinate = 32767;
inline constexpr int64_t MaxPaintExtent = 100000;
// Over a whole scenario, so that its run time stays bounded whatever it holds.
inline constexpr size_t MaxCommands = 100000;
inline constexpr int64_t MaxTotalWaitMs = 3600000;  // one hour of device time
inline constexpr int64_t MaxTotalDragMoves = 1000000;

enum class Verb {
    Screen, Home, Registry, Desktop, Clock,
    Start, Wait, Paint, Tray, Menu, Down, Move, Up, Drag, DoubleTap, RightClick, Wheel,
    Focus, Key, Char, Alt, Shift, Ctrl, HotKey, Rotate, Send, Sheet, Second, Destroy, Dump, Shot,
};

enum class Target { None, Magnifier, Picker, Tape };
enum class DesktopKind { Pattern, Fill, File };
enum class TrayAction { Tap, Double, Right };
enum class SheetAction { Tab, Check, Track, Select, Text, Click, Ok, Cancel };

// The numeric arguments of a command, kept in place (a command is read for every scenario line): no
// command takes more than MaxArguments.
class Arguments {
public:
    static constexpr size_t MaxArguments = 6;
    size_t size() const { return count_; }
    bool empty() const { return count_ == 0; }
    int64_t operator[](size_t i) const { return values_[i]; }
    const int64_t* begin() const { return values_.data(); }
    const int64_t* end() const { return values_.data() + count_; }
    void push_back(int64_t value) {
        if (count_ == MaxArguments) throw std::length_error("a command with more than six numbers");
        values_[count_++] = value;
    }
    friend bool operator==(const Arguments& a, const Arguments& b) {
        return std::equal(a.begin(), a.end(), b.begin(), b.end());
    }

private:
    std::array<int64_t, MaxArguments> values_{};
    size_t count_ = 0;
};

// One parsed command. Which fields count depends on the verb:
//   numbers  the numeric arguments in the order written, with defaults filled in
//            (screen W H PPI, drag X1 Y1 X2 Y2 STEPS MS, send CODE P1 P2, sheet check ID 0|1,
//             char: the UTF-16 code unit, menu: the item id ...)
//   text     home, registry, desktop FILE, shot, sheet select and sheet text (UTF-8)
//   color    paint and desktop fill (0x00BBGGRR)
//   flag     alt/shift/ctrl down, hotkey ... up, menu none
struct Command {
    Verb verb = Verb::Dump;
    Arguments numbers{};
    std::string text{};
    platform::ColorRef color = 0;
    Target target = Target::None;
    DesktopKind desktop = DesktopKind::Pattern;
    TrayAction tray = TrayAction::Tap;
    SheetAction sheet = SheetAction::Ok;
    bool flag = false;
    friend bool operator==(const Command&, const Command&) = default;
};

// Parses one line. Returns false with a message in *error when the line is not a valid command;
// a blank or comment line gives true and no command.
bool ParseLine(std::string_view line, std::optional<Command>* command, std::string* error);

// The command's word as written in scenarios ("tray", "key" ...).
const char* VerbName(Verb verb);
// Every command's form with one line of explanation, for vistrel-sim --help.
std::string CommandSummary();

// Numbers: decimal or 0x-hex, optionally negative. Values beyond the 64-bit range saturate, so that
// the caller's range check reports them.
std::optional<int64_t> ParseNumber(std::string_view token);
// Colours: exactly six hex digits RRGGBB.
std::optional<platform::ColorRef> ParseColor(std::string_view token);

// Messages whose parameters carry pointers; a scenario cannot send them.
bool IsPointerMessage(uint32_t message);

// The moves of a drag: STEPS points evenly from `from` to `to` (integer interpolation, truncating;
// the last exactly at `to`), each after waitBefore ms so that the waits add up to ms.
struct DragMove {
    uint32_t waitBefore = 0;
    platform::Point point;
};
std::vector<DragMove> PlanDrag(platform::Point from, platform::Point to, int32_t steps, uint32_t ms);

}  // namespace scenario
