#include "tools/ToolWindow.h"

#include <iterator>

#include "magnifier/Animation.h"
#include "magnifier/Rendering.h"
#include "magnifier/SkinLayout.h"

namespace tools {

namespace {
constexpr platform::ColorRef ShadowColor = 0x000000;
constexpr platform::ColorRef TextColor = 0xFFFFFF;
}  // namespace

void CopyToWide(const char* text, char16_t (&out)[128]) {
    size_t i = 0;
    for (; text[i] != '\0' && i + 1 < std::size(out); ++i) out[i] = char16_t(static_cast<unsigned char>(text[i]));
    out[i] = u'\0';
}

bool SkinHasStrip(platform::Bitmap skin, int32_t top, int32_t w, int32_t h) {
    int32_t skinWidth = 0;
    int32_t skinHeight = 0;
    if (!platform::GetBitmapSize(skin, &skinWidth, &skinHeight)) return false;
    return skinWidth >= w && skinHeight >= top + h;
}

void FillWith(platform::Surface surface, const platform::Rect& r, platform::ColorRef color) {
    platform::Brush brush = platform::CreateSolidBrushOf(color);
    platform::FillRectangle(surface, &r, brush);
    platform::DeleteBrushObject(brush);
}

// Black first, then white in the rectangle grown by one pixel. The text keeps 8 pixels above and below
// but only one at the sides: the tape's four-digit coordinates need nearly the whole width right of its
// tool square in the handheld's 12-point face.
void DrawToolText(const Magnifier& m, platform::Surface work, const char16_t* text, platform::Rect area) {
    platform::Font previousFont = platform::SelectFontInto(work, m.ToolFont);
    platform::SetBackgroundMode(work, platform::BackgroundTransparent);
    platform::InflateRectangle(&area, -ToolTextSideMargin, -ToolTextTopMargin);
    platform::SetTextColorOf(work, ShadowColor);
    platform::DrawTextIn(work, text, -1, &area, platform::TextLeft);
    platform::InflateRectangle(&area, 1, 1);
    platform::SetTextColorOf(work, TextColor);
    platform::DrawTextIn(work, text, -1, &area, platform::TextLeft);
    platform::SelectFontInto(work, previousFont);
}

void PaintToolWindow(Magnifier& m, platform::Surface target, platform::Bitmap toolBitmap, int32_t w, int32_t h,
                     ComposeTool compose) {
    DrawLock lock(m);
    if (!lock.Held()) return;
    platform::Surface work = platform::CreateMemorySurface(target);
    platform::Surface skin = platform::CreateMemorySurface(target);
    platform::Bitmap previousSkin = platform::SelectBitmapInto(skin, m.SkinBitmap);
    platform::Bitmap previousWork = platform::SelectBitmapInto(work, toolBitmap);
    compose(m, work, skin, SkinKeyColor(skin), w, h);
    platform::CopyBits(target, 0, 0, w, h, work, 0, 0, platform::RopSrcCopy);
    platform::SelectBitmapInto(work, previousWork);
    platform::SelectBitmapInto(skin, previousSkin);
    platform::DeleteMemorySurface(work);
    platform::DeleteMemorySurface(skin);
}

void BeginToolMove(Magnifier& m, const ToolWindowMove& tool, platform::Point screen, int32_t state) {
    m.PointerState = state;
    m.GrabPoint = screen;
    platform::ScreenToClientPoint(tool.window, &m.GrabPoint);
    platform::CapturePointer(tool.window);
    platform::SetPointerCursor(platform::LoadSystemCursor(platform::CursorSizeAll));
    platform::DrawFocusRectangle(m.ScreenDC, &tool.rect);
}

// The frame is drawn by inversion: drawing it again at the old place takes it away.
void StepToolMove(Magnifier& m, const ToolWindowMove& tool, int32_t x, int32_t y) {
    platform::Rect& r = tool.rect;
    platform::DrawFocusRectangle(m.ScreenDC, &r);
    r.left = x - m.GrabPoint.x;
    r.top = y - m.GrabPoint.y;
    r.right = r.left + tool.width;
    r.bottom = r.top + ToolWindowHeight;
    SnapToolRect(m, r, tool.width, tool.asker);
    tool.computeDock(m);
    platform::DrawFocusRectangle(m.ScreenDC, &r);
}

void EndToolMove(Magnifier& m, const ToolWindowMove& tool) {
    EndLocatorFlash(m);  // the window that moves would take a part of the ring with it
    const platform::Rect& r = tool.rect;
    platform::DrawFocusRectangle(m.ScreenDC, &r);
    platform::MoveWindowTo(tool.window, r.left, r.top, r.right - r.left, r.bottom - r.top, true);
    RepaintOtherWindows(m, tool.window);
}

void EndToolDrag(Magnifier& m) {
    m.AimTimerArmed = 0;
    m.PointerState = StateIdle;
    platform::SetPointerCursor(platform::LoadSystemCursor(platform::CursorArrow));
    platform::ReleasePointer();
}

}  // namespace tools
