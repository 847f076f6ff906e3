// The magnified view: source rectangle, enlargement (nearest and bilinear), brightness and contrast,
// the colour sample, the cross-hair, the dot, the glass seen in its own view, and the window's paint.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "GlassFixture.h"

using namespace platform;
using glass_test::Options;
using glass_test::RunWithGlass;
using sim::Image;

namespace {

// Every pixel of this desktop has its own colour.
Image CoordinateDesktop(int32_t w, int32_t h) {
    Image image(w, h);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            image.At(x, y) = Rgb(uint8_t(x), uint8_t(y), uint8_t((x >> 8) | ((y >> 8) << 4)));
    return image;
}

Image Filled(int32_t w, int32_t h, ColorRef c) { return Image(w, h, c); }

// The byte formulas, written out independently of the program's table.
int ReferenceBright(int v, float bright) {
    int delta = 0;
    if (bright > 0.5f) delta = int((double(bright) - 0.5) * 400.0);
    if (bright < 0.5f) delta = int(((1.0 - double(bright)) - 0.5) * -300.0);
    return std::clamp(v + delta, 0, 255);
}

int ReferenceContrast(int v, float contrast) {
    double k = 1.0;
    if (contrast < 0.5f) k = double(contrast) * 1.2 + 0.4;
    if (contrast > 0.5f) k = std::exp((double(contrast) - 0.5) * 2.0);
    return std::clamp(int(159.0 + (v - 159.0) * k), 0, 255);
}

int Reference(int v, float bright, float contrast) {
    if (bright != 0.5f) v = ReferenceBright(v, bright);
    if (contrast != 0.5f) v = ReferenceContrast(v, contrast);
    return v;
}

void SetZoom(Magnifier& m, float zoom, Point at) {
    m.Settings.ZoomX = zoom;
    m.Settings.ZoomPnt = at;
}

Image SkinFrame() {
    auto skin = sim::ReadBmpFile(std::string(VISTREL_SOURCE_DIR) + "/data/Skins/VezoZevode.bmp");
    EXPECT_TRUE(skin.has_value());
    return skin ? *skin : Image(350, 450);
}

}  // namespace

// ---- Pure functions ----

TEST(Correction, BrightnessDeltaRunsFromMinus150ToPlus200) {
    struct Case {
        float bright;
        int32_t delta;
    } cases[] = {{1.0f, 200}, {0.0f, -150}, {0.75f, 100}, {0.5f, 0}, {0.25f, -75},
                 {std::numeric_limits<float>::quiet_NaN(), 0}, {1e30f, 200}, {-1e30f, -150}};
    for (const Case& c : cases) EXPECT_EQ(BrightnessDelta(c.bright), c.delta) << c.bright;
}

TEST(Correction, TheTableGivesExactlyThePerByteFormulasAndKeepsTheFourthByteAndRowPadding) {
    const float values[] = {0.0f, 0.1f, 0.25f, 0.4999f, 0.5f, 0.5001f, 0.7f, 0.75f, 0.9f, 1.0f};
    const int32_t w = 86, h = 3, stride = w * 4 + 8;  // 258 colour bytes a row, then padding
    const auto original = [](int32_t row, int32_t i) { return uint8_t((i + row * 7) & 0xFF); };
    for (float bright : values)
        for (float contrast : values) {
            std::vector<uint8_t> bits(size_t(stride) * h, 0xA5);
            for (int32_t row = 0; row < h; ++row)
                for (int32_t i = 0; i < w * 4; ++i) bits[size_t(row * stride + i)] = original(row, i);
            CorrectPixels(bits.data(), stride, w, h, bright, contrast);
            for (int32_t row = 0; row < h; ++row) {
                for (int32_t i = 0; i < w * 4; ++i) {
                    const uint8_t expected = i % 4 == 3 ? original(row, i) : Reference(original(row, i), bright, contrast);
                    ASSERT_EQ(bits[size_t(row * stride + i)], expected)
                        << "bright " << bright << " contrast " << contrast << " byte " << i;
                }
                for (int32_t i = w * 4; i < stride; ++i) ASSERT_EQ(bits[size_t(row * stride + i)], 0xA5);
            }
        }
}

TEST(SourceRectangle, IsCentredOnTheZoomPointAndKeptOnTheScreen) {
    struct Case {
        const char* what;
        int32_t side;
        float zoom;
        Point at;
        Rect expected;
    } cases[] = {
        {"centred", 200, 4.0f, {120, 160}, {95, 135, 145, 185}},
        {"top-left corner", 200, 4.0f, {0, 0}, {0, 0, 50, 50}},
        {"bottom-right corner", 200, 4.0f, {240, 320}, {190, 270, 240, 320}},
        {"odd size", 80, 3.0f, {100, 100}, {87, 87, 113, 113}},
        {"zoom 20", 200, 20.0f, {100, 100}, {95, 95, 105, 105}},
        {"zoom 1", 100, 1.0f, {10, 300}, {0, 220, 100, 320}},
        {"tiny window", 2, 10.0f, {5, 5}, {5, 5, 6, 6}},
        {"zoom 0.5: no wider than the screen", 156, 0.5f, {120, 160}, {0, 40, 240, 280}},
        {"zoom near 0: the screen's smaller side", 200, 1e-30f, {100, 100}, {0, 0, 240, 240}},
        {"negative zoom: one pixel", 200, -1e-30f, {100, 100}, {100, 100, 101, 101}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SourceRectangle(c.side, c.side, c.zoom, c.at, 240, 320), c.expected) << c.what;
}

// ---- Renders ----

// The view follows the glass's size, also when the glass has changed without its lens geometry.
TEST(RenderView, NearestEnlargementReplicatesEachSourcePixelAtEverySize) {
    struct Case {
        int32_t side;
        bool geometryFollows;
        Rect source;
    } cases[] = {{200, true, {75, 95, 125, 145}},
                 {320, true, {60, 80, 140, 160}},
                 {120, false, {85, 105, 115, 135}},
                 {280, false, {65, 85, 135, 155}}};
    Options options;
    options.width = 480;
    options.height = 640;
    options.desktop = CoordinateDesktop(480, 640);
    RunWithGlass(options, [&](Magnifier& m) {
        m.Settings.SmoothImg = 0;
        for (const Case& c : cases) {
            SCOPED_TRACE(c.side);
            const Rect glass{150, 300, 150 + c.side, 300 + c.side};
            if (c.geometryFollows)
                glass_test::PlaceGlass(m, glass);
            else
                m.Settings.WindowRect = glass;
            SetZoom(m, 4.0f, {100, 120});
            RenderView(m, true, false, false);
            EXPECT_EQ(m.SourceRect, c.source);
            int32_t w = 0, h = 0;
            ASSERT_TRUE(GetBitmapSize(m.ViewBitmap, &w, &h));
            EXPECT_EQ(w * 1000 + h, c.side * 1001);
            const Image view = glass_test::ReadView(m);
            const Image& desktop = *options.desktop;
            for (int32_t y = 0; y < c.side; ++y)
                for (int32_t x = 0; x < c.side; ++x)
                    ASSERT_EQ(view.At(x, y), desktop.At(c.source.left + x / 4, c.source.top + y / 4)) << x << "," << y;
        }
    });
}

TEST(RenderView, BilinearEnlargementBlendsBetweenNeighbours) {
    Image desktop(480, 640, Rgb(200, 40, 0));
    for (int32_t y = 0; y < 640; ++y)
        for (int32_t x = 100; x < 480; ++x) desktop.At(x, y) = Rgb(0, 40, 200);
    Options options;
    options.width = 480;
    options.height = 640;
    options.desktop = desktop;
    RunWithGlass(options, [](Magnifier& m) {
        glass_test::PlaceGlass(m, Rect{260, 400, 460, 600});
        SetZoom(m, 4.0f, {100, 100});
        for (int smooth : {0, 1}) {
            m.Settings.SmoothImg = smooth;
            RenderView(m, true, false, false);
            const Image view = glass_test::ReadView(m);
            EXPECT_EQ(view.At(0, 100), Rgb(200, 40, 0));
            EXPECT_EQ(view.At(199, 100), Rgb(0, 40, 200));
            int between = 0;
            for (int32_t x = 1; x < 200; ++x) {
                EXPECT_LE(RedOf(view.At(x, 100)), RedOf(view.At(x - 1, 100))) << x;
                EXPECT_EQ(GreenOf(view.At(x, 100)), 40);
                if (RedOf(view.At(x, 100)) != 200 && RedOf(view.At(x, 100)) != 0) ++between;
            }
            if (smooth)
                EXPECT_GT(between, 0);
            else
                EXPECT_EQ(between, 0);
        }
    });
}

TEST(RenderView, CorrectionChangesTheViewButNotThePickedColour) {
    struct Case {
        float bright, contrast;
        ColorRef desktop, view;
    } cases[] = {
        {1.0f, 0.5f, Rgb(0, 0, 0), Rgb(200, 200, 200)},
        {0.5f, 1.0f, Rgb(200, 159, 100), Rgb(255, 159, 0)},
        {0.5f, 0.5f, Rgb(1, 2, 3), Rgb(1, 2, 3)},
    };
    for (const Case& c : cases) {
        Options options;
        options.desktop = Filled(240, 320, c.desktop);
        RunWithGlass(options, [&](Magnifier& m) {
            SetZoom(m, 4.0f, {40, 250});
            m.Settings.Bright = c.bright;
            m.Settings.Contrast = c.contrast;
            RenderView(m, true, false, true);
            EXPECT_EQ(m.PickedColor, c.desktop);
            Image view = glass_test::ReadView(m);
            EXPECT_EQ(view.At(0, 0), c.view) << c.bright << " " << c.contrast;
            EXPECT_EQ(view.At(79, 79), c.view);
            // Animation frames render without correction.
            RenderView(m, false, false, false);
            view = glass_test::ReadView(m);
            EXPECT_EQ(view.At(40, 40), c.desktop);
        });
    }
}

TEST(RenderView, CrossHairInvertsTwoLinesAndSamplesBeneathIt) {
    Options options;
    options.width = 480;
    options.height = 640;
    options.desktop = CoordinateDesktop(480, 640);
    RunWithGlass(options, [&](Magnifier& m) {
        glass_test::PlaceGlass(m, Rect{260, 400, 460, 600});
        m.Settings.SmoothImg = 0;
        SetZoom(m, 4.0f, {100, 120});
        RenderView(m, true, false, false);
        const Image plain = glass_test::ReadView(m);
        RenderView(m, true, true, true);
        const Image marked = glass_test::ReadView(m);
        // px = 100, py = 100; the centre lies 2 left and 2 below; arms of 200 / 16 = 12.
        const int32_t cx = 98, cy = 102, arm = 12;
        EXPECT_EQ(m.PickedColor, plain.At(cx, cy));
        EXPECT_EQ(m.PickedColor, options.desktop->At(75 + cx / 4, 95 + cy / 4));
        for (int32_t y = 0; y < 200; ++y)
            for (int32_t x = 0; x < 200; ++x) {
                const bool vertical = x == cx && y >= cy - arm && y <= cy + arm;
                const bool horizontal = y == cy && x >= cx - arm && x <= cx + arm;
                const ColorRef expected = vertical != horizontal ? plain.At(x, y) ^ 0x00FFFFFF : plain.At(x, y);
                ASSERT_EQ(marked.At(x, y), expected) << x << "," << y;
            }
    });
}

TEST(RenderView, ACrossHairCentreBeyondTheImageSamplesItsNearestPixel) {
    struct Case {
        Point at;
        float zoom;
        Point sample;  // in the 80 x 80 view
    } cases[] = {
        {{0, 0}, 4.0f, {0, 2}},      // the centre lies 2 left of the image
        {{0, 320}, 10.0f, {0, 79}},  // and 5 below it, at the screen's bottom edge
        {{120, 160}, 4.0f, {38, 42}},
        {{240, 320}, 1.0f, {79, 79}},  // at zoom 1 the centre is the pixel right of and below the view
        {{0, 0}, 2.0f, {0, 1}},        // 1 left: the smoothed view's first two columns differ
    };
    Image stripes(240, 320);  // smoothing blends neighbouring columns: black and white ones show it
    for (int32_t y = 0; y < 320; ++y)
        for (int32_t x = 0; x < 240; ++x) stripes.At(x, y) = x % 2 ? 0x00FFFFFFu : Rgb(0, uint8_t(y), 0);
    Options options;
    options.desktop = stripes;
    RunWithGlass(options, [&](Magnifier& m) {
        for (const Case& c : cases) {
            SetZoom(m, c.zoom, c.at);
            RenderView(m, false, false, true);
            const Image view = glass_test::ReadView(m);
            EXPECT_EQ(m.PickedColor, view.At(c.sample.x, c.sample.y)) << c.at.x << "," << c.at.y;
            EXPECT_EQ(m.PickedColor >> 24, 0u);
        }
    });
}

TEST(RenderView, TheDotTravelsWithTheZoomAndTheGeometryFollowsTheSize) {
    Options options;
    options.width = 1000;
    options.height = 1000;
    RunWithGlass(options, [](Magnifier& m) {
        glass_test::PlaceGlass(m, Rect{0, 0, 350, 350});
        EXPECT_NEAR(m.ViewInset.x, 31.99999985, 1e-9);
        EXPECT_DOUBLE_EQ(m.DialRadius, 150.5);
        EXPECT_DOUBLE_EQ(m.DialDotRadius, 4.375);
        int32_t w = 0, h = 0;
        ASSERT_TRUE(GetBitmapSize(m.ViewBitmap, &w, &h));
        EXPECT_EQ(w * 1000 + h, 350350);
        struct Case {
            float zoom;
            double angle;
        } cases[] = {{1.0f, 0.38}, {4.0f, 3 * 0.6155555555555555 + 0.38}, {10.0f, 9 * 0.6155555555555555 + 0.38}};
        for (const Case& c : cases) {
            m.Settings.ZoomX = c.zoom;
            RenderView(m, false, false, false);
            EXPECT_DOUBLE_EQ(m.DialDot.x, 175.5 - 150.5 * std::cos(c.angle)) << c.zoom;
            EXPECT_DOUBLE_EQ(m.DialDot.y, 175.5 - 150.5 * std::sin(c.angle)) << c.zoom;
        }
        glass_test::PlaceGlass(m, Rect{0, 0, 100, 100});
        EXPECT_DOUBLE_EQ(m.DialDotRadius, 1.5);
        ASSERT_TRUE(GetBitmapSize(m.ViewBitmap, &w, &h));
        EXPECT_EQ(w * 1000 + h, 100100);
    });
}

// The source area holds the glass and a 10-pixel strip of the desktop left of and above it. The skin
// goes over the capture along its opaque runs, or, where those are not at hand, as a keyed copy: the
// view is the same.
TEST(RenderView, TheGlassSeesItselfAsANavyLensUnderItsSkin) {
    Options options;
    options.width = 1000;
    options.height = 1000;
    options.desktop = CoordinateDesktop(1000, 1000);
    const Image skin = SkinFrame();
    const ColorRef key = skin.At(175, 175);
    for (bool runs : {true, false}) {
        SCOPED_TRACE(runs ? "along the skin's runs" : "as a keyed copy");
        RunWithGlass(options, [&](Magnifier& m) {
            glass_test::PlaceGlass(m, Rect{300, 300, 650, 650});
            m.Settings.SmoothImg = 0;
            ShowWindowAs(m.MagnifierWindow, ShowNormal);
            UpdateWindowNow(m.MagnifierWindow);
            SetZoom(m, 1.0f, {465, 465});
            RenderView(m, true, false, false);  // moves the dot to zoom 1's place
            ASSERT_TRUE(m.ScaledSkinRuns.Fits(350, 350));
            if (!runs) m.ScaledSkinRuns = RowRuns{};
            RenderView(m, true, false, false);
            ASSERT_EQ(m.SourceRect, (Rect{290, 290, 640, 640}));
            const Image view = glass_test::ReadView(m);
            const int32_t dotLeft = int32_t(m.DialDot.x - m.DialDotRadius) + 10;
            const int32_t dotTop = int32_t(m.DialDot.y - m.DialDotRadius) + 10;
            const Rect dot{dotLeft, dotTop, dotLeft + 9, dotTop + 9};
            EXPECT_EQ(view.At(int32_t(m.DialDot.x) + 10, int32_t(m.DialDot.y) + 10), 0x00FFFFFFu);  // the dot's fill
            for (int32_t y = 0; y < 350; ++y)
                for (int32_t x = 0; x < 350; ++x) {
                    if (PointInRectangle(dot, {x, y})) continue;
                    ColorRef expected = options.desktop->At(290 + x, 290 + y);
                    if (x >= 10 && y >= 10) {
                        const ColorRef frame = skin.At(x - 10, y - 10);
                        expected = frame == key ? 0x00301000u : frame;
                    }
                    ASSERT_EQ(view.At(x, y), expected) << x << "," << y;
                }
        });
    }
}

TEST(RenderView, OddInputsNeverFault) {
    RunWithGlass({}, [](Magnifier& m) {
        const float zooms[] = {std::numeric_limits<float>::quiet_NaN(), 1e-30f, 1e30f, -2.0f, 0.0f, 0.25f};
        for (float zoom : zooms) {
            SetZoom(m, zoom, {120, 160});
            m.Settings.Bright = 1e30f;
            m.Settings.Contrast = std::numeric_limits<float>::quiet_NaN();
            RenderView(m, true, true, true);
            EXPECT_GE(m.SourceRect.right - m.SourceRect.left, 1);
        }
        // A window larger than the view made for it (the lens geometry lags behind).
        SetZoom(m, 2.0f, {120, 160});
        m.Settings.Bright = 1.0f;
        m.Settings.Contrast = 0.5f;
        m.Settings.WindowRect = Rect{0, 0, 150, 150};
        RenderView(m, true, true, true);
        // An empty window.
        glass_test::PlaceGlass(m, Rect{50, 50, 50, 50});
        RenderView(m, true, true, true);
        Surface capture = CreateMemorySurface(nullptr);
        ComposeMagnifier(m, capture, 0, 0, false);
        DeleteMemorySurface(capture);
    });
}

TEST(RenderView, ABusyDrawingLockSkipsTheFrame) {
    RunWithGlass({}, [](Magnifier& m) {
        SetZoom(m, 2.0f, {120, 160});
        const Rect before = m.SourceRect;
        const Mutex mutex = m.DrawMutex;
        m.DrawMutex = nullptr;  // the wait fails
        RenderView(m, true, false, true);
        UpdateLensGeometry(m);
        EXPECT_EQ(m.SourceRect, before);
        m.DrawMutex = mutex;
        RenderView(m, true, false, true);
        EXPECT_EQ(m.SourceRect, (Rect{100, 140, 140, 180}));
    });
}
