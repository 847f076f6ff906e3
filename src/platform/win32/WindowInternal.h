// What the window and system services of the Windows backend share among their files: the procedure
// that stands between Windows and the program's window procedures, and the per-window records that
// procedure tidies up when a window ends.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/Window.h"
#include "platform/win32/Handles.h"
#include "platform/win32/VirtualScreen.h"

namespace platform::win32 {

// The handheld announces a changed screen (turned, or a new resolution) with the setting-change
// message and this first parameter; the desktop sends WM_DISPLAYCHANGE instead.
constexpr WPARAM HandheldScreenChange = 0x3002;

// The window procedure of every class registered through RegisterWindowClass. It hands each message
// to the program's procedure of that class, in the handheld's form.
LRESULT CALLBACK ClassWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The cursor the program set last (null before it set one): shown again whenever the pointer comes
// over the program's windows.
HCURSOR ProgramCursor();

// The desktop's virtual screen now (read afresh: monitors come and go), and the shifts between its
// coordinates and the program's for points in the desktop's form.
VirtualScreen CurrentVirtualScreen();
Point ToProgram(POINT desktop);
POINT ToDesktop(Point program);
// A top-level window's position is in screen coordinates; a child's is in its parent's client area.
bool IsChildWindow(HWND window);

// Moves the origin of the screen surfaces handed out to the virtual screen's new top-left corner,
// after monitors were added, removed or rearranged.
void FollowMonitorChange();

// Adds the tray icons of the window again (after the taskbar has been re-created).
void RestoreTrayIcons(HWND window);
// Drops what the backend keeps for a window that ends: its timers' procedures and tray records.
void ForgetWindowTimers(HWND window);
void ForgetTrayIcons(HWND window);
// Counts a window made by CreateWindowObject as released, once.
void ForgetMadeWindow(HWND window);

// The handheld's OK button in the caption: on the desktop the window gets a close box instead, and a
// dialog's close box confirms the dialog as that button does.
void SetCaptionOkButton(HWND window, bool present);
bool HasCaptionOkButton(HWND window);

// SendMessageW, with TabInsertItem's TabItem turned into the desktop's TCITEMW.
LRESULT SendConverted(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// True when `size` bytes at `data` hold a whole dialog template (plain or extended): every field and
// every control lies inside, so that the dialog manager never reads beyond the resource.
bool DialogTemplateFits(const void* data, size_t size);

}  // namespace platform::win32
