#include "ScenarioRunner.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "Dump.h"
#include "Unicode.h"
#include "platform/Constants.h"
#include "platform/Geometry.h"
#include "platform/Window.h"
#include "shell/Shell.h"

namespace fs = std::filesystem;
namespace sim = platform::sim;
using scenario::Command;
using scenario::SheetAction;
using scenario::Target;
using scenario::Verb;

namespace {

// Nested input (a modal loop inside a command inside a modal loop ...) deeper than this is refused.
constexpr int MaxNesting = 32;
// Desktop pictures larger than this on a side are refused before they are read.
constexpr int64_t MaxPictureSide = 8192;
constexpr uintmax_t MaxPictureFileBytes = 256u << 20;

const char* TargetName(Target target) {
    switch (target) {
        case Target::Magnifier: return "magnifier";
        case Target::Picker: return "picker";
        case Target::Tape: return "tape";
        case Target::None: break;
    }
    return "none";
}

platform::Point PointOf(const Command& c, size_t first) {
    return platform::Point{int32_t(c.numbers[first]), int32_t(c.numbers[first + 1])};
}

// Reads the size fields of a ".bmp" header without reading the picture, so that a header that asks for
// an enormous picture is refused before anything is allocated. A file too short for a header passes
// (the reader itself refuses it).
bool PictureSizeAcceptable(const std::string& path, std::string* why) {
    std::error_code ec;
    uintmax_t bytes = fs::file_size(path, ec);
    if (ec) {
        *why = "cannot read the picture '" + path + "'";
        return false;
    }
    if (bytes > MaxPictureFileBytes) {
        *why = "the picture '" + path + "' is too large";
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    unsigned char header[26] = {};
    in.read(reinterpret_cast<char*>(header), sizeof header);
    if (in.gcount() < std::streamsize(sizeof header)) return true;
    auto u16 = [&](int at) { return int64_t(header[at] | header[at + 1] << 8); };
    auto i32 = [&](int at) {
        return int64_t(int32_t(uint32_t(header[at]) | uint32_t(header[at + 1]) << 8 | uint32_t(header[at + 2]) << 16 |
                               uint32_t(header[at + 3]) << 24));
    };
    int64_t width = 0, height = 0;
    if (i32(14) == 12) {
        width = u16(18);
        height = u16(20);
    } else {
        width = i32(18);
        height = i32(22);
    }
    if (width < -MaxPictureSide || width > MaxPictureSide || height < -MaxPictureSide || height > MaxPictureSide) {
        *why = "the picture '" + path + "' is larger than " + std::to_string(MaxPictureSide) + " pixels on a side";
        return false;
    }
    return true;
}

std::u16string U16(const std::string& utf8) { return Utf8ToUtf16(utf8); }

// Commands that are input for the program: they need it running.
bool IsProgramInput(Verb verb) {
    switch (verb) {
        case Verb::Tray: case Verb::Menu: case Verb::Down: case Verb::Move: case Verb::Up: case Verb::Drag:
        case Verb::DoubleTap: case Verb::RightClick: case Verb::Wheel: case Verb::Focus: case Verb::Key:
        case Verb::Char: case Verb::Alt: case Verb::Shift: case Verb::Ctrl: case Verb::HotKey: case Verb::Rotate: case Verb::Send: case Verb::Sheet:
        case Verb::Second: case Verb::Destroy:
            return true;
        default:
            return false;
    }
}

// The items a menu answer may name, for the message that refuses another id.
std::string MenuItemList(const std::vector<sim::MenuItemInfo>& items) {
    std::string list;
    for (const sim::MenuItemInfo& item : items) {
        if (item.separator) continue;
        if (!list.empty()) list += ", ";
        list += std::to_string(item.id) + " \"" + Utf16ToUtf8(item.text) + "\"";
    }
    return list;
}

bool MenuHolds(const std::vector<sim::MenuItemInfo>& items, int64_t id) {
    for (const sim::MenuItemInfo& item : items)
        if (!item.separator && int64_t(item.id) == id) return true;
    return false;
}

}  // namespace

std::string DefaultHomeFolder() {
#ifdef VISTREL_STAGE_DIR
    return VISTREL_STAGE_DIR;
#else
    return "";
#endif
}

ScenarioRunner::ScenarioRunner(std::string name, std::string inputFolder)
    : name_(std::move(name)), inputFolder_(std::move(inputFolder)) {
    config_.home = DefaultHomeFolder();
}

ScenarioRunner::~ScenarioRunner() = default;

void ScenarioRunner::SetConfig(const sim::HandheldConfig& config) {
    config_ = config;
    desktopFill_.reset();
    needsReset_ = true;
}

void ScenarioRunner::SetPrinter(std::function<void(const std::string&)> print) { print_ = std::move(print); }

bool ScenarioRunner::AddText(const std::string& text) {
    std::vector<Step> added;
    const size_t lines = size_t(std::count(text.begin(), text.end(), '\n')) + 1;
    added.reserve(std::min(lines, scenario::MaxCommands + 1));
    int line = lineCount_;
    size_t from = 0;
    while (from < text.size()) {
        size_t end = text.find('\n', from);
        if (end == std::string::npos) end = text.size();
        ++line;
        std::optional<Command> command;
        std::string message;
        const std::string_view lineText = std::string_view(text).substr(from, end - from);
        if (!scenario::ParseLine(lineText, &command, &message)) {
            error_ = name_ + ":" + std::to_string(line) + ": " + message;
            errorLine_ = lineText;
            return false;
        }
        if (command) {
            if (steps_.size() + added.size() >= scenario::MaxCommands) {
                error_ = name_ + ":" + std::to_string(line) + ": more than " +
                         std::to_string(scenario::MaxCommands) + " commands";
                errorLine_ = lineText;
                return false;
            }
            added.push_back(Step{line, std::string(lineText), std::move(command), nullptr});
        }
        from = end + 1;
    }
    lineCount_ = line;
    if (steps_.empty())
        steps_ = std::move(added);
    else
        for (Step& step : added) steps_.push_back(std::move(step));
    return true;
}

void ScenarioRunner::AddCommand(const Command& command) { steps_.push_back(Step{0, "", command, nullptr}); }

void ScenarioRunner::AddCheck(std::function<void()> check) {
    steps_.push_back(Step{lineCount_, "", std::nullopt, std::move(check)});
}

bool ScenarioRunner::Run() {
    while (!failed_ && HasWork()) {
        if (!pending_.empty()) RunPending();
        else ExecuteStep(next_++);
    }
    return !failed_;
}

bool ScenarioRunner::RunNext() {
    if (failed_ || !HasWork()) return false;
    if (!pending_.empty()) RunPending();
    else ExecuteStep(next_++);
    return !failed_;
}

// Carries out pending stylus actions up to and including the next wait, which inside a running
// program only starts the time that the program's loop then lets pass.
void ScenarioRunner::RunPending() {
    while (!pending_.empty() && !failed_) {
        const StylusAction action = pending_.front();
        pending_.pop_front();
        switch (action.kind) {
            case StylusAction::Kind::Down: sim::StylusDown(action.point); break;
            case StylusAction::Kind::Move: sim::StylusMove(action.point); break;
            case StylusAction::Kind::Up: sim::StylusUp(action.point); break;
            case StylusAction::Kind::Wait:
                sim::Wait(action.ms);
                if (sim::ProgramRunning()) return;
                break;
        }
    }
}

bool ScenarioRunner::AnswerMenu(int* id) {
    // A menu tracked in the middle of a drag is not answered by the line after the drag.
    if (failed_ || !pending_.empty() || next_ >= steps_.size()) return false;
    const Step& step = steps_[next_];
    if (!step.command || step.command->verb != Verb::Menu) return false;
    ++next_;
    const int64_t answer = step.command->numbers[0];
    const std::vector<sim::MenuItemInfo> items = sim::LastMenu().value_or(std::vector<sim::MenuItemInfo>{});
    if (!step.command->flag && !MenuHolds(items, answer))
        return Fail(step.line, "the menu has no item " + std::to_string(answer) + " (items: " + MenuItemList(items) + ")");
    *id = int(answer);
    return true;
}

bool ScenarioRunner::Fail(int line, const std::string& message) {
    if (!failed_) {
        error_ = name_ + ":" + std::to_string(line) + ": " + message;
        errorLine_ = TextOfLine(line);
    }
    failed_ = true;
    return false;
}

bool ScenarioRunner::Spend(int line, int64_t waitMs, int64_t dragMoves) {
    if (waitedMs_ + waitMs > scenario::MaxTotalWaitMs)
        return Fail(line, "the scenario lets more than " + std::to_string(scenario::MaxTotalWaitMs) +
                              " ms of device time pass");
    if (dragMoves_ + dragMoves > scenario::MaxTotalDragMoves)
        return Fail(line, "the scenario drags more than " + std::to_string(scenario::MaxTotalDragMoves) + " moves");
    waitedMs_ += waitMs;
    dragMoves_ += dragMoves;
    return true;
}

std::string ScenarioRunner::TextOfLine(int line) const {
    for (const Step& step : steps_)
        if (step.line == line && step.command) return step.text;
    return "";
}

bool ScenarioRunner::ExecuteStep(size_t index) {
    // A copy, so that the step stays valid whatever runs inside it.
    const Step step = steps_[index];
    if (depth_ >= MaxNesting) return Fail(step.line, "commands nested too deeply");
    ++depth_;
    bool ok = true;
    if (step.check) {
        step.check();
    } else {
        ok = Carry(step.line, *step.command);
    }
    --depth_;
    return ok;
}

std::string ScenarioRunner::InputPath(const std::string& path) const {
    if (inputFolder_.empty() || fs::path(path).is_absolute()) return path;
    return (fs::path(inputFolder_) / path).string();
}

void ScenarioRunner::ResetDevice() {
    if (desktopFill_) config_.desktop = sim::Image(config_.screenWidth, config_.screenHeight, *desktopFill_);
    sim::ResetDevice(config_);
    needsReset_ = false;
    programRan_ = false;
}

void ScenarioRunner::EnsureDevice() {
    if (needsReset_) ResetDevice();
}

bool ScenarioRunner::Start(int line) {
    if (running_) return Fail(line, "the program is already running ('second' starts another copy)");
    if (needsReset_ || programRan_) ResetDevice();
    programRan_ = true;
    running_ = true;
    sim::SetInputSource(this);
    const int code = sim::RunProgram(&VistrelMain);
    sim::SetInputSource(nullptr);
    running_ = false;
    exitCode_ = code;
    return !failed_;
}

bool ScenarioRunner::CarrySetup(int line, const Command& c) {
    if (running_) return Fail(line, "set-up lines (screen, home, registry, desktop, clock) must come before start");
    switch (c.verb) {
        case Verb::Screen:
            config_.screenWidth = int32_t(c.numbers[0]);
            config_.screenHeight = int32_t(c.numbers[1]);
            config_.pixelsPerInch = int32_t(c.numbers[2]);
            break;
        case Verb::Home: {
            std::string folder = InputPath(c.text);
            std::error_code ec;
            if (!fs::is_directory(folder, ec)) return Fail(line, "home folder '" + folder + "' does not exist");
            config_.home = folder;
            break;
        }
        case Verb::Registry: {
            std::error_code ec;
            const std::string path = InputPath(c.text);
            fs::path file(path);
            if (fs::is_directory(file, ec)) return Fail(line, "registry file '" + path + "' is a folder");
            fs::path folder = file.parent_path().empty() ? fs::path(".") : file.parent_path();
            if (!fs::is_directory(folder, ec))
                return Fail(line, "the folder of the registry file '" + path + "' does not exist");
            config_.registryFile = path;
            break;
        }
        case Verb::Desktop:
            desktopFill_.reset();
            config_.desktop.reset();
            if (c.desktop == scenario::DesktopKind::Fill) {
                desktopFill_ = c.color;
            } else if (c.desktop == scenario::DesktopKind::File) {
                std::string file = InputPath(c.text);
                std::string why;
                if (!PictureSizeAcceptable(file, &why)) return Fail(line, why);
                config_.desktop = sim::ReadBmpFile(file);
                if (!config_.desktop) return Fail(line, "'" + file + "' is not a readable .bmp picture");
            }
            break;
        case Verb::Clock: config_.clockStart = uint32_t(c.numbers[0]); break;
        default: break;
    }
    needsReset_ = true;
    return true;
}

bool ScenarioRunner::CarrySheet(int line, const Command& c) {
    if (!sim::DialogOpen()) return Fail(line, "no settings sheet is open");
    std::string why;
    bool ok = false;
    switch (c.sheet) {
        case SheetAction::Tab: ok = sim::SheetSelectTab(int(c.numbers[0]), &why); break;
        case SheetAction::Check: ok = sim::SheetCheck(int(c.numbers[0]), c.numbers[1] != 0, &why); break;
        case SheetAction::Track: ok = sim::SheetTrack(int(c.numbers[0]), int(c.numbers[1]), &why); break;
        case SheetAction::Select: ok = sim::SheetSelect(U16(c.text), &why); break;
        case SheetAction::Text: ok = sim::SheetSetText(int(c.numbers[0]), U16(c.text), &why); break;
        case SheetAction::Click: ok = sim::SheetClick(int(c.numbers[0]), &why); break;
        case SheetAction::Ok: ok = sim::SheetOk(&why); break;
        case SheetAction::Cancel: ok = sim::SheetCancel(&why); break;
    }
    if (!ok) return Fail(line, "sheet: " + (why.empty() ? std::string("the sheet refused the action") : why));
    return true;
}

bool ScenarioRunner::Carry(int line, const Command& c) {
    switch (c.verb) {
        case Verb::Screen:
        case Verb::Home:
        case Verb::Registry:
        case Verb::Desktop:
        case Verb::Clock: return CarrySetup(line, c);
        case Verb::Start: return Start(line);
        default: break;
    }
    if (IsProgramInput(c.verb) && !running_) {
        if (lenient_ && exitCode_) return true;  // nothing runs that could take it
        const std::string what = std::string("'") + scenario::VerbName(c.verb) + "' is input for the program, which ";
        if (!exitCode_) return Fail(line, what + "has not started yet (put 'start' before it)");
        return Fail(line, what + "has ended (exit code " + std::to_string(*exitCode_) +
                              "); after its end only wait, paint, dump and shot work");
    }
    EnsureDevice();
    switch (c.verb) {
        case Verb::Wait:
            if (!Spend(line, c.numbers[0], 0)) return false;
            sim::Wait(uint32_t(c.numbers[0]));
            break;
        case Verb::Paint: {
            const sim::Image& screen = sim::Screen();
            platform::Rect wanted{int32_t(c.numbers[0]), int32_t(c.numbers[1]), int32_t(c.numbers[0] + c.numbers[2]),
                                  int32_t(c.numbers[1] + c.numbers[3])};
            platform::Rect clipped;
            if (platform::IntersectRectangles(&clipped, wanted, platform::Rect{0, 0, screen.width, screen.height}))
                sim::PaintDesktop(clipped, c.color);
            break;
        }
        case Verb::Tray:
            switch (c.tray) {
                case scenario::TrayAction::Tap: sim::TrayEvent(platform::MsgLButtonDown); break;
                case scenario::TrayAction::Double:
                    sim::TrayEvent(platform::MsgLButtonDown);
                    if (!failed_) sim::TrayEvent(platform::MsgLButtonDoubleClick);
                    break;
                case scenario::TrayAction::Right: sim::TrayEvent(platform::MsgRButtonDown); break;
            }
            break;
        case Verb::Menu: return Fail(line, "no pop-up menu is being tracked to answer");
        case Verb::Down: sim::StylusDown(PointOf(c, 0)); break;
        case Verb::Move: sim::StylusMove(PointOf(c, 0)); break;
        case Verb::Up: sim::StylusUp(PointOf(c, 0)); break;
        case Verb::Drag: {
            if (!Spend(line, c.numbers[5], c.numbers[4])) return false;
            using Kind = StylusAction::Kind;
            const platform::Point from = PointOf(c, 0), to = PointOf(c, 2);
            pending_.push_back({Kind::Down, from, 0});
            for (const scenario::DragMove& move :
                 scenario::PlanDrag(from, to, int32_t(c.numbers[4]), uint32_t(c.numbers[5]))) {
                if (move.waitBefore) pending_.push_back({Kind::Wait, {}, move.waitBefore});
                pending_.push_back({Kind::Move, move.point, 0});
            }
            pending_.push_back({Kind::Up, to, 0});
            RunPending();
            break;
        }
        case Verb::DoubleTap: sim::DoubleTap(PointOf(c, 0)); break;
        case Verb::RightClick: sim::RightClick(PointOf(c, 0)); break;
        case Verb::Wheel: sim::Wheel(int32_t(c.numbers[0])); break;
        case Verb::Focus: {
            std::optional<sim::WindowInfo> window = FindProgramWindow(c.target);
            if (!window) return Fail(line, std::string("there is no ") + TargetName(c.target) + " window");
            sim::FocusWindow(window->handle);
            break;
        }
        case Verb::Key: sim::KeyPress(uint32_t(c.numbers[0])); break;
        case Verb::Char: sim::TypeCharacter(char16_t(c.numbers[0])); break;
        case Verb::Alt: sim::SetAlt(c.flag); break;
        case Verb::Shift: sim::SetShift(c.flag); break;
        case Verb::Ctrl: sim::SetControl(c.flag); break;
        case Verb::HotKey: sim::HotKey(uint32_t(c.numbers[0]), c.flag); break;
        case Verb::Rotate: sim::Rotate(int32_t(c.numbers[0]), int32_t(c.numbers[1])); break;
        case Verb::Send: {
            std::optional<sim::WindowInfo> window = FindProgramWindow(c.target);
            if (!window) return Fail(line, std::string("there is no ") + TargetName(c.target) + " window");
            // Parameters travel as the handheld's 32-bit values: the second sign-extended.
            sim::SendRaw(window->handle, uint32_t(c.numbers[0]), platform::WParam(uint32_t(c.numbers[1])),
                         platform::LParam(int32_t(uint32_t(c.numbers[2]))));
            break;
        }
        case Verb::Sheet: return CarrySheet(line, c);
        case Verb::Second: {
            if (!running_) return Fail(line, "'second' needs a running program (start it first)");
            const int code = sim::RunProgram(&VistrelMain);
            if (print_) print_("{\"second_exit\": " + std::to_string(code) + "}");
            break;
        }
        case Verb::Destroy: {
            std::optional<sim::WindowInfo> window = FindProgramWindow(Target::Magnifier);
            if (!window) return Fail(line, "there is no magnifier window");
            platform::DestroyWindowObject(window->handle);
            break;
        }
        case Verb::Dump:
            if (print_) print_(DumpJson());
            break;
        case Verb::Shot: return Shot(line, InputPath(c.text));
        default: break;
    }
    return !failed_;
}

// Writes the screen as a PNG file; a missing folder is made. A failure names the system's reason.
bool ScenarioRunner::Shot(int line, const std::string& file) {
    std::error_code ec;
    const fs::path folder = fs::path(file).parent_path();
    if (!folder.empty() && !fs::is_directory(folder, ec) && !fs::create_directories(folder, ec) && ec)
        return Fail(line, "cannot write '" + file + "': " + ec.message());
    errno = 0;
    if (!sim::WritePngFile(sim::Screen(), file)) {
        const int reason = errno;
        return Fail(line, "cannot write '" + file + "'" + (reason ? ": " + std::string(std::strerror(reason)) : ""));
    }
    return true;
}

int RunScenarioText(const std::string& text, std::string* output, std::string* error, const std::string& name,
                    const std::string& inputFolder) {
    ScenarioRunner runner(name, inputFolder);
    runner.SetPrinter([output](const std::string& line) {
        if (output) *output += line + "\n";
    });
    if (!runner.AddText(text) || !runner.Run()) {
        if (error) *error = runner.Error();
        return ScenarioErrorExitCode;
    }
    if (error) error->clear();
    return runner.ExitCode().value_or(0);
}
