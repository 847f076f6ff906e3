// Brushes, pens and the figures drawn with them: filled rectangles, ellipses, focus rectangles and
// lines in copy or XOR mode.
#include "platform/Drawing.h"
#include "platform/win32/Handles.h"

namespace platform {

namespace {

RECT ToNativeRect(const Rect& rect) { return RECT{rect.left, rect.top, rect.right, rect.bottom}; }

bool IsObjectOf(HGDIOBJ object, DWORD type) { return object && ::GetObjectType(object) == type; }

}  // namespace

Brush CreateSolidBrushOf(ColorRef color) {
    HBRUSH brush = ::CreateSolidBrush(color & 0x00FFFFFF);
    if (brush) CountMade("brushes");
    return FromNative(brush);
}

Brush GetSystemColorBrush(int index) { return FromNative(::GetSysColorBrush(index)); }

ColorRef GetSystemColor(int index) { return ::GetSysColor(index); }

Pen CreatePenOf(int style, int32_t width, ColorRef color) {
    HPEN pen = ::CreatePen(style, width, color & 0x00FFFFFF);
    if (pen) CountMade("pens");
    return FromNative(pen);
}

bool DeleteBrushObject(Brush brush) {
    HBRUSH native = ToNative(brush);
    if (!IsObjectOf(native, OBJ_BRUSH) || !::DeleteObject(native)) return false;
    CountReleased("brushes");
    return true;
}

bool DeletePenObject(Pen pen) {
    HPEN native = ToNative(pen);
    if (!IsObjectOf(native, OBJ_PEN) || !::DeleteObject(native)) return false;
    CountReleased("pens");
    return true;
}

bool FillRectangle(Surface surface, const Rect* rect, Brush brush) {
    // A null brush would be read as a system colour index by the system; it draws nothing here.
    if (!surface || !rect || !brush) return false;
    const RECT area = ToNativeRect(*rect);
    return ::FillRect(ToNative(surface), &area, ToNative(brush)) != 0;
}

bool DrawEllipse(Surface surface, int32_t left, int32_t top, int32_t right, int32_t bottom) {
    if (!surface) return false;
    return ::Ellipse(ToNative(surface), left, top, right, bottom) != FALSE;
}

bool DrawFocusRectangle(Surface surface, const Rect* rect) {
    if (!surface || !rect) return false;
    const RECT area = ToNativeRect(*rect);
    return ::DrawFocusRect(ToNative(surface), &area) != FALSE;
}

int SetLineMode(Surface surface, int mode) {
    if (!surface) return 0;
    return ::SetROP2(ToNative(surface), mode);
}

bool MoveTo(Surface surface, int32_t x, int32_t y, Point* previous) {
    if (!surface) return false;
    POINT before = {};
    if (!::MoveToEx(ToNative(surface), x, y, &before)) return false;
    if (previous) *previous = Point{before.x, before.y};
    return true;
}

bool LineTo(Surface surface, int32_t x, int32_t y) {
    if (!surface) return false;
    return ::LineTo(ToNative(surface), x, y) != FALSE;
}

}  // namespace platform
