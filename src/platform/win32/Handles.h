// What the platform's opaque handles are on Windows, and the live-handle counts by kind.
// Most handles are the Windows handles themselves, cast; the few that are not (a file search, whose
// failure value is not null) are small records of our own.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstdint>
#include <map>
#include <string>

#include "platform/Types.h"

namespace platform {

// A file search in progress.
struct FindObject {
    HANDLE search = INVALID_HANDLE_VALUE;
};

namespace win32 {

inline HWND ToNative(Window w) { return reinterpret_cast<HWND>(w); }
inline HDC ToNative(Surface s) { return reinterpret_cast<HDC>(s); }
inline HBITMAP ToNative(Bitmap b) { return reinterpret_cast<HBITMAP>(b); }
inline HBRUSH ToNative(Brush b) { return reinterpret_cast<HBRUSH>(b); }
inline HPEN ToNative(Pen p) { return reinterpret_cast<HPEN>(p); }
inline HFONT ToNative(Font f) { return reinterpret_cast<HFONT>(f); }
inline HCURSOR ToNative(Cursor c) { return reinterpret_cast<HCURSOR>(c); }
inline HICON ToNative(Icon i) { return reinterpret_cast<HICON>(i); }
inline HMENU ToNative(Menu m) { return reinterpret_cast<HMENU>(m); }
inline HMODULE ToNative(Module m) { return reinterpret_cast<HMODULE>(m); }
inline HANDLE ToNative(Mutex m) { return reinterpret_cast<HANDLE>(m); }
inline HACCEL ToNative(Accelerators a) { return reinterpret_cast<HACCEL>(a); }
inline HKEY ToNative(RegKey k) { return reinterpret_cast<HKEY>(k); }

inline Window FromNative(HWND w) { return reinterpret_cast<Window>(w); }
inline Surface FromNative(HDC s) { return reinterpret_cast<Surface>(s); }
inline Bitmap FromNative(HBITMAP b) { return reinterpret_cast<Bitmap>(b); }
inline Brush FromNative(HBRUSH b) { return reinterpret_cast<Brush>(b); }
inline Pen FromNative(HPEN p) { return reinterpret_cast<Pen>(p); }
inline Font FromNative(HFONT f) { return reinterpret_cast<Font>(f); }
inline Icon FromNativeIcon(HICON i) { return reinterpret_cast<Icon>(i); }
inline Cursor FromNativeCursor(HCURSOR c) { return reinterpret_cast<Cursor>(c); }
inline Menu FromNative(HMENU m) { return reinterpret_cast<Menu>(m); }
inline Module FromNative(HMODULE m) { return reinterpret_cast<Module>(m); }
inline Mutex FromNativeMutex(HANDLE m) { return reinterpret_cast<Mutex>(m); }
inline Accelerators FromNative(HACCEL a) { return reinterpret_cast<Accelerators>(a); }
inline RegKey FromNative(HKEY k) { return reinterpret_cast<RegKey>(k); }

inline const wchar_t* Wide(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }
inline wchar_t* Wide(char16_t* text) { return reinterpret_cast<wchar_t*>(text); }

// Live handles by kind ("surfaces", "bitmaps", "brushes", "pens", "fonts", "icons", "menus",
// "windows", "mutexes", "keys", "finds", "modules", ...): every handle this backend hands out is
// counted up when made and down when released, so a leak shows.
inline std::map<std::string, int64_t>& HandleCounts() {
    static std::map<std::string, int64_t> counts;
    return counts;
}
inline void CountMade(const char* kind) { ++HandleCounts()[kind]; }
inline void CountReleased(const char* kind) { --HandleCounts()[kind]; }

}  // namespace win32

// The backend's files use the casts and counts without qualification.
using win32::CountMade;
using win32::CountReleased;
using win32::FromNative;
using win32::FromNativeCursor;
using win32::FromNativeIcon;
using win32::FromNativeMutex;
using win32::ToNative;
using win32::Wide;

}  // namespace platform
