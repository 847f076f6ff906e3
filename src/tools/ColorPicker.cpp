// The colour picker window: a colour square that doubles as an eyedropper handle, and the colour under
// the cross-hair as text in RGB and HSB. Pressing elsewhere in the window and dragging moves it, with
// snapping to the glass's edges.
#include "tools/ColorPicker.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <iterator>

#include "magnifier/Rendering.h"
#include "settings/Settings.h"
#include "settings/SkinLayout.h"
#include "tools/Docking.h"

namespace {

using platform::Rect;

constexpr platform::ColorRef GreyBackground = 0x808080;
constexpr platform::ColorRef ShadowColor = 0x000000;
constexpr platform::ColorRef TextColor = 0xFFFFFF;

// The double nearest to 1/255, used as a multiplier.
const double OneOver255 = std::bit_cast<double>(uint64_t{0x3F70101010101010});

bool AnimationRunning(const Magnifier& m) { return m.ShowSteps != 0 || m.HideSteps != 0; }

// Copies an ASCII text into a wide buffer of 128 code units, cut if need be, always terminated.
void CopyToWide(const char* text, char16_t (&out)[128]) {
    size_t i = 0;
    for (; text[i] != '\0' && i + 1 < std::size(out); ++i) out[i] = char16_t(static_cast<unsigned char>(text[i]));
    out[i] = u'\0';
}

void FillWith(platform::Surface surface, const Rect& r, platform::ColorRef color) {
    platform::Brush brush = platform::CreateSolidBrushOf(color);
    platform::FillRectangle(surface, &r, brush);
    platform::DeleteBrushObject(brush);
}

// The skin's picker strip lies at (0, 350); the built-in fallback skin (350 x 350) has none.
bool SkinHasStrip(platform::Bitmap skin, int32_t top, int32_t w, int32_t h) {
    int32_t skinWidth = 0;
    int32_t skinHeight = 0;
    if (!platform::GetBitmapSize(skin, &skinWidth, &skinHeight)) return false;
    return skinWidth >= w && skinHeight >= top + h;
}

// White text with a one-pixel black shadow to the lower right: black first, then white in the
// rectangle grown by one pixel.
void DrawShadowedText(platform::Surface surface, const char16_t* text, Rect r) {
    platform::SetTextColorOf(surface, ShadowColor);
    platform::DrawTextIn(surface, text, -1, &r, platform::TextLeft);
    platform::InflateRectangle(&r, 1, 1);
    platform::SetTextColorOf(surface, TextColor);
    platform::DrawTextIn(surface, text, -1, &r, platform::TextLeft);
}

void ComposeColorPicker(Magnifier& m, platform::Surface work, platform::Surface skin, platform::ColorRef key) {
    const int32_t w = std::min(platform::Width(m.Settings.ColorPickerRect), ColorPickerWidth);
    const int32_t h = std::min(platform::Height(m.Settings.ColorPickerRect), ToolWindowHeight);
    const int32_t gw = platform::Width(m.ColorPickerToolRect);
    const int32_t gh = platform::Height(m.ColorPickerToolRect);
    FillWith(work, Rect{0, 0, w, h}, GreyBackground);
    // Only the colour bytes: a sample read outside the view comes back as 0xFFFFFFFF.
    FillWith(work, Rect{0, 0, gw, gh}, m.PickedColor & 0x00FFFFFF);
    if (SkinHasStrip(m.SkinBitmap, SkinColorPickerStripY, w, h)) {
        platform::TransparentCopy(work, 0, 0, w, h, skin, 0, SkinColorPickerStripY, w, h, key);
    }
    platform::Font previousFont = platform::SelectFontInto(work, m.ToolFont);
    platform::SetBackgroundMode(work, platform::BackgroundTransparent);
    Rect text{gw, 0, w, gh};
    platform::InflateRectangle(&text, -4, -8);
    DrawShadowedText(work, m.ColorPickerText, text);
    platform::SelectFontInto(work, previousFont);
}

void MoveWindowToRect(platform::Window window, const Rect& r) {
    platform::MoveWindowTo(window, r.left, r.top, r.right - r.left, r.bottom - r.top, true);
}

void StartColorPickerDrag(Magnifier& m, int32_t x, int32_t y) {
    const platform::Point p{x, y};
    if (platform::PointInRectangle(m.ColorPickerToolRect, p)) {
        platform::CapturePointer(m.ColorPickerWindow);
        m.PointerState = StateAimColorPicker;
        platform::SetPointerCursor(m.ColorPickerCursor);
        RenderView(m, true, true, true);
    } else if (platform::PointInRectangle(m.Settings.ColorPickerRect, p)) {
        m.PointerState = StateMoveColorPicker;
        m.GrabPoint = p;
        platform::ScreenToClientPoint(m.ColorPickerWindow, &m.GrabPoint);
        platform::CapturePointer(m.ColorPickerWindow);
        platform::SetPointerCursor(platform::LoadSystemCursor(platform::CursorSizeAll));
        platform::DrawFocusRectangle(m.ScreenDC, &m.Settings.ColorPickerRect);
    }
}

void StepColorPickerMove(Magnifier& m, int32_t x, int32_t y) {
    Rect& r = m.Settings.ColorPickerRect;
    platform::DrawFocusRectangle(m.ScreenDC, &r);
    r.left = x - m.GrabPoint.x;
    r.top = y - m.GrabPoint.y;
    r.right = r.left + ColorPickerWidth;
    r.bottom = r.top + ToolWindowHeight;
    SnapToolRect(m, r, ColorPickerWidth, AskerColorPicker);
    ComputeColorPickerDock(m);
    platform::DrawFocusRectangle(m.ScreenDC, &r);
}

}  // namespace

void PaintColorPicker(Magnifier& m, platform::Surface target) {
    DrawLock lock(m);
    if (!lock.Held()) return;
    platform::Surface work = platform::CreateMemorySurface(target);
    platform::Surface skin = platform::CreateMemorySurface(target);
    platform::Bitmap previousSkin = platform::SelectBitmapInto(skin, m.SkinBitmap);
    const platform::ColorRef key = SkinKeyColor(skin);
    platform::Bitmap previousWork = platform::SelectBitmapInto(work, m.ColorPickerBitmap);
    ComposeColorPicker(m, work, skin, key);
    const int32_t w = std::min(platform::Width(m.Settings.ColorPickerRect), ColorPickerWidth);
    const int32_t h = std::min(platform::Height(m.Settings.ColorPickerRect), ToolWindowHeight);
    platform::CopyBits(target, 0, 0, w, h, work, 0, 0, platform::RopSrcCopy);
    platform::SelectBitmapInto(work, previousWork);
    platform::SelectBitmapInto(skin, previousSkin);
    platform::DeleteMemorySurface(work);
    platform::DeleteMemorySurface(skin);
}

void ColorPickerPointer(Magnifier& m, int32_t x, int32_t y) {
    if (AnimationRunning(m)) return;
    StateLockGuard lock(m);
    switch (m.PointerState) {
        case StateIdle:
            StartColorPickerDrag(m, x, y);
            break;
        case StateAimColorPicker:
            m.Settings.ZoomPnt = {x, y};
            break;
        case StateMoveColorPicker:
            StepColorPickerMove(m, x, y);
            break;
        default:
            break;
    }
}

void ColorPickerRelease(Magnifier& m) {
    if (AnimationRunning(m)) return;
    StateLockGuard lock(m);
    if (m.PointerState == StateMoveColorPicker) {
        platform::DrawFocusRectangle(m.ScreenDC, &m.Settings.ColorPickerRect);
        MoveWindowToRect(m.ColorPickerWindow, m.Settings.ColorPickerRect);
        UpdateColorPickerToolRect(m);
    }
    m.AimTimerArmed = 0;
    m.PointerState = StateIdle;
    platform::SetPointerCursor(platform::LoadSystemCursor(platform::CursorArrow));
    platform::ReleasePointer();
}

void UpdateColorPickerText(Magnifier& m) {
    const Hsb hsb = RgbToHsb(m.PickedColor);
    const int h = int(hsb.hue + 0.5);
    const int s = int(hsb.saturation * 100.0 + 0.5);
    const int b = int(hsb.brightness * 100.0 + 0.5);
    char text[128];
    std::snprintf(text, sizeof text, "R:%d G:%d B:%d\nH:%d S:%d B:%d", int(platform::RedOf(m.PickedColor)),
                  int(platform::GreenOf(m.PickedColor)), int(platform::BlueOf(m.PickedColor)), h, s, b);
    CopyToWide(text, m.ColorPickerText);
}

Hsb RgbToHsb(platform::ColorRef color) {
    const double r = double(platform::RedOf(color)) * OneOver255;
    const double g = double(platform::GreenOf(color)) * OneOver255;
    const double b = double(platform::BlueOf(color)) * OneOver255;
    const double max = std::max({r, g, b});
    const double min = std::min({r, g, b});
    const double d = max - min;
    Hsb result;
    result.brightness = max;
    if (max == 0.0) return result;
    result.saturation = d / max;
    if (result.saturation == 0.0) return result;
    const double k = 1.0 / d;
    const double rc = (max - r) * k;
    const double gc = (max - g) * k;
    const double bc = (max - b) * k;
    double hue = 0.0;
    if (r == max) hue = bc - gc;
    if (g == max) hue = (rc + 2.0) - bc;
    if (b == max) hue = (gc + 4.0) - rc;
    hue *= 60.0;
    if (hue < 0.0) hue += 360.0;
    result.hue = hue;
    return result;
}
