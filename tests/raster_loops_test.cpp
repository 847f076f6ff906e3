// The raster's specialised copy loops against its general path: for every pair of pixel formats and
// every kind of copy that runs on each frame, both give the same bytes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/raster/Canvas.h"

using namespace platform;
using namespace platform::raster;

namespace {

struct Storage {
    std::vector<uint8_t> bytes;
    Canvas canvas;
};

// A w x h canvas of the format, bottom-up for 24 bits as device-independent bitmaps are, filled with
// a pattern that has the key colour in places.
Storage MakeStorage(PixelFormat format, int32_t w, int32_t h, uint32_t seed, ColorRef key) {
    Storage s;
    const ptrdiff_t bytes = format == PixelFormat::Bgr24 ? 3 : 4;
    const ptrdiff_t stride = (w * bytes + 3) / 4 * 4;
    s.bytes.assign(size_t(stride * h), 0);
    s.canvas.format = format;
    s.canvas.limit = Rect{0, 0, w, h};
    if (format == PixelFormat::Bgr24) {
        s.canvas.row0 = s.bytes.data() + (h - 1) * stride;
        s.canvas.stride = -stride;
    } else {
        s.canvas.row0 = s.bytes.data();
        s.canvas.stride = stride;
    }
    std::vector<ColorRef> row(static_cast<size_t>(w));
    uint32_t state = seed;
    for (int32_t y = 0; y < h; ++y) {
        for (int32_t x = 0; x < w; ++x) {
            state = state * 1103515245u + 12345u;
            row[size_t(x)] = (state >> 8) % 5 == 0 ? key : ((state >> 4) & 0xFFFFFF);
        }
        WriteRow(s.canvas, 0, y, w, row.data(), nullptr);
    }
    return s;
}

struct Copy {
    const char* name;
    int32_t x, y, width, height;                          // destination rectangle
    int32_t sourceX, sourceY, sourceWidth, sourceHeight;  // source rectangle
    bool bilinear;
    bool keyed;
};

std::vector<uint8_t> CopyWith(const Copy& c, PixelFormat from, PixelFormat to, bool specialised) {
    constexpr ColorRef key = 0x00FF00FF;
    Storage source = MakeStorage(from, 60, 50, 7, key);
    // The unused byte of a 32-bit source pixel holds whatever the screen left there: no copy keeps it.
    if (from != PixelFormat::Bgr24)
        for (size_t i = 3; i < source.bytes.size(); i += 4) source.bytes[i] = uint8_t(0xA5 ^ i);
    Storage destination = MakeStorage(to, 90, 80, 11, key);
    UseSpecialisedLoops(specialised);
    if (c.width == c.sourceWidth && c.height == c.sourceHeight && !c.keyed)
        CopyBlock(destination.canvas, c.x, c.y, c.width, c.height, source.canvas, c.sourceX, c.sourceY);
    else
        StretchBlock(destination.canvas, c.x, c.y, c.width, c.height, source.canvas, c.sourceX, c.sourceY,
                     c.sourceWidth, c.sourceHeight, c.bilinear ? StretchFilter::Bilinear : StretchFilter::Nearest,
                     c.keyed ? &key : nullptr);
    UseSpecialisedLoops(true);
    return destination.bytes;
}

}  // namespace

TEST(RasterLoops, EverySpecialisedLoopGivesWhatTheGeneralPathGives) {
    const Copy copies[] = {
        {"plain copy", 5, 6, 40, 30, 3, 4, 40, 30, false, false},
        {"plain copy clipped at both canvases", -7, 70, 60, 30, 20, -5, 60, 30, false, false},
        {"enlargement by 3", 0, 0, 90, 75, 10, 10, 30, 25, false, false},
        {"enlargement by 4 clipped at the destination", -6, 3, 120, 100, 20, 20, 30, 25, false, false},
        {"enlargement by 2.5 partly outside the source", 0, 0, 90, 80, 40, 30, 36, 32, false, false},
        {"reduction", 2, 2, 25, 20, 0, 0, 60, 50, false, false},
        {"colour key without scaling", 10, 10, 50, 45, 0, 0, 50, 45, false, true},
        {"colour key with scaling", 0, 0, 90, 80, 0, 0, 60, 50, false, true},
        {"bilinear enlargement", 0, 0, 90, 80, 5, 5, 30, 27, true, false},
        {"bilinear enlargement by about 4 up to the source's far edges", 0, 0, 90, 80, 38, 30, 22, 20, true, false},
    };
    const PixelFormat formats[] = {PixelFormat::Color32, PixelFormat::Bgr24, PixelFormat::Bgrx32};
    const char* names[] = {"Color32", "Bgr24", "Bgrx32"};
    for (const Copy& c : copies)
        for (int from = 0; from < 3; ++from)
            for (int to = 0; to < 3; ++to)
                EXPECT_EQ(CopyWith(c, formats[from], formats[to], true), CopyWith(c, formats[from], formats[to], false))
                    << c.name << ", " << names[from] << " to " << names[to];
}

// A stretch through a colour table gives the stretch with every colour byte then looked up, on the
// specialised loops as on the general path: for a rising table that is a clamped line (brightness and
// contrast), one with a step no line gives, and one that is not even rising.
TEST(RasterLoops, AStretchThroughAColourTableLooksUpEveryWrittenByte) {
    struct Table {
        const char* name;
        uint8_t (*entry)(int v);
    } tables[] = {{"clamped line", [](int v) { return uint8_t(std::clamp((v * 29 - 900) / 16, 40, 230)); }},
                  {"line with a step", [](int v) { return uint8_t(v < 100 ? v : std::min(v + 3, 255)); }},
                  {"not rising", [](int v) { return uint8_t(v ^ 0x5A); }}};
    const Copy copies[] = {{"plain copy", 5, 6, 40, 30, 3, 4, 40, 30, false, false},
                           {"enlargement by 2.5 partly outside the source", 0, 0, 90, 80, 40, 30, 36, 32, false, false},
                           {"bilinear enlargement", 0, 0, 90, 80, 5, 5, 30, 27, true, false},
                           {"bilinear enlargement partly outside the source", 3, 0, 87, 80, 45, 40, 30, 27, true, false}};
    const PixelFormat formats[] = {PixelFormat::Color32, PixelFormat::Bgr24, PixelFormat::Bgrx32};
    for (const Table& t : tables) {
        uint8_t map[256];
        for (int v = 0; v < 256; ++v) map[v] = t.entry(v);
        for (const Copy& c : copies)
            for (PixelFormat to : formats)
                for (bool specialised : {true, false}) {
                    Storage source = MakeStorage(PixelFormat::Color32, 60, 50, 7, 0);
                    // Two destinations of different content: a pixel the stretch writes is the same in both.
                    Storage expected = MakeStorage(to, 90, 80, 11, 0x123456), mapped = expected;
                    mapped.canvas.row0 += mapped.bytes.data() - expected.bytes.data();
                    Storage other = MakeStorage(to, 90, 80, 13, 0x654321);
                    UseSpecialisedLoops(specialised);
                    const StretchFilter filter = c.bilinear ? StretchFilter::Bilinear : StretchFilter::Nearest;
                    for (Storage* plain : {&expected, &other})
                        StretchBlock(plain->canvas, c.x, c.y, c.width, c.height, source.canvas, c.sourceX, c.sourceY,
                                     c.sourceWidth, c.sourceHeight, filter, nullptr);
                    StretchBlock(mapped.canvas, c.x, c.y, c.width, c.height, source.canvas, c.sourceX, c.sourceY,
                                 c.sourceWidth, c.sourceHeight, filter, nullptr, map);
                    UseSpecialisedLoops(true);
                    for (int32_t y = 0; y < 80; ++y)
                        for (int32_t x = 0; x < 90; ++x) {
                            ColorRef want = ReadPixel(expected.canvas, x, y);
                            if (want == ReadPixel(other.canvas, x, y))
                                want = ColorRef(map[RedOf(want)]) | ColorRef(map[GreenOf(want)]) << 8 |
                                       ColorRef(map[BlueOf(want)]) << 16;
                            ASSERT_EQ(ReadPixel(mapped.canvas, x, y), want)
                                << t.name << ", " << c.name << ", format " << int(to) << ", specialised "
                                << specialised << ", at " << x << "," << y;
                        }
                }
    }
}

// The picture under a keyed overlay in one pass gives what a plain copy of the picture and a keyed copy
// of the overlay give, wherever the picture lies against the area and the canvases.
TEST(RasterLoops, APictureUnderAKeyedOverlayInOnePassEqualsTheTwoCopies) {
    constexpr ColorRef key = 0x00FF00FF;
    struct Case {
        const char* name;
        Rect area;
        Rect pictureArea;
        Point pictureAt;
    } cases[] = {{"picture shifted up and left, strips left to the overlay", {10, 10, 60, 55}, {0, 0, 50, 45}, {4, 3}},
                 {"area partly off the destination", {50, -5, 100, 40}, {0, 0, 50, 45}, {50, -5}},
                 {"picture partly outside its canvas", {0, 0, 50, 45}, {30, 20, 80, 65}, {0, 0}},
                 {"picture over the whole area", {5, 5, 55, 50}, {0, 0, 50, 45}, {5, 5}}};
    const PixelFormat formats[] = {PixelFormat::Color32, PixelFormat::Bgr24, PixelFormat::Bgrx32};
    for (const Case& c : cases)
        for (PixelFormat to : formats)
            for (PixelFormat overlayFormat : formats) {
                Storage picture = MakeStorage(PixelFormat::Bgrx32, 60, 50, 3, key);
                Storage overlay = MakeStorage(overlayFormat, Width(c.area), Height(c.area), 5, key);
                FillBlock(overlay.canvas, Rect{20, 10, Width(c.area), 30}, key);  // a lens open to the right edge
                Storage expected = MakeStorage(to, 90, 80, 11, key), once = MakeStorage(to, 90, 80, 11, key);
                Rect shown = c.pictureArea;
                IntersectRectangles(&shown, shown, picture.canvas.limit);
                Canvas part = expected.canvas;
                IntersectRectangles(&part.limit, c.area, expected.canvas.limit);
                CopyBlock(part, c.pictureAt.x + shown.left - c.pictureArea.left,
                          c.pictureAt.y + shown.top - c.pictureArea.top, Width(shown), Height(shown), picture.canvas,
                          shown.left, shown.top);
                StretchBlock(expected.canvas, c.area.left, c.area.top, Width(c.area), Height(c.area), overlay.canvas,
                             0, 0, Width(c.area), Height(c.area), StretchFilter::Nearest, &key);
                RowRuns runs;
                FindOpaqueRuns(overlay.canvas, 0, 0, Width(c.area), Height(c.area), key, &runs);
                ASSERT_TRUE(CopyUnderOverlay(once.canvas, c.area, picture.canvas, c.pictureArea, c.pictureAt,
                                             overlay.canvas, runs));
                EXPECT_EQ(once.bytes, expected.bytes)
                    << c.name << ", format " << int(to) << ", overlay " << int(overlayFormat);
                // Without a picture only the overlay's opaque pixels are copied: a keyed copy of it alone.
                Storage keyedOnly = MakeStorage(to, 90, 80, 11, key), overlayOnly = MakeStorage(to, 90, 80, 11, key);
                StretchBlock(keyedOnly.canvas, c.area.left, c.area.top, Width(c.area), Height(c.area), overlay.canvas,
                             0, 0, Width(c.area), Height(c.area), StretchFilter::Nearest, &key);
                ASSERT_TRUE(CopyUnderOverlay(overlayOnly.canvas, c.area, Canvas{}, c.pictureArea, c.pictureAt,
                                             overlay.canvas, runs));
                EXPECT_EQ(overlayOnly.bytes, keyedOnly.bytes)
                    << c.name << " without a picture, format " << int(to) << ", overlay " << int(overlayFormat);
                // Without an overlay the runs keep the destination's pixels, the rest is as above, and
                // every pixel that changed lies in the rectangle told as written.
                const Storage original = MakeStorage(to, 90, 80, 11, key);
                Storage bare = original;
                bare.canvas.row0 += bare.bytes.data() - original.bytes.data();
                Rect written;
                ASSERT_TRUE(CopyUnderOverlay(bare.canvas, c.area, picture.canvas, c.pictureArea, c.pictureAt, Canvas{},
                                             runs, &written));
                for (int32_t y = 0; y < 80; ++y)
                    for (int32_t x = 0; x < 90; ++x) {
                        bool onRun = !PointInRectangle(c.area, Point{x, y});
                        for (uint32_t i = onRun ? 0 : runs.rowFirst[size_t(y - c.area.top)];
                             !onRun && i < runs.rowFirst[size_t(y - c.area.top) + 1]; ++i)
                            onRun = x - c.area.left >= runs.runs[i].begin && x - c.area.left < runs.runs[i].end;
                        const ColorRef now = ReadPixel(bare.canvas, x, y), before = ReadPixel(original.canvas, x, y);
                        ASSERT_EQ(now, onRun ? before : ReadPixel(once.canvas, x, y)) << c.name << " at " << x << "," << y;
                        if (now != before) {
                            ASSERT_TRUE(PointInRectangle(written, Point{x, y})) << c.name;
                        }
                    }
                // Whether every pixel of the area is written: the same over a destination of other content.
                Storage other = MakeStorage(to, 90, 80, 13, 0x123456);
                CopyUnderOverlay(other.canvas, c.area, picture.canvas, c.pictureArea, c.pictureAt, overlay.canvas,
                                 runs);
                bool everyPixel = true;
                for (int32_t y = std::max(0, c.area.top); y < std::min(80, c.area.bottom); ++y)
                    for (int32_t x = std::max(0, c.area.left); x < std::min(90, c.area.right); ++x)
                        everyPixel &= ReadPixel(other.canvas, x, y) == ReadPixel(once.canvas, x, y);
                EXPECT_EQ(OverlayCoversArea(c.area, picture.canvas, c.pictureArea, c.pictureAt, overlay.canvas, runs),
                          everyPixel)
                    << c.name;
            }
}

// An enlargement laid straight under an overlay the destination holds gives what the stretch into a
// 32-bit picture and the copy of that picture between the runs give, band after band of rows, however
// the destination is clipped, and writes nothing where it cannot take every pixel from the source.
TEST(RasterLoops, AnEnlargementUnderAKeptOverlayEqualsTheStretchThenTheCopy) {
    constexpr ColorRef key = 0x00FF00FF;
    struct Case {
        const char* name;
        Rect area;       // the overlay's area on the destination
        Rect picture;    // where the enlargement lands
        Rect source;     // the source's rectangle
        Rect clip;       // the destination's limit
        bool bilinear;
        bool table;
    } cases[] = {
        {"by 4, shifted up and left", {10, 10, 210, 170}, {2, 3, 202, 163}, {5, 4, 50, 40}, {0, 0, 320, 240}, false, false},
        {"by 4, smoothed, through a table", {10, 10, 210, 170}, {2, 3, 202, 163}, {5, 4, 50, 40}, {0, 0, 320, 240}, true, true},
        {"by 4, a clip inside the lens", {10, 10, 210, 170}, {2, 3, 202, 163}, {5, 4, 50, 40}, {60, 40, 150, 131}, false, true},
        {"smoothed, a clip inside the lens", {10, 10, 210, 170}, {2, 3, 202, 163}, {5, 4, 50, 40}, {60, 40, 150, 131}, true, false},
        {"by 2.5, wide: many bands", {0, 0, 300, 220}, {-4, -6, 296, 214}, {0, 0, 120, 88}, {0, 0, 320, 240}, true, false},
        {"by 1: a plain copy", {20, 20, 70, 60}, {18, 18, 68, 58}, {10, 10, 50, 40}, {0, 0, 320, 240}, false, true},
        {"area partly off the destination", {250, 200, 400, 300}, {245, 195, 395, 295}, {0, 0, 30, 20}, {0, 0, 320, 240}, false, false},
        {"picture beside the area: nothing", {10, 10, 60, 60}, {100, 100, 150, 150}, {0, 0, 10, 10}, {0, 0, 320, 240}, false, false},
    };
    const PixelFormat formats[] = {PixelFormat::Color32, PixelFormat::Bgr24, PixelFormat::Bgrx32};
    uint8_t map[256];
    for (int v = 0; v < 256; ++v) map[v] = uint8_t(std::clamp((v * 29 - 900) / 16, 40, 230));
    for (const Case& c : cases)
        for (PixelFormat to : formats)
            for (PixelFormat from : {PixelFormat::Color32, PixelFormat::Bgrx32}) {
                SCOPED_TRACE(std::string(c.name) + ", format " + std::to_string(int(to)) + " from " +
                             std::to_string(int(from)));
                const StretchFilter filter = c.bilinear ? StretchFilter::Bilinear : StretchFilter::Nearest;
                const uint8_t* table = c.table ? map : nullptr;
                Storage source = MakeStorage(from, 130, 100, 7, key);
                Storage overlay = MakeStorage(PixelFormat::Bgr24, Width(c.area), Height(c.area), 5, key);
                FillBlock(overlay.canvas, Rect{Width(c.area) / 5, Height(c.area) / 6, Width(c.area) * 4 / 5,
                                               Height(c.area) * 5 / 6},
                          key);  // the lens
                RowRuns runs;
                FindOpaqueRuns(overlay.canvas, 0, 0, Width(c.area), Height(c.area), key, &runs);
                const Storage original = MakeStorage(to, 320, 240, 11, key);
                Storage expected = original, laid = original;
                expected.canvas.row0 += expected.bytes.data() - original.bytes.data();
                laid.canvas.row0 += laid.bytes.data() - original.bytes.data();
                expected.canvas.limit = laid.canvas.limit = c.clip;
                Storage picture = MakeStorage(PixelFormat::Bgrx32, Width(c.picture), Height(c.picture), 3, key);
                StretchBlock(picture.canvas, 0, 0, Width(c.picture), Height(c.picture), source.canvas, c.source.left,
                             c.source.top, Width(c.source), Height(c.source), filter, nullptr, table);
                Rect expectedWritten;
                ASSERT_TRUE(CopyUnderOverlay(expected.canvas, c.area, picture.canvas,
                                             Rect{0, 0, Width(c.picture), Height(c.picture)},
                                             Point{c.picture.left, c.picture.top}, Canvas{}, runs, &expectedWritten));
                Rect written;
                ASSERT_TRUE(StretchUnderOverlay(laid.canvas, c.area, source.canvas, c.source.left, c.source.top,
                                                Width(c.source), Height(c.source), c.picture, filter, table, runs,
                                                &written));
                ASSERT_EQ(laid.bytes, expected.bytes);
                EXPECT_EQ(written, expectedWritten);  // what the window system marks as drawn
            }
    // What it refuses, drawing nothing.
    Storage source = MakeStorage(PixelFormat::Bgrx32, 40, 30, 7, key);
    Storage overlay = MakeStorage(PixelFormat::Bgr24, 50, 40, 5, key);
    RowRuns runs;
    FindOpaqueRuns(overlay.canvas, 0, 0, 50, 40, key, &runs);
    const struct {
        const char* name;
        Rect area;
        int32_t x, y, width, height;  // the source's rectangle
        bool sameStorage;
    } refused[] = {{"runs made for another area", {0, 0, 60, 40}, 0, 0, 10, 10, false},
                   {"a source rectangle partly outside the source", {0, 0, 50, 40}, 35, 0, 10, 10, false},
                   {"a source rectangle above the source", {0, 0, 50, 40}, 0, -2, 10, 10, false},
                   {"an empty source rectangle", {0, 0, 50, 40}, 0, 0, 0, 10, false},
                   {"the destination as its own source", {0, 0, 50, 40}, 0, 0, 10, 10, true}};
    for (const auto& r : refused) {
        Storage destination = MakeStorage(PixelFormat::Bgrx32, 60, 50, 11, key);
        const std::vector<uint8_t> before = destination.bytes;
        const Canvas& from = r.sameStorage ? destination.canvas : source.canvas;
        EXPECT_FALSE(StretchUnderOverlay(destination.canvas, r.area, from, r.x, r.y, r.width, r.height, Rect{0, 0, 50, 40},
                                         StretchFilter::Nearest, nullptr, runs))
            << r.name;
        EXPECT_EQ(destination.bytes, before) << r.name;
    }
    // An overlay without a hole leaves nothing to enlarge into: nothing written, nothing marked drawn.
    FillBlock(overlay.canvas, Rect{0, 0, 50, 40}, 0x00123456);
    FindOpaqueRuns(overlay.canvas, 0, 0, 50, 40, key, &runs);
    for (StretchFilter filter : {StretchFilter::Nearest, StretchFilter::Bilinear}) {
        Storage destination = MakeStorage(PixelFormat::Bgrx32, 60, 50, 11, key);
        const std::vector<uint8_t> before = destination.bytes;
        Rect written{1, 1, 2, 2};
        EXPECT_TRUE(StretchUnderOverlay(destination.canvas, Rect{0, 0, 50, 40}, source.canvas, 0, 0, 10, 10,
                                        Rect{0, 0, 50, 40}, filter, nullptr, runs, &written));
        EXPECT_EQ(destination.bytes, before);
        EXPECT_EQ(written, Rect{});
    }
}

// A fill gives every pixel of the rectangle that the canvas holds the colour, in each format, with and
// without an owner map (where it gives only the pixels the canvas's window owns), and leaves the rest.
TEST(RasterLoops, AFillTakesEveryPixelOfItsRectangleAndNoOther) {
    constexpr ColorRef colour = 0x00123456;
    const Rect rect{-4, 7, 30, 99};
    const PixelFormat formats[] = {PixelFormat::Color32, PixelFormat::Bgr24, PixelFormat::Bgrx32};
    for (PixelFormat format : formats)
        for (bool owned : {false, true}) {
            Storage storage = MakeStorage(format, 40, 60, 3, 0x00FF00FF);
            const Storage original = MakeStorage(format, 40, 60, 3, 0x00FF00FF);
            std::vector<Window> owners(40 * 60, nullptr);
            const Window mine = reinterpret_cast<Window>(uintptr_t(1));
            for (size_t i = 0; i < owners.size(); ++i)
                if (i % 7 != 0) owners[i] = mine;
            if (owned) {
                storage.canvas.owners = owners.data();
                storage.canvas.ownerStride = 40;
                storage.canvas.owner = mine;
            }
            FillBlock(storage.canvas, rect, colour);
            for (int32_t y = 0; y < 60; ++y)
                for (int32_t x = 0; x < 40; ++x) {
                    const bool filled = PointInRectangle(rect, Point{x, y}) && (!owned || owners[size_t(y * 40 + x)] == mine);
                    ASSERT_EQ(ReadPixel(storage.canvas, x, y), filled ? colour : ReadPixel(original.canvas, x, y))
                        << "format " << int(format) << ", owned " << owned << ", at " << x << "," << y;
                }
        }
}
