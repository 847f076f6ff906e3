// The state of the window system and its system services, shared by the files that implement them
// (Device.cpp, Windowing.cpp, Screen.cpp, Frames.cpp, Painting.cpp, Messages.cpp, Keyboard.cpp,
// Input.cpp, Focus.cpp, Timers.cpp, Tray.cpp, HotKeys.cpp, Menus.cpp, Processes.cpp, Clipboard.cpp,
// Locks.cpp, Inspection.cpp) and by the simulated handheld's screen and clock. Private to those files.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "platform/Platform.h"
#include "platform/windowing/Device.h"
#include "platform/raster/Canvas.h"
#include "platform/windowing/Internal.h"

namespace platform::sim::detail {
struct Process;
}

namespace platform {

struct WindowObject {
    uint64_t serial = 0;  // creation order
    // What the window took from its class when it was made.
    std::u16string className;
    Module classInstance = nullptr;  // the module the class was registered for (null: a system class)
    WindowProcedure procedure = nullptr;
    uint32_t classStyle = 0;
    Brush background = nullptr;

    std::u16string title;
    uint32_t style = 0;  // StyleVisible and StyleDisabled are the visibility and input state
    uint32_t exStyle = 0;
    intptr_t id = 0;
    Window parent = nullptr;       // child windows (StyleChild)
    Window owner = nullptr;        // top-level windows made with a parent but without StyleChild
    std::vector<Window> children;  // topmost first
    Rect rect;                     // top-level: screen coordinates; child: the parent's client coordinates
    sim::detail::Process* process = nullptr;
    bool alive = true;
    bool destroying = false;

    // The update region, as a bounding rectangle in client coordinates.
    Rect update;
    bool erase = false;
    bool systemUpdate = false;  // part of the update was invalidated by the device itself
    // The region being painted between BeginPainting and EndPainting (client coordinates).
    bool painting = false;
    Rect paintRect;
    // Counters that tell whether a paint message was answered (see DispatchToWindow).
    uint64_t paintsBegun = 0;
    uint64_t invalidations = 0;
    // Whether the window owned every pixel of ownedRect (picture coordinates) when the owner maps were at
    // ownedGeneration.
    uint64_t ownedGeneration = 0;
    Rect ownedRect;
    bool ownsAll = false;

    // Top-level windows: the picture the window and its children draw in. It holds the part of the
    // window that lies on the screen (`pictured`, window coordinates); `pictureDamage` is the part drawn
    // since it was last shown (picture coordinates). Its pixels are in the host's storage on a host
    // that keeps pictures, else in `pictureStorage`. A window with children also keeps, per picture
    // pixel, which window of its tree is the topmost there (`treeOwners`, empty without children).
    raster::Canvas picture;  // limit: the whole picture; no storage while the window has no picture
    raster::Image pictureStorage;
    Rect pictured;
    Rect pictureDamage;
    std::vector<Window> treeOwners;
};

struct MenuObject {
    struct Item {
        uint32_t flags = 0;
        uintptr_t id = 0;
        std::u16string text;
    };
    std::vector<Item> items;
};

// A mutex, shared by every handle opened on it (by name or not).
struct MutexKernel {
    std::u16string name;
    int ownerProcess = -1;  // -1: not owned
    uint32_t recursion = 0;
    int handles = 0;
};

// One handle of a mutex.
struct MutexObject {
    std::shared_ptr<MutexKernel> kernel;
};

}  // namespace platform

namespace platform::sim::detail {

struct WindowClassRecord {
    std::u16string name;
    uint32_t style = 0;
    WindowProcedure procedure = nullptr;
    Module instance = nullptr;  // null: a system class usable by every module
    Brush background = nullptr;
};

// A process of the device: one run of a program's entry point (the host process stands for code that
// uses the device outside any program, such as a test).
struct Process {
    int id = 0;
    Module module = nullptr;
    std::deque<Message> queue;  // posted messages, oldest first
    Window firstWindow = nullptr;
    bool switchedOff = false;  // the end of input has destroyed the first window
    bool forcedQuit = false;   // nothing left to do and no input: the loop ends
};

struct Timer {
    Window window = nullptr;
    uintptr_t id = 0;
    uint32_t interval = 0;
    TimerProcedure procedure = nullptr;
    uint64_t due = 0;     // device time (ms since the device started)
    uint64_t order = 0;   // when it was set: breaks ties between timers due at the same time
    uint64_t serial = 0;  // changes whenever the timer is set again
};

struct TrayRecord {
    Window owner = nullptr;
    uint32_t id = 0;
    uint32_t callback = 0;
    Icon icon = nullptr;
    std::u16string tip;
};

struct HotKeyRecord {
    Window window = nullptr;
    int id = 0;
    uint32_t modifiers = 0;
    uint32_t virtualKey = 0;
};

// A stylus or key event waiting in the device's input queue. Which window it reaches is decided when
// the program's loop takes it, as on the handheld: a capture taken while handling a press already
// routes the moves that follow it.
struct InputEvent {
    enum class Kind { Pointer, DoubleClick, Wheel, Key };
    Kind kind = Kind::Pointer;
    uint32_t message = 0;  // the message code (for DoubleClick: decided by the window's class)
    WParam wParam = 0;     // key flags, the wheel word, the virtual key or the character
    LParam lParam = 0;     // key messages: repeat count and flags
    Point screen;          // where the stylus was
    uint32_t time = 0;
};

struct LockRecord {
    uint32_t depth = 0;
};

// A screen the window system keeps itself, where no host display shows the windows: the simulated
// handheld's screen picture, composed of the windows' pictures over its desktop (the simulation's
// HandheldScreen.cpp). It outlives the devices it serves.
class KeptScreen {
public:
    virtual ~KeptScreen() = default;
    // The screen afresh at the device's size, its desktop with no window on it yet (a reset, a rotation).
    virtual void Make(const DeviceConfig& config) = 0;
    // Works out again which window is the topmost on each pixel of area (inside the screen) and carries
    // out what changed (TakeOwners): pixels given back to the desktop show the desktop again.
    virtual void Recompose(const Rect& area) = 0;
    // Takes every part of the windows' pictures drawn since, where that window is the topmost one.
    virtual void Compose() = 0;
    // The screen's pixels as the windows left them; the whole-screen surface draws on them.
    virtual Image& Pixels() = 0;
};

struct DeviceState {
    DeviceConfig config;
    uint64_t generation = 0;  // changes with every reset

    // ---- Screen ----
    // The simulated handheld keeps a screen of its own (keptScreen), which shows the windows' pictures
    // over its desktop. On a host display the host shows the windows' pictures itself.
    KeptScreen* keptScreen = nullptr;
    raster::PixelFormat pictureFormat = raster::PixelFormat::Color32;  // of pictures and compatible bitmaps
    std::vector<Rect> monitors;          // the host's monitors; empty: the whole screen is one
    uint64_t ownersGeneration = 1;       // counts the changes of owners and of the windows' tree maps
    std::vector<Window> treeScratch;     // scratch owner map of the tree maps, kept for its storage
    bool composePending = false;         // a window's picture changed where the screen has not taken it yet
    WindowObject desktopWindow;

    // ---- Windows ----
    std::vector<std::unique_ptr<WindowObject>> windows;  // every window made, destroyed ones included
    std::unordered_set<const WindowObject*> live;
    std::vector<Window> topLevels;  // topmost first
    std::vector<WindowClassRecord> classes;
    uint64_t nextWindowSerial = 1;

    // ---- Processes ----
    Process host;
    std::vector<Process*> running;  // innermost last
    int nextProcessId = 1;
    std::optional<int> lastExitCode;

    // ---- Time and messages ----
    uint64_t elapsed = 0;
    bool waitPending = false;
    uint64_t waitTarget = 0;
    std::vector<Timer> timers;
    uint64_t nextTimerOrder = 1;
    uint64_t nextTimerSerial = 1;
    // The timer message handed out last, so that a timer killed or set again before its message is
    // dispatched stays silent.
    Window takenTimerWindow = nullptr;
    uintptr_t takenTimerId = 0;
    uint64_t takenTimerSerial = 0;
    uint64_t timerMessages = 0;  // timer messages handed out since the device started: the program's wake-ups

    // ---- Input ----
    std::deque<InputEvent> input;
    Window capture = nullptr;
    Window focus = nullptr;
    Window active = nullptr;
    Point cursorPosition;
    bool buttonHeld = false;
    bool altHeld = false;
    bool shiftHeld = false;
    bool controlHeld = false;
    Cursor cursor = nullptr;
    std::optional<int> cursorId;
    std::map<int, std::unique_ptr<CursorObject>> systemCursors;
    Window captionPressWindow = nullptr;  // a press on a caption button, answered on release
    int captionPressButton = 0;

    // ---- System services ----
    std::vector<TrayRecord> tray;
    std::vector<HotKeyRecord> hotKeys;
    uint64_t trayChanges = 0;
    uint64_t hotKeyChanges = 0;
    std::map<const MenuObject*, std::unique_ptr<MenuObject>> menus;
    std::optional<std::vector<MenuItemInfo>> lastMenu;
    std::vector<ProcessRecord> processes;
    std::unordered_set<uintptr_t> processHandles;
    uintptr_t nextProcessHandle = 0x1000;
    std::vector<std::u16string> sounds;
    std::optional<std::u16string> clipboard;  // empty until a program puts a text there
    uint64_t clipboardPuts = 0;
    std::map<std::u16string, std::weak_ptr<MutexKernel>> namedMutexes;
    std::map<const MutexObject*, std::unique_ptr<MutexObject>> mutexHandles;
    uint32_t lastError = 0;
    std::map<const void*, std::unique_ptr<LockRecord>> locks;

    std::map<std::string, int64_t> counts;
};

// The one device (made with the default configuration on first use).
DeviceState& Dev();
InputSource* CurrentInputSource();

// ---- Windows (Windowing.cpp) ----
// The window behind a handle when it is a live window (the desktop window is not one).
WindowObject* LiveWindow(Window window);
bool IsDesktopWindow(Window window);
bool SameClassName(const std::u16string& a, const std::u16string& b);
Window TopLevelOf(Window window);
bool IsDescendantOf(Window window, Window ancestor);  // true also for the window itself
// The window and all its ancestors carry StyleVisible.
bool EffectivelyVisible(const WindowObject* window);
bool EffectivelyEnabled(const WindowObject* window);
Rect WindowScreenRect(const WindowObject* window);
Rect ClientScreenRect(const WindowObject* window);
Rect ClientRect(const WindowObject* window);  // (0, 0, width, height)
// Moves a top-level window to the top of its band in the z-order list (nothing else).
void PlaceAtTopOfBand(WindowObject* window);
// Removes every window of the process without a message (the end of a process).
void DestroyProcessWindows(Process* process);
// Calls fn for every window in painting order: top-level windows from the bottom up, each followed by
// its children from the bottom up.
template <typename Fn>
void ForEachBottomToTop(Window window, Fn&& fn);
template <typename Fn>
void ForEachWindowBottomToTop(Fn&& fn);
// The first window in painting order for which pred is true, else null; pred must not change any
// window's place in the lists (the walk copies none of them).
template <typename Pred>
Window FindBottomToTop(Pred&& pred);

// A fresh device whose screen `screen` keeps (null: none, the windows are shown by the host display
// or by nothing). Frees everything the previous device held.
void ResetDeviceKeeping(const DeviceConfig& config, KeptScreen* screen);

// ---- Screen (Screen.cpp) ----
void BuildScreen(const DeviceConfig& config, KeptScreen* screen);
// Brings the windows' pictures in line with their places and recomputes, inside area (screen
// coordinates), which window owns each pixel, carrying out what changed: pixels that another window
// now owns join its update region (a frame pixel redraws the frame); a kept screen shows its desktop
// where no window is left. `changed` is the window whose showing, place or style changed: of the tree
// maps, only that of its top-level window is made again (and those of pictures that change shape);
// without it (a change of the screen) every tree map inside area is.
void RecomposeScreen(const Rect& area, Window changed = nullptr);
// A window that was moved or shown: its whole client area and those of its visible descendants become
// invalid and their frames are drawn again.
void RefreshWindowLook(Window window);
Rect ScreenBounds();
// Marks in `owners` (one entry per pixel of grid, screen coordinates) the pixels of a window and of its
// visible children inside limit, the children clipped to the window's client area.
void MarkOwner(std::vector<Window>& owners, const Rect& grid, WindowObject* window, const Rect& limit);
// Takes the owners of `fresh` (covering area) into `owners` (covering grid) and carries out what
// changed: a pixel another window takes over joins its update region (a frame pixel redraws its frame);
// a pixel left to nobody calls uncovered (when given). Returns whether any owner changed.
bool TakeOwners(const std::vector<Window>& fresh, const Rect& area, std::vector<Window>& owners, const Rect& grid,
                void (*uncovered)(int32_t x, int32_t y));

// ---- Window pictures (Pictures.cpp) ----
// Brings every top-level window's picture in line with its place and size on the screen (a window that
// is not shown has none) and, inside area (screen coordinates), remakes its tree map. On a host display
// the pixels a window of the tree takes over from another join its update region, and a window whose
// picture changes shape is drawn again in full. With onlyTree, the tree maps of the other windows are
// left as they are unless their pictures change shape (nothing of their trees changed).
void ReshapePictures(const Rect& area, Window onlyTree = nullptr);
// Screen position of a top-level window's picture pixel (0, 0).
Point PictureOrigin(const WindowObject* top);
// Notes a part of a top-level window's picture (picture coordinates) as drawn.
void NotePictureDamage(WindowObject* top, const Rect& area);
// The simulated handheld's screen takes every part of a picture drawn since (where that window is the
// topmost one); nothing on a host display.
void ComposePending();
void ReleasePicture(WindowObject* top);

// ---- Frames (Frames.cpp) ----
struct FrameInsets {
    int32_t left = 0, top = 0, right = 0, bottom = 0;
};
FrameInsets FrameInsetsOf(uint32_t style);
bool HasFrame(uint32_t style);
void DrawFrame(WindowObject* window);  // draws the non-client frame where the window owns the screen
// The caption button under a screen point: 1 = the "ok" box, 2 = the "?" box, 0 = none.
int CaptionButtonAt(const WindowObject* window, Point screen);

// ---- Painting (Painting.cpp) ----
// Adds a rectangle of client coordinates to the window's update region (clipped to its client area).
// bySystem: the device invalidates (an uncovered or reshaped part, a new look), not the program.
void AddUpdate(WindowObject* window, const Rect& clientRect, bool erase, bool bySystem = true);
bool HasUpdate(const WindowObject* window);

// ---- Messages (Messages.cpp) ----
Process& CurrentProcess();
bool PostMessageTo(Process& process, Window window, uint32_t message, WParam wParam, LParam lParam);

// ---- Input (Input.cpp, Keyboard.cpp) ----
void QueueInput(InputEvent event);
// The next input event that reaches a window of the process, as its message; events for other
// processes' windows go to their queues, events that reach no window are dropped.
std::optional<Message> TakeInput(Process& process);
// The message an event makes for the window it reaches now; false when it reaches none.
bool ResolvePointer(const InputEvent& event, Message* message);
bool ResolveKey(const InputEvent& event, Message* message);

// ---- Focus and activation (Focus.cpp) ----
// Raises the window's top-level window, makes it the active window (MsgActivate to the old and the new
// one) and gives it the focus unless the focus is inside it already.
void ActivateWindow(Window window);
// Brings a top-level window to the top of its band, its owned windows just above it, and redraws what
// the new order changes on the screen.
void RaiseWindow(WindowObject* window);
// A window leaves (hidden or destroyed): it no longer holds activation, focus or capture.
void ForgetWindowState(Window window, bool destroyed);

// ---- Timers (Timers.cpp) ----
std::optional<Message> TakeDueTimer(const Process& process);
std::optional<uint64_t> NextTimerDue(const Process& process);      // the first still to fall due
std::optional<uint64_t> EarliestTimerDue(const Process& process);  // due ones included
void RemoveTimersOf(Window window);
bool TimerMessageStillValid(const Message& message);

// ---- Hot keys (HotKeys.cpp) ----
void RemoveHotKeysOf(Window window);

// ---- Locks (Locks.cpp) ----
void AbandonMutexesOf(int processId);

// ---- Template definitions ----
template <typename Fn>
void ForEachBottomToTop(Window window, Fn&& fn) {
    fn(window);
    std::vector<Window> children = window->children;  // a copy: fn may change the list
    for (auto it = children.rbegin(); it != children.rend(); ++it)
        if (LiveWindow(*it)) ForEachBottomToTop(*it, fn);
}

template <typename Fn>
void ForEachWindowBottomToTop(Fn&& fn) {
    std::vector<Window> tops = Dev().topLevels;
    for (auto it = tops.rbegin(); it != tops.rend(); ++it)
        if (LiveWindow(*it)) ForEachBottomToTop(*it, fn);
}

template <typename Pred>
Window FindBottomToTopFrom(Window window, Pred& pred) {
    if (pred(window)) return window;
    for (auto it = window->children.rbegin(); it != window->children.rend(); ++it)
        if (LiveWindow(*it))
            if (Window found = FindBottomToTopFrom(*it, pred)) return found;
    return nullptr;
}

template <typename Pred>
Window FindBottomToTop(Pred&& pred) {
    const std::vector<Window>& tops = Dev().topLevels;
    for (auto it = tops.rbegin(); it != tops.rend(); ++it)
        if (LiveWindow(*it))
            if (Window found = FindBottomToTopFrom(*it, pred)) return found;
    return nullptr;
}

}  // namespace platform::sim::detail
