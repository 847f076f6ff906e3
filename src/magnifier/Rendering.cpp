// The magnified view: capture around the zoom point, enlargement, brightness/contrast correction,
// colour sample, cross-hair and the zoom-indicator dot; and the composition of the glass's picture.
#include "magnifier/Rendering.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>

#include "magnifier/SkinLayout.h"
#include "platform/Geometry.h"
#include "tools/ColorPicker.h"

using namespace platform;

namespace {

constexpr double InsetFactor = 0.091428571;
constexpr double DialRadiusFactor = 0.43;
constexpr double DotRadiusFactor = 0.0125;
constexpr double SmallestDotRadius = 1.5;
constexpr double DialAnglePerZoom = 0.6155555555555555;
constexpr double DialStartAngle = 0.38;
constexpr double ContrastPivot = 159.0;
// Limit of a source side: the platform's coordinates are 16-bit, and an absurd zoom must not
// overflow the integer conversions.
constexpr int32_t LargestSourceSide = 0xFFFF;

// Truncation toward zero that stays defined for values no int32 can hold (and for NaN).
int32_t Trunc(double v) {
    if (!(v == v)) return 0;
    if (v >= 2147483647.0) return 2147483647;
    if (v <= -2147483648.0) return int32_t(-2147483647 - 1);
    return int32_t(v);
}

// A pixel offset inside the view, bounded like a source side so that the cross-hair's arithmetic
// cannot overflow whatever the zoom.
int32_t OffsetOf(double v) {
    const int32_t t = Trunc(v);
    return t > LargestSourceSide ? LargestSourceSide : (t < -LargestSourceSide ? -LargestSourceSide : t);
}

int32_t WindowWidth(const Magnifier& m) { return m.Settings.WindowRect.right - m.Settings.WindowRect.left; }
int32_t WindowHeight(const Magnifier& m) { return m.Settings.WindowRect.bottom - m.Settings.WindowRect.top; }

// One side of the source rectangle: centred on the point, shifted back onto the screen once.
void PlaceSpan(int32_t centre, int32_t size, int32_t limit, int32_t* low, int32_t* high) {
    int64_t l = int64_t(centre) - size / 2;
    int64_t h = l + size;
    if (l < 0) {
        l = 0;
        h = size;
    } else if (h > limit) {
        l -= h - limit;
        h = limit;
    }
    *low = int32_t(l);  // in range: a zoom point past the limit is brought back to it
    *high = int32_t(h);
}

int32_t SourceSide(int32_t windowSide, float reciprocal) {
    const float side = float(windowSide) * reciprocal;
    const int32_t t = Trunc(side);
    if (t < 1) return 1;
    return t > LargestSourceSide ? LargestSourceSide : t;
}

void ComputeDialDot(Magnifier& m) {
    const int32_t w = WindowWidth(m);
    const double middle = (w + 1) * 0.5;
    const double angle = double(m.Settings.ZoomX - 1.0f) * DialAnglePerZoom + DialStartAngle;
    m.DialDot.x = middle - m.DialRadius * std::cos(angle);
    m.DialDot.y = middle - m.DialRadius * std::sin(angle);
}

// The view at w x h: made again when the glass has another size (the show animation's frames pass
// through larger ones), in the button-face colour until something is drawn in it. When a new one cannot
// be made the old one stays, drawn in as far as it reaches.
void FitView(Magnifier& m, int32_t w, int32_t h) {
    if (w <= 0 || h <= 0 || (m.ViewBitmap && w == m.ViewWidth && h == m.ViewHeight)) return;
    BitmapInfoHeader section;
    section.width = w;
    section.height = -h;
    section.bitCount = 32;
    uint8_t* bits = nullptr;
    const Bitmap view = CreateDibSection(m.MemoryDC, &section, &bits);
    if (!view || !bits) {
        if (view) DeleteBitmapObject(view);
        return;
    }
    if (m.ViewBitmap) DeleteBitmapObject(m.ViewBitmap);
    m.ViewBehind = Rect{};  // nothing of the old view is kept
    // A glass of another size: the scratch bitmap is made again at the size then asked for.
    if (m.ScratchBitmap) DeleteBitmapObject(m.ScratchBitmap);
    m.ScratchBitmap = nullptr;
    m.ViewBitmap = view;
    m.ViewBits = bits;
    m.ViewWidth = w;
    m.ViewHeight = h;
    const Rect all{0, 0, w, h};
    const Bitmap previous = SelectBitmapInto(m.MemoryDC, view);
    FillRectangle(m.MemoryDC, &all, GetSystemColorBrush(SysColorButtonFace));
    SelectBitmapInto(m.MemoryDC, previous);
}

// The scratch bitmap, at least w x h: made again only when something larger is asked for. Null when it
// cannot be made.
Bitmap Scratch(Magnifier& m, int32_t w, int32_t h) {
    int32_t sw = 0;
    int32_t sh = 0;
    if (m.ScratchBitmap && GetBitmapSize(m.ScratchBitmap, &sw, &sh) && sw >= w && sh >= h) return m.ScratchBitmap;
    if (m.ScratchBitmap) DeleteBitmapObject(m.ScratchBitmap);
    m.ScratchBitmap = CreateCompatibleBitmapFor(m.MemoryDC, std::max({w, sw, 1}), std::max({h, sh, 1}));
    return m.ScratchBitmap;
}

// ---- Brightness and contrast ----

using ByteTable = std::array<uint8_t, 256>;

ByteTable BuildCorrectionTable(float bright, float contrast) {
    const bool adjustBright = bright != 0.5f;
    const bool adjustContrast = contrast != 0.5f;
    const int32_t delta = adjustBright ? BrightnessDelta(bright) : 0;
    const double factor = adjustContrast ? ContrastFactor(contrast) : 1.0;
    ByteTable table;
    for (int v = 0; v < 256; ++v) {
        uint8_t b = uint8_t(v);
        if (adjustBright) b = AdjustBrightness(b, delta);
        if (adjustContrast) b = AdjustContrast(b, factor);
        table[size_t(v)] = b;
    }
    return table;
}

// Both passes are pure functions of each byte, so one table per (Bright, Contrast) pair gives the
// same result as running them byte by byte; it is kept until the values change.
const ByteTable& CorrectionTable(float bright, float contrast) {
    static ByteTable table = BuildCorrectionTable(0.5f, 0.5f);
    static uint32_t brightBits = std::bit_cast<uint32_t>(0.5f);
    static uint32_t contrastBits = std::bit_cast<uint32_t>(0.5f);
    const uint32_t b = std::bit_cast<uint32_t>(bright);
    const uint32_t c = std::bit_cast<uint32_t>(contrast);
    if (b != brightBits || c != contrastBits) {
        table = BuildCorrectionTable(bright, contrast);
        brightBits = b;
        contrastBits = c;
    }
    return table;
}

// A row of 32-bit pixels: the three colour bytes of each through the table, the fourth kept.
void CorrectRow32(const ByteTable& table, uint8_t* p, int32_t w) {
    for (int32_t i = 0; i < w; ++i, p += 4) {
        uint32_t v;
        std::memcpy(&v, p, 4);
        v = (v & 0xFF000000u) | uint32_t(table[v & 0xFF]) | uint32_t(table[(v >> 8) & 0xFF]) << 8 |
            uint32_t(table[(v >> 16) & 0xFF]) << 16;
        std::memcpy(p, &v, 4);
    }
}

// The correction pass over the enlarged part of the view, in place, as far as the view reaches: a
// pixel enlarged earlier is corrected already.
void ApplyCorrection(Magnifier& m, const Rect& enlarged) {
    Rect area;
    if (!m.ViewBits || !IntersectRectangles(&area, enlarged, Rect{0, 0, m.ViewWidth, m.ViewHeight})) return;
    CorrectPixels(m.ViewBits + ptrdiff_t(area.top) * m.ViewWidth * 4 + ptrdiff_t(area.left) * 4, m.ViewWidth * 4,
                  Width(area), Height(area), m.Settings.Bright, m.Settings.Contrast);
}

// ---- Capture ----

// Stretches the source area into w x h of the view; with a correction table, corrects each row as it
// is written where the platform can. Returns whether the table was applied.
bool Enlarge(Surface view, int32_t w, int32_t h, Surface from, int32_t sourceX, int32_t sourceY, int32_t sw,
             int32_t sh, const ByteTable* correction) {
    if (correction && StretchBitsThroughTable(view, 0, 0, w, h, from, sourceX, sourceY, sw, sh, correction->data()))
        return true;
    StretchBits(view, 0, 0, w, h, from, sourceX, sourceY, sw, sh, RopSrcCopy);
    return false;
}

bool LayCaptureFootprint(Magnifier& m, Surface capture, int32_t x, int32_t y);
Rect DialDotBox(const Magnifier& m, int32_t x, int32_t y);

// The frame of the glass as its footprint lays it at (x, y) of a capture.
GlassFrame FootprintFrame(const Magnifier& m, int32_t x, int32_t y) {
    return GlassFrame{m.ScaledSkinBitmap ? m.ScaledSkinGeneration : 0, DialDotBox(m, x, y)};
}

// The part of the source that the glass (its part `covered`) leaves uncovered, where that is one
// rectangle (empty when the glass covers it all); else the whole source.
Rect UncoveredSource(const Rect& source, const Rect& covered) {
    const bool wide = covered.left == source.left && covered.right == source.right;
    const bool high = covered.top == source.top && covered.bottom == source.bottom;
    if (wide && high) return Rect{};
    if (wide && covered.top == source.top) return Rect{source.left, covered.bottom, source.right, source.bottom};
    if (wide && covered.bottom == source.bottom) return Rect{source.left, source.top, source.right, covered.top};
    if (high && covered.left == source.left) return Rect{covered.right, source.top, source.right, source.bottom};
    if (high && covered.right == source.right) return Rect{source.left, source.top, covered.left, source.bottom};
    return source;
}

// The source area, unscaled, in a surface of its own: the kept section, or the scratch bitmap when that
// cannot be made. Where the area contains the glass itself, the glass's footprint is painted over the
// capture (navy lens, skin, dot) so that the view never shows its own content. In the kept section the
// footprint stays from one capture to the next: while the glass, its frame and its place in the source
// are those it was laid for, only the rest of the source is read from the screen, where that is one
// rectangle, and the footprint is not laid again.
class SourceCopy {
public:
    SourceCopy(Magnifier& m, const Rect& source) : m_(m) {
        const int32_t sw = source.right - source.left;
        const int32_t sh = source.bottom - source.top;
        surface_ = SourceCaptureSurface(m.SourceCapture, m.MemoryDC, sw, sh);
        kept_ = surface_ != nullptr;
        if (!kept_) {
            surface_ = CreateMemorySurface(m.MemoryDC);
            scratchPrevious_ = SelectBitmapInto(surface_, Scratch(m, sw, sh));
        }
        const Rect& glass = m.Settings.WindowRect;
        Rect covered;
        if (!IntersectRectangles(&covered, source, glass)) {
            CopyBits(surface_, 0, 0, sw, sh, m.ScreenDC, source.left, source.top, RopSrcCopy);
            return;
        }
        const Rect at{glass.left - source.left, glass.top - source.top, glass.right - source.left,
                      glass.bottom - source.top};
        const CaptureFootprint footprint{kept_ ? m.SourceCapture.Section : 0, at, FootprintFrame(m, at.left, at.top)};
        const bool laid = footprint.Section != 0 && footprint == m.LaidFootprint;
        const Rect read = laid ? UncoveredSource(source, covered) : source;
        if (!IsRectangleEmpty(read))
            CopyBits(surface_, read.left - source.left, read.top - source.top, Width(read), Height(read), m.ScreenDC,
                     read.left, read.top, RopSrcCopy);
        if (laid && read != source) return;
        const bool keptLaid = LayCaptureFootprint(m, surface_, at.left, at.top);
        // The frame as laid: laying it may have made the scaled skin.
        m.LaidFootprint = kept_ && keptLaid
                              ? CaptureFootprint{footprint.Section, at, FootprintFrame(m, at.left, at.top)}
                              : CaptureFootprint{};
    }
    ~SourceCopy() {
        if (kept_) return;
        SelectBitmapInto(surface_, scratchPrevious_);
        DeleteMemorySurface(surface_);
    }
    SourceCopy(const SourceCopy&) = delete;
    SourceCopy& operator=(const SourceCopy&) = delete;

    Surface Pixels() const { return surface_; }
    // Whether the capture stays in the kept section after the render.
    bool Kept() const { return kept_; }
    // Whether the capture and the inputs are those of the last render (recorded as the last when not);
    // *changed receives the source pixels that differ (all of them unless only pixels changed).
    bool Unchanged(const ViewInputs& inputs, int32_t sw, int32_t sh, Rect* changed) {
        *changed = Rect{0, 0, sw, sh};
        if (kept_) return SameAsLastRender(m_.SourceCapture, inputs, sw, sh, changed);
        ForgetLastRender(m_.SourceCapture);
        return false;
    }

private:
    Magnifier& m_;
    Surface surface_ = nullptr;
    Bitmap scratchPrevious_ = nullptr;
    bool kept_ = false;
};

void DrawCrossHair(Magnifier& m, int32_t cx, int32_t cy, int32_t arm) {
    Pen previousPen = SelectPenInto(m.MemoryDC, m.CrossHairPen);
    const int previousMode = SetLineMode(m.MemoryDC, Rop2XorPen);
    MoveTo(m.MemoryDC, cx, cy - arm, nullptr);
    LineTo(m.MemoryDC, cx, cy + arm + 1);
    MoveTo(m.MemoryDC, cx - arm, cy, nullptr);
    LineTo(m.MemoryDC, cx + arm + 1, cy);
    SetLineMode(m.MemoryDC, previousMode);
    SelectPenInto(m.MemoryDC, previousPen);
}

// The colour under the cross-hair's centre. Near the screen's edges that centre can lie a few pixels
// outside the image (it sits half the zoom left of and below the zoom point's pixel); the nearest pixel
// of the image is read then, so that the picked colour is always a colour of the view.
ColorRef SampleView(const Magnifier& m, int32_t x, int32_t y, int32_t w, int32_t h) {
    if (w > 0 && h > 0) {
        x = x < 0 ? 0 : (x >= w ? w - 1 : x);
        y = y < 0 ? 0 : (y >= h ? h - 1 : y);
    }
    return GetPixelColor(m.MemoryDC, x, y) & 0x00FFFFFF;
}

// ---- Composition ----

// The smallest rectangle holding every pixel that no run of the w-wide rows covers; empty when there
// is none.
Rect UncoveredBox(const RowRuns& runs) {
    Rect box{runs.width, runs.height, 0, 0};
    for (int32_t r = 0; r < runs.height; ++r) {
        int32_t position = 0;
        auto gap = [&](int32_t begin, int32_t end) {
            if (end <= begin) return;
            box = Rect{std::min(box.left, begin), std::min(box.top, r), std::max(box.right, end), r + 1};
        };
        for (uint32_t i = runs.rowFirst[size_t(r)]; i < runs.rowFirst[size_t(r) + 1]; ++i) {
            gap(position, runs.runs[i].begin);
            position = std::max(position, runs.runs[i].end);
        }
        gap(position, runs.width);
    }
    return IsRectangleEmpty(box) ? Rect{} : box;
}

// The skin stretched (nearest pixel) to w x h, made when the size or the skin has changed since the
// last paint. Returns false when there is no skin or the bitmap cannot be made.
bool PrepareScaledSkin(Magnifier& m, int32_t w, int32_t h) {
    if (!m.SkinBitmap || w <= 0 || h <= 0) return false;
    if (m.ScaledSkinBitmap && m.ScaledSkinWidth == w && m.ScaledSkinHeight == h) return true;
    ForgetScaledSkin(m);
    // Three bytes a pixel, as the skin itself: a paint converts only the opaque runs it copies.
    BitmapInfoHeader section;
    section.width = w;
    section.height = h;
    section.bitCount = 24;
    Bitmap scaled = CreateDibSection(m.MemoryDC, &section, nullptr);
    if (!scaled) return false;
    Surface skin = CreateMemorySurface(m.MemoryDC);
    Surface target = CreateMemorySurface(m.MemoryDC);
    const Bitmap skinPrevious = SelectBitmapInto(skin, m.SkinBitmap);
    const Bitmap targetPrevious = SelectBitmapInto(target, scaled);
    SetStretchMode(target, StretchColorOnColor);
    const bool made = StretchBits(target, 0, 0, w, h, skin, 0, 0, SkinFrameSize, SkinFrameSize, RopSrcCopy);
    m.ScaledSkinKey = SkinKeyColor(skin);
    if (made && !FindOpaqueRuns(target, 0, 0, w, h, m.ScaledSkinKey, &m.ScaledSkinRuns)) m.ScaledSkinRuns = RowRuns{};
    m.ScaledSkinLens = m.ScaledSkinRuns.Fits(w, h) ? UncoveredBox(m.ScaledSkinRuns) : Rect{};
    SelectBitmapInto(target, targetPrevious);
    SelectBitmapInto(skin, skinPrevious);
    DeleteMemorySurface(target);
    DeleteMemorySurface(skin);
    if (!made) {
        DeleteBitmapObject(scaled);
        return false;
    }
    m.ScaledSkinBitmap = scaled;
    ++m.ScaledSkinGeneration;
    m.ScaledSkinWidth = w;
    m.ScaledSkinHeight = h;
    return true;
}

// The scaled skin's opaque runs into the w x h area at (x, y) of the target, and between them the
// picture (its top-left at pictureAt), or nothing with none. False when that cannot be done.
bool CopyUnderScaledSkin(Magnifier& m, Surface target, int32_t x, int32_t y, int32_t w, int32_t h, Surface picture,
                         Point pictureAt) {
    if (!m.ScaledSkinRuns.Fits(w, h)) return false;
    Surface skin = CreateMemorySurface(target);
    if (!skin) return false;
    const Bitmap skinPrevious = SelectBitmapInto(skin, m.ScaledSkinBitmap);
    const bool done =
        CopyUnderOverlay(target, Rect{x, y, x + w, y + h}, picture, Rect{0, 0, w, h}, pictureAt, skin, m.ScaledSkinRuns);
    SelectBitmapInto(skin, skinPrevious);
    DeleteMemorySurface(skin);
    return done;
}

// The view under the scaled skin straight into the target, in one pass: the skin where it is opaque,
// the view (shifted up and left by the inset) everywhere else. False when that cannot be done.
bool PaintViewUnderSkin(Magnifier& m, Surface target, int32_t x, int32_t y, int32_t w, int32_t h) {
    const Bitmap viewPrevious = SelectBitmapInto(m.MemoryDC, m.ViewBitmap);
    const Point at{x - Trunc(m.ViewInset.x), y - Trunc(m.ViewInset.y)};
    const bool done = CopyUnderScaledSkin(m, target, x, y, w, h, m.MemoryDC, at);
    SelectBitmapInto(m.MemoryDC, viewPrevious);
    return done;
}

// The glass as a capture of the screen sees it, laid at (x, y) of the target: the background colour
// where the view would show, the scaled skin's opaque runs over it (the skin's keyed copy, without a
// pixel compared). False, leaving the skin to be laid otherwise, when that cannot be done.
bool LayFootprint(Magnifier& m, Surface target, int32_t x, int32_t y, int32_t w, int32_t h) {
    if (!m.ScaledSkinRuns.Fits(w, h)) return false;
    const Rect footprint{x, y, x + w, y + h};
    FillRectangle(target, &footprint, m.BackgroundBrush);
    return CopyUnderScaledSkin(m, target, x, y, w, h, nullptr, Point{});
}

void DrawDialDot(const Magnifier& m, Surface d, int32_t x, int32_t y);

// The glass's footprint over the capture at (x, y), as ComposeMagnifier lays it. True when it was laid
// along the scaled skin's runs (the same pixels for the same frame); false when otherwise or not at all.
bool LayCaptureFootprint(Magnifier& m, Surface capture, int32_t x, int32_t y) {
    {
        DrawLock lock(m);
        if (!lock.Held()) return false;
        const int32_t w = WindowWidth(m);
        const int32_t h = WindowHeight(m);
        if (PrepareScaledSkin(m, w, h) && LayFootprint(m, capture, x, y, w, h)) {
            DrawDialDot(m, capture, x, y);
            return true;
        }
    }
    ComposeMagnifier(m, capture, x, y, false);
    return false;
}

Rect DialDotBox(const Magnifier& m, int32_t x, int32_t y) {
    const int32_t left = Trunc((m.DialDot.x - m.DialDotRadius) + x);
    const int32_t top = Trunc((m.DialDot.y - m.DialDotRadius) + y);
    return Rect{left, top, Trunc(left + 2 * m.DialDotRadius), Trunc(top + 2 * m.DialDotRadius)};
}

void DrawDialDot(const Magnifier& m, Surface d, int32_t x, int32_t y) {
    const Rect box = DialDotBox(m, x, y);
    DrawEllipse(d, box.left, box.top, box.right, box.bottom);
}

GlassFrame CurrentFrame(const Magnifier& m) {
    return GlassFrame{m.ScaledSkinBitmap ? m.ScaledSkinGeneration : 0, DialDotBox(m, 0, 0)};
}

// Whether the window shows the frame a whole paint would draw now, around a lens of the skin's own: a
// paint of the lens alone then leaves the glass as a whole paint would.
bool FrameAsPainted(const Magnifier& m, int32_t w, int32_t h) {
    return !m.PaintedFrameDoubtful && !IsRectangleEmpty(m.ScaledSkinLens) && m.ScaledSkinRuns.Fits(w, h) &&
           m.PaintedFrame == CurrentFrame(m);
}

// Whether the area is part of the lens's box (and not empty).
bool InsideLens(const Magnifier& m, const Rect& area) {
    Rect common;
    return IntersectRectangles(&common, area, m.ScaledSkinLens) && common == area;
}

// Nothing may be drawn on the screen over the glass: no drag's outline, no locator ring.
bool GlassIsStill(const Magnifier& m) { return m.PointerState == StateIdle && m.LocatorCount == 0; }

// The view's pixels (of w x h) whose value may depend on the source pixels in `part` (of sw x sh): a
// nearest-pixel enlargement takes each view pixel from one source pixel, a bilinear one from that and
// its neighbours, so the part is widened by a pixel of the source and one of the view on each side.
Rect ViewPartOf(const Rect& part, int32_t sw, int32_t sh, int32_t w, int32_t h) {
    auto low = [](int64_t source, int64_t side, int64_t sourceSide) {
        const int64_t v = source - 1;
        return v <= 0 ? int64_t(0) : v * side / sourceSide - 1;
    };
    auto high = [](int64_t source, int64_t side, int64_t sourceSide) {
        return ((source + 1) * side + sourceSide - 1) / sourceSide + 1;
    };
    const Rect wide{int32_t(std::clamp<int64_t>(low(part.left, w, sw), 0, w)),
                    int32_t(std::clamp<int64_t>(low(part.top, h, sh), 0, h)),
                    int32_t(std::clamp<int64_t>(high(part.right, w, sw), 0, w)),
                    int32_t(std::clamp<int64_t>(high(part.bottom, h, sh), 0, h))};
    return wide;
}

// The render of RenderView; with skipUnchanged, nothing is drawn when the captured source and every
// other input are those of the last such render (the view holds that picture already). Returns whether
// it rendered.
bool Render(Magnifier& m, bool applyCorrection, bool drawCrossHair, bool samplePickedColor, bool skipUnchanged) {
    DrawLock lock(m);
    if (!lock.Held()) return false;
    const Settings& s = m.Settings;
    const int32_t w = WindowWidth(m);
    const int32_t h = WindowHeight(m);
    const Rect source = SourceRectangle(w, h, s.ZoomX, s.ZoomPnt, m.ScreenRect.right, m.ScreenRect.bottom);
    const int32_t sw = source.right - source.left;
    const int32_t sh = source.bottom - source.top;

    const int32_t px = OffsetOf((double(s.ZoomPnt.x) - source.left) / sw * w);
    const int32_t py = OffsetOf((double(s.ZoomPnt.y) - source.top) / sh * h);
    const int32_t half = OffsetOf(s.ZoomX * 0.5);
    const int32_t cx = px - half;
    const int32_t cy = py + half;
    const int32_t arm = w / 16;

    const bool correct = applyCorrection && (s.Bright != 0.5f || s.Contrast != 0.5f);
    ViewInputs inputs;
    inputs.Source = source;
    inputs.Window = s.WindowRect;
    inputs.ZoomPoint = s.ZoomPnt;
    inputs.ZoomBits = std::bit_cast<uint32_t>(s.ZoomX);
    inputs.Smooth = s.SmoothImg != 0;
    inputs.Correct = correct;
    inputs.BrightBits = correct ? std::bit_cast<uint32_t>(s.Bright) : 0;
    inputs.ContrastBits = correct ? std::bit_cast<uint32_t>(s.Contrast) : 0;
    inputs.CrossHair = drawCrossHair;
    inputs.Sample = samplePickedColor;

    FitView(m, w, h);  // first: a new view lets the scratch bitmap go, which the capture may take
    SourceCopy capture(m, source);
    ComputeDialDot(m);
    m.SourceRect = source;
    // Only the timed refresh, which asks for the paint of what it rendered, keeps a record to compare
    // with; any other render is followed by a timed one that renders and paints.
    Rect changed{0, 0, sw, sh};
    if (!skipUnchanged) ForgetLastRender(m.SourceCapture);
    else if (capture.Unchanged(inputs, sw, sh, &changed)) return false;

    // The correction rides on the stretch, each row corrected while it is at hand, unless the colour
    // must first be sampled from the uncorrected view (or the view has no pixels of its own).
    const ByteTable* correction = correct && !samplePickedColor && m.ViewBits ? &CorrectionTable(s.Bright, s.Contrast)
                                                                               : nullptr;
    SetStretchMode(m.MemoryDC, s.SmoothImg ? StretchBilinear : StretchColorOnColor);
    // A timed refresh enlarges only the part of the view that a paint shows through the skin's gaps
    // (and the sampled pixel); the rest keeps what an earlier render left there, which no paint shows.
    // Where only some source pixels changed (and no cross-hair or sample is drawn over the view), only
    // the view's pixels that depend on them: the others hold this picture already.
    Rect drawn{0, 0, w, h};
    const bool limited = skipUnchanged && !IsRectangleEmpty(m.ScaledSkinLens) && m.ScaledSkinRuns.Fits(w, h);
    if (limited) {
        const int32_t ix = Trunc(m.ViewInset.x), iy = Trunc(m.ViewInset.y);
        const Rect& lens = m.ScaledSkinLens;
        drawn = Rect{lens.left + ix, lens.top + iy, lens.right + ix, lens.bottom + iy};
        if (samplePickedColor) {
            const int32_t x = std::clamp(cx, 0, w - 1), y = std::clamp(cy, 0, h - 1);
            drawn = Rect{std::min(drawn.left, x), std::min(drawn.top, y), std::max(drawn.right, x + 1),
                         std::max(drawn.bottom, y + 1)};
        }
        const bool partChanged = changed != Rect{0, 0, sw, sh} && !drawCrossHair && !samplePickedColor;
        if (partChanged && !IntersectRectangles(&drawn, drawn, ViewPartOf(changed, sw, sh, w, h))) return false;
    }
    m.RenderedViewPart = drawn;
    // A timed refresh of the lens alone leaves the enlargement to the paint, which lays it straight
    // between the skin's runs; the view catches up when something reads it. The capture stays for both.
    if (limited && !drawCrossHair && !samplePickedColor && capture.Kept()) {
        m.ViewBehind = IsRectangleEmpty(m.ViewBehind)
                           ? drawn
                           : Rect{std::min(m.ViewBehind.left, drawn.left), std::min(m.ViewBehind.top, drawn.top),
                                  std::max(m.ViewBehind.right, drawn.right),
                                  std::max(m.ViewBehind.bottom, drawn.bottom)};
        m.BehindInputs = inputs;
        return true;
    }
    // Every other render draws at least the lens's box: the view is up to date wherever a paint shows it.
    m.ViewBehind = Rect{};
    Bitmap previous = SelectBitmapInto(m.MemoryDC, m.ViewBitmap);
    if (limited) LimitDrawing(m.MemoryDC, &drawn);
    const bool corrected = Enlarge(m.MemoryDC, w, h, capture.Pixels(), 0, 0, sw, sh, correction);
    if (limited) LimitDrawing(m.MemoryDC, nullptr);
    if (samplePickedColor) {
        m.PickedColor = SampleView(m, cx, cy, w, h);
        UpdateColorPickerText(m);
    }
    if (correct && !corrected) ApplyCorrection(m, drawn);
    if (drawCrossHair) DrawCrossHair(m, cx, cy, arm);
    SelectBitmapInto(m.MemoryDC, previous);
    return true;
}

}  // namespace

Rect SourceRectangle(int32_t w, int32_t h, float zoom, Point zoomPoint, int32_t screenRight, int32_t screenBottom) {
    const float r = 1.0f / zoom;
    // A zoom below 1 would ask for more than the screen holds: the area stays square and on the screen.
    const int32_t screenSide = std::max(1, std::min(screenRight, screenBottom));
    const int32_t sw = std::min(SourceSide(w, r), screenSide);
    const int32_t sh = std::min(SourceSide(h, r), screenSide);
    Rect source;
    PlaceSpan(zoomPoint.x, sw, screenRight, &source.left, &source.right);
    PlaceSpan(zoomPoint.y, sh, screenBottom, &source.top, &source.bottom);
    return source;
}

int32_t BrightnessDelta(float bright) {
    double b = bright;
    if (!(b == b)) return 0;
    if (b < 0.0) b = 0.0;
    if (b > 1.0) b = 1.0;
    if (b > 0.5) return Trunc((b - 0.5) * 400.0);
    if (b < 0.5) return Trunc(((1.0 - b) - 0.5) * -300.0);
    return 0;
}

double ContrastFactor(float contrast) {
    double c = contrast;
    if (!(c == c)) return 1.0;
    if (c < 0.0) c = 0.0;
    if (c > 1.0) c = 1.0;
    if (c < 0.5) return c * 1.2 + 0.4;
    if (c > 0.5) return std::exp((c - 0.5) * 2.0);
    return 1.0;
}

uint8_t AdjustBrightness(uint8_t value, int32_t delta) {
    const int32_t v = int32_t(value) + delta;
    return uint8_t(v < 0 ? 0 : (v > 255 ? 255 : v));
}

uint8_t AdjustContrast(uint8_t value, double factor) {
    const int32_t v = Trunc(ContrastPivot + (value - ContrastPivot) * factor);
    return uint8_t(v < 0 ? 0 : (v > 255 ? 255 : v));
}

void CorrectPixels(uint8_t* bits, int32_t stride, int32_t w, int32_t h, float bright, float contrast) {
    if (!bits || w <= 0 || h <= 0) return;
    if (bright == 0.5f && contrast == 0.5f) return;
    const ByteTable& table = CorrectionTable(bright, contrast);
    for (int32_t row = 0; row < h; ++row) CorrectRow32(table, bits + ptrdiff_t(row) * stride, w);
}

void UpdateLensGeometry(Magnifier& m) {
    DrawLock lock(m);
    if (!lock.Held()) return;
    const int32_t w = WindowWidth(m);
    const int32_t h = WindowHeight(m);
    m.ViewInset.x = w * InsetFactor;
    m.ViewInset.y = h * InsetFactor;
    m.DialRadius = w * DialRadiusFactor;
    m.DialDotRadius = w * DotRadiusFactor;
    if (m.DialDotRadius < SmallestDotRadius) m.DialDotRadius = SmallestDotRadius;
    ComputeDialDot(m);
    FitView(m, w, h);
    PrepareScaledSkin(m, w, h);
}

void RenderView(Magnifier& m, bool applyCorrection, bool drawCrossHair, bool samplePickedColor) {
    Render(m, applyCorrection, drawCrossHair, samplePickedColor, false);
}

bool RenderChangedView(Magnifier& m, bool applyCorrection, bool drawCrossHair, bool samplePickedColor) {
    // A locator ring or a drag's outline drawn on the screen over the glass is cleared from it by the
    // paint that each refresh brings; while one may be there, every refresh renders and paints.
    const bool still = GlassIsStill(m);
    if (!still) m.WholeGlassDue = true;
    return Render(m, applyCorrection, drawCrossHair, samplePickedColor, still);
}

// Only the lens shows the view; the rest of the glass, kept in the window's pixels from its last paint,
// is painted again when anything there may differ from what a whole paint would draw now: another
// frame, a paint that may have drawn part of one, or a ring or outline that was drawn over the glass
// while it was not still (the refresh that follows that paints the whole glass once more).
Rect RefreshedGlassArea(Magnifier& m) {
    const Rect whole{0, 0, WindowWidth(m), WindowHeight(m)};
    const bool still = GlassIsStill(m);
    const bool lensOnly = still && !m.WholeGlassDue && FrameAsPainted(m, whole.right, whole.bottom);
    m.WholeGlassDue = !still;
    if (lensOnly) {
        // The lens's part that the render drew (the view lies shifted up and left by the inset).
        const Rect& part = m.RenderedViewPart;
        const int32_t ix = Trunc(m.ViewInset.x), iy = Trunc(m.ViewInset.y);
        Rect area;
        if (IntersectRectangles(&area, m.ScaledSkinLens,
                                Rect{part.left - ix, part.top - iy, part.right - ix, part.bottom - iy}))
            return area;
        return m.ScaledSkinLens;
    }
    m.PaintedFrameDoubtful = false;
    return whole;
}

void UpdateScaledSkin(Magnifier& m) { PrepareScaledSkin(m, WindowWidth(m), WindowHeight(m)); }

void ForgetScaledSkin(Magnifier& m) {
    CatchUpView(m);  // the view's lens is laid under this skin until then
    if (m.ScaledSkinBitmap) DeleteBitmapObject(m.ScaledSkinBitmap);
    m.ScaledSkinBitmap = nullptr;
    m.ScaledSkinWidth = 0;
    m.ScaledSkinHeight = 0;
    m.ScaledSkinRuns = RowRuns{};
    m.ScaledSkinLens = Rect{};
}

namespace {

// The correction table of a render's inputs; null without a correction.
const ByteTable* CorrectionOf(const ViewInputs& inputs) {
    return inputs.Correct ? &CorrectionTable(std::bit_cast<float>(inputs.BrightBits),
                                             std::bit_cast<float>(inputs.ContrastBits))
                          : nullptr;
}

// Whether the capture still holds what the render whose view lags behind enlarged, for a view of w x h.
bool BehindCaptureFits(const Magnifier& m, int32_t w, int32_t h) {
    const ViewInputs& in = m.BehindInputs;
    const ViewSource& capture = m.SourceCapture;
    return Width(in.Window) == w && Height(in.Window) == h && capture.Surface && capture.Bits &&
           Width(in.Source) <= capture.Width && Height(in.Source) <= capture.Height;
}

// The lens's paint straight from the capture: the enlargement the view lags behind, laid between the
// skin's runs over the window's pixels. False, drawing nothing, when that cannot be done.
bool LayLensFromCapture(Magnifier& m, Surface target, int32_t w, int32_t h) {
    if (!BehindCaptureFits(m, w, h)) return false;
    const ViewInputs& in = m.BehindInputs;
    const ByteTable* correction = CorrectionOf(in);
    const int previousMode = SetStretchMode(target, in.Smooth ? StretchBilinear : StretchColorOnColor);
    const Point at{-Trunc(m.ViewInset.x), -Trunc(m.ViewInset.y)};
    const bool drawn = StretchUnderOverlay(target, Rect{0, 0, w, h}, m.SourceCapture.Surface, 0, 0, Width(in.Source),
                                           Height(in.Source), Rect{at.x, at.y, at.x + w, at.y + h},
                                           correction ? correction->data() : nullptr, m.ScaledSkinRuns);
    if (previousMode) SetStretchMode(target, previousMode);
    return drawn;
}

}  // namespace

void CatchUpView(Magnifier& m) {
    if (IsRectangleEmpty(m.ViewBehind)) return;
    DrawLock lock(m);
    if (!lock.Held()) return;
    Rect part = m.ViewBehind;
    m.ViewBehind = Rect{};
    if (!m.ViewBitmap || !BehindCaptureFits(m, m.ViewWidth, m.ViewHeight)) return;
    const ViewInputs& in = m.BehindInputs;
    const ByteTable* correction = m.ViewBits ? CorrectionOf(in) : nullptr;
    SetStretchMode(m.MemoryDC, in.Smooth ? StretchBilinear : StretchColorOnColor);
    const Bitmap previous = SelectBitmapInto(m.MemoryDC, m.ViewBitmap);
    LimitDrawing(m.MemoryDC, &part);
    const bool corrected = Enlarge(m.MemoryDC, m.ViewWidth, m.ViewHeight, m.SourceCapture.Surface, 0, 0,
                                   Width(in.Source), Height(in.Source), correction);
    LimitDrawing(m.MemoryDC, nullptr);
    SelectBitmapInto(m.MemoryDC, previous);
    if (in.Correct && !corrected && m.ViewBits &&
        IntersectRectangles(&part, part, Rect{0, 0, m.ViewWidth, m.ViewHeight}))
        CorrectPixels(m.ViewBits + ptrdiff_t(part.top) * m.ViewWidth * 4 + ptrdiff_t(part.left) * 4, m.ViewWidth * 4,
                      Width(part), Height(part), std::bit_cast<float>(in.BrightBits),
                      std::bit_cast<float>(in.ContrastBits));
}

void PaintGlass(Magnifier& m, Surface target, const PaintInfo& paint) {
    {
        DrawLock lock(m);
        if (!lock.Held()) return;
        const int32_t w = WindowWidth(m);
        const int32_t h = WindowHeight(m);
        // The paint a refresh asked for: the lens alone, over the skin and dot that the window keeps.
        if (paint.kept && InsideLens(m, paint.paintRect) && m.ViewBitmap && FrameAsPainted(m, w, h)) {
            if (!IsRectangleEmpty(m.ViewBehind) && LayLensFromCapture(m, target, w, h)) {
                DrawDialDot(m, target, 0, 0);
                return;
            }
            CatchUpView(m);
            const Bitmap viewPrevious = SelectBitmapInto(m.MemoryDC, m.ViewBitmap);
            const Point at{-Trunc(m.ViewInset.x), -Trunc(m.ViewInset.y)};
            const bool drawn =
                CopyUnderOverlay(target, Rect{0, 0, w, h}, m.MemoryDC, Rect{0, 0, w, h}, at, nullptr, m.ScaledSkinRuns);
            SelectBitmapInto(m.MemoryDC, viewPrevious);
            if (drawn) {
                DrawDialDot(m, target, 0, 0);  // a dot on the lens's edge reaches into the view
                return;
            }
        }
    }
    ComposeMagnifier(m, target, 0, 0, true);
}

// The skin goes over the picture as a colour-keyed copy of the skin already scaled to the glass, made
// once per size and skin; only when that cannot be made is the skin stretched here.
void ComposeMagnifier(Magnifier& m, Surface target, int32_t x, int32_t y, bool windowPaint) {
    DrawLock lock(m);
    if (!lock.Held()) return;
    const int32_t w = WindowWidth(m);
    const int32_t h = WindowHeight(m);
    if (windowPaint) {
        FitView(m, w, h);
        CatchUpView(m);
    }
    const bool scaled = PrepareScaledSkin(m, w, h);
    if (windowPaint) {
        const GlassFrame frame = CurrentFrame(m);
        if (!(frame == m.PaintedFrame)) m.PaintedFrameDoubtful = true;
        m.PaintedFrame = frame;
    }
    if (windowPaint && scaled && PaintViewUnderSkin(m, target, x, y, w, h)) {
        DrawDialDot(m, target, x, y);
        return;
    }
    if (!windowPaint && scaled && LayFootprint(m, target, x, y, w, h)) {
        DrawDialDot(m, target, x, y);
        return;
    }
    const Bitmap skin = scaled ? m.ScaledSkinBitmap : m.SkinBitmap;
    const int32_t skinSide = scaled ? 0 : SkinFrameSize;
    // A window's picture is composed in the scratch bitmap and copied in whole; without one, in place.
    const Bitmap scratch = windowPaint ? Scratch(m, std::max(x, 0) + w, std::max(y, 0) + h) : nullptr;
    Surface d = scratch ? CreateMemorySurface(target) : target;
    const Bitmap dPrevious = scratch ? SelectBitmapInto(d, scratch) : nullptr;
    Bitmap memoryPrevious = nullptr;
    if (windowPaint) {
        // The image lies shifted up and left by the inset; the strips it leaves at the right and
        // bottom keep the buffer's old content and are covered by the skin.
        memoryPrevious = SelectBitmapInto(m.MemoryDC, m.ViewBitmap);
        CopyBits(d, x - Trunc(m.ViewInset.x), y - Trunc(m.ViewInset.y), w, h, m.MemoryDC, 0, 0, RopSrcCopy);
        if (skin) SelectBitmapInto(m.MemoryDC, skin);
    } else {
        const Rect footprint{x, y, x + w, y + h};
        FillRectangle(d, &footprint, m.BackgroundBrush);
        if (skin) memoryPrevious = SelectBitmapInto(m.MemoryDC, skin);
    }
    if (skin) {
        const ColorRef key = scaled ? m.ScaledSkinKey : SkinKeyColor(m.MemoryDC);
        TransparentCopy(d, x, y, w, h, m.MemoryDC, 0, 0, scaled ? w : skinSide, scaled ? h : skinSide, key);
    }
    DrawDialDot(m, d, x, y);
    if (memoryPrevious) SelectBitmapInto(m.MemoryDC, memoryPrevious);
    if (scratch) {
        CopyBits(target, x, y, w, h, d, x, y, RopSrcCopy);
        SelectBitmapInto(d, dPrevious);
        DeleteMemorySurface(d);
    }
}
