#include "Gestures.h"

#include <algorithm>
#include <optional>
#include <string>

#include "Dump.h"
#include "magnifier/Magnifier.h"
#include "platform/Types.h"
#include "platform/sim/Simulation.h"
#include "shell/ShellState.h"

namespace sim = platform::sim;
using platform::Point;
using platform::Rect;

namespace {

// Menu item ids of the pop-up menu: Show/hide, Show/hide color, Show/hide tape, Correcting the picture,
// Settings..., Close.
constexpr int MenuShowHide = 3;
constexpr int MenuColor = 4;
constexpr int MenuTape = 10;
constexpr int MenuCorrecting = 9;
constexpr int MenuSettings = 7;
constexpr int MenuClose = 5;

// Screen sizes the handheld turns between.
const std::vector<std::pair<int, int>> ScreenSizes = {
    {240, 320}, {320, 240}, {480, 640}, {640, 480}, {240, 400}, {400, 240}, {240, 240}};

const std::vector<std::string> SkinItems = {"VezoZevode", "Square"};

// What a gesture is made from: the program's state at the moment it is asked for.
struct ProgramView {
    bool running = false;
    bool hasMagnifier = false;
    bool closing = false;
    bool dialogOpen = false;
    bool visible = false;
    bool animating = false;
    int32_t pointerState = StateIdle;
    Rect window, rightZone, bottomZone, cornerZone;
    Rect picker, pickerTool, tape, tapeTool;
    bool pickerShown = false;
    bool tapeShown = false;
    uint32_t hotKey = 193;
    int32_t width = 240;
    int32_t height = 320;
};

bool WindowShown(scenario::Target target) {
    std::optional<sim::WindowInfo> info = FindProgramWindow(target);
    return info && info->visible;
}

ProgramView LookAtProgram() {
    ProgramView v;
    const sim::Image& screen = sim::Screen();
    v.width = screen.width;
    v.height = screen.height;
    v.running = sim::ProgramRunning();
    if (!v.running) return v;
    v.dialogOpen = sim::DialogOpen();
    const ShellState& shell = Shell();
    v.closing = shell.Closing;
    const Magnifier* m = shell.MagnifierObject;
    if (!m) return v;
    v.hasMagnifier = true;
    v.visible = m->Visible;
    v.animating = m->ShowSteps != 0 || m->HideSteps != 0;
    v.pointerState = m->PointerState;
    v.window = m->Settings.WindowRect;
    v.rightZone = m->RightZone;
    v.bottomZone = m->BottomZone;
    v.cornerZone = m->CornerZone;
    v.picker = m->Settings.ColorPickerRect;
    v.pickerTool = m->ColorPickerToolRect;
    v.tape = m->Settings.TapeRect;
    v.tapeTool = m->TapeToolRect;
    v.pickerShown = WindowShown(scenario::Target::Picker);
    v.tapeShown = WindowShown(scenario::Target::Tape);
    v.hotKey = m->Settings.PPCScanCode;
    return v;
}

std::string Num(int64_t n) { return std::to_string(n); }
// A stylus position: the scenario takes signed 16-bit coordinates (a glass dragged far off the
// screen has its corner beyond them).
std::string At(const Point& p) {
    return Num(std::clamp(p.x, -32768, 32767)) + " " + Num(std::clamp(p.y, -32768, 32767));
}

class Builder {
public:
    Builder(SoakRandom& random, const ProgramView& view) : r(random), v(view) {}

    SoakRandom& r;
    const ProgramView& v;
    Gesture g;
    bool ended = false;  // a line of this gesture may end the program: nothing but stylus and waits follow

    void Line(const std::string& text) { g.lines.push_back(text); }
    void Wait(int64_t ms) {
        if (ms <= 0) return;
        Line("wait " + Num(ms));
        g.waitMs += ms;
    }

    // ---- Places ----

    Point Anywhere() { return Point{int32_t(r.Range(0, v.width - 1)), int32_t(r.Range(0, v.height - 1))}; }

    // A point inside the part of the rectangle that lies on the screen; anywhere when none does.
    Point Inside(const Rect& rect) {
        const int32_t left = std::max(rect.left, 0), top = std::max(rect.top, 0);
        const int32_t right = std::min(rect.right, v.width), bottom = std::min(rect.bottom, v.height);
        if (left >= right || top >= bottom) return Anywhere();
        return Point{int32_t(r.Range(left, right - 1)), int32_t(r.Range(top, bottom - 1))};
    }

    // Where a drag goes: mostly on the screen, often at its edges, sometimes beyond them (stylus
    // positions travel as signed 16-bit halves).
    Point Destination(const Point& from) {
        Point p = Aim(from);
        p.x = std::clamp(p.x, -32768, 32767);
        p.y = std::clamp(p.y, -32768, 32767);
        return p;
    }

    Point Aim(const Point& from) {
        switch (r.Weighted({45, 15, 15, 15, 5, 5})) {
            case 0: return Anywhere();
            case 1: {  // on an edge
                Point p = Anywhere();
                switch (r.Below(4)) {
                    case 0: p.x = int32_t(r.Range(0, 2)); break;
                    case 1: p.x = v.width - 1 - int32_t(r.Range(0, 2)); break;
                    case 2: p.y = int32_t(r.Range(0, 2)); break;
                    default: p.y = v.height - 1 - int32_t(r.Range(0, 2)); break;
                }
                return p;
            }
            case 2: return Point{int32_t(r.Range(-200, v.width + 200)), int32_t(r.Range(-200, v.height + 200))};
            case 3: return Point{from.x + int32_t(r.Range(-30, 30)), from.y + int32_t(r.Range(-30, 30))};
            case 4: return Point{int32_t(r.Chance(50) ? -32768 : 32767), int32_t(r.Range(-32768, 32767))};
            default: return from;  // back where it began
        }
    }

    // ---- Pieces ----

    int MenuAnswer() {
        switch (r.Weighted({18, 16, 16, 10, 8, 3, 20, 4})) {
            case 0: return MenuShowHide;
            case 1: return MenuColor;
            case 2: return MenuTape;
            case 3: return MenuCorrecting;
            case 4: return MenuSettings;
            case 5: return MenuClose;
            case 6: return 0;
            default: {
                // A random id: one the menu does not hold dismisses it, which "menu none" says.
                const int id = int(r.Range(1, 40000));
                for (int item : {MenuShowHide, MenuColor, MenuTape, MenuCorrecting, MenuSettings, MenuClose})
                    if (id == item) return id;
                return 0;
            }
        }
    }

    // A tray gesture that opens the pop-up menu, and its answer.
    void Menu(int answer) {
        Line(r.Chance(75) ? "tray double" : "tray right");
        Line(answer == 0 ? "menu none" : "menu " + Num(answer));
        if (answer == MenuClose) ended = true;
    }

    void Rotate() {
        const auto& size = r.Pick(ScreenSizes);
        Line("rotate " + Num(size.first) + " " + Num(size.second));
    }

    // Something that breaks into a drag.
    void Interruption(const Point& at) {
        switch (r.Weighted({14, 12, 10, 12, 8, 6, 8, 6, 6, 4, 3})) {
            case 0: Rotate(); break;
            case 1: Line("tray tap"); break;
            case 2: Line("tray tap"); Wait(r.Range(560, 700)); break;  // the tap's timer fires mid-drag
            case 3: Menu(MenuAnswer()); break;
            case 4: Line("hotkey " + Num(v.hotKey) + (r.Chance(20) ? " up" : "")); break;
            case 5: Line("focus magnifier"); Line("key 27"); break;
            case 6: Line("rightclick " + At(at)); break;
            case 7: Line("doubletap " + At(at)); break;
            case 8: Line("wheel " + Num(r.Chance(50) ? 120 : -120)); break;
            case 9: Line(r.Chance(50) ? "alt down" : "alt up"); break;
            default: Line("second"); break;
        }
    }

    // down, a first move at the same point (which starts the drag), moves, up.
    void Drag(const Point& from, bool aim, bool mayInterrupt) {
        const bool alt = r.Chance(15);
        if (alt) Line("alt down");
        Line("down " + At(from));
        Line("move " + At(from));
        if (aim && r.Chance(60)) Wait(r.Range(150, 260));  // around the 200 ms aim delay
        Point at = from;
        const int64_t moves = r.Range(1, 10);
        const bool interrupt = mayInterrupt && r.Chance(18);
        const int64_t interruptAt = r.Range(0, moves - 1);
        for (int64_t i = 0; i < moves; ++i) {
            if (r.Chance(70)) Wait(r.Range(0, 80));
            else if (r.Chance(30)) Wait(r.Range(190, 420));
            at = r.Chance(60) ? Destination(from) : Destination(at);
            Line("move " + At(at));
            if (interrupt && i == interruptAt && !ended) Interruption(at);
        }
        if (r.Chance(20)) Wait(r.Range(0, 200));
        Line("up " + At(at));
        if (alt) Line("alt up");
    }

    // ---- Gestures ----

    void GlassDrag() {
        Rect corner{v.rightZone.left, v.bottomZone.top, v.rightZone.right, v.bottomZone.bottom};
        Point from;
        bool aim = false;
        switch (r.Weighted({16, 18, 18, 12, 26, 6, 4})) {
            case 0: from = Inside(v.cornerZone); aim = true; break;
            case 1: from = Inside(v.rightZone); break;
            case 2: from = Inside(v.bottomZone); break;
            case 3: from = Inside(corner); break;
            case 4: from = Inside(v.window); break;
            case 5: from = Anywhere(); break;
            default: from = Point{v.window.left, v.window.top}; break;  // the very corner pixel
        }
        Drag(from, aim, true);
    }

    void ToolDrag() {
        const bool picker = v.pickerShown && (!v.tapeShown || r.Chance(50));
        const Rect& rect = picker ? v.picker : v.tape;
        const Rect& tool = picker ? v.pickerTool : v.tapeTool;
        const bool aim = r.Chance(55);
        const Point from = aim ? Inside(tool) : Inside(rect);
        if (!aim || picker) {
            Drag(from, aim, true);
            return;
        }
        // Measuring with the tape: the start point fixed by the hot key, Ctrl, Enter or the right button.
        Line("down " + At(from));
        Line("move " + At(from));
        Point at = from;
        const int64_t moves = r.Range(1, 8);
        for (int64_t i = 0; i < moves; ++i) {
            if (r.Chance(60)) Wait(r.Range(0, 60));
            at = Destination(at);
            Line("move " + At(at));
            switch (r.Weighted({30, 8, 8, 8, 8, 40})) {
                case 0: Line("hotkey " + Num(v.hotKey) + (r.Chance(15) ? " up" : "")); break;
                case 1: Line("focus tape"); Line("key 17"); break;
                case 2: Line("focus tape"); Line("key 13"); break;
                case 3: Line("rightclick " + At(at)); break;
                case 4: if (!ended) Interruption(at); break;
                default: break;
            }
        }
        Line("up " + At(at));
    }

    void DoubleTap() {
        Point p;
        switch (r.Weighted({20, 10, 10, 20, 15, 15, 10})) {
            case 0: p = Inside(v.cornerZone); break;
            case 1: p = Inside(v.rightZone); break;
            case 2: p = Inside(v.bottomZone); break;
            case 3: p = Inside(v.window); break;
            case 4: p = Inside(v.picker); break;
            case 5: p = Inside(v.tape); break;
            default: p = Anywhere(); break;
        }
        const bool alt = r.Chance(30);
        if (alt) Line("alt down");
        Line("doubletap " + At(p));
        if (alt) Line("alt up");
    }

    void RightClick() {
        const Point p = r.Chance(60) ? Inside(v.window) : r.Chance(50) ? Inside(v.tape) : Anywhere();
        Line("move " + At(p));
        Line("rightclick " + At(p));
    }

    void Keys() {
        switch (r.Weighted({25, 25, 10, 10, 10, 10, 10})) {
            case 0: {  // the locator: Alt+z, now and then twice in a row
                Line("focus magnifier");
                Line("alt down");
                Line("char z");
                Line("alt up");
                if (r.Chance(40)) {
                    Wait(r.Range(40, 400));
                    Line("alt down");
                    Line("char z");
                    Line("alt up");
                }
                break;
            }
            case 1: Line("focus magnifier"); Line("key 27"); break;
            case 2: Line("focus magnifier"); Line("key 112"); break;  // help
            case 3: Line(r.Chance(50) ? "focus picker" : "focus tape"); Line("key " + Num(r.Pick(std::vector<int>{13, 17, 27, 65, 37}))); break;
            case 4: Line("hotkey " + Num(r.Chance(70) ? v.hotKey : uint32_t(r.Range(1, 254))) + (r.Chance(30) ? " up" : "")); break;
            case 5: Line("focus magnifier"); Line("char " + std::string(1, char('a' + r.Below(26)))); break;
            default: Line("alt down"); Line("focus magnifier"); Line("key 27"); Line("alt up"); break;
        }
    }

    void WheelTurn() {
        const Point p = r.Chance(70) ? Inside(v.window) : Anywhere();
        Line("move " + At(p));
        const std::vector<int> deltas = {120, -120, 240, -360, 60, -60, 1200, -1200, 32767, -32768};
        const int64_t turns = r.Range(1, 4);
        for (int64_t i = 0; i < turns; ++i) Line("wheel " + Num(r.Pick(deltas)));
    }

    // A tap on the tray icon, and what may happen while the show or hide animation runs.
    void ShowHide() {
        Line("tray tap");
        switch (r.Weighted({55, 10, 10, 10, 8, 7})) {
            case 0: Wait(r.Range(600, 1600)); break;
            case 1: Wait(r.Range(620, 760)); Menu(MenuClose); break;  // Close while the glass animates
            case 2: Wait(r.Range(620, 760)); Line("tray tap"); Wait(r.Range(600, 700)); break;
            case 3: Wait(r.Range(620, 760)); GlassDrag(); break;
            case 4: Wait(r.Range(620, 760)); Line("focus magnifier"); Line("key 27"); break;
            default: Wait(r.Range(0, 500)); Line("tray double"); Line("menu none"); break;  // a double tap after all
        }
    }

    void OpenSheet() {
        Menu(MenuSettings);
        if (r.Chance(30)) SheetOperations();
    }

    void SheetOperations() {
        const int64_t count = r.Range(1, 6);
        for (int64_t i = 0; i < count; ++i) {
            switch (r.Weighted({15, 15, 30, 10, 15, 8})) {
                case 0: Line("sheet tab " + Num(r.Range(0, 4))); break;
                case 1: Line("sheet check " + Num(r.Pick(std::vector<int>{1000, 1001, 1002, 1009})) + " " + Num(r.Below(2))); break;
                case 2: {
                    const int id = r.Pick(std::vector<int>{1003, 1004, 1012, 1013});
                    const int64_t pos = r.Chance(75) ? r.Range(0, 110) : r.Range(-1000, 1000);
                    Line("sheet track " + Num(id) + " " + Num(pos));
                    break;
                }
                case 3: Line("sheet select " + r.Pick(SkinItems)); break;
                case 4: {
                    const std::vector<std::string> texts = {"\"\"", "0", "1", "72", "96", "128", "600",
                                                            "12345678901234567890", "-5", "4294967297", "abc", "9x"};
                    Line("sheet text " + Num(r.Chance(50) ? 1014 : 1015) + " " + r.Pick(texts));
                    break;
                }
                default: Line(r.Chance(80) ? "sheet click 1018" : "sheet click 1000"); break;
            }
            if (r.Chance(30)) Wait(r.Range(0, 300));
        }
        const size_t close = r.Weighted({40, 20, 40});
        if (close == 0) Line("sheet ok");
        else if (close == 1) Line("sheet cancel");
    }

    // While the sheet is open: mostly its controls, sometimes the rest of the program.
    void WhileSheetOpen() {
        switch (r.Weighted({70, 8, 6, 5, 5, 6})) {
            case 0: SheetOperations(); break;
            case 1: Line("hotkey " + Num(v.hotKey)); break;
            case 2: Line("tray tap"); Wait(r.Range(0, 800)); break;
            case 3: Menu(r.Chance(50) ? MenuSettings : MenuAnswer()); break;
            case 4: Rotate(); break;
            default: GlassDrag(); break;
        }
    }

    void TrailingWait() {
        switch (r.Weighted({40, 35, 20, 5})) {
            case 0: Wait(r.Range(0, 120)); break;
            case 1: Wait(r.Range(200, 800)); break;
            case 2: Wait(r.Range(1000, 3000)); break;
            default: Wait(r.Range(5000, 60000)); break;
        }
    }

    void Make() {
        if (!v.running) {
            Line("start");
            Wait(r.Range(0, 300));
            return;
        }
        if (!v.hasMagnifier || v.closing) {
            Wait(r.Range(40, 1500));
            return;
        }
        if (v.dialogOpen) {
            WhileSheetOpen();
            if (!ended) TrailingWait();
            return;
        }
        if (!v.visible && !v.animating && r.Chance(35)) {
            Line("tray tap");
            Wait(r.Range(640, 1400));
            return;
        }
        const bool tools = v.pickerShown || v.tapeShown;
        switch (r.Weighted({28, tools ? 16 : 0, 10, 12, 6, 4, 4, 6, 5, 6, 3, 1, 1})) {
            case 0: GlassDrag(); break;
            case 1: ToolDrag(); break;
            case 2: ShowHide(); break;
            case 3: Menu(MenuAnswer()); break;
            case 4: DoubleTap(); break;
            case 5: RightClick(); break;
            case 6: WheelTurn(); break;
            case 7: Keys(); break;
            case 8: Rotate(); break;
            case 9: OpenSheet(); break;
            case 10: Wait(r.Range(2000, 30000)); break;
            case 11: Line("second"); break;
            default: Line("destroy"); ended = true; break;
        }
        if (!ended) TrailingWait();
    }
};

}  // namespace

Gesture MakeGesture(SoakRandom& random) {
    const ProgramView view = LookAtProgram();
    Builder builder(random, view);
    builder.Make();
    return builder.g;
}

int64_t WaitOfLine(const std::string& line) {
    if (line.rfind("wait ", 0) != 0) return 0;
    try {
        return std::stoll(line.substr(5));
    } catch (...) {
        return 0;
    }
}

std::string GesturesText(const GestureList& gestures) {
    std::string text;
    for (size_t i = 0; i < gestures.size(); ++i) {
        text += "# gesture " + std::to_string(i + 1) + "\n";
        for (const std::string& line : gestures[i].lines) text += line + "\n";
    }
    return text;
}
