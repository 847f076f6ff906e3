#include "Invariants.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <sstream>

#include "Dump.h"
#include "platform/Geometry.h"
#include "magnifier/Magnifier.h"
#include "platform/sim/Simulation.h"
#include "settings/Settings.h"
#include "shell/ShellState.h"

namespace sim = platform::sim;
using platform::Height;
using platform::Rect;
using platform::Width;

namespace {

// Device time that a Close may take to end the program: the hide animation (6 ticks) and the tick that
// notices it, with room to spare.
constexpr uint32_t MaxCloseMs = 5000;
// A wait this long holds a refresh of the view (every third 40 ms tick renders and invalidates), so the
// screen shows what the windows hold: a wheel turn or a double tap renders at once but reaches the
// screen only with the next refresh.
constexpr int64_t SettleMs = 160;

std::string Text(const Rect& r) {
    std::ostringstream out;
    out << "(" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << ")";
    return out.str();
}


std::optional<Violation> Broken(const std::string& invariant, const std::string& detail) {
    return Violation{invariant, detail};
}

bool IsBoolean(int32_t value) { return value == 0 || value == 1; }

bool InUnitRange(float value) { return std::isfinite(value) && value >= 0.0f && value <= 1.0f; }

std::optional<Violation> CheckSettings(const Settings& s) {
    std::ostringstream out;
    if (!(std::isfinite(s.ZoomX) && s.ZoomX >= 1.0f && s.ZoomX <= 10.0f)) out << " ZoomX=" << s.ZoomX;
    if (!InUnitRange(s.Bright)) out << " Bright=" << s.Bright;
    if (!InUnitRange(s.Contrast)) out << " Contrast=" << s.Contrast;
    const std::pair<const char*, int32_t> flags[] = {
        {"SmoothImg", s.SmoothImg}, {"ShowLight", s.ShowLight},         {"ShowAnim", s.ShowAnim},
        {"ShowColorPicker", s.ShowColorPicker}, {"AdjustMode", s.AdjustMode}, {"ShowTape", s.ShowTape},
        {"PlaySound", s.PlaySound}};
    for (const auto& [name, value] : flags)
        if (!IsBoolean(value)) out << " " << name << "=" << value;
    bool terminated = false;
    for (char16_t c : s.SkinName) terminated = terminated || c == 0;
    if (!terminated) out << " SkinName not terminated";
    if (out.str().empty()) return std::nullopt;
    return Broken("settings-range", "out of range:" + out.str());
}

std::optional<Violation> CheckToolSizes(const Settings& s) {
    struct Tool {
        const char* name;
        Rect rect;
        int32_t width;
        scenario::Target target;
    };
    const Tool tools[] = {{"colour picker", s.ColorPickerRect, ColorPickerWidth, scenario::Target::Picker},
                          {"tape", s.TapeRect, TapeWidth, scenario::Target::Tape}};
    for (const Tool& tool : tools) {
        if (Width(tool.rect) != tool.width || Height(tool.rect) != ToolWindowHeight)
            return Broken("tool-size", std::string(tool.name) + " rectangle " + Text(tool.rect));
        std::optional<sim::WindowInfo> window = FindProgramWindow(tool.target);
        if (window && (Width(window->rect) != tool.width || Height(window->rect) != ToolWindowHeight))
            return Broken("tool-size", std::string(tool.name) + " window " + Text(window->rect));
    }
    return std::nullopt;
}

std::optional<Violation> CheckGlassSize(const Magnifier& m) {
    const Settings& s = m.Settings;
    if (s.WindowSize < m.MinWindowSize || s.WindowSize > m.MaxWindowSize)
        return Broken("glass-size", "WindowSize " + std::to_string(s.WindowSize) + " outside [" +
                                        std::to_string(m.MinWindowSize) + ", " + std::to_string(m.MaxWindowSize) + "]");
    if (Width(s.WindowRect) != s.WindowSize || Height(s.WindowRect) != s.WindowSize)
        return Broken("glass-size", "WindowRect " + Text(s.WindowRect) + " is not a square of side " +
                                        std::to_string(s.WindowSize));
    return std::nullopt;
}

// Once nothing moves, every window stands where the settings say and shows when it should.
std::optional<Violation> CheckWindows(const Magnifier& m) {
    const Settings& s = m.Settings;
    std::optional<sim::WindowInfo> glass = FindProgramWindow(scenario::Target::Magnifier);
    if (!glass) return Broken("glass-window", "the magnifier window is gone while the program runs");
    if (glass->visible != m.Visible)
        return Broken("glass-window", std::string("the magnifier window is ") + (glass->visible ? "shown" : "hidden") +
                                          " but Visible is " + (m.Visible ? "set" : "clear"));
    if (m.Visible && !(glass->rect == s.WindowRect))
        return Broken("glass-window", "the magnifier window stands at " + Text(glass->rect) + ", WindowRect is " +
                                          Text(s.WindowRect));
    struct Tool {
        const char* name;
        scenario::Target target;
        Rect rect;
        bool shown;
    };
    const Tool tools[] = {
        {"colour picker", scenario::Target::Picker, s.ColorPickerRect, m.Visible && s.ShowColorPicker != 0},
        {"tape", scenario::Target::Tape, s.TapeRect, m.Visible && s.ShowTape != 0}};
    for (const Tool& tool : tools) {
        std::optional<sim::WindowInfo> window = FindProgramWindow(tool.target);
        if (!window) return Broken("tool-window", std::string("the ") + tool.name + " window is gone");
        if (window->visible != tool.shown)
            return Broken("tool-window", std::string("the ") + tool.name + " window is " +
                                             (window->visible ? "shown" : "hidden") + " but should be " +
                                             (tool.shown ? "shown" : "hidden"));
        if (tool.shown && !(window->rect == tool.rect))
            return Broken("tool-window", std::string("the ") + tool.name + " window stands at " + Text(window->rect) +
                                             ", its rectangle is " + Text(tool.rect));
    }
    return std::nullopt;
}

// Pixels that differ between two pictures of the screen, and the rectangle around them.
int DifferingPixels(const sim::Image& a, const sim::Image& b, Rect* around) {
    if (a.width != b.width || a.height != b.height) return -1;
    int count = 0;
    for (size_t i = 0; i < a.pixels.size(); ++i) {
        if (a.pixels[i] == b.pixels[i]) continue;
        const int32_t x = int32_t(i % size_t(a.width)), y = int32_t(i / size_t(a.width));
        if (count++ == 0) *around = Rect{x, y, x + 1, y + 1};
        around->left = std::min(around->left, x);
        around->top = std::min(around->top, y);
        around->right = std::max(around->right, x + 1);
        around->bottom = std::max(around->bottom, y + 1);
    }
    return count;
}

}  // namespace

std::optional<Violation> InvariantChecker::AfterGesture(const Gesture* gesture) {
    ++checks_;
    if (gesture) {
        settled_ = !gesture->lines.empty() && WaitOfLine(gesture->lines.back()) >= SettleMs;
        for (const std::string& line : gesture->lines) {
            if (line == "start") {
                closeRequested_ = false;
                exitChecked_ = false;
                closingSince_.reset();
                baseline_.reset();
            } else if (line == "menu 5" || line == "destroy") {
                closeRequested_ = true;
            } else if (line.rfind("down ", 0) == 0) {
                stylusDown_ = true;
            } else if (line.rfind("up ", 0) == 0 || line.rfind("doubletap ", 0) == 0 || line.rfind("drag ", 0) == 0) {
                stylusDown_ = false;
            }
        }
    }
    if (!sim::ProgramRunning()) {
        if (exitChecked_) return std::nullopt;
        if (!closeRequested_) return Broken("program-ended", "the program ended though nothing closed it");
        return AfterExit();
    }
    return WhileRunning();
}

std::optional<Violation> InvariantChecker::AfterExit() {
    exitChecked_ = true;
    const std::optional<int> code = sim::LastExitCode();
    if (code != 0) return Broken("exit-code", "the program ended with " + (code ? std::to_string(*code) : "no code"));
    std::string left;
    for (const auto& [kind, count] : sim::ObjectCounts())
        if (count != 0) left += " " + kind + "=" + std::to_string(count);
    if (!left.empty()) return Broken("handles-after-exit", "live handles after the program ended:" + left);
    return std::nullopt;
}

std::optional<Violation> InvariantChecker::WhileRunning() {
    const ShellState& shell = Shell();
    const Magnifier* glass = shell.MagnifierObject;
    if (!glass) return std::nullopt;  // between start-up and construction, or shutting down
    const Magnifier& m = *glass;
    if (extra_) {
        if (std::optional<Violation> planted = extra_()) return planted;
    }
    if (shell.Closing) {
        if (!closingSince_) closingSince_ = sim::Clock();
        else if (sim::Clock() - *closingSince_ > MaxCloseMs)
            return Broken("close-hangs", "Close was chosen " + std::to_string(sim::Clock() - *closingSince_) +
                                             " ms ago and the program still runs");
    } else {
        closingSince_.reset();
    }
    // Only a released stylus promises an idle program (a shrunk input may end with the stylus held).
    if (stylusDown_) return std::nullopt;
    if (m.PointerState != StateIdle)
        return Broken("pointer-state", "PointerState " + std::to_string(m.PointerState) + " after the release");
    // The sheet's dropped-down skin list keeps the capture until it closes, as drop-down lists do; any
    // other capture after a release is left over.
    if (platform::Window holder = sim::CaptureWindow()) {
        const bool programWindow = holder == shell.MagnifierWindow || holder == shell.ColorPickerWindow ||
                                   holder == shell.TapeWindow;
        if (programWindow || !sim::DialogOpen())
            return Broken("capture", programWindow ? "a window of the program still holds the pointer capture"
                                                   : "a window still holds the pointer capture");
    }
    if (sim::TrayIcons().size() != 1)
        return Broken("tray-icon", std::to_string(sim::TrayIcons().size()) + " tray icons while the program runs");
    if (std::optional<Violation> v = CheckSettings(m.Settings)) return v;
    if (std::optional<Violation> v = CheckToolSizes(m.Settings)) return v;
    const bool animating = m.ShowSteps != 0 || m.HideSteps != 0;
    if (animating) return std::nullopt;
    if (std::optional<Violation> v = CheckGlassSize(m)) return v;
    if (std::optional<Violation> v = CheckWindows(m)) return v;
    const bool dialogOpen = sim::DialogOpen();
    if (!dialogOpen) {
        bool registered = false;
        for (const sim::HotKeyInfo& key : sim::HotKeys())
            registered = registered || (key.virtualKey == m.Settings.PPCScanCode && key.window == shell.MagnifierWindow);
        if (!registered)
            return Broken("hot-key", "the tape key " + std::to_string(m.Settings.PPCScanCode) + " is not registered");
    }
    if (!settled_ || dialogOpen || m.LocatorCount != 0 || shell.Closing) return std::nullopt;
    return Quiet();
}

// At a quiet point (no drag, animation, locator flash, sheet or Close under way): nothing stale on the
// screen, and no more handles than at the first quiet point of this program run.
std::optional<Violation> InvariantChecker::Quiet() {
    const sim::Image now = sim::Screen();
    const sim::Image fresh = sim::FreshRepaint();
    Rect around;
    const int differing = DifferingPixels(now, fresh, &around);
    if (differing != 0) {
        // VISTREL_SOAK_SHOTS names a folder for the two pictures of the screen (PNG) of such a failure.
        if (const char* folder = std::getenv("VISTREL_SOAK_SHOTS")) {
            sim::WritePngFile(now, std::string(folder) + "/stale-screen.png");
            sim::WritePngFile(fresh, std::string(folder) + "/stale-fresh.png");
        }
        return Broken("stale-marks", std::to_string(differing) + " screen pixels differ from a fresh repaint, within " +
                                         Text(around));
    }
    const std::map<std::string, int64_t> counts = sim::ObjectCounts();
    if (!baseline_) {
        baseline_ = counts;
        // The pop-up menu is kept until the next one is made: one menu may be live once any was shown.
        int64_t& menus = (*baseline_)["menus"];
        if (menus < 1) menus = 1;
        return std::nullopt;
    }
    std::string grown;
    for (const auto& [kind, count] : counts) {
        auto it = baseline_->find(kind);
        const int64_t allowed = it == baseline_->end() ? 0 : it->second;
        if (count > allowed) grown += " " + kind + " " + std::to_string(allowed) + "->" + std::to_string(count);
    }
    if (!grown.empty()) return Broken("handle-growth", "more live handles than at the first quiet point:" + grown);
    return std::nullopt;
}
