// Text: every face is drawn with the handheld's own face, Tahoma, or with a Tahoma-compatible face where
// one is installed; DejaVu Sans stands in when none is (bold from weight 600 in both). Drawn through
// FreeType, antialiased for fonts of quality 4 and in plain pixels otherwise. Lines break at "\n" (and "\r\n" or "\r"); word
// wrapping only with TextWordBreak; everything is clipped to the rectangle.
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <string>
#include <tuple>

#include "platform/raster/Canvas.h"
#include "platform/raster/Reused.h"

#ifndef VISTREL_FONT_DIRS
#define VISTREL_FONT_DIRS "/usr/share/wine/fonts:/usr/share/fonts/truetype/dejavu"
#endif

namespace platform::raster {

namespace {

constexpr int32_t DefaultCharacterHeight = 12;  // pixels, for a font height of 0 (a cell of about 14)
constexpr int32_t LargestCharacterHeight = 1024;
constexpr int32_t BoldWeight = 600;
constexpr size_t MaxCachedGlyphs = 8192;
constexpr uint32_t TextRight = 0x0002;
constexpr uint32_t TextBottom = 0x0008;

struct Glyph {
    int32_t left = 0;     // from the pen position to the bitmap's left edge
    int32_t top = 0;      // from the baseline up to the bitmap's top edge
    int32_t width = 0;
    int32_t rows = 0;
    int32_t advance = 0;  // pixels
    std::vector<uint8_t> coverage;  // 0..255, rows of width
};

// (bold, character height, plain pixels, code point)
using GlyphKey = std::tuple<bool, int32_t, bool, char32_t>;

// The font engine, loaded on first use; when the font files cannot be loaded it stays empty and text
// draws nothing.
class FontEngine {
public:
    ~FontEngine() {
        for (FT_Face face : {regular_, bold_})
            if (face) FT_Done_Face(face);
        if (library_) FT_Done_FreeType(library_);
    }

    // The face for a weight, sized to the character height; null when no font is available. A face keeps
    // its size until another is asked for: setting a size resets the face's hinting, whose programs then
    // run again with the next glyph.
    FT_Face Face(bool bold, int32_t characterHeight) {
        Load();
        const bool useBold = bold && bold_;
        FT_Face face = useBold ? bold_ : regular_;
        if (!face) return nullptr;
        int32_t& current = useBold ? boldSize_ : regularSize_;
        if (current != characterHeight) {
            current = 0;
            if (FT_Set_Pixel_Sizes(face, 0, FT_UInt(characterHeight)) != 0) return nullptr;
            current = characterHeight;
        }
        return face;
    }

    // The pixel character height for a font record's height.
    int32_t CharacterHeight(int32_t height) {
        int32_t pixels = DefaultCharacterHeight;
        if (height < 0) {
            pixels = height == INT32_MIN ? LargestCharacterHeight : -height;
        } else if (height > 0) {
            Load();
            // A positive height is the cell (ascent plus descent); scale it to the em.
            const FT_Face face = regular_;
            const double cell = face ? double(face->ascender - face->descender) : 0.0;
            pixels = cell > 0 ? int32_t(std::lround(double(height) * face->units_per_EM / cell)) : height;
        }
        return std::clamp(pixels, 1, LargestCharacterHeight);
    }

    const Glyph* GlyphFor(bool bold, int32_t characterHeight, bool plain, char32_t code) {
        const GlyphKey key{bold, characterHeight, plain, code};
        auto it = glyphs_.find(key);
        if (it != glyphs_.end()) return &it->second;
        // A glyph is used before the next one is asked for, so the cache may start over here.
        if (glyphs_.size() >= MaxCachedGlyphs) glyphs_.clear();
        FT_Face face = Face(bold, characterHeight);
        if (!face) return nullptr;
        const FT_Int32 flags = FT_LOAD_RENDER | (plain ? FT_LOAD_TARGET_MONO : FT_LOAD_TARGET_NORMAL);
        if (FT_Load_Char(face, code, flags) != 0 && FT_Load_Glyph(face, 0, flags) != 0) return nullptr;
        const FT_GlyphSlot slot = face->glyph;
        const FT_Bitmap& bitmap = slot->bitmap;
        Glyph glyph;
        glyph.left = slot->bitmap_left;
        glyph.top = slot->bitmap_top;
        glyph.width = int32_t(bitmap.width);
        glyph.rows = int32_t(bitmap.rows);
        glyph.advance = int32_t((slot->advance.x + 32) >> 6);
        glyph.coverage.assign(size_t(glyph.width) * size_t(glyph.rows), 0);
        for (int32_t y = 0; y < glyph.rows; ++y) {
            const uint8_t* source = bitmap.buffer + ptrdiff_t(y) * bitmap.pitch;
            for (int32_t x = 0; x < glyph.width; ++x) {
                uint8_t value;
                if (bitmap.pixel_mode == FT_PIXEL_MODE_MONO)
                    value = (source[x / 8] >> (7 - x % 8)) & 1 ? 255 : 0;
                else if (bitmap.pixel_mode == FT_PIXEL_MODE_GRAY)
                    value = source[x];
                else
                    value = 0;
                glyph.coverage[size_t(y) * size_t(glyph.width) + size_t(x)] = value;
            }
        }
        return &glyphs_.emplace(key, std::move(glyph)).first->second;
    }

private:
    void Load() {
        if (tried_) return;
        tried_ = true;
        if (FT_Init_FreeType(&library_) != 0) {
            library_ = nullptr;
            return;
        }
        // The first family whose regular face is found; its bold comes from the same family.
        const struct {
            const char* regular;
            const char* bold;
        } families[] = {{"tahoma.ttf", "tahomabd.ttf"}, {"DejaVuSans.ttf", "DejaVuSans-Bold.ttf"}};
        for (const auto& family : families) {
            regular_ = OpenFace(family.regular);
            if (!regular_) continue;
            bold_ = OpenFace(family.bold);
            return;
        }
    }

    FT_Face OpenFace(const std::string& fileName) {
        const std::string folders = VISTREL_FONT_DIRS;
        size_t start = 0;
        while (start <= folders.size()) {
            size_t end = folders.find_first_of(":;", start);
            if (end == std::string::npos) end = folders.size();
            const std::string folder = folders.substr(start, end - start);
            if (!folder.empty()) {
                FT_Face face = nullptr;
                if (FT_New_Face(library_, (folder + "/" + fileName).c_str(), 0, &face) == 0) return face;
            }
            start = end + 1;
        }
        return nullptr;
    }

    bool tried_ = false;
    FT_Library library_ = nullptr;
    FT_Face regular_ = nullptr;
    FT_Face bold_ = nullptr;
    int32_t regularSize_ = 0;  // the pixel size each face is set to; 0: none yet
    int32_t boldSize_ = 0;
    std::map<GlyphKey, Glyph> glyphs_;
};

// One engine for the life of the process (see ResetRaster).
FontEngine& Engine() {
    static FontEngine engine;
    return engine;
}

// UTF-16 to code points; a lone surrogate becomes U+FFFD.
std::u32string CodePoints(std::u16string_view text) {
    std::u32string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000) {
            out += char32_t(0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00));
            ++i;
        } else if (c >= 0xD800 && c < 0xE000) {
            out += char32_t(0xFFFD);
        } else {
            out += char32_t(c);
        }
    }
    return out;
}

// Lines of the text: broken at "\r\n", "\n" and "\r" unless single-line, where those are left out.
std::vector<std::u32string> SplitLines(const std::u32string& text, bool singleLine) {
    std::vector<std::u32string> lines(1);
    for (size_t i = 0; i < text.size(); ++i) {
        const char32_t c = text[i];
        if (c == U'\r' || c == U'\n') {
            if (singleLine) continue;
            if (c == U'\r' && i + 1 < text.size() && text[i + 1] == U'\n') ++i;
            lines.emplace_back();
            continue;
        }
        lines.back() += c;
    }
    return lines;
}

// Measures and draws with one font size.
class TextSetter {
public:
    TextSetter(const TextStyle& style)
        : engine_(Engine()), bold_(style.weight >= BoldWeight), plain_(!style.antialiased),
          size_(engine_.CharacterHeight(style.height)) {
        FT_Face face = engine_.Face(bold_, size_);
        if (!face) return;
        available_ = true;
        ascent_ = int32_t((face->size->metrics.ascender + 63) >> 6);
        const int32_t descent = int32_t((-face->size->metrics.descender + 63) >> 6);
        lineHeight_ = std::max(1, ascent_ + descent);
    }

    bool Available() const { return available_; }
    int32_t LineHeight() const { return lineHeight_; }
    int32_t Ascent() const { return ascent_; }

    // Control characters take no room and draw nothing.
    const Glyph* GlyphOf(char32_t c) { return c < 0x20 || c == 0x7F ? nullptr : engine_.GlyphFor(bold_, size_, plain_, c); }

    int32_t Advance(char32_t c) {
        const Glyph* glyph = GlyphOf(c);
        return glyph ? glyph->advance : 0;
    }

    int32_t Measure(const std::u32string& line) {
        int64_t width = 0;
        for (char32_t c : line) width += Advance(c);
        return int32_t(std::min<int64_t>(width, INT32_MAX));
    }

    // Greedy wrapping at spaces; a word wider than the width stands alone on its line (and is clipped).
    std::vector<std::u32string> Wrap(const std::u32string& line, int32_t width) {
        std::vector<std::u32string> out;
        std::u32string current;
        int64_t currentWidth = 0;  // including its trailing spaces
        size_t i = 0;
        while (i < line.size()) {
            size_t wordEnd = i;
            while (wordEnd < line.size() && line[wordEnd] != U' ') ++wordEnd;
            size_t spaceEnd = wordEnd;
            while (spaceEnd < line.size() && line[spaceEnd] == U' ') ++spaceEnd;
            const std::u32string word = line.substr(i, wordEnd - i);
            const std::u32string spaces = line.substr(wordEnd, spaceEnd - wordEnd);
            const int64_t wordWidth = Measure(word);
            if (!current.empty() && currentWidth + wordWidth > width) {
                while (!current.empty() && current.back() == U' ') current.pop_back();
                out.push_back(std::move(current));
                current.clear();
                currentWidth = 0;
            }
            current += word;
            current += spaces;
            currentWidth += wordWidth + Measure(spaces);
            i = spaceEnd;
        }
        while (!current.empty() && current.back() == U' ' && !out.empty()) current.pop_back();
        out.push_back(std::move(current));
        return out;
    }

    void DrawLine(const Canvas& canvas, const std::u32string& line, int32_t x, int32_t y, const Rect& clip,
                  ColorRef color) {
        int64_t penX = x;
        const int64_t baseline = int64_t(y) + ascent_;
        for (char32_t c : line) {
            const Glyph* glyph = GlyphOf(c);
            if (!glyph) continue;
            DrawGlyph(canvas, *glyph, penX + glyph->left, baseline - glyph->top, clip, color);
            penX += glyph->advance;
            if (penX >= clip.right) break;
        }
    }

private:
    void DrawGlyph(const Canvas& canvas, const Glyph& glyph, int64_t left, int64_t top, const Rect& clip,
                   ColorRef color) {
        const int64_t x0 = std::max<int64_t>(left, clip.left), x1 = std::min<int64_t>(left + glyph.width, clip.right);
        const int64_t y0 = std::max<int64_t>(top, clip.top), y1 = std::min<int64_t>(top + glyph.rows, clip.bottom);
        if (x0 >= x1 || y0 >= y1) return;
        const int32_t count = int32_t(x1 - x0);
        ColorRef* row = ReusedRow<ColorRef, 0>(size_t(count));
        uint8_t* keep = ReusedRow<uint8_t, 1>(size_t(count));
        for (int64_t y = y0; y < y1; ++y) {
            const uint8_t* coverage = glyph.coverage.data() + size_t(y - top) * size_t(glyph.width) + size_t(x0 - left);
            const int32_t gx = int32_t(x0 + canvas.origin.x), gy = int32_t(y + canvas.origin.y);
            ReadRow(canvas, gx, gy, count, row);
            for (int32_t i = 0; i < count; ++i) {
                const uint32_t a = coverage[i];
                if (plain_) {
                    keep[i] = a >= 128;
                    row[i] = color;
                    continue;
                }
                keep[i] = a != 0;
                if (!a) continue;
                const ColorRef d = row[i];
                auto mix = [a](uint32_t ink, uint32_t under) { return (ink * a + under * (255 - a) + 127) / 255; };
                row[i] = mix(RedOf(color), RedOf(d)) | mix(GreenOf(color), GreenOf(d)) << 8 |
                                 mix(BlueOf(color), BlueOf(d)) << 16;
            }
            WriteRow(canvas, gx, gy, count, row, keep);
        }
    }

    FontEngine& engine_;
    bool bold_;
    bool plain_;
    int32_t size_;
    bool available_ = false;
    int32_t ascent_ = 0;
    int32_t lineHeight_ = 0;
};

}  // namespace

int LayOutText(const Canvas* canvas, const TextStyle& style, std::u16string_view text, Rect* rect, uint32_t format) {
    if (!rect) return 0;
    TextSetter setter(style);
    if (!setter.Available()) {
        if (format & TextCalcRect) {
            rect->right = rect->left;
            rect->bottom = rect->top;
        }
        return 0;
    }
    const bool singleLine = format & TextSingleLine;
    std::vector<std::u32string> lines;
    for (auto& line : SplitLines(CodePoints(text), singleLine)) {
        if (!singleLine && (format & TextWordBreak)) {
            for (auto& piece : setter.Wrap(line, Width(*rect))) lines.push_back(std::move(piece));
        } else {
            lines.push_back(std::move(line));
        }
    }
    const int32_t lineHeight = setter.LineHeight();
    const int64_t total64 = int64_t(lines.size()) * lineHeight;
    const int32_t total = int32_t(std::min<int64_t>(total64, INT32_MAX));
    std::vector<int32_t> widths;
    int32_t widest = 0;
    for (const auto& line : lines) {
        widths.push_back(setter.Measure(line));
        widest = std::max(widest, widths.back());
    }
    if ((format & TextCalcRect) || !canvas) {
        rect->right = int32_t(std::min<int64_t>(int64_t(rect->left) + widest, INT32_MAX));
        rect->bottom = int32_t(std::min<int64_t>(int64_t(rect->top) + total, INT32_MAX));
        return total;
    }
    if (!canvas->Usable()) return total;
    Rect clip;
    if (!IntersectRectangles(&clip, *rect, canvas->SurfaceLimit())) return total;

    int64_t top = rect->top;
    if (format & TextVCenter)
        top = rect->top + (int64_t(Height(*rect)) - total) / 2;
    else if (format & TextBottom)
        top = int64_t(rect->bottom) - total;
    for (size_t i = 0; i < lines.size(); ++i, top += lineHeight) {
        if (top >= clip.bottom) break;
        if (top + lineHeight <= clip.top) continue;
        int64_t left = rect->left;
        if (format & TextCenter)
            left = rect->left + (int64_t(Width(*rect)) - widths[i]) / 2;
        else if (format & TextRight)
            left = int64_t(rect->right) - widths[i];
        const int32_t x = int32_t(std::clamp<int64_t>(left, INT32_MIN / 2, INT32_MAX / 2));
        const int32_t y = int32_t(std::clamp<int64_t>(top, INT32_MIN / 2, INT32_MAX / 2));
        if (style.opaque) {
            Rect cell{x, y, int32_t(std::min<int64_t>(int64_t(x) + widths[i], INT32_MAX)), y + lineHeight};
            if (IntersectRectangles(&cell, cell, clip)) FillBlock(*canvas, cell, style.background);
        }
        setter.DrawLine(*canvas, lines[i], x, y, clip, style.color & 0xFFFFFF);
    }
    return total;
}


}  // namespace platform::raster
