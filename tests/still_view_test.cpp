// The timed refresh paints the glass only when its picture changes: a still screen costs a capture per
// refresh and no paint, and a change under the glass shows on the very next refresh.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "GlassFixture.h"
#include "ProgramTestKit.h"
#include "TestHarness.h"
#include "platform/raster/Canvas.h"
#include "platform/sim/Simulation.h"
#include "magnifier/Rendering.h"
#include "platform/windowing/HostDisplay.h"

namespace sim = platform::sim;
using namespace program_test;
using platform::Rect;

namespace {

constexpr platform::ColorRef Marker = 0x00123456;

// Screen pixels of the glass's window in the marker's colour.
int MarkerPixelsOnGlass() {
    const Rect r = MagnifierWindowRect();
    int count = 0;
    for (int32_t y = r.top; y < r.bottom; ++y)
        for (int32_t x = r.left; x < r.right; ++x) count += sim::ScreenPixel(x, y) == Marker;
    return count;
}

// A 4 x 4 block of the marker on the desktop, its corner dx, dy from the source area's centre.
void PaintMarker(int32_t dx, int32_t dy) {
    const Rect s = Glass().SourceRect;
    const int32_t x = (s.left + s.right) / 2 + dx, y = (s.top + s.bottom) / 2 + dy;
    sim::PaintDesktop(Rect{x, y, x + 4, y + 4}, Marker);
}

}  // namespace

TEST(StillView, TheRefreshPaintsTheGlassOnlyWhenItsPictureChanges) {
    struct Case {
        const char* name;
        const char* lines;            // after the glass has settled, with what `change` does
        std::function<void()> change;
        uint64_t paints;              // of the glass over the next four refreshes (480 ms)
        bool markerShown;
    };
    const Case cases[] = {
        {"a still screen: no paint", "", [] {}, 0, false},
        {"a block under the glass: painted once, on the next refresh", "", [] { PaintMarker(-2, -2); }, 1, true},
        // Near the source's right and bottom edges: the lens shows it there too, inset in the glass.
        {"a block at the source's edge: painted once", "", [] { PaintMarker(6, 6); }, 1, true},
        {"a block beside the source: no paint", "", [] { PaintMarker(-60, 40); }, 0, false},
        // The ring comes on the tick after the request, after that tick's refresh.
        {"the locator flashing: every refresh after the ring came paints", "send magnifier 0x111 32773 0", [] {},
         3, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SimSession s;
        uint64_t before = 0;
        s.Do(ShowGlass).Do("wait 240").Check([&] {
            ASSERT_TRUE(IsVisible(Glass()));
            before = sim::PaintsBegun(Shell().MagnifierWindow);
            c.change();
        });
        s.Do(c.lines).Do("wait 480").Check([&] {
            EXPECT_EQ(sim::PaintsBegun(Shell().MagnifierWindow) - before, c.paints);
            EXPECT_EQ(MarkerPixelsOnGlass() > 0, c.markerShown);
            // What the glass shows is what it would paint afresh from its kept view (the ring aside).
            if (Glass().LocatorCount == 0) ExpectNoStaleMarks("after the refreshes");
        });
        EXPECT_EQ(s.Start(), 0);
    }
}

// While a drag moves or resizes the glass, the timed refresh waits: a change under the glass reaches it
// only after the release.
TEST(StillView, ADragThatMovesOrResizesTheGlassHoldsTheRefresh) {
    struct Case {
        const char* zone;
        double fx, fy;  // where on the glass the stylus goes down, as fractions of its side
        int32_t state;
    } cases[] = {{"body", 0.5, 0.5, StateMoveMagnifier},
                 {"right strip", 0.875, 0.125, StateResize},
                 {"bottom-right square", 0.875, 0.875, StateResizeZoom}};
    Rect glass{};
    SimSession probe;
    probe.Do(ShowGlass).Check([&] { glass = MagnifierWindowRect(); });
    EXPECT_EQ(probe.Start(), 0);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.zone);
        const std::string at = std::to_string(glass.left + int(c.fx * (glass.right - glass.left))) + " " +
                               std::to_string(glass.top + int(c.fy * (glass.bottom - glass.top)));
        SimSession s;
        uint64_t before = 0;
        // Down, then a first move at the same point, which starts the drag.
        s.Do(ShowGlass).Do("wait 240").Do("down " + at + "\nmove " + at).Check([&] {
            ASSERT_EQ(Glass().PointerState, c.state);
            before = sim::PaintsBegun(Shell().MagnifierWindow);
            PaintMarker(-2, -2);
        });
        s.Do("wait 480").Check([&] { EXPECT_EQ(sim::PaintsBegun(Shell().MagnifierWindow), before); });
        s.Do("up " + at);
        EXPECT_EQ(s.Start(), 0);
    }
}

// A refresh that rendered paints the lens alone, and there only the view, while the rest of the glass is
// what a paint would draw now; after anything that changes the frame (the wheel moves the zoom dot) or
// draws over the glass (the locator's ring), it paints the whole glass. Pixels planted in the skin of the
// glass's picture, one outside the lens's box and one in its corner, tell which: only a whole paint
// draws them again.
TEST(StillView, ARefreshPaintsTheLensAloneWhileTheFrameIsAsPainted) {
    const struct {
        const char* name;
        const char* lines;
        bool plantKept;
    } cases[] = {{"a change under the glass: the lens alone", "", true},
                 {"the wheel, then a change: the whole glass", "move 140 140\nwheel 120", false},
                 {"the locator, then a change: the whole glass", "send magnifier 0x111 32773 0", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SimSession s;
        platform::raster::Canvas picture;
        platform::Point corner;
        s.Do(ShowGlass).Do("wait 240").Check([&] {
            picture = sim::WindowPicture(Shell().MagnifierWindow, nullptr);
            ASSERT_TRUE(picture.Usable());
            corner = platform::Point{Glass().ScaledSkinLens.left, Glass().ScaledSkinLens.top};
            platform::raster::FillBlock(picture, Rect{2, 2, 3, 3}, Marker);
            platform::raster::FillBlock(picture, Rect{corner.x, corner.y, corner.x + 1, corner.y + 1}, Marker);
        });
        s.Do(c.lines).Check([] { PaintMarker(-2, -2); });
        s.Do("wait 1200").Check([&] {
            EXPECT_EQ(platform::raster::ReadPixel(picture, 2, 2) == Marker, c.plantKept);
            EXPECT_EQ(platform::raster::ReadPixel(picture, corner.x, corner.y) == Marker, c.plantKept);
            EXPECT_GT(MarkerPixelsOnGlass(), 0);
            // The screen is what a fresh paint of everything gives, but for a planted pixel a paint put there.
            const Rect glass = MagnifierWindowRect();
            const sim::Image now = sim::Screen();
            const sim::Image fresh = sim::FreshRepaint();
            for (int32_t y = 0; y < now.height; ++y)
                for (int32_t x = 0; x < now.width; ++x)
                    if (x != glass.left + corner.x || y != glass.top + corner.y) {
                        ASSERT_EQ(now.At(x, y), fresh.At(x, y)) << "at " << x << "," << y;
                    }
        });
        EXPECT_EQ(s.Start(), 0);
    }
}

namespace {

constexpr platform::ColorRef Planted = 0x00654321;

// The leftmost pixel of the lens's middle row that shows the view rather than the skin (window
// coordinates), one pixel in.
platform::Point LensLeftEdge() {
    const Magnifier& m = Glass();
    const Rect& lens = m.ScaledSkinLens;
    const int32_t y = (lens.top + lens.bottom) / 2;
    const platform::RowRuns& runs = m.ScaledSkinRuns;
    int32_t x = lens.left;
    for (uint32_t i = runs.rowFirst[size_t(y)]; i < runs.rowFirst[size_t(y) + 1]; ++i)
        if (runs.runs[i].begin <= x && x < runs.runs[i].end) x = runs.runs[i].end;
    return platform::Point{x + 1, y};
}

// The view's pixels under the lens's box.
std::vector<platform::ColorRef> LensOfView() {
    const Magnifier& m = Glass();
    const sim::Image view = glass_test::ReadView(m);
    const int32_t ix = int32_t(m.ViewInset.x), iy = int32_t(m.ViewInset.y);
    std::vector<platform::ColorRef> pixels;
    const Rect& lens = m.ScaledSkinLens;
    for (int32_t y = lens.top + iy; y < lens.bottom + iy; ++y)
        for (int32_t x = lens.left + ix; x < lens.right + ix; ++x) pixels.push_back(view.At(x, y));
    return pixels;
}

}  // namespace

// Where only part of the source changed, a refresh enlarges and paints only the part of the lens whose
// pixels depend on it: a pixel planted in the lens's far side stays, while the view under the lens is
// what a whole render of the screen gives (nearest or smoothed, corrected or not) and the screen what a
// fresh paint gives. A change across the whole source paints the whole lens.
TEST(StillView, ARefreshRedrawsOnlyThePartOfTheLensThatAChangeReaches) {
    struct Case {
        const char* name;
        int smooth;
        float bright;
        std::function<void()> change;
        bool plantKept;
    } cases[] = {
        {"a block right of the centre", 0, 0.5f, [] { PaintMarker(6, -2); }, true},
        {"the same, smoothed", 1, 0.5f, [] { PaintMarker(6, -2); }, true},
        {"the same, smoothed and brightened", 1, 0.7f, [] { PaintMarker(6, -2); }, true},
        {"the same, brightened", 0, 0.7f, [] { PaintMarker(6, -2); }, true},
        {"two blocks, at the bottom edge", 1, 0.5f, [] { PaintMarker(6, 6), PaintMarker(-8, 6); }, true},
        {"the whole source: the whole lens", 1, 0.5f, [] { sim::PaintDesktop(Glass().SourceRect, Marker); }, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SimSession s;
        platform::raster::Canvas picture;
        platform::Point plant;
        s.Do(ShowGlass).Check([&] {
            // Below the glass, with stripes under the source, so that a smoothed view blends across edges.
            Glass().Settings.ZoomPnt = {120, 240};
            const Rect r = SourceRectangle(80, 80, Glass().Settings.ZoomX, {120, 240}, 240, 320);
            for (int32_t x = r.left; x < r.right; x += 3) sim::PaintDesktop(Rect{x, r.top, x + 1, r.bottom}, 0x00A0C0E0);
            Glass().Settings.SmoothImg = c.smooth;
            Glass().Settings.Bright = c.bright;
        });
        s.Do("wait 360").Check([&] {
            picture = sim::WindowPicture(Shell().MagnifierWindow, nullptr);
            ASSERT_TRUE(picture.Usable());
            plant = LensLeftEdge();
            platform::raster::FillBlock(picture, Rect{plant.x, plant.y, plant.x + 1, plant.y + 1}, Planted);
            c.change();
        });
        s.Do("wait 480").Check([&] {
            EXPECT_EQ(platform::raster::ReadPixel(picture, plant.x, plant.y) == Planted, c.plantKept);
            if (c.bright == 0.5f) {
                EXPECT_GT(MarkerPixelsOnGlass(), 1);  // a brightened view shows it in another colour
            }
            const Rect glass = MagnifierWindowRect();
            const sim::Image now = sim::Screen();
            const sim::Image fresh = sim::FreshRepaint();
            for (int32_t y = 0; y < now.height; ++y)
                for (int32_t x = 0; x < now.width; ++x)
                    if (x != glass.left + plant.x || y != glass.top + plant.y) {
                        ASSERT_EQ(now.At(x, y), fresh.At(x, y)) << "at " << x << "," << y;
                    }
            const std::vector<platform::ColorRef> refreshed = LensOfView();
            RenderView(Glass(), true, false, false);
            EXPECT_EQ(refreshed, LensOfView());
        });
        EXPECT_EQ(s.Start(), 0);
    }
}

// A refresh that samples the picked colour (the picker's aim) enlarges the whole lens and corrects the
// pixels where it enlarged them: the view under the lens is what a whole render gives.
TEST(StillView, ARefreshThatSamplesTheColourCorrectsWhereItEnlarged) {
    SimSession s;
    s.Do(ShowGlass).Check([] {
        Glass().Settings.ZoomPnt = {120, 240};
        Glass().Settings.Bright = 0.7f;
    });
    s.Do("wait 360").Check([] {
        PaintMarker(6, -2);
        Magnifier& m = Glass();
        ASSERT_TRUE(RenderChangedView(m, true, true, true));
        const std::vector<platform::ColorRef> refreshed = LensOfView();
        RenderView(m, true, true, true);
        EXPECT_EQ(refreshed, LensOfView());
    });
    EXPECT_EQ(s.Start(), 0);
}

// A refresh that paints the lens alone lays the enlargement straight into the window between the
// skin's runs and leaves the view behind; the screen is what a fresh paint gives all the same, and the
// view, once brought up to date, is what a whole render gives. A refresh that samples the colour reads
// the view, and so draws it at once.
TEST(StillView, ALensOnlyRefreshLeavesTheViewBehindUntilItIsRead) {
    const struct {
        const char* name;
        int smooth;
        float bright;
        bool sample;
    } cases[] = {{"nearest", 0, 0.5f, false},
                 {"smoothed and brightened", 1, 0.7f, false},
                 {"sampling the colour: the view is drawn", 0, 0.5f, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SimSession s;
        s.Do(ShowGlass).Check([&] {
            Glass().Settings.ZoomPnt = {120, 240};
            Glass().Settings.SmoothImg = c.smooth;
            Glass().Settings.Bright = c.bright;
        });
        s.Do("wait 360").Check([&] {
            PaintMarker(6, -2);
            Magnifier& m = Glass();
            ASSERT_TRUE(RenderChangedView(m, true, c.sample, c.sample));
            EXPECT_EQ(IsRectangleEmpty(m.ViewBehind), c.sample);
            const Rect area = RefreshedGlassArea(m);
            InvalidateWindowRect(Shell().MagnifierWindow, &area, false);
        });
        if (c.sample) {
            EXPECT_EQ(s.Start(), 0);
            continue;
        }
        s.Do("wait 40").Check([&] {
            Magnifier& m = Glass();
            EXPECT_FALSE(IsRectangleEmpty(m.ViewBehind));  // the paint did not read the view
            if (c.bright == 0.5f) {
                EXPECT_GT(MarkerPixelsOnGlass(), 1);
            }
            CatchUpView(m);
            EXPECT_TRUE(IsRectangleEmpty(m.ViewBehind));
            const std::vector<platform::ColorRef> caughtUp = LensOfView();
            RenderView(m, true, false, false);
            EXPECT_EQ(caughtUp, LensOfView());
            const sim::Image now = sim::Screen();
            const sim::Image fresh = sim::FreshRepaint();
            for (int32_t y = 0; y < now.height; ++y)
                for (int32_t x = 0; x < now.width; ++x) ASSERT_EQ(now.At(x, y), fresh.At(x, y)) << "at " << x << "," << y;
        });
        EXPECT_EQ(s.Start(), 0);
    }
}
