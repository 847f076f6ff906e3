// Platform window and system services: windows and messages, pointer and keys, timers, hot keys,
// tray, menus, dialogs and controls, resources and files, registry, processes and sound, locks.
// Every function mirrors the handheld's service of the same purpose; failures are reported as null,
// false, zero or an error code, never by an exception.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/Constants.h"
#include "platform/Types.h"

namespace platform {

// ---- Windows and messages ----

struct WindowClass {
    uint32_t style = 0;
    WindowProcedure procedure = nullptr;
    Module instance = nullptr;
    Icon icon = nullptr;
    Cursor cursor = nullptr;
    Brush background = nullptr;
    const char16_t* name = nullptr;
};

// Returns false when refused (for instance a class of that name already exists for the module).
bool RegisterWindowClass(const WindowClass& windowClass);
bool UnregisterWindowClass(const char16_t* name, Module instance);

// A null parent makes a top-level window. MsgCreate is sent before this returns; createParam
// reaches it as the lParam.
Window CreateWindowObject(uint32_t exStyle, const char16_t* className, const char16_t* title, uint32_t style,
                          int32_t x, int32_t y, int32_t width, int32_t height, Window parent, intptr_t id,
                          Module instance, void* createParam);
bool DestroyWindowObject(Window window);  // sends MsgDestroy
bool IsWindowObject(Window window);

uint32_t GetWindowStyle(Window window);
void SetWindowStyle(Window window, uint32_t style);
uint32_t GetWindowExStyle(Window window);
void SetWindowExStyle(Window window, uint32_t exStyle);
intptr_t GetWindowId(Window window);
Window GetParentWindow(Window window);

bool MoveWindowTo(Window window, int32_t x, int32_t y, int32_t width, int32_t height, bool repaint);
bool ShowWindowAs(Window window, int command);  // ShowHide, ShowNormal, ShowShow
bool IsWindowShown(Window window);
bool UpdateWindowNow(Window window);            // paint at once if anything is invalid
bool InvalidateWindowRect(Window window, const Rect* rect, bool erase);  // null rect = whole client
bool SetForeground(Window window);
Window GetForeground();
bool EnableWindowInput(Window window, bool enable);
bool IsWindowInputEnabled(Window window);
bool SetWindowTextTo(Window window, const char16_t* text);
int GetWindowTextOf(Window window, char16_t* buffer, int capacity);
Window GetDesktop();
bool GetWindowRectangle(Window window, Rect* rect);  // screen coordinates
bool GetClientRectangle(Window window, Rect* rect);  // (0, 0, width, height)
Window SetFocusTo(Window window);
Window GetFocusWindow();

// The message loop. GetNextMessage returns false when the quit message arrives (its exit code is
// then in message->wParam).
bool GetNextMessage(Message* message);
bool TranslateAcceleratorFor(Window window, Accelerators table, Message* message);
bool TranslateToCharacters(const Message* message);
LResult DispatchToWindow(const Message* message);
LResult DefaultWindowProcedure(Window window, uint32_t message, WParam wParam, LParam lParam);
void PostQuit(int exitCode);
bool PostToWindow(Window window, uint32_t message, WParam wParam, LParam lParam);
LResult SendToWindow(Window window, uint32_t message, WParam wParam, LParam lParam);

struct PaintInfo {
    Surface surface = nullptr;
    bool erase = false;
    Rect paintRect;
    // The window's pixels in paintRect are still those its last paints left there: only the program
    // invalidated them. False where the system may have lost or changed them.
    bool kept = false;
};
Surface BeginPainting(Window window, PaintInfo* info);
void EndPainting(Window window, const PaintInfo* info);

// ---- Pointer and keys ----

Window CapturePointer(Window window);  // returns the previous capture
bool ReleasePointer();                 // the window losing it gets MsgCaptureChanged at once
Window GetPointerCapture();
Cursor SetPointerCursor(Cursor cursor);  // returns the previous cursor
Cursor LoadSystemCursor(int id);         // CursorArrow ...; shared, never destroyed
bool ClientToScreenPoint(Window window, Point* point);
bool ScreenToClientPoint(Window window, Point* point);
bool GetCursorPosition(Point* point);
int16_t GetKeyStateOf(int virtualKey);  // high bit set = held

// ---- Timers and time ----

uintptr_t SetWindowTimer(Window window, uintptr_t id, uint32_t intervalMs, TimerProcedure procedure);
bool KillWindowTimer(Window window, uintptr_t id);
uint32_t GetTickCountMs();

// ---- Hot keys ----

bool RegisterHotKeyFor(Window window, int id, uint32_t modifiers, uint32_t virtualKey);
bool UnregisterHotKeyFor(Window window, int id);

// ---- Tray ----

// The handheld's 152-byte tray record.
struct TrayIconRecord {
    uint32_t size = 0;
    Window window = nullptr;
    uint32_t id = 0;
    uint32_t flags = 0;
    uint32_t callbackMessage = 0;
    Icon icon = nullptr;
    char16_t tip[64] = {};
};
bool TrayNotify(uint32_t operation, const TrayIconRecord* record);  // TrayAdd, TrayModify, TrayDelete

// ---- Menus ----

Menu CreatePopupMenuObject();
bool AppendMenuItem(Menu menu, uint32_t flags, uintptr_t id, const char16_t* text);
// Shows the menu with its corner at (x, y) and waits for the choice. With TrackReturnCommand the
// chosen id is returned (0 when dismissed).
int TrackPopupMenuAt(Menu menu, uint32_t flags, int32_t x, int32_t y, Window owner);
bool DestroyMenuObject(Menu menu);

// ---- Dialogs and controls ----

bool InitCommonControlClasses(uint32_t classes);
DialogTemplate FindDialogTemplate(Module module, int id);  // null when the module has none
// Runs the dialog modally; returns the code given to EndDialogWith, or -1 when it cannot be made.
intptr_t RunModalDialog(Module module, DialogTemplate dialogTemplate, Window owner, DialogProcedure procedure,
                        LParam initParam);
Window CreateModelessDialog(Module module, DialogTemplate dialogTemplate, Window parent,
                            DialogProcedure procedure, LParam initParam);
bool EndDialogWith(Window dialog, intptr_t result);
Window GetDialogItem(Window dialog, int id);
LResult SendDialogItemMessage(Window dialog, int id, uint32_t message, WParam wParam, LParam lParam);
bool SetDialogItemText(Window dialog, int id, const char16_t* text);
int GetDialogItemText(Window dialog, int id, char16_t* buffer, int capacity);

// The header of a notification message (MsgNotify's lParam points to it).
struct NotifyHeader {
    Window from = nullptr;
    uintptr_t id = 0;
    uint32_t code = 0;
};
// TabInsertItem's lParam.
struct TabItem {
    const char16_t* text = nullptr;
};

// ---- Resources and files ----

// Full device path of the module's file (for the program: its executable).
int GetModulePath(Module module, char16_t* buffer, int capacity);
Module LoadResourceModule(const char16_t* path);  // null when absent or unreadable
bool FreeResourceModule(Module module);
int LoadStringResource(Module module, int id, char16_t* buffer, int capacity);  // 0 = missing
Icon LoadIconResource(Module module, int id);
Cursor LoadCursorResource(Module module, int id);  // shared, never destroyed
Accelerators LoadAcceleratorResource(Module module, int id);
bool DestroyIconObject(Icon icon);

struct FindData {
    char16_t name[260] = {};
    bool directory = false;
};
FindHandle FindFirstFileAt(const char16_t* pattern, FindData* data);  // null when nothing matches
bool FindNextFileAt(FindHandle handle, FindData* data);
bool FindCloseHandle(FindHandle handle);

// ---- Registry (HKEY_CURRENT_USER) ----

// Error codes: ErrorSuccess, ErrorFileNotFound, ErrorMoreData ...
uint32_t RegistryOpenKey(const char16_t* subKey, RegKey* key);
uint32_t RegistryCreateKey(const char16_t* subKey, RegKey* key);
// size: in = capacity of data, out = size of the value. A value larger than the capacity fails with
// ErrorMoreData and copies nothing.
uint32_t RegistryQueryValue(RegKey key, const char16_t* name, uint32_t* type, void* data, uint32_t* size);
uint32_t RegistrySetValue(RegKey key, const char16_t* name, uint32_t type, const void* data, uint32_t size);
uint32_t RegistryCloseKey(RegKey key);

// ---- Processes and sound ----

struct ProcessInfo {
    uintptr_t process = 0;
    uintptr_t thread = 0;
};
bool StartProcess(const char16_t* program, const char16_t* commandLine, ProcessInfo* info);
bool CloseProcessHandle(uintptr_t handle);
bool PlaySoundFile(const char16_t* path, uint32_t flags);

// ---- Clipboard ----

// Puts a text on the system clipboard in place of whatever it held, on behalf of the owner window.
// Returns false when the clipboard cannot be had (another program holds it, no memory).
bool SetClipboardText(Window owner, const char16_t* text);

// ---- Locks ----

Mutex CreateNamedMutex(const char16_t* name, bool initiallyOwned);
uint32_t GetLastErrorCode();
uint32_t WaitForMutex(Mutex mutex, uint32_t timeoutMs);  // WaitObject0, WaitTimeout, WaitFailed
bool ReleaseMutexOwnership(Mutex mutex);
bool CloseMutexHandle(Mutex mutex);

// A recursive lock for one thread's nesting (the program is single-threaded).
struct CriticalSection {
    void* implementation = nullptr;
};
void InitializeLock(CriticalSection* lock);
void EnterLock(CriticalSection* lock);
void LeaveLock(CriticalSection* lock);
void DeleteLock(CriticalSection* lock);

}  // namespace platform
