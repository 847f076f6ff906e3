// Basic types of the platform interface: geometry records, colours, opaque handles and the message
// form. The system's code sees only these; every backend defines what the handles point to.
#pragma once

#include <cstdint>

namespace platform {

struct Point {
    int32_t x = 0;
    int32_t y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

// Right and bottom are exclusive.
struct Rect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
    friend bool operator==(const Rect&, const Rect&) = default;
};

// 0x00BBGGRR: red in the low byte.
using ColorRef = uint32_t;
constexpr ColorRef Rgb(uint8_t r, uint8_t g, uint8_t b) {
    return ColorRef(r) | (ColorRef(g) << 8) | (ColorRef(b) << 16);
}
constexpr uint8_t RedOf(ColorRef c) { return uint8_t(c & 0xFF); }
constexpr uint8_t GreenOf(ColorRef c) { return uint8_t((c >> 8) & 0xFF); }
constexpr uint8_t BlueOf(ColorRef c) { return uint8_t((c >> 16) & 0xFF); }

// Opaque handles. A null handle means failure or "none".
struct WindowObject;
struct SurfaceObject;
struct BitmapObject;
struct BrushObject;
struct PenObject;
struct FontObject;
struct CursorObject;
struct IconObject;
struct MenuObject;
struct ModuleObject;
struct MutexObject;
struct AcceleratorObject;
struct RegKeyObject;
struct FindObject;
struct DialogTemplateObject;

using Window = WindowObject*;
using Surface = SurfaceObject*;
using Bitmap = BitmapObject*;
using Brush = BrushObject*;
using Pen = PenObject*;
using Font = FontObject*;
using Cursor = CursorObject*;
using Icon = IconObject*;
using Menu = MenuObject*;
using Module = ModuleObject*;
using Mutex = MutexObject*;
using Accelerators = AcceleratorObject*;
using RegKey = RegKeyObject*;
using FindHandle = FindObject*;
using DialogTemplate = const DialogTemplateObject*;

// Messages keep the platform's form: a code and two parameters.
using WParam = uintptr_t;
using LParam = intptr_t;
using LResult = intptr_t;

using WindowProcedure = LResult (*)(Window window, uint32_t message, WParam wParam, LParam lParam);
using TimerProcedure = void (*)(Window window, uint32_t message, uintptr_t timerId, uint32_t time);
// Returns true when the message was handled (the dialog's result for it).
using DialogProcedure = intptr_t (*)(Window dialog, uint32_t message, WParam wParam, LParam lParam);

struct Message {
    Window window = nullptr;
    uint32_t message = 0;
    WParam wParam = 0;
    LParam lParam = 0;
    uint32_t time = 0;
    Point point;
};

// Packing helpers for message parameters.
constexpr uint16_t LowWord(uintptr_t v) { return uint16_t(v & 0xFFFF); }
constexpr uint16_t HighWord(uintptr_t v) { return uint16_t((v >> 16) & 0xFFFF); }
constexpr LParam MakeLParam(int32_t low, int32_t high) {
    return LParam(uint32_t((uint32_t(high) & 0xFFFF) << 16 | (uint32_t(low) & 0xFFFF)));
}
constexpr WParam MakeWParam(uint32_t low, uint32_t high) {
    return WParam((high & 0xFFFF) << 16 | (low & 0xFFFF));
}
// Signed 16-bit halves of a packed position.
constexpr int32_t PointX(LParam v) { return int16_t(uint16_t(uintptr_t(v) & 0xFFFF)); }
constexpr int32_t PointY(LParam v) { return int16_t(uint16_t((uintptr_t(v) >> 16) & 0xFFFF)); }

}  // namespace platform
