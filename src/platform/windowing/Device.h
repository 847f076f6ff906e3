// The device the window system runs: its configuration, its life, the programs it runs, their input
// and what can be read of it. Driven by a host (the simulated handheld, vistrel on X11) and by tests,
// never by the system's own code. What only the simulated handheld has is in platform/sim/Simulation.h.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Types.h"
#include "platform/windowing/Image.h"

namespace platform::sim {

struct DeviceConfig {
    int32_t screenWidth = 240;
    int32_t screenHeight = 320;
    int32_t pixelsPerInch = 96;      // vertical pixels per inch of the screen (also used horizontally)
    std::string home{};              // host folder that stands for the executable's folder
    // Host folder whose entries lie in the executable's folder too, before home's (a translation:
    // its Localize.dll and help folder); they are reached by name, not listed. Empty: none.
    std::string translation{};
    std::string registryFile{};      // empty: an empty registry that is not kept
    uint32_t clockStart = 0;
};

// The device asks its input source for the next command whenever the program waits for input (the
// main loop, a modal dialog's loop, a tracked pop-up menu).
class InputSource {
public:
    virtual ~InputSource() = default;
    // Carries out one command. Returns false when there is no more input.
    virtual bool RunNext() = 0;
    // Called while a pop-up menu is tracked: when the next command answers the menu ("menu ID" or
    // "menu none"), consume it and return true with the id (0 for none). Otherwise return false and
    // leave the command for later; the menu is then dismissed.
    virtual bool AnswerMenu(int* id) = 0;
};

// ---- Device life ----

// A fresh device: clock, no windows, registry read from the file, its windows shown by the host
// display (HostDisplay.h; set it first). Frees everything the previous device held. The simulated
// handheld's ResetDevice gives the device a screen of its own instead.
void ResetWindowSystem(const DeviceConfig& config);
const DeviceConfig& Config();
void SetInputSource(InputSource* source);  // kept across resets; null: no input
// Where the device writes what it tells whoever looks after it (a library or a registry file that
// cannot be read): one line at a time, without its line end. Kept across resets; null: standard error.
using LogWriter = void (*)(std::string_view line);
void SetLogWriter(LogWriter writer);

// Runs a program's entry point as a new process of the device and returns its exit code. At the end
// of the process its windows are destroyed (silently, as the system does at process exit); every
// other handle it left stays counted, so a leak shows.
using EntryPoint = int (*)(Module instance);
int RunProgram(EntryPoint entry);
bool ProgramRunning();               // a process is running now
std::optional<int> LastExitCode();   // exit code of the last process that ended

// The default device path of the executable.
inline constexpr const char16_t* ExecutablePath = u"\\Program Files\\Vistrel\\Vistrel.exe";

// ---- Time ----

uint32_t Clock();
// Timer messages handed to programs since the device started: how often a waiting program woke.
uint64_t TimerMessages();

// ---- Input ----
// Stylus and key events wait in the device's input queue; which window one reaches is decided when the
// program's loop takes it, as on the handheld (a capture taken while handling a press already routes
// the moves queued after it). Hot keys, tray events and SendRaw reach their window at once.

void StylusDown(Point screen);
void StylusMove(Point screen);
void StylusUp(Point screen);
void DoubleTap(Point screen);
void RightClick(Point screen);
void Wheel(int32_t delta);
void KeyPress(uint32_t virtualKey);
void TypeCharacter(char16_t character);
void SetAlt(bool held);
void SetShift(bool held);
void SetControl(bool held);
void HotKey(uint32_t virtualKey, bool keyUp);
void TrayEvent(uint32_t pointerMessage);  // 0x0201 tap, 0x0203 double, 0x0204 right
void FocusWindow(Window window);
void Rotate(int32_t width, int32_t height);
LResult SendRaw(Window window, uint32_t message, WParam wParam, LParam lParam);

// ---- Inspection ----

struct WindowInfo {
    Window handle = nullptr;
    std::u16string className;
    std::u16string title;
    Rect rect;
    bool visible = false;
    uint32_t style = 0;
    uint32_t exStyle = 0;
};
std::vector<WindowInfo> TopLevelWindows();  // in z-order, topmost first
std::optional<WindowInfo> FindWindowByClass(const std::u16string& className);

struct TrayInfo {
    uint32_t id = 0;
    std::u16string tip;
    uint32_t callback = 0;
    Window owner = nullptr;
    Icon icon = nullptr;
};
std::vector<TrayInfo> TrayIcons();

struct HotKeyInfo {
    int id = 0;
    uint32_t modifiers = 0;
    uint32_t virtualKey = 0;
    Window window = nullptr;
};
std::vector<HotKeyInfo> HotKeys();

// The cursor now set: a resource id (134 ...) or a system id (32512 ...); nullopt when none.
std::optional<int> CurrentCursorId();
Window CaptureWindow();
Window FocusedWindow();
// Paints the window has begun since it was made (0 for a window that is gone).
uint64_t PaintsBegun(Window window);

const std::vector<std::u16string>& Sounds();  // every sound file played, in order
// The text on the clipboard; nullopt while no program has put one there.
std::optional<std::u16string> ClipboardText();

struct ProcessRecord {
    std::u16string program;
    std::u16string commandLine;
};
const std::vector<ProcessRecord>& Processes();

struct MenuItemInfo {
    uintptr_t id = 0;
    std::u16string text;
    bool checked = false;
    bool separator = false;
};
// The last pop-up menu tracked; nullopt when none was.
std::optional<std::vector<MenuItemInfo>> LastMenu();

struct RegistryValue {
    uint32_t type = 0;
    std::vector<uint8_t> data;
};
// Key path (without "HKEY_CURRENT_USER\") to its values.
using RegistrySnapshot = std::map<std::u16string, std::map<std::u16string, RegistryValue>>;
RegistrySnapshot Registry();
void SetRegistryValue(const std::u16string& key, const std::u16string& name, const RegistryValue& value);
// Value names compared while looking values up, since the process began: the reader's work per value.
uint64_t RegistryNameComparisons();

// Live handles by kind ("surfaces", "bitmaps" ...), every kind listed (0 when none is live); the
// reference holds until the device is reset.
const std::map<std::string, int64_t>& ObjectCounts();
int64_t ObjectCount(std::string_view kind);      // live handles of one kind (0 for a kind never counted)

// ---- The open settings sheet (a modal dialog) ----

bool DialogOpen();
Window OpenDialog();
// Each returns false (with a reason in *error) when the control is missing or not of that kind.
bool SheetSelectTab(int index, std::string* error);
bool SheetCheck(int id, bool checked, std::string* error);
bool SheetTrack(int id, int position, std::string* error);
bool SheetSelect(const std::u16string& text, std::string* error);
bool SheetSetText(int id, const std::u16string& text, std::string* error);
bool SheetClick(int id, std::string* error);
bool SheetOk(std::string* error);
bool SheetCancel(std::string* error);

}  // namespace platform::sim
