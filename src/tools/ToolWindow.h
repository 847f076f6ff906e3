// What the two tool windows (colour picker and tape measure) share: painting through an off-screen
// work bitmap, white text with a black shadow, and the move drag with its focus frame and snapping.
#pragma once

#include "magnifier/Magnifier.h"
#include "tools/Docking.h"

namespace tools {

// Copies an ASCII text into a wide buffer of 128 code units, cut if need be, always terminated.
void CopyToWide(const char* text, char16_t (&out)[128]);

// True when the skin bitmap holds a strip of w x h pixels at (0, top); the built-in fallback skin
// (350 x 350) has none.
bool SkinHasStrip(platform::Bitmap skin, int32_t top, int32_t w, int32_t h);

// Fills a rectangle of a surface with one colour.
void FillWith(platform::Surface surface, const platform::Rect& r, platform::ColorRef color);

// The tool window's text in the tool font: white with a one-pixel black shadow to the lower right,
// inside `area` less these margins.
inline constexpr int32_t ToolTextSideMargin = 1;
inline constexpr int32_t ToolTextTopMargin = 8;
void DrawToolText(const Magnifier& m, platform::Surface work, const char16_t* text, platform::Rect area);

// Composes the window's picture into `work` (the window's own bitmap is selected into it, the skin
// into `skin`; `key` is the skin's transparent colour). w x h is the part of the window to paint.
using ComposeTool = void (*)(Magnifier& m, platform::Surface work, platform::Surface skin, platform::ColorRef key,
                             int32_t w, int32_t h);

// Paints a tool window: composes off-screen, then copies the w x h picture onto the target in one go.
void PaintToolWindow(Magnifier& m, platform::Surface target, platform::Bitmap toolBitmap, int32_t w, int32_t h,
                     ComposeTool compose);

// The move drag of a tool window: the grab point is kept in window coordinates, a dotted focus frame
// shows where the window goes, and the window moves when the stylus lifts.
struct ToolWindowMove {
    platform::Window window;
    platform::Rect& rect;
    int32_t width;
    DockAsker asker;
    int32_t (*computeDock)(Magnifier& m);
};
void BeginToolMove(Magnifier& m, const ToolWindowMove& tool, platform::Point screen, int32_t state);
void StepToolMove(Magnifier& m, const ToolWindowMove& tool, int32_t x, int32_t y);
void EndToolMove(Magnifier& m, const ToolWindowMove& tool);

// Ends any drag of a tool window: idle state, no aiming timer, the arrow cursor, no capture.
void EndToolDrag(Magnifier& m);

}  // namespace tools
