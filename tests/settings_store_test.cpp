// The Magnifier's construction (bounds, defaults, single instance, teardown) and the settings'
// registry form: conversions and clamps when loading, packings when saving.
#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <limits>
#include <string>

#include "GlassFixture.h"
#include "settings/SettingsStore.h"

using namespace platform;
using glass_test::Options;
using glass_test::RunWithGlass;

namespace {

const std::u16string Key = u"Software\\Orvane group\\Vistrel";

sim::RegistryValue Dword(uint32_t v) {
    sim::RegistryValue value;
    value.type = RegDword;
    value.data = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
    return value;
}

sim::RegistryValue FloatBits(float f) { return Dword(std::bit_cast<uint32_t>(f)); }

sim::RegistryValue Text(uint32_t type, const std::u16string& text) {
    sim::RegistryValue value;
    value.type = type;
    for (char16_t c : text) {
        value.data.push_back(uint8_t(c));
        value.data.push_back(uint8_t(c >> 8));
    }
    value.data.push_back(0);
    value.data.push_back(0);
    return value;
}

uint32_t DwordOf(const sim::RegistryValue& v) {
    uint32_t r = 0;
    for (size_t i = 0; i < 4 && i < v.data.size(); ++i) r |= uint32_t(v.data[i]) << (8 * i);
    return r;
}

std::u16string SkinNameOf(const Settings& s) { return std::u16string(s.SkinName); }

}  // namespace

TEST(MagnifierConstruction, WindowSizeBoundsFollowTheScreenAndTheViewTheGlass) {
    struct Case {
        int32_t width, height, min, max;
    } cases[] = {
        {240, 320, 40, 156}, {480, 640, 72, 312}, {1000, 1200, 150, 525}, {1400, 1000, 150, 525}, {50, 60, 40, 40},
        {3600, 4000, 525, 525},  // 15 % would pass the largest size: the smallest comes down to it
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
        Options options;
        options.width = c.width;
        options.height = c.height;
        RunWithGlass(options, [&](Magnifier& m) {
            EXPECT_EQ(m.MinWindowSize, c.min);
            EXPECT_EQ(m.MaxWindowSize, c.max);
            int32_t w = 0, h = 0;
            ASSERT_TRUE(GetBitmapSize(m.ViewBitmap, &w, &h));
            EXPECT_EQ(w * 100000 + h, m.Settings.WindowSize * 100001);
        });
    }
}

TEST(MagnifierConstruction, DefaultsOnASmallScreenPlaceTheWindows) {
    RunWithGlass({}, [](Magnifier& m) {
        const Settings& s = m.Settings;
        EXPECT_EQ(s.WindowSize, 80);
        EXPECT_EQ(s.WindowRect, (Rect{100, 100, 180, 180}));
        EXPECT_EQ(s.ColorPickerRect, (Rect{100, 180, 300, 230}));
        EXPECT_EQ(s.TapeRect, (Rect{100, 50, 325, 100}));
        EXPECT_EQ(SkinNameOf(s), u"VezoZevode.bmp");
        EXPECT_EQ(s.ZoomX, 4.0f);
        EXPECT_EQ(s.ZoomPnt, (Point{0, 0}));
        EXPECT_EQ(s.Bright, 0.5f);
        EXPECT_EQ(s.Contrast, 0.5f);
        EXPECT_EQ(s.SmoothImg + s.ShowLight + s.ShowAnim + s.PlaySound, 4);
        EXPECT_EQ(s.ShowColorPicker + s.ShowTape + s.AdjustMode, 0);
        EXPECT_EQ(s.DevicePPI, (Resolution{72, 72}));
        EXPECT_EQ(s.PPCScanCode, 193u);
        // The windows stand where the settings say; the derived rectangles follow them.
        EXPECT_EQ(glass_test::WindowRectOf(m.MagnifierWindow), s.WindowRect);
        EXPECT_EQ(glass_test::WindowRectOf(m.ColorPickerWindow), s.ColorPickerRect);
        EXPECT_EQ(glass_test::WindowRectOf(m.TapeWindow), s.TapeRect);
        EXPECT_EQ(m.ColorPickerToolRect, (Rect{100, 180, 150, 230}));
        EXPECT_EQ(m.TapeToolRect, (Rect{100, 50, 150, 100}));
        EXPECT_EQ(m.RightZone, (Rect{160, 100, 180, 180}));
        // The rest of the state after construction.
        EXPECT_EQ(std::u16string(m.ColorPickerText), u"R:0 G:0 B:0\nH:0 S:0 B:0");
        EXPECT_EQ(std::u16string(m.TapeText), u"0000:0000 - 0000:0000\n0000.00px   0000.00cm");
        EXPECT_EQ(m.SourceRect, (Rect{0, 0, 20, 20}));  // the first render: zoom 4 at (0, 0)
    });
}

TEST(MagnifierConstruction, TheDefaultWindowSizeIsClampedIntoTheBounds) {
    struct Case {
        int32_t width, height, size;
    } cases[] = {{1000, 1000, 333}, {1800, 1700, 525}, {100, 300, 40}};
    for (const Case& c : cases) {
        Options options;
        options.width = c.width;
        options.height = c.height;
        RunWithGlass(options, [&](Magnifier& m) { EXPECT_EQ(m.Settings.WindowSize, c.size) << c.width; });
    }
}

TEST(MagnifierConstruction, ASecondObjectFailsWhileTheFirstHoldsTheMutex) {
    RunWithGlass({}, [](Magnifier& first) {
        Magnifier second;
        EXPECT_FALSE(ConstructMagnifier(second, first.Instance, first.MagnifierWindow, first.ColorPickerWindow,
                                        first.TapeWindow));
        EXPECT_EQ(second.MemoryDC, nullptr);  // nothing but the mutex was made
        EXPECT_EQ(second.ViewBitmap, nullptr);
        DiscardFailedMagnifier(second);
        EXPECT_EQ(second.DrawMutex, nullptr);
        // The first instance's lock still works.
        DrawLock lock(first);
        EXPECT_TRUE(lock.Held());
    });
}

TEST(MagnifierConstruction, TeardownReleasesEveryHandle) {
    RunWithGlass({}, [](Magnifier& m) {
        RenderView(m, true, true, true);
        UpdateLensGeometry(m);
    });
    const auto counts = sim::ObjectCounts();
    for (const char* kind : {"surfaces", "bitmaps", "brushes", "pens", "fonts", "mutexes", "locks", "finds", "regkeys"}) {
        ASSERT_TRUE(counts.count(kind)) << kind;
        EXPECT_EQ(counts.at(kind), 0) << kind;
    }
}

// ---- Loading ----

struct LoadCase {
    const char* what;
    std::u16string name;
    sim::RegistryValue value;
    std::function<void(const Settings&, const Magnifier&)> check;
};

TEST(SettingsStore, LoadingConvertsAndClampsEachValue) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const std::vector<LoadCase> cases = {
        {"corner with signed halves", u"RectLU", Dword(0xFFFF0010),
         [](const Settings& s, const Magnifier&) {
             EXPECT_EQ(s.WindowRect.left, 16);
             EXPECT_EQ(s.WindowRect.top, 0);
             EXPECT_EQ(s.WindowRect.right, 180);  // without WindowSize right and bottom stay
         }},
        {"corner left of the screen", u"RectLU", Dword(0x0020FFF6),
         [](const Settings& s, const Magnifier&) { EXPECT_EQ(s.WindowRect.left, 0); EXPECT_EQ(s.WindowRect.top, 32); }},
        {"corner beyond the screen", u"RectLU", Dword(0x01500100),
         [](const Settings& s, const Magnifier&) { EXPECT_EQ(s.WindowRect.left, 0); EXPECT_EQ(s.WindowRect.top, 0); }},
        {"window size 0", u"WindowSize", Dword(0),
         [](const Settings& s, const Magnifier& m) {
             EXPECT_EQ(s.WindowSize, m.MinWindowSize);
             EXPECT_EQ(s.WindowRect, (Rect{100, 100, 140, 140}));
         }},
        {"window size all ones", u"WindowSize", Dword(0xFFFFFFFF),
         [](const Settings& s, const Magnifier& m) { EXPECT_EQ(s.WindowSize, m.MaxWindowSize); }},
        {"window size in range", u"WindowSize", Dword(100),
         [](const Settings& s, const Magnifier&) { EXPECT_EQ(s.WindowRect, (Rect{100, 100, 200, 200})); }},
        {"zoom 20 stays", u"ZoomX", FloatBits(20.0f), [](const Settings& s, const Magnifier&) { EXPECT_EQ(s.ZoomX, 20.0f); }},
        {"zoom 2.5", u"ZoomX", FloatBits(2.5f), [](const Settings& s, const Magnifier&) { EXPECT_EQ(s.ZoomX, 2.5f); }},
        {"zoom 0", u"ZoomX", FloatBits(0.0f), [](const Settings& s, const Magnifier&) { EXPECT_EQ(s.ZoomX, 4.0f); }},
        {"zoom negative", u"ZoomX", FloatBits(-3.0f), [](const Settings& s, const Magnifier&) { EXPECT_EQ(s.ZoomX, 4.0f); }},
        {"zoom not a number", u"ZoomX", FloatBits(nan), [](const Settings& s, const Magnifier&) { EXPECT_EQ(s.ZoomX, 4.0f); }},
        {"zoom infinite", u"ZoomX", FloatBits(inf), [](const Settings& s, const Magnifier&) { EXPECT_EQ(s.ZoomX, 4.0f); }},
        {"bright not a number", u"Bright", FloatBits(nan), [](const Settings& s, const Magnifier&) { EXPECT_EQ(s.Bright, 0.5f); }},
        {"bright huge", u"Bright", FloatBits(1e30f), [](const Settings& s, const Magnifier&) { EXPECT_EQ(s.Bright, 1.0f); }},
        {"bright below 0", u"Bright", FloatBits(-7.0f), [](const Settings& s, const Magnifier&) { EXPECT_EQ(s.Bright, 0.0f); }},
        {"bright 0.75", u"Bright", FloatBits(0.75f), [](const Settings& s, const Magnifier&) { EXPECT_EQ(s.Bright, 0.75f); }},
        {"contrast infinite", u"Contrast", FloatBits(-inf), [](const Settings& s, const Magnifier&) { EXPECT_EQ(s.Contrast, 0.5f); }},
        {"contrast 0.25", u"Contrast", FloatBits(0.25f), [](const Settings& s, const Magnifier&) { EXPECT_EQ(s.Contrast, 0.25f); }},
        {"smoothing 2", u"SmoothImg", Dword(2), [](const Settings& s, const Magnifier&) { EXPECT_EQ(s.SmoothImg, 0); }},
        {"animation 1", u"ShowAnim", Dword(1), [](const Settings& s, const Magnifier&) { EXPECT_EQ(s.ShowAnim, 1); }},
        {"picker shown", u"ShowColorPicker", Dword(1), [](const Settings& s, const Magnifier&) { EXPECT_EQ(s.ShowColorPicker, 1); }},
        {"adjust mode 0xFF", u"AdjustMode", Dword(0xFF), [](const Settings& s, const Magnifier&) { EXPECT_EQ(s.AdjustMode, 0); }},
        {"sound 0", u"PlaySound", Dword(0), [](const Settings& s, const Magnifier&) { EXPECT_EQ(s.PlaySound, 0); }},
        {"picker corner partly off the left edge", u"CPRectLU", Dword(0x0064FFF0),
         [](const Settings& s, const Magnifier&) { EXPECT_EQ(s.ColorPickerRect, (Rect{0, 100, 200, 150})); }},
        {"tape corner", u"TPRectLU", Dword(0x00200010),
         [](const Settings& s, const Magnifier&) { EXPECT_EQ(s.TapeRect, (Rect{16, 32, 241, 82})); }},
        {"zoom point", u"ZoomPnt", Dword(0x01000050),
         [](const Settings& s, const Magnifier&) { EXPECT_EQ(s.ZoomPnt, (Point{80, 256})); }},
        {"zoom point on the right and bottom edges", u"ZoomPnt", Dword(0x014000F0),
         [](const Settings& s, const Magnifier&) { EXPECT_EQ(s.ZoomPnt, (Point{240, 320})); }},
        {"zoom point beyond the screen", u"ZoomPnt", Dword(0x02000100),
         [](const Settings& s, const Magnifier&) { EXPECT_EQ(s.ZoomPnt, (Point{0, 0})); }},
        {"pixels per inch", u"DevicePPI", Dword(0x00600048),
         [](const Settings& s, const Magnifier&) { EXPECT_EQ(s.DevicePPI, (Resolution{72, 96})); }},
        {"tape key", u"PPCScanCode", Dword(0x12345), [](const Settings& s, const Magnifier&) { EXPECT_EQ(s.PPCScanCode, 0x12345u); }},
        {"skin name", u"SkinName", Text(RegSz, u"Square.bmp"),
         [](const Settings& s, const Magnifier&) { EXPECT_EQ(SkinNameOf(s), u"Square.bmp"); }},
        {"skin name as expandable text", u"SkinName", Text(RegExpandSz, u"Square.bmp"),
         [](const Settings& s, const Magnifier&) { EXPECT_EQ(SkinNameOf(s), u"VezoZevode.bmp"); }},
        {"skin name as binary", u"SkinName", Text(RegBinary, u"Square.bmp"),
         [](const Settings& s, const Magnifier&) { EXPECT_EQ(SkinNameOf(s), u"VezoZevode.bmp"); }},
        {"skin name longer than its buffer", u"SkinName", Text(RegSz, std::u16string(200, u'x')),
         [](const Settings& s, const Magnifier&) { EXPECT_EQ(SkinNameOf(s), u"VezoZevode.bmp"); }},
        {"skin name of 127 characters", u"SkinName", Text(RegSz, std::u16string(127, u'y')),
         [](const Settings& s, const Magnifier&) { EXPECT_EQ(SkinNameOf(s), std::u16string(127, u'y')); }},
        {"skin name of 128 characters", u"SkinName", Text(RegSz, std::u16string(128, u'y')),
         [](const Settings& s, const Magnifier&) { EXPECT_EQ(SkinNameOf(s), u"VezoZevode.bmp"); }},
        {"skin name of 128 characters without its zero", u"SkinName",
         [] {
             sim::RegistryValue v = Text(RegSz, std::u16string(128, u'y'));
             v.data.resize(256);
             return v;
         }(),
         [](const Settings& s, const Magnifier&) { EXPECT_EQ(SkinNameOf(s), std::u16string(127, u'y')); }},
        {"a number stored as text", u"WindowSize", Text(RegSz, u"100"),
         [](const Settings& s, const Magnifier&) { EXPECT_EQ(s.WindowSize, 80); }},
    };
    for (const LoadCase& c : cases) {
        SCOPED_TRACE(c.what);
        Options options;
        options.beforeStart = [&] { sim::SetRegistryValue(Key, c.name, c.value); };
        RunWithGlass(options, [&](Magnifier& m) {
            EXPECT_TRUE(LoadFromRegistry(m));
            c.check(m.Settings, m);
        });
    }
}

TEST(SettingsStore, AStoredCornerMovesTheGlassTogetherWithItsSize) {
    Options options;
    options.beforeStart = [] {
        sim::SetRegistryValue(Key, u"RectLU", Dword(0x00140030));
        sim::SetRegistryValue(Key, u"WindowSize", Dword(90));
    };
    RunWithGlass(options, [](Magnifier& m) {
        ASSERT_TRUE(LoadFromRegistry(m));
        EXPECT_EQ(m.Settings.WindowRect, (Rect{48, 20, 138, 110}));
    });
}

TEST(SettingsStore, WithoutTheKeyLoadingFailsAndChangesNothing) {
    RunWithGlass({}, [](Magnifier& m) {
        m.Settings.ZoomX = 7.0f;
        EXPECT_FALSE(LoadFromRegistry(m));
        EXPECT_EQ(m.Settings.ZoomX, 7.0f);
    });
}

// ---- Saving ----

TEST(SettingsStore, SavingWritesAllValuesWithTheirPackings) {
    RunWithGlass({}, [](Magnifier& m) {
        Settings& s = m.Settings;
        s.ColorPickerRect = Rect{-30, 200, 170, 250};
        s.TapeRect = Rect{5, 6, 230, 56};
        s.WindowRect = Rect{-2, 40, 78, 120};
        s.ZoomPnt = Point{239, 319};
        s.ZoomX = 2.75f;
        s.Bright = 0.125f;
        s.DevicePPI = Resolution{0x12345, 96};
        s.SkinName[0] = 0;
        EXPECT_TRUE(SaveToRegistry(m));
    });
    const auto registry = sim::Registry();
    ASSERT_TRUE(registry.count(Key));
    const auto& values = registry.at(Key);
    EXPECT_EQ(values.size(), 18u);
    for (const auto& [name, value] : values) {
        const uint32_t expected = name == u"SkinName" ? RegSz : RegDword;
        EXPECT_EQ(value.type, expected) << std::string(name.begin(), name.end());
    }
    EXPECT_EQ(values.at(u"SkinName").data.size(), 2u);  // the terminating zero alone
    EXPECT_EQ(DwordOf(values.at(u"CPRectLU")), 0x00C8FFE2u);
    EXPECT_EQ(DwordOf(values.at(u"TPRectLU")), 0x00060005u);
    EXPECT_EQ(DwordOf(values.at(u"RectLU")), 0x0028FFFEu);
    EXPECT_EQ(DwordOf(values.at(u"ZoomPnt")), 0x013F00EFu);
    EXPECT_EQ(DwordOf(values.at(u"ZoomX")), std::bit_cast<uint32_t>(2.75f));
    EXPECT_EQ(DwordOf(values.at(u"Bright")), std::bit_cast<uint32_t>(0.125f));
    EXPECT_EQ(DwordOf(values.at(u"Contrast")), std::bit_cast<uint32_t>(0.5f));
    EXPECT_EQ(DwordOf(values.at(u"DevicePPI")), 0x00602345u);
    EXPECT_EQ(DwordOf(values.at(u"WindowSize")), 80u);
    EXPECT_EQ(DwordOf(values.at(u"PPCScanCode")), 193u);
    EXPECT_EQ(DwordOf(values.at(u"PlaySound")), 1u);
}

// A value whose size is not that of its type is ignored like one of the wrong type: a number of no
// bytes must not load as 0 (the switches off, pixels per inch (0, 0), the tape key code 0).
TEST(SettingsStore, AValueOfTheWrongSizeLeavesTheDefault) {
    const struct {
        const char* what;
        std::vector<uint8_t> number, text;
    } cases[] = {
        {"no bytes", {}, {}},
        {"two bytes", {1, 0}, {'S', 0, 'q'}},
        {"five bytes", {1, 0, 0, 0, 0}, {'S', 0, 'q', 0, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Options options;
        options.beforeStart = [&] {
            for (const char16_t* name : {u"SmoothImg", u"ShowLight", u"RectLU", u"WindowSize", u"ZoomX", u"ZoomPnt", u"ShowAnim",
                                         u"ShowColorPicker", u"CPRectLU", u"Bright", u"Contrast", u"AdjustMode", u"ShowTape",
                                         u"TPRectLU", u"DevicePPI", u"PPCScanCode", u"PlaySound"})
                sim::SetRegistryValue(Key, name, sim::RegistryValue{RegDword, c.number});
            sim::SetRegistryValue(Key, u"SkinName", sim::RegistryValue{RegSz, c.text});
        };
        RunWithGlass(options, [](Magnifier& m) {
            const Settings defaults = m.Settings;
            ASSERT_TRUE(LoadFromRegistry(m));
            EXPECT_EQ(m.Settings.SmoothImg, 1);
            EXPECT_EQ(m.Settings.DevicePPI, (Resolution{72, 72}));
            EXPECT_EQ(m.Settings.PPCScanCode, 193u);
            EXPECT_EQ(SkinNameOf(m.Settings), SkinNameOf(defaults));
            EXPECT_EQ(std::memcmp(&m.Settings, &defaults, sizeof defaults), 0) << "some other setting changed";
        });
    }
}
