// Start-up, the message loop and shutdown of the program.
#include "shell/Shell.h"

#include <new>
#include <string>

#include "magnifier/Magnifier.h"
#include "magnifier/SkinLayout.h"
#include "settings/SettingsStore.h"
#include "shell/ShellScope.h"
#include "shell/ShellState.h"
#include "shell/Tick.h"
#include "shell/WindowProcedure.h"

using namespace platform;

namespace {

constexpr int TitleCapacity = 100;
constexpr int ClassNameCapacity = 100;
constexpr int PathCapacity = 260;
constexpr uint32_t ShellClassStyle = ClassVRedraw | ClassHRedraw | ClassDoubleClicks;  // 0x000B
constexpr uint32_t ShellExStyle = ExStyleTopmost | ExStyleToolWindow;                   // 0x88
constexpr uint32_t ShellStyle = StyleOverlapped;

// Creates one of the three windows hidden at (0, 0), 1 x 1, and strips the border and caption that an
// overlapped window gets.
Window CreateShellWindow(Module instance, const char16_t* className, const char16_t* title) {
    Window window = CreateWindowObject(ShellExStyle, className, title, ShellStyle, 0, 0, 1, 1, nullptr, 0,
                                       instance, nullptr);
    if (window) SetWindowStyle(window, GetWindowStyle(window) & ~StyleCaption);
    return window;
}

// Registers the class named by string `classId` and creates its window.
Window RegisterAndCreate(Module instance, int classId, const char16_t* title) {
    char16_t className[ClassNameCapacity] = {};
    LoadShellString(classId, className, ClassNameCapacity);
    if (!RegisterShellClass(instance, className)) return nullptr;
    return CreateShellWindow(instance, className, title);
}

// Allocates and constructs the one Magnifier; null when memory is short or another copy runs.
Magnifier* CreateMagnifier(Module instance, const ShellState& s) {
    Magnifier* m = new (std::nothrow) Magnifier;
    if (!m) return nullptr;
    if (!ConstructMagnifier(*m, instance, s.MagnifierWindow, s.ColorPickerWindow, s.TapeWindow)) {
        DiscardFailedMagnifier(*m);
        delete m;
        return nullptr;
    }
    return m;
}

int RunMessageLoop(Accelerators accelerators) {
    Message message;
    while (GetNextMessage(&message)) {
        // Offered against the addressed window, so the keys work whichever window has the focus.
        if (accelerators && TranslateAcceleratorFor(message.window, accelerators, &message)) continue;
        TranslateToCharacters(&message);
        DispatchToWindow(&message);
    }
    return int(message.wParam);
}

// The class icon is shared by the three classes; it is released once the loop has ended (the windows
// and their classes end with the process, and nothing draws a class icon of a caption-less window).
void ReleaseClassIcon() {
    ShellState& s = Shell();
    if (s.ClassIcon) {
        DestroyIconObject(s.ClassIcon);
        s.ClassIcon = nullptr;
    }
}

}  // namespace

int LoadShellString(int id, char16_t* buffer, int capacity) {
    if (!buffer || capacity <= 0) return 0;
    buffer[0] = 0;
    const ShellState& s = Shell();
    int length = LoadStringResource(s.ResourceInstance, id, buffer, capacity);
    if (length <= 0 && s.ResourceInstance != s.Instance) length = LoadStringResource(s.Instance, id, buffer, capacity);
    if (length <= 0) {
        buffer[0] = 0;
        return 0;
    }
    return length;
}

void LoadResourceLibrary() {
    ShellState& s = Shell();
    s.ResourceLibrary = nullptr;
    s.ResourceInstance = s.Instance;
    char16_t folder[PathCapacity] = {};
    if (!GetExecutableFolder(s.Instance, folder)) return;
    std::u16string path = std::u16string(folder) + u"\\Localize.dll";
    if (path.size() >= size_t(PathCapacity)) return;  // would not fit the path buffer: no library
    Module library = LoadResourceModule(path.c_str());
    if (!library) return;
    s.ResourceLibrary = library;
    s.ResourceInstance = library;
}

bool RegisterShellClass(Module instance, const char16_t* className) {
    ShellState& s = Shell();
    if (!s.ClassIcon) s.ClassIcon = LoadIconResource(instance, Res::IconProgram);
    WindowClass windowClass;
    windowClass.style = ShellClassStyle;
    windowClass.procedure = ::WindowProcedure;
    windowClass.instance = instance;
    windowClass.icon = s.ClassIcon;
    windowClass.cursor = nullptr;
    windowClass.background = GetSystemColorBrush(SysColorWindow);  // white; never used, nothing is erased
    windowClass.name = className;
    return RegisterWindowClass(windowClass);
}

bool InitInstance(Module instance) {
    ShellState& s = Shell();
    s.Instance = instance;
    LoadResourceLibrary();

    char16_t title[TitleCapacity] = {};
    LoadShellString(Res::StringTitle, title, TitleCapacity);

    // The magnifier window's creation adds the tray icon (window procedure).
    s.MagnifierWindow = RegisterAndCreate(instance, Res::StringMagnifierClass, title);
    if (!s.MagnifierWindow) return false;
    SetPointerCursor(LoadSystemCursor(CursorArrow));

    s.ColorPickerWindow = RegisterAndCreate(instance, Res::StringColorPickerClass, title);
    if (!s.ColorPickerWindow) return false;
    s.TapeWindow = RegisterAndCreate(instance, Res::StringTapeClass, title);
    if (!s.TapeWindow) return false;

    Magnifier* m = CreateMagnifier(instance, s);
    if (!m) return false;
    s.MagnifierObject = m;

    if (!LoadFromRegistry(*m)) LoadDefaults(*m);
    LayoutWindows(*m);
    StartTick();
    return true;
}

void Shutdown() {
    ShellState& s = Shell();
    StopTick();
    if (s.MagnifierWindow) KillWindowTimer(s.MagnifierWindow, TrayTimerId);  // a pending tap has nothing left to toggle
    s.TrayTapPending = false;
    ReleasePointer();
    if (Magnifier* m = s.MagnifierObject) {
        StopLocator(*m);
        TeardownMagnifier(*m);
        s.MagnifierObject = nullptr;
        delete m;
    }
    if (s.TrayIconAdded) {
        TrayNotify(TrayDelete, &s.TrayIconData);
        s.TrayIconAdded = false;
    }
    if (s.TrayIcon) {
        DestroyIconObject(s.TrayIcon);
        s.TrayIcon = nullptr;
    }
    if (s.PopupMenu) {
        DestroyMenuObject(s.PopupMenu);
        s.PopupMenu = nullptr;
    }
    if (s.ResourceLibrary) {
        FreeResourceModule(s.ResourceLibrary);
        s.ResourceLibrary = nullptr;
        s.ResourceInstance = s.Instance;
    }
}

int VistrelMain(Module instance) {
    ShellState state;
    ShellScope scope(state);

    InitCommonControlClasses(ControlClassesTab);
    if (!InitInstance(instance)) {
        Shutdown();
        ReleaseClassIcon();
        return 0;
    }
    int exitCode = RunMessageLoop(LoadAcceleratorResource(instance, Res::AcceleratorTable));
    Shutdown();  // releases nothing when the loop ended through the shutdown of the tick or the destroy
    ReleaseClassIcon();
    return exitCode;
}
