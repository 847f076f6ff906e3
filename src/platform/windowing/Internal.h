// What the parts of the window system share among themselves: object counting, the screen and
// window clipping, resource records (icons, cursors, accelerators, dialog templates) and resets.
// Not for the system's code, tests or vistrel-sim.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Types.h"
#include "platform/raster/Canvas.h"
#include "platform/windowing/Image.h"

namespace platform {

// Shared resource records, made by the module loader (Resources.cpp).
struct IconObject {
    int id = 0;
    sim::Image image;
    std::vector<bool> mask;  // true = transparent
};

struct CursorObject {
    int id = 0;          // resource id, or the system id (32512 ...) for system cursors
    bool system = false;
    sim::Image image;
    std::vector<bool> mask;
    Point hotSpot;
};

struct AcceleratorObject {
    struct Entry {
        uint8_t flags = 0;  // AccelVirtKey, AccelAlt ...
        uint16_t key = 0;   // virtual key, or character code when AccelVirtKey is clear
        uint16_t command = 0;
    };
    std::vector<Entry> entries;
};

// A dialog template in dialog units, as the resource script gives it.
struct DialogTemplateObject {
    struct Control {
        std::u16string className;  // BUTTON, STATIC, EDIT, COMBOBOX, msctls_trackbar32, SysTabControl32
        std::u16string text;
        int id = -1;
        int32_t x = 0, y = 0, width = 0, height = 0;
        uint32_t style = 0;
        uint32_t exStyle = 0;
        int iconId = 0;  // STATIC icon controls: the icon resource id
    };
    int id = 0;
    std::u16string caption;
    int32_t x = 0, y = 0, width = 0, height = 0;
    uint32_t style = 0;
    uint32_t exStyle = 0;
    std::u16string fontName;
    int fontSize = 0;
    std::vector<Control> controls;
};

}  // namespace platform

namespace platform::sim::detail {

// ---- Object counting (Device.cpp) ----
// Every handle handed out is counted by kind: "surfaces", "bitmaps", "brushes", "pens", "fonts",
// "cursors", "icons", "menus", "windows", "modules", "mutexes", "regkeys", "finds", "locks",
// "processes".
void CountObject(const char* kind, int delta);

// ---- The device's log (Device.cpp) ----
// One line to the log writer the host set (SetLogWriter), else to standard error.
void Log(std::string_view line);

// ---- Screen and windows (Screen.cpp) ----
// The kept screen's pixels, composed (an empty picture on a host display).
Image& ScreenImage();
Rect ScreenBounds();
int32_t ScreenPixelsPerInch();

// How a window's surface reaches the screen: its client origin in screen coordinates and, per pixel,
// whether drawing through the surface may change it (the pixel belongs to the window's visible part
// and, for a paint surface, to the region being painted).
struct WindowClip {
    Point origin;
    Rect bounds;  // screen rectangle outside which nothing is allowed
    bool ownersOnly = false;  // inside bounds, only the pixels the window owns (not for the desktop)
};
bool GetWindowClip(Window window, bool paintClip, WindowClip* clip);
// The part of the screen a top-level dialog owned by `owner` is placed in: the host monitor that holds
// the owner's centre (else the active window's, else the pointer); the whole screen without monitors.
Rect DialogArea(Window owner);
// Whether the window is the topmost one of its tree on every pixel of rect (its top-level window's
// picture coordinates); kept until the owners change, so that the window's drawing skips the per-pixel
// test while none of its children or siblings covers it.
bool OwnsEveryPixel(Window window, const Rect& rect);
// A window's top-level window's picture, where drawing through the window goes (Pictures.cpp): its
// pixels, the screen position of its pixel (0, 0) and, when the tree has children, the map of which
// window is the topmost on each pixel (null otherwise). False when there is none.
struct WindowPictureAccess {
    raster::Canvas picture;
    Point origin;
    const Window* owners = nullptr;
    Window top = nullptr;
};
bool AccessWindowPicture(Window window, WindowPictureAccess* access);
// A part of a window's top-level picture (picture coordinates) was drawn.
void NoteDrawn(Window window, const Rect& area);

// ---- Raster (Raster.cpp) ----
Surface CreateWindowSurface(Window window, bool paintClip);  // counted as a surface
void DestroyWindowSurface(Surface surface);
void ResetRaster();

// ---- Resources, files and registry (Resources.cpp, Files.cpp, Registry.cpp) ----
Module CreateExecutableModule();   // the running program's own module (counted as a module)
void DestroyExecutableModule(Module module);
// Host path of a device path ("\Program Files\Vistrel\Skins\x.bmp"); empty when it maps nowhere.
std::string HostPath(const char16_t* devicePath);
void ResetResources();
void LoadRegistryFile(const std::string& hostPath);  // empty path: empty registry, not kept
void SaveRegistryFile();  // writes the registry file now, as a change would (nothing when none is kept)
void LoadRegistryText(std::string_view bytes);  // a registry not kept in a file, read from a file's bytes
std::string RegistryFileText();  // the text the registry file is given when it is written
void ResetRegistry();

// ---- UTF helpers (Utf.cpp) ----
std::string ToUtf8(const std::u16string& text);
std::u16string FromUtf8(const std::string& text);

}  // namespace platform::sim::detail
