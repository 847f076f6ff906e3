// Docking of the tool windows: dock sides from rectangles, snapping of a dragged tool window and how
// docked windows follow the glass. Pure logic on a hand-filled Magnifier.
#include <gtest/gtest.h>

#include "magnifier/Magnifier.h"
#include "settings/Settings.h"
#include "tools/Docking.h"

using platform::Rect;

namespace {

// The glass at (100, 100, 180, 180) on a 240 x 320 screen.
Magnifier GlassAt(Rect window = {100, 100, 180, 180}) {
    Magnifier m;
    m.Settings.WindowRect = window;
    m.Settings.WindowSize = window.right - window.left;
    m.ScreenRect = {0, 0, 240, 320};
    m.MinWindowSize = 40;
    m.MaxWindowSize = 156;
    return m;
}

Rect Picker(int32_t left, int32_t top) { return {left, top, left + ColorPickerWidth, top + ToolWindowHeight}; }
Rect Tape(int32_t left, int32_t top) { return {left, top, left + TapeWidth, top + ToolWindowHeight}; }

}  // namespace

TEST(Docking, SpansOverlapIncludingTouchingEnds) {
    struct Case { int32_t a1, a2, b1, b2; bool overlap; } cases[] = {
        {0, 10, 5, 20, true},  {0, 10, 10, 20, true}, {0, 10, 11, 20, false}, {5, 6, 0, 20, true},
        {0, 20, 5, 6, true},   {21, 30, 0, 20, false}, {20, 30, 0, 20, true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SpansOverlap(c.a1, c.a2, c.b1, c.b2), c.overlap) << c.a1 << " " << c.a2 << " " << c.b1 << " " << c.b2;
    }
}

TEST(Docking, IsDockSideFreeIgnoresTheAskersOwnSide) {
    Magnifier m = GlassAt();
    m.ColorPickerDock = DockBottom;
    m.TapeDock = DockTop;
    struct Case { int32_t side, asker; bool free; } cases[] = {
        {DockNone, AskerNone, true},           {DockBottom, AskerNone, false},      {DockTop, AskerNone, false},
        {DockLeft, AskerNone, true},           {DockBottom, AskerColorPicker, true}, {DockTop, AskerColorPicker, false},
        {DockBottom, AskerTape, false},        {DockTop, AskerTape, true},          {DockRight, AskerTape, true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsDockSideFree(m, c.side, c.asker), c.free) << "side " << c.side << " asker " << c.asker;
    }
}

TEST(Docking, ComputeColorPickerDockFromRectangles) {
    struct Case { Rect picker; int32_t dock; } cases[] = {
        {Picker(180, 100), DockRight},   // flush right, spans overlap
        {Picker(181, 100), DockNone},    // one pixel further away
        {Picker(180, 51), DockRight},    // bottom one below M.top: the vertical spans share a value
        {Picker(180, 181), DockNone},    // top below M.bottom: the vertical spans are apart
        {Picker(-100, 120), DockLeft},   // right = M.left
        {Picker(40, 180), DockBottom},   // top = M.bottom
        {Picker(40, 50), DockTop},       // bottom = M.top
        {Picker(-20, 50), DockTop},      // bottom = M.top, spanning the whole top edge
        // Corners touching two edges: the later side in the order left, right, bottom, top wins.
        {Picker(-100, 180), DockBottom}, // left and bottom
        {Picker(-100, 50), DockTop},     // left and top
        {Picker(180, 180), DockBottom},  // right and bottom
        {Picker(180, 50), DockTop},      // right and top
        {Picker(300, 300), DockNone},
    };
    for (const auto& c : cases) {
        Magnifier m = GlassAt();
        m.Settings.ColorPickerRect = c.picker;
        EXPECT_EQ(ComputeColorPickerDock(m), c.dock) << c.picker.left << "," << c.picker.top;
        EXPECT_EQ(m.ColorPickerDock, c.dock);
    }
}

TEST(Docking, ComputeDockLeavesASideHeldByTheOtherWindow) {
    Magnifier m = GlassAt();
    m.TapeDock = DockBottom;
    m.ColorPickerDock = DockBottom;  // stale value of its own: ignored, recomputed
    m.Settings.ColorPickerRect = Picker(40, 180);
    EXPECT_EQ(ComputeColorPickerDock(m), DockNone);

    // Corner on left and bottom with the bottom held by the tape: left remains.
    m.Settings.ColorPickerRect = Picker(-100, 180);
    EXPECT_EQ(ComputeColorPickerDock(m), DockLeft);

    // The tape recomputed against a picker docked above.
    m.ColorPickerDock = DockTop;
    m.TapeDock = DockNone;
    m.Settings.TapeRect = Tape(20, 50);
    EXPECT_EQ(ComputeTapeDock(m), DockNone);
    m.Settings.TapeRect = Tape(20, 180);
    EXPECT_EQ(ComputeTapeDock(m), DockBottom);
}

TEST(Docking, SnappingAtNineButNotAtTen) {
    // Each case: the tentative picker and where it ends up.
    struct Case { const char* name; Rect tentative; Rect expected; } cases[] = {
        {"below at 9", Picker(40, 189), Picker(40, 180)},
        {"below at -9", Picker(40, 171), Picker(40, 180)},
        {"below at 10", Picker(40, 190), Picker(40, 190)},
        {"above at 9", Picker(40, 41), Picker(40, 50)},
        {"above at 10", Picker(40, 40), Picker(40, 40)},
        {"right at 9", Picker(189, 120), Picker(180, 120)},
        {"right at 10", Picker(190, 120), Picker(190, 120)},
        {"left at 9", Picker(-109, 120), Picker(-100, 120)},
        {"left at 10", Picker(-110, 120), Picker(-110, 120)},
        {"below wins over right", Picker(175, 175), Picker(175, 180)},
        {"above wins over right", Picker(175, 55), Picker(175, 50)},
        {"no horizontal overlap", Picker(181, 185), Picker(181, 185)},
    };
    for (const auto& c : cases) {
        Magnifier m = GlassAt();
        Rect r = c.tentative;
        SnapToolRect(m, r, ColorPickerWidth, AskerColorPicker);
        EXPECT_EQ(r, c.expected) << c.name;
    }
}

TEST(Docking, LeftSnapUsesTheDraggedWindowsWidth) {
    Magnifier m = GlassAt();
    Rect r = Tape(-130, 120);  // right = 95, five pixels short of M.left
    SnapToolRect(m, r, TapeWidth, AskerTape);
    EXPECT_EQ(r, Tape(-125, 120));
    Rect below = Tape(0, 183);
    SnapToolRect(m, below, TapeWidth, AskerTape);
    EXPECT_EQ(below, Tape(0, 180));
}

TEST(Docking, NeverSnapsOntoASideTheOtherToolHolds) {
    Magnifier m = GlassAt();
    m.TapeDock = DockBottom;
    // Within 5 pixels below the glass: no snap below; nothing else applies either.
    Rect r = Picker(40, 185);
    SnapToolRect(m, r, ColorPickerWidth, AskerColorPicker);
    EXPECT_EQ(r, Picker(40, 185));
    // Below held, but also near the right edge: it snaps right instead.
    Rect corner = Picker(175, 175);
    SnapToolRect(m, corner, ColorPickerWidth, AskerColorPicker);
    EXPECT_EQ(corner, Picker(180, 175));
    // Its own side is not held against it.
    m.ColorPickerDock = DockTop;
    m.TapeDock = DockNone;
    Rect above = Picker(40, 45);
    SnapToolRect(m, above, ColorPickerWidth, AskerColorPicker);
    EXPECT_EQ(above, Picker(40, 50));
    // The tape may not take the picker's side.
    Rect tape = Tape(40, 45);
    SnapToolRect(m, tape, TapeWidth, AskerTape);
    EXPECT_EQ(tape, Tape(40, 45));
}

TEST(Docking, FollowMoveKeepsOffsetsOfDockedWindowsOnly) {
    Magnifier m = GlassAt();
    m.Settings.ColorPickerRect = Picker(40, 180);
    m.Settings.TapeRect = Tape(0, 0);
    m.ColorPickerDock = DockBottom;
    m.TapeDock = DockNone;
    CaptureToolOffsets(m);
    EXPECT_EQ(m.ColorPickerOffset, (platform::Point{60, -80}));
    EXPECT_EQ(m.TapeOffset, (platform::Point{100, 100}));
    m.Settings.WindowRect = {10, 20, 90, 100};
    FollowMove(m);
    EXPECT_EQ(m.Settings.ColorPickerRect, Picker(-50, 100));
    EXPECT_EQ(m.Settings.TapeRect, Tape(0, 0));
}

TEST(Docking, FollowResizeByDockSide) {
    // The glass shrinks from 80 to s around its bottom-right corner (180, 180).
    struct Case { const char* name; int32_t dock; Rect before; int32_t size; Rect after; } cases[] = {
        // Above: vertical always; horizontal while s + offset.x >= MinWindowSize (40).
        {"top follows", DockTop, Picker(60, 50), 60, Picker(80, 70)},       // offset (40, 50): 60 + 40 >= 40
        {"top keeps x", DockTop, Picker(150, 50), 40, Picker(150, 90)},     // offset (-50, 50): 40 - 50 < 40
        {"bottom x only", DockBottom, Picker(60, 180), 60, Picker(80, 180)},
        {"bottom stays", DockBottom, Picker(150, 180), 40, Picker(150, 180)},
        {"left follows", DockLeft, Picker(-100, 110), 60, Picker(-80, 130)},  // offset (200, -10): 60 - 10 >= 40
        {"left keeps y", DockLeft, Picker(-100, 150), 40, Picker(-60, 150)},  // offset (200, -50): 40 - 50 < 40
        {"right y only", DockRight, Picker(180, 110), 60, Picker(180, 130)},
        {"right stays", DockRight, Picker(180, 150), 40, Picker(180, 150)},
        {"undocked", DockNone, Picker(0, 250), 40, Picker(0, 250)},
    };
    for (const auto& c : cases) {
        Magnifier m = GlassAt();
        m.Settings.ColorPickerRect = c.before;
        m.ColorPickerDock = c.dock;
        CaptureToolOffsets(m);
        m.Settings.WindowSize = c.size;
        m.Settings.WindowRect = {180 - c.size, 180 - c.size, 180, 180};
        FollowResize(m);
        EXPECT_EQ(m.Settings.ColorPickerRect, c.after) << c.name;
    }
}

TEST(Docking, FlipAtTheScreenEdgeTakesTheFirstMatchingRule) {
    struct Case { const char* name; Rect window; int32_t side; Rect before; int32_t newSide; Rect after; } cases[] = {
        {"top at 0", {50, 0, 130, 80}, DockTop, Picker(10, -50), DockBottom, Picker(10, 80)},
        {"top inside", {50, 1, 130, 81}, DockTop, Picker(10, -49), DockTop, Picker(10, -49)},
        {"left at 0", {0, 50, 80, 130}, DockLeft, Picker(-200, 60), DockRight, Picker(80, 60)},
        {"left inside", {1, 50, 81, 130}, DockLeft, Picker(-199, 60), DockLeft, Picker(-199, 60)},
        {"bottom at edge", {50, 240, 130, 320}, DockBottom, Picker(10, 320), DockTop, Picker(10, 190)},
        {"right at edge", {160, 50, 240, 130}, DockRight, Picker(240, 60), DockLeft, Picker(-40, 60)},
        {"right side at top", {160, 0, 240, 80}, DockRight, Picker(240, 20), DockLeft, Picker(-40, 20)},
        {"undocked", {0, 0, 80, 80}, DockNone, Picker(10, 10), DockNone, Picker(10, 10)},
    };
    for (const auto& c : cases) {
        Magnifier m = GlassAt(c.window);
        Rect r = c.before;
        EXPECT_EQ(FlipDockedToolRect(m, c.side, r, ColorPickerWidth), c.newSide) << c.name;
        EXPECT_EQ(r, c.after) << c.name;
    }
}
