// The glass's picture with the skin scaled once per size and skin: after every resize and skin change
// the window shows exactly what the skin stretched (nearest pixel) over the view gives.
#include <gtest/gtest.h>

#include <string>

#include "GlassFixture.h"
#include "magnifier/SkinLayout.h"

using namespace platform;
using glass_test::Options;
using glass_test::RunWithGlass;
using sim::Image;

namespace {

Image SkinFile(const char* name) {
    auto skin = sim::ReadBmpFile(std::string(VISTREL_SOURCE_DIR) + "/data/Skins/" + name);
    EXPECT_TRUE(skin.has_value()) << name;
    return skin ? *skin : Image(350, 450);
}

// Nearest-pixel sampling of the 350-pixel skin frame onto `side` pixels, at pixel centres.
int32_t SkinIndex(int32_t i, int32_t side) { return int32_t((2 * int64_t(i) + 1) * 350 / (2 * int64_t(side))); }

}  // namespace

TEST(GlassComposition, TheCachedSkinMatchesTheSkinStretchedOverTheViewAfterResizeAndSkinChange) {
    struct Step {
        const char* name;
        int32_t side;
        const char* skin;
    } steps[] = {{"unscaled", 350, "VezoZevode.bmp"},
                 {"enlarged", 420, "VezoZevode.bmp"},
                 {"other skin", 420, "Square.bmp"},
                 {"reduced", 233, "Square.bmp"},
                 {"back to the first skin", 233, "VezoZevode.bmp"}};
    Options options;
    options.width = 800;
    options.height = 800;
    RunWithGlass(options, [&](Magnifier& m) {
        m.Settings.ZoomX = 2.0f;
        m.Settings.ZoomPnt = Point{100, 100};
        ShowWindowAs(m.MagnifierWindow, ShowNormal);
        for (const Step& step : steps) {
            SCOPED_TRACE(step.name);
            const Image skin = SkinFile(step.skin);
            const ColorRef key = skin.At(175, 175);
            std::u16string name(step.skin, step.skin + std::char_traits<char>::length(step.skin));
            name.copy(m.Settings.SkinName, name.size());
            m.Settings.SkinName[name.size()] = 0;
            LoadSkin(m);
            glass_test::PlaceGlass(m, Rect{300, 300, 300 + step.side, 300 + step.side});
            RenderView(m, true, false, false);
            const Image view = glass_test::ReadView(m);
            InvalidateWindowRect(m.MagnifierWindow, nullptr, false);
            UpdateWindowNow(m.MagnifierWindow);
            const int32_t inset = int32_t(m.ViewInset.x);
            const Rect dot{int32_t(m.DialDot.x - m.DialDotRadius) - 1, int32_t(m.DialDot.y - m.DialDotRadius) - 1,
                           int32_t(m.DialDot.x + m.DialDotRadius) + 2, int32_t(m.DialDot.y + m.DialDotRadius) + 2};
            int checked = 0;
            for (int32_t y = 0; y < step.side; ++y)
                for (int32_t x = 0; x < step.side; ++x) {
                    if (PointInRectangle(dot, {x, y})) continue;
                    const ColorRef s = skin.At(SkinIndex(x, step.side), SkinIndex(y, step.side));
                    const bool seeThrough = s == key;
                    if (seeThrough && (x + inset >= step.side || y + inset >= step.side)) continue;
                    const ColorRef expected = seeThrough ? view.At(x + inset, y + inset) : s;
                    ASSERT_EQ(sim::ScreenPixel(300 + x, 300 + y), expected) << x << "," << y;
                    ++checked;
                }
            EXPECT_GT(checked, step.side * step.side / 2);
        }
    });
}
