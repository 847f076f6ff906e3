// Skins (the project's skin files, loading, the fallback frame) and the layout of the three windows:
// hit zones, tool squares, LayoutWindows and the application of a new window size.
#include <gtest/gtest.h>

#include <string>

#include "GlassFixture.h"
#include "magnifier/SkinLayout.h"

using namespace platform;
using glass_test::Options;
using glass_test::RunWithGlass;
using sim::Image;

namespace {

void SetSkinName(Magnifier& m, const std::u16string& name) {
    name.copy(m.Settings.SkinName, name.size());
    m.Settings.SkinName[name.size()] = 0;
}

Image SkinOfGlass(const Magnifier& m) {
    int32_t w = 0, h = 0;
    GetBitmapSize(m.SkinBitmap, &w, &h);
    return glass_test::ReadBitmap(m.SkinBitmap, w, h);
}

void ExpectFallback(const Magnifier& m) {
    int32_t w = 0, h = 0;
    ASSERT_TRUE(GetBitmapSize(m.SkinBitmap, &w, &h));
    EXPECT_EQ(w, 350);
    EXPECT_EQ(h, 350);
    const Image skin = SkinOfGlass(m);
    struct Probe {
        int32_t x, y;
        ColorRef colour;
    } probes[] = {{0, 0, 0}, {30, 175, 0}, {31, 31, 0xFFFFFF}, {175, 175, 0xFFFFFF},
                  {318, 318, 0xFFFFFF}, {319, 319, 0}, {349, 349, 0}, {175, 330, 0}};
    for (const Probe& p : probes) EXPECT_EQ(skin.At(p.x, p.y), p.colour) << p.x << "," << p.y;
    Surface surface = CreateMemorySurface(nullptr);
    Bitmap previous = SelectBitmapInto(surface, m.SkinBitmap);
    EXPECT_EQ(SkinKeyColor(surface), 0x00FFFFFFu);  // white is the fallback's see-through colour
    SelectBitmapInto(surface, previous);
    DeleteMemorySurface(surface);
}

}  // namespace

TEST(SkinFiles, FollowTheSkinLayout) {
    for (const char* name : {"VezoZevode.bmp", "Square.bmp"}) {
        SCOPED_TRACE(name);
        const auto loaded = sim::ReadBmpFile(std::string(VISTREL_SOURCE_DIR) + "/data/Skins/" + name);
        ASSERT_TRUE(loaded.has_value());
        const Image& skin = *loaded;
        EXPECT_EQ(skin.width, 350);
        EXPECT_EQ(skin.height, 450);
        const ColorRef key = skin.At(175, 175);
        EXPECT_EQ(key, Rgb(255, 0, 255));
        int lens = 0;
        for (int32_t y = 0; y < 350; ++y)
            for (int32_t x = 0; x < 350; ++x) {
                if (skin.At(x, y) == key) ++lens;
                // The shifted view never reaches the right and bottom 32 pixels: the frame covers them.
                if (x >= 318 || y >= 318) {
                    ASSERT_NE(skin.At(x, y), key) << x << "," << y;
                }
            }
        EXPECT_GT(lens, 50000);
        for (int32_t y = 357; y < 393; ++y)  // the colour square's hole
            for (int32_t x = 7; x < 43; ++x) ASSERT_EQ(skin.At(x, y), key) << x << "," << y;
        for (int32_t y = 350; y < 400; ++y)  // the text field and the frame around the hole are opaque
            for (int32_t x = 0; x < 200; ++x)
                if (x < 5 || x >= 45 || y < 355 || y >= 395) {
                    ASSERT_NE(skin.At(x, y), key) << x << "," << y;
                }
        for (int32_t y = 400; y < 450; ++y)  // the tape strip is copied opaque
            for (int32_t x = 0; x < 225; ++x) ASSERT_NE(skin.At(x, y), key) << x << "," << y;
    }
    // The round glass stands in an opaque square mount: its corners show no magnified picture.
    const auto round = sim::ReadBmpFile(std::string(VISTREL_SOURCE_DIR) + "/data/Skins/VezoZevode.bmp");
    ASSERT_TRUE(round.has_value());
    EXPECT_NE(round->At(3, 3), round->At(175, 175));
}

TEST(LoadSkin, SkinsTooSmallOrUnreadableGiveTheFallbackFrame) {
    const std::string home = glass_test::MakeHome("sizes");
    const std::string skins = home + "/Skins/";
    ASSERT_TRUE(sim::WriteBmpFile(Image(350, 449, Rgb(1, 2, 3)), skins + "short.bmp"));
    ASSERT_TRUE(sim::WriteBmpFile(Image(349, 450, Rgb(1, 2, 3)), skins + "narrow.bmp"));
    ASSERT_TRUE(sim::WriteBmpFile(Image(350, 450, Rgb(1, 2, 3)), skins + "exact.bmp"));
    std::ofstream(skins + "garbage.bmp") << "BM this is not a bitmap";
    struct Case {
        std::u16string name;
        bool accepted;
    } cases[] = {{u"short.bmp", false}, {u"narrow.bmp", false}, {u"exact.bmp", true},
                 {u"garbage.bmp", false}, {u"missing.bmp", false}, {u"", false}, {u"Square.bmp", true}};
    Options options;
    options.home = home;
    RunWithGlass(options, [&](Magnifier& m) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.name.begin(), c.name.end()));
            SetSkinName(m, c.name);
            LoadSkin(m);
            EXPECT_EQ(std::u16string(m.LoadedSkinName), c.name);
            if (c.accepted) {
                int32_t w = 0, h = 0;
                ASSERT_TRUE(GetBitmapSize(m.SkinBitmap, &w, &h));
                EXPECT_EQ(w * 1000 + h, 350450);
            } else {
                ExpectFallback(m);
            }
        }
    });
}

TEST(LayoutWindows, LoadsTheSkinOnlyWhenItsNameChanges) {
    RunWithGlass({}, [](Magnifier& m) {
        const Bitmap first = m.SkinBitmap;
        const int64_t bitmaps = sim::ObjectCount("bitmaps");
        LayoutWindows(m);
        LayoutWindows(m);
        EXPECT_EQ(m.SkinBitmap, first);
        SetSkinName(m, u"VEZOZEVODE.BMP");  // a different name, if only in letter case
        LayoutWindows(m);
        EXPECT_NE(m.SkinBitmap, first);
        EXPECT_EQ(std::u16string(m.LoadedSkinName), u"VEZOZEVODE.BMP");
        int32_t w = 0, h = 0;
        ASSERT_TRUE(GetBitmapSize(m.SkinBitmap, &w, &h));
        EXPECT_EQ(h, 450);  // the device's file names ignore letter case
        EXPECT_EQ(sim::ObjectCount("bitmaps"), bitmaps);  // the old skin was released
    });
}

TEST(LayoutWindows, PlacesTheWindowsAndBringsTheDerivedStateUpToDate) {
    RunWithGlass({}, [](Magnifier& m) {
        Settings& s = m.Settings;
        s.WindowRect = Rect{20, 60, 120, 160};
        s.WindowSize = 100;
        s.ColorPickerRect = Rect{0, 160, 200, 210};  // flush below the glass
        s.TapeRect = Rect{120, 80, 345, 130};         // flush right of it
        s.PPCScanCode = 0x77;
        LayoutWindows(m);
        EXPECT_EQ(glass_test::WindowRectOf(m.MagnifierWindow), s.WindowRect);
        EXPECT_EQ(glass_test::WindowRectOf(m.ColorPickerWindow), s.ColorPickerRect);
        EXPECT_EQ(glass_test::WindowRectOf(m.TapeWindow), s.TapeRect);
        EXPECT_EQ(m.CornerZone, (Rect{20, 60, 45, 85}));
        EXPECT_EQ(m.ColorPickerToolRect, (Rect{0, 160, 50, 210}));
        EXPECT_EQ(m.TapeToolRect, (Rect{120, 80, 170, 130}));
        EXPECT_EQ(m.ColorPickerDock, DockBottom);
        EXPECT_EQ(m.TapeDock, DockRight);
        EXPECT_DOUBLE_EQ(m.DialRadius, 43.0);
        EXPECT_EQ(m.SourceRect.right - m.SourceRect.left, 25);  // rendered at the new size
        bool registered = false;
        for (const auto& k : sim::HotKeys()) registered = registered || (k.id == 0x77 && k.modifiers == ModWin);
        EXPECT_TRUE(registered);
    });
}

TEST(UpdateMagnifierZones, QuartersOfTheGlass) {
    struct Case {
        Rect glass, right, bottom, corner;
    } cases[] = {
        {{100, 100, 181, 181}, {161, 100, 181, 181}, {100, 161, 181, 181}, {100, 100, 120, 120}},
        {{0, 0, 80, 80}, {60, 0, 80, 80}, {0, 60, 80, 80}, {0, 0, 20, 20}},
        {{-10, 5, 33, 48}, {23, 5, 33, 48}, {-10, 38, 33, 48}, {-10, 5, 0, 15}},
    };
    RunWithGlass({}, [&](Magnifier& m) {
        for (const Case& c : cases) {
            m.Settings.WindowRect = c.glass;
            UpdateMagnifierZones(m);
            EXPECT_EQ(m.RightZone, c.right);
            EXPECT_EQ(m.BottomZone, c.bottom);
            EXPECT_EQ(m.CornerZone, c.corner);
        }
        m.Settings.ColorPickerRect = Rect{-30, 200, 170, 250};
        UpdateColorPickerToolRect(m);
        EXPECT_EQ(m.ColorPickerToolRect, (Rect{-30, 200, 20, 250}));
    });
}

TEST(ApplyNewWindowSize, KeepsTheCentreAndReplacesDockedToolWindows) {
    struct Case {
        const char* what;
        int32_t pickerDock, tapeDock, newSize;
        Rect glass, picker, tape;
    } cases[] = {
        // The glass starts at (100, 100, 180, 180); the picker at (0, 0, 200, 50), the tape at (0, 300, 225, 350).
        {"picker below, tape undocked", DockBottom, DockNone, 120, {80, 80, 200, 200}, {40, 200, 240, 250}, {0, 300, 225, 350}},
        {"picker above, tape below", DockTop, DockBottom, 120, {80, 80, 200, 200}, {40, 30, 240, 80}, {28, 200, 253, 250}},
        {"picker left, tape right", DockLeft, DockRight, 120, {80, 80, 200, 200}, {-120, 115, 80, 165}, {200, 115, 425, 165}},
        {"tape left, picker right", DockRight, DockLeft, 61, {110, 110, 171, 171}, {171, 115, 371, 165}, {-115, 115, 110, 165}},
        {"unchanged size", DockBottom, DockTop, 80, {100, 100, 180, 180}, {0, 0, 200, 50}, {0, 300, 225, 350}},
        {"below the smallest size", DockNone, DockNone, 3, {120, 120, 160, 160}, {0, 0, 200, 50}, {0, 300, 225, 350}},
        {"above the largest size", DockNone, DockTop, 1000, {62, 62, 218, 218}, {0, 0, 200, 50}, {28, 12, 253, 62}},
    };
    RunWithGlass({}, [&](Magnifier& m) {
        for (const Case& c : cases) {
            SCOPED_TRACE(c.what);
            Settings& s = m.Settings;
            s.WindowRect = Rect{100, 100, 180, 180};
            s.ColorPickerRect = Rect{0, 0, 200, 50};
            s.TapeRect = Rect{0, 300, 225, 350};
            m.ColorPickerDock = c.pickerDock;
            m.TapeDock = c.tapeDock;
            const int32_t old = s.WindowSize = 80;
            s.WindowSize = c.newSize;
            ApplyNewWindowSize(m, old);
            EXPECT_EQ(s.WindowRect, c.glass);
            EXPECT_EQ(s.WindowSize, c.glass.right - c.glass.left);
            EXPECT_EQ(s.ColorPickerRect, c.picker);
            EXPECT_EQ(s.TapeRect, c.tape);
        }
    });
}
