// The colour picker window: a colour square that doubles as an eyedropper handle, and the colour under
// the cross-hair as text in RGB and HSB. Pressing elsewhere in the window and dragging moves it, with
// snapping to the glass's edges.
#include "tools/ColorPicker.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <iterator>
#include <string_view>

#include "magnifier/Animation.h"
#include "magnifier/Rendering.h"
#include "magnifier/SkinLayout.h"
#include "settings/Settings.h"
#include "tools/Docking.h"
#include "tools/ToolWindow.h"

namespace {

using platform::Rect;

constexpr platform::ColorRef GreyBackground = 0x808080;

// The double nearest to 1/255, used as a multiplier.
const double OneOver255 = std::bit_cast<double>(uint64_t{0x3F70101010101010});

void ComposeColorPicker(Magnifier& m, platform::Surface work, platform::Surface skin, platform::ColorRef key,
                        int32_t w, int32_t h) {
    const int32_t gw = platform::Width(m.ColorPickerToolRect);
    const int32_t gh = platform::Height(m.ColorPickerToolRect);
    tools::FillWith(work, Rect{0, 0, w, h}, GreyBackground);
    // Only the colour bytes: a sample read outside the view comes back as 0xFFFFFFFF.
    tools::FillWith(work, Rect{0, 0, gw, gh}, m.PickedColor & 0x00FFFFFF);
    if (tools::SkinHasStrip(m.SkinBitmap, SkinColorPickerStripY, w, h)) {
        platform::TransparentCopy(work, 0, 0, w, h, skin, 0, SkinColorPickerStripY, w, h, key);
    }
    tools::DrawToolText(m, work, m.ColorPickerText, Rect{gw, 0, w, gh});
}

tools::ToolWindowMove PickerMove(Magnifier& m) {
    return {m.ColorPickerWindow, m.Settings.ColorPickerRect, ColorPickerWidth, AskerColorPicker,
            ComputeColorPickerDock};
}

void StartColorPickerDrag(Magnifier& m, int32_t x, int32_t y) {
    const platform::Point p{x, y};
    if (platform::PointInRectangle(m.ColorPickerToolRect, p)) {
        platform::CapturePointer(m.ColorPickerWindow);
        m.PointerState = StateAimColorPicker;
        platform::SetPointerCursor(m.ColorPickerCursor);
        RenderView(m, true, true, true);
    } else if (platform::PointInRectangle(m.Settings.ColorPickerRect, p)) {
        tools::BeginToolMove(m, PickerMove(m), p, StateMoveColorPicker);
    }
}

}  // namespace

void PaintColorPicker(Magnifier& m, platform::Surface target) {
    const int32_t w = std::min(platform::Width(m.Settings.ColorPickerRect), ColorPickerWidth);
    const int32_t h = std::min(platform::Height(m.Settings.ColorPickerRect), ToolWindowHeight);
    tools::PaintToolWindow(m, target, m.ColorPickerBitmap, w, h, ComposeColorPicker);
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
            tools::StepToolMove(m, PickerMove(m), x, y);
            break;
        default:
            break;
    }
}

void ColorPickerRelease(Magnifier& m) {
    if (AnimationRunning(m)) return;
    StateLockGuard lock(m);
    if (m.PointerState == StateMoveColorPicker) {
        tools::EndToolMove(m, PickerMove(m));
        UpdateColorPickerToolRect(m);
    }
    tools::EndToolDrag(m);
}

void UpdateColorPickerText(Magnifier& m) {
    const Hsb hsb = RgbToHsb(m.PickedColor);
    const int h = int(hsb.hue + 0.5);
    const int s = int(hsb.saturation * 100.0 + 0.5);
    const int b = int(hsb.brightness * 100.0 + 0.5);
    char text[128];
    std::snprintf(text, sizeof text, "R:%d G:%d B:%d\nH:%d S:%d B:%d", int(platform::RedOf(m.PickedColor)),
                  int(platform::GreenOf(m.PickedColor)), int(platform::BlueOf(m.PickedColor)), h, s, b);
    char16_t wide[128];
    tools::CopyToWide(text, wide);
    // The text names the whole colour: where it stays, so does the window.
    if (std::u16string_view(wide) == std::u16string_view(m.ColorPickerText)) return;
    std::copy(std::begin(wide), std::end(wide), std::begin(m.ColorPickerText));
    if (m.ColorPickerWindow) platform::InvalidateWindowRect(m.ColorPickerWindow, nullptr, false);
}

void CopyPickedColor(Magnifier& m) {
    if (AnimationRunning(m)) return;
    StateLockGuard lock(m);
    if (m.PointerState != StateIdle) return;
    char text[8];
    std::snprintf(text, sizeof text, "#%02X%02X%02X", unsigned(platform::RedOf(m.PickedColor)),
                  unsigned(platform::GreenOf(m.PickedColor)), unsigned(platform::BlueOf(m.PickedColor)));
    char16_t wide[128];
    tools::CopyToWide(text, wide);
    platform::SetClipboardText(m.ColorPickerWindow, wide);  // a clipboard held elsewhere keeps its text
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
