// Copies between canvases: plain copy, nearest-pixel and bilinear stretch, colour-keyed copy.
// Every copy clips to both canvases' limits first, so no pixel outside either is ever addressed.
// The general path reads and writes whole rows of colours through ReadRow and WriteRow; the cases
// that run on every frame have specialised loops, chosen by operation and pixel formats, that read
// and write the storage directly. Source positions are 16.16 fixed point, bilinear weights 8 bits;
// row buffers are kept between calls, so a frame allocates nothing.
#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/raster/Canvas.h"

namespace platform::raster {

namespace {

__extension__ typedef __int128 Wide;

bool specialisedLoops = true;

// A buffer kept between calls (one per slot), so that copies do not allocate once it has grown.
template <class T, int Slot>
std::vector<T>& Reused() {
    thread_local std::vector<T> buffer;
    return buffer;
}

// ---- Pixels of each format, for the specialised loops ----

// Red and blue change places: a ColorRef from the word of a 32-bit BGRX pixel, and back (the unused
// byte cleared).
inline uint32_t SwapRedBlue(uint32_t v) { return (v >> 16 & 0xFF) | (v & 0xFF00) | (v & 0xFF) << 16; }

template <PixelFormat F>
inline ColorRef Load(const uint8_t* p) {
    if constexpr (F == PixelFormat::Color32) {
        ColorRef c;
        std::memcpy(&c, p, 4);
        return c & 0xFFFFFF;
    } else if constexpr (F == PixelFormat::Bgrx32) {
        uint32_t v;
        std::memcpy(&v, p, 4);
        return SwapRedBlue(v);
    } else {
        return ColorRef(p[2]) | ColorRef(p[1]) << 8 | ColorRef(p[0]) << 16;
    }
}

template <PixelFormat F>
inline void Store(uint8_t* p, ColorRef c) {
    if constexpr (F == PixelFormat::Color32) {
        std::memcpy(p, &c, 4);
    } else if constexpr (F == PixelFormat::Bgrx32) {
        const uint32_t v = SwapRedBlue(c);
        std::memcpy(p, &v, 4);
    } else {
        p[0] = BlueOf(c);
        p[1] = GreenOf(c);
        p[2] = RedOf(c);
    }
}

template <PixelFormat F>
constexpr ptrdiff_t Bytes = F == PixelFormat::Bgr24 ? 3 : 4;

// Pixels [first, end) of a row from one format into another.
template <PixelFormat S, PixelFormat D>
void ConvertPixels(const uint8_t* __restrict in, uint8_t* __restrict out, int32_t first, int32_t end) {
    for (int32_t i = first; i < end; ++i) Store<D>(out + ptrdiff_t(i) * Bytes<D>, Load<S>(in + ptrdiff_t(i) * Bytes<S>));
}

inline uint8_t* Address(const Canvas& canvas, int64_t gx, int64_t gy) {
    const ptrdiff_t bytes = canvas.format == PixelFormat::Bgr24 ? 3 : 4;
    return canvas.row0 + ptrdiff_t(gy) * canvas.stride + ptrdiff_t(gx) * bytes;
}

// Calls f.template operator()<Source, Destination>() for the canvases' formats.
template <class F>
void ByFormats(PixelFormat source, PixelFormat destination, F&& f) {
    auto withDestination = [&]<PixelFormat S>() {
        switch (destination) {
        case PixelFormat::Color32: f.template operator()<S, PixelFormat::Color32>(); break;
        case PixelFormat::Bgr24: f.template operator()<S, PixelFormat::Bgr24>(); break;
        case PixelFormat::Bgrx32: f.template operator()<S, PixelFormat::Bgrx32>(); break;
        }
    };
    switch (source) {
    case PixelFormat::Color32: withDestination.template operator()<PixelFormat::Color32>(); break;
    case PixelFormat::Bgr24: withDestination.template operator()<PixelFormat::Bgr24>(); break;
    case PixelFormat::Bgrx32: withDestination.template operator()<PixelFormat::Bgrx32>(); break;
    }
}

// Whether a copy may take a specialised loop: no owner map and no shared storage.
bool Direct(const Canvas& destination, const Canvas& source) {
    return specialisedLoops && !destination.owners && !SameStorage(destination, source);
}

// Half-open index range.
struct Span {
    int64_t begin = 0;
    int64_t end = 0;
    bool Empty() const { return end <= begin; }
};

Span Intersect(Span a, Span b) { return Span{std::max(a.begin, b.begin), std::min(a.end, b.end)}; }

// Offsets i in [0, length) for which start + i lies inside [low, high).
Span OffsetsInside(int64_t start, int64_t length, int64_t low, int64_t high) {
    return Intersect(Span{0, length}, Span{low - start, high - start});
}

// A copy of a rectangle of the canvas's grid, as a canvas with the same surface coordinates. Used
// when source and destination share storage, so that writing never changes what is still to be read.
Canvas Snapshot(const Canvas& source, const Rect& grid, std::vector<ColorRef>* store) {
    const int32_t w = Width(grid), h = Height(grid);
    store->assign(size_t(w) * size_t(h), 0);
    for (int32_t row = 0; row < h; ++row) ReadRow(source, grid.left, grid.top + row, w, store->data() + size_t(row) * w);
    Canvas copy;
    copy.row0 = reinterpret_cast<uint8_t*>(store->data());
    copy.stride = ptrdiff_t(w) * 4;
    copy.format = PixelFormat::Color32;
    copy.origin = Point{source.origin.x - grid.left, source.origin.y - grid.top};
    copy.limit = Rect{0, 0, w, h};
    return copy;
}

// True when (2i + 1) * from * 65536 fits in 63 bits, so the mappings below need no wide arithmetic.
bool FitsNarrow(int64_t i, int64_t from) { return i >= 0 && i < (int64_t(1) << 24) && from < (int64_t(1) << 21); }

// Source index of destination offset i for a mapping of `to` destination pixels onto `from`
// source pixels, sampling at pixel centres: floor((i + 0.5) * from / to). An integer enlargement
// therefore repeats each source pixel exactly `factor` times.
int64_t NearestIndex(int64_t i, int64_t from, int64_t to) {
    if (FitsNarrow(i, from)) return ((2 * i + 1) * from) / (2 * to);
    return int64_t((Wide(2 * i + 1) * from) / (2 * to));
}

// Bilinear sample position of destination offset i, in source pixels with 16 fraction bits,
// measured between source pixel centres: (i + 0.5) * from / to - 0.5.
int64_t BilinearPosition(int64_t i, int64_t from, int64_t to) {
    if (FitsNarrow(i, from)) return ((2 * i + 1) * from * 65536) / (2 * to) - 32768;
    return int64_t((Wide(2 * i + 1) * from * 65536) / (2 * to)) - 32768;
}

// One axis of a bilinear mapping: the two source indices and the weight (0..256) of the second.
struct Tap {
    int32_t first = 0;
    int32_t second = 0;
    uint32_t weight = 0;
};

Tap BilinearTap(int64_t i, int64_t from, int64_t to, Span valid) {
    const int64_t position = BilinearPosition(i, from, to);
    const int64_t whole = position >= 0 ? position >> 16 : -((-position + 65535) >> 16);
    Tap tap;
    tap.weight = uint32_t((position - whole * 65536) >> 8);
    const int64_t low = valid.begin, high = valid.end - 1;
    tap.first = int32_t(std::clamp<int64_t>(whole, low, high));
    tap.second = int32_t(std::clamp<int64_t>(whole + 1, low, high));
    return tap;
}

// Blends two colours with 8-bit weights (weight of b: 0..256), rounding to nearest. Red and blue
// travel together in one word, green in another, so a blend costs four multiplications; each
// channel's product stays below 2^16 and cannot spill into its neighbour.
inline ColorRef Blend(ColorRef a, ColorRef b, uint32_t weight) {
    const uint32_t wa = 256 - weight, wb = weight;
    const uint32_t redBlue = (((a & 0xFF00FF) * wa + (b & 0xFF00FF) * wb + 0x800080) >> 8) & 0xFF00FF;
    const uint32_t green = (((a & 0x00FF00) * wa + (b & 0x00FF00) * wb + 0x008000) >> 8) & 0x00FF00;
    return redBlue | green;
}

#if defined(__GNUC__)
// Four pixels as eight sixteen-bit lanes: red and blue in the low bytes of theirs, green and zero in
// the high bytes.
typedef uint16_t Lanes __attribute__((vector_size(16)));

inline Lanes BlendLanes(Lanes a, Lanes b, Lanes wa, Lanes wb) {
    const Lanes low = ((a & 0xFF) * wa + (b & 0xFF) * wb + 0x80) >> 8;
    const Lanes high = ((a >> 8) * wa + (b >> 8) * wb + 0x80) >> 8;
    return low | (high << 8);
}
#endif

// out[i] = Blend(a[i], b[i], w) with w (0..256) repeated in both halves of weights[i]; the same
// results as Blend, four pixels at a time where the compiler offers vectors.
void BlendPairs(const ColorRef* __restrict a, const ColorRef* __restrict b, const uint32_t* __restrict weights,
                size_t count, ColorRef* __restrict out) {
    size_t i = 0;
#if defined(__GNUC__)
    for (; i + 4 <= count; i += 4) {
        Lanes va, vb, wb;
        std::memcpy(&va, a + i, sizeof va);
        std::memcpy(&vb, b + i, sizeof vb);
        std::memcpy(&wb, weights + i, sizeof wb);
        const Lanes mixed = BlendLanes(va, vb, 256 - wb, wb);
        std::memcpy(out + i, &mixed, sizeof mixed);
    }
#endif
    for (; i < count; ++i) out[i] = Blend(a[i], b[i], weights[i] & 0xFFFF);
}

// Source rows interpolated along x, for the two rows a destination row blends; enlargements reuse
// them over many destination rows.
class HorizontalRows {
public:
    HorizontalRows(const Canvas& source, int32_t gridLeft, int32_t gridTopOfRect, int32_t spanWidth,
                   const std::vector<Tap>& taps)
        : source_(source), gridLeft_(gridLeft), gridTop_(gridTopOfRect), spanWidth_(spanWidth), taps_(taps),
          row_(Reused<ColorRef, 10>()), firsts_(Reused<ColorRef, 11>()), seconds_(Reused<ColorRef, 12>()),
          weights_(Reused<uint32_t, 13>()), slots_{Slot{-1, Reused<ColorRef, 14>()}, Slot{-1, Reused<ColorRef, 15>()}} {
        row_.resize(size_t(spanWidth));
        firsts_.resize(taps.size());
        seconds_.resize(taps.size());
        weights_.resize(taps.size());
        for (auto& slot : slots_) slot.pixels.resize(taps.size());
        for (size_t i = 0; i < taps.size(); ++i) weights_[i] = taps[i].weight * 0x10001u;
    }

    struct Slot {
        int64_t sourceRow = -1;
        std::vector<ColorRef>& pixels;
    };

    // The interpolated row `sourceRow` (relative to the source rectangle's valid part start),
    // never evicting the row `keep`.
    const Slot& Get(int64_t sourceRow, int64_t keep) {
        for (auto& slot : slots_)
            if (slot.sourceRow == sourceRow) return slot;
        Slot& slot = slots_[0].sourceRow == keep ? slots_[1] : slots_[0];
        Fill(&slot, sourceRow);
        return slot;
    }

private:
    void Fill(Slot* slot, int64_t sourceRow) {
        ReadRow(source_, gridLeft_, int32_t(gridTop_ + sourceRow), spanWidth_, row_.data());
        const ColorRef* row = row_.data();
        for (size_t i = 0; i < taps_.size(); ++i) {
            firsts_[i] = row[taps_[i].first];
            seconds_[i] = row[taps_[i].second];
        }
        BlendPairs(firsts_.data(), seconds_.data(), weights_.data(), taps_.size(), slot->pixels.data());
        slot->sourceRow = sourceRow;
    }

    const Canvas& source_;
    int32_t gridLeft_;
    int32_t gridTop_;
    int32_t spanWidth_;
    const std::vector<Tap>& taps_;
    std::vector<ColorRef>& row_;
    std::vector<ColorRef>& firsts_;
    std::vector<ColorRef>& seconds_;
    std::vector<uint32_t>& weights_;  // the tap's weight in both halves
    Slot slots_[2];
};

// Blends two interpolated rows; weight (0..256) is that of the lower one.
void BlendRows(const HorizontalRows::Slot& upper, const HorizontalRows::Slot& lower, uint32_t weight, size_t count,
               ColorRef* __restrict out) {
    const ColorRef* __restrict u = upper.pixels.data();
    const ColorRef* __restrict l = lower.pixels.data();
    if (weight == 0) {
        std::copy(u, u + count, out);
        return;
    }
    size_t t = 0;
#if defined(__GNUC__)
    const uint16_t wb = uint16_t(weight), wa = uint16_t(256 - weight);
    const Lanes weightA = Lanes{} + wa, weightB = Lanes{} + wb;
    for (; t + 4 <= count; t += 4) {
        Lanes a, b;
        std::memcpy(&a, u + t, sizeof a);
        std::memcpy(&b, l + t, sizeof b);
        const Lanes mixed = BlendLanes(a, b, weightA, weightB);
        std::memcpy(out + t, &mixed, sizeof mixed);
    }
#endif
    for (; t < count; ++t) out[t] = Blend(u[t], l[t], weight);
}

// The part of a stretch that is actually done: which destination offsets are written and which
// part of the source rectangle exists.
struct StretchPlan {
    int64_t gridX = 0, gridY = 0;       // destination rectangle's top-left in the destination grid
    int64_t sourceGridX = 0, sourceGridY = 0;
    Span columns, rows;                  // destination offsets inside the destination's limit
    Span validColumns, validRows;        // source offsets inside the source's limit
};

bool PlanStretch(const Canvas& destination, int32_t x, int32_t y, int32_t width, int32_t height,
                 const Canvas& source, int32_t sourceX, int32_t sourceY, int32_t sourceWidth, int32_t sourceHeight,
                 StretchPlan* plan) {
    plan->gridX = int64_t(x) + destination.origin.x;
    plan->gridY = int64_t(y) + destination.origin.y;
    plan->sourceGridX = int64_t(sourceX) + source.origin.x;
    plan->sourceGridY = int64_t(sourceY) + source.origin.y;
    plan->columns = OffsetsInside(plan->gridX, width, destination.limit.left, destination.limit.right);
    plan->rows = OffsetsInside(plan->gridY, height, destination.limit.top, destination.limit.bottom);
    plan->validColumns = OffsetsInside(plan->sourceGridX, sourceWidth, source.limit.left, source.limit.right);
    plan->validRows = OffsetsInside(plan->sourceGridY, sourceHeight, source.limit.top, source.limit.bottom);
    return !plan->columns.Empty() && !plan->rows.Empty() && !plan->validColumns.Empty() && !plan->validRows.Empty();
}

bool Inside(int64_t index, Span span) { return index >= span.begin && index < span.end; }

// For each destination column of the plan, the source column the nearest-pixel stretch takes, counted
// in units from the first valid source column (-1 where it falls outside); true when every column has one.
bool MapNearestColumns(const StretchPlan& plan, int32_t sourceWidth, int32_t width, int32_t unit,
                       std::vector<int32_t>* map) {
    const int32_t count = int32_t(plan.columns.end - plan.columns.begin);
    map->assign(size_t(count), -1);
    bool everyColumn = true;
    for (int32_t c = 0; c < count; ++c) {
        const int64_t s = NearestIndex(plan.columns.begin + c, sourceWidth, width);
        if (Inside(s, plan.validColumns))
            (*map)[size_t(c)] = int32_t((s - plan.validColumns.begin) * unit);
        else
            everyColumn = false;
    }
    return everyColumn;
}

void NearestStretch(const Canvas& destination, const Canvas& source, const StretchPlan& plan, int32_t width,
                    int32_t height, int32_t sourceWidth, int32_t sourceHeight, const ColorRef* key) {
    const int32_t count = int32_t(plan.columns.end - plan.columns.begin);
    const int32_t spanWidth = int32_t(plan.validColumns.end - plan.validColumns.begin);
    const int32_t spanGridX = int32_t(plan.sourceGridX + plan.validColumns.begin);
    auto& map = Reused<int32_t, 0>();  // index into the read source span, or -1
    const bool everyColumn = MapNearestColumns(plan, sourceWidth, width, 1, &map);
    auto& sourceRow = Reused<ColorRef, 1>();
    auto& out = Reused<ColorRef, 2>();
    auto& keep = Reused<uint8_t, 3>();
    sourceRow.assign(size_t(spanWidth), 0);
    out.assign(size_t(count), 0);
    keep.assign(size_t(count), 1);
    const bool masked = key || !everyColumn;
    int64_t loadedRow = -1;
    for (int64_t r = plan.rows.begin; r < plan.rows.end; ++r) {
        const int64_t s = NearestIndex(r, sourceHeight, height);
        if (!Inside(s, plan.validRows)) continue;
        if (s != loadedRow) {
            ReadRow(source, spanGridX, int32_t(plan.sourceGridY + s), spanWidth, sourceRow.data());
            loadedRow = s;
        }
        for (int32_t c = 0; c < count; ++c) {
            const int32_t m = map[size_t(c)];
            if (m < 0) {
                keep[size_t(c)] = 0;
                continue;
            }
            const ColorRef pixel = sourceRow[size_t(m)];
            out[size_t(c)] = pixel;
            keep[size_t(c)] = !(key && pixel == (*key & 0xFFFFFF));
        }
        WriteRow(destination, int32_t(plan.gridX + plan.columns.begin), int32_t(plan.gridY + r), count, out.data(),
                 masked ? keep.data() : nullptr);
    }
}

// The nearest-pixel stretch (with or without a key) straight between the storages: the source
// columns are mapped once, and without a key a destination row that repeats the source row of the
// one above is copied from it.
template <PixelFormat S, PixelFormat D>
void NearestDirect(const Canvas& destination, const Canvas& source, const StretchPlan& plan, int32_t width,
                   int32_t height, int32_t sourceWidth, int32_t sourceHeight, const ColorRef* key) {
    const int32_t count = int32_t(plan.columns.end - plan.columns.begin);
    auto& map = Reused<int32_t, 16>();  // byte offset into the source row, or -1
    const bool everyColumn = MapNearestColumns(plan, sourceWidth, width, Bytes<S>, &map);
    const ColorRef keyColor = key ? (*key & 0xFFFFFF) : 0;
    const bool repeatRows = !key && everyColumn;
    const int32_t* columns = map.data();
    int64_t previousSource = -1;
    const uint8_t* previousRow = nullptr;
    for (int64_t r = plan.rows.begin; r < plan.rows.end; ++r) {
        const int64_t s = NearestIndex(r, sourceHeight, height);
        if (!Inside(s, plan.validRows)) continue;
        uint8_t* out = Address(destination, plan.gridX + plan.columns.begin, plan.gridY + r);
        if (repeatRows && s == previousSource) {
            std::memcpy(out, previousRow, size_t(count) * Bytes<D>);
            previousRow = out;
            continue;
        }
        const uint8_t* in = Address(source, plan.sourceGridX + plan.validColumns.begin, plan.sourceGridY + s);
        for (int32_t c = 0; c < count; ++c) {
            const int32_t m = columns[c];
            if (m < 0) continue;
            const ColorRef pixel = Load<S>(in + m);
            if (key && pixel == keyColor) continue;
            Store<D>(out + ptrdiff_t(c) * Bytes<D>, pixel);
        }
        previousSource = s;
        previousRow = out;
    }
}

void BilinearStretch(const Canvas& destination, const Canvas& source, const StretchPlan& plan, int32_t width,
                     int32_t height, int32_t sourceWidth, int32_t sourceHeight) {
    const int32_t count = int32_t(plan.columns.end - plan.columns.begin);
    auto& taps = Reused<Tap, 4>();
    auto& columnOf = Reused<int32_t, 5>();  // destination offset (relative to columns.begin) of each tap
    taps.clear();
    columnOf.clear();
    for (int32_t c = 0; c < count; ++c) {
        const int64_t i = plan.columns.begin + c;
        if (!Inside(NearestIndex(i, sourceWidth, width), plan.validColumns)) continue;
        Tap tap = BilinearTap(i, sourceWidth, width, plan.validColumns);
        tap.first -= int32_t(plan.validColumns.begin);
        tap.second -= int32_t(plan.validColumns.begin);
        taps.push_back(tap);
        columnOf.push_back(c);
    }
    if (taps.empty()) return;
    const bool everyColumn = int32_t(taps.size()) == count;
    HorizontalRows rowsCache(source, int32_t(plan.sourceGridX + plan.validColumns.begin),
                             int32_t(plan.sourceGridY + plan.validRows.begin),
                             int32_t(plan.validColumns.end - plan.validColumns.begin), taps);
    auto& out = Reused<ColorRef, 6>();
    auto& blended = Reused<ColorRef, 7>();
    auto& keep = Reused<uint8_t, 8>();
    out.assign(size_t(count), 0);
    blended.assign(taps.size(), 0);
    keep.assign(size_t(count), everyColumn ? 1 : 0);
    for (size_t t = 0; t < taps.size(); ++t) keep[size_t(columnOf[t])] = 1;
    for (int64_t r = plan.rows.begin; r < plan.rows.end; ++r) {
        if (!Inside(NearestIndex(r, sourceHeight, height), plan.validRows)) continue;
        Tap tap = BilinearTap(r, sourceHeight, height, plan.validRows);
        const int64_t first = tap.first - plan.validRows.begin, second = tap.second - plan.validRows.begin;
        const auto& upper = rowsCache.Get(first, second);
        const auto& lower = rowsCache.Get(second, first);
        if (everyColumn) {
            BlendRows(upper, lower, tap.weight, taps.size(), out.data());
        } else {
            BlendRows(upper, lower, tap.weight, taps.size(), blended.data());
            for (size_t t = 0; t < taps.size(); ++t) out[size_t(columnOf[t])] = blended[t];
        }
        WriteRow(destination, int32_t(plan.gridX + plan.columns.begin), int32_t(plan.gridY + r), count, out.data(),
                 everyColumn ? nullptr : keep.data());
    }
}

}  // namespace

bool CopyBlock(const Canvas& destination, int32_t x, int32_t y, int32_t width, int32_t height, const Canvas& source,
               int32_t sourceX, int32_t sourceY) {
    if (width < 0 || height < 0) return false;
    if (!destination.Usable() || !source.Usable()) return false;
    const int64_t gx = int64_t(x) + destination.origin.x, gy = int64_t(y) + destination.origin.y;
    const int64_t sgx = int64_t(sourceX) + source.origin.x, sgy = int64_t(sourceY) + source.origin.y;
    const Span columns = Intersect(OffsetsInside(gx, width, destination.limit.left, destination.limit.right),
                                   OffsetsInside(sgx, width, source.limit.left, source.limit.right));
    const Span rows = Intersect(OffsetsInside(gy, height, destination.limit.top, destination.limit.bottom),
                                OffsetsInside(sgy, height, source.limit.top, source.limit.bottom));
    if (columns.Empty() || rows.Empty()) return true;
    const int32_t count = int32_t(columns.end - columns.begin);
    // A plain copy takes the direct loop into a window's canvas too, run by run of the pixels it owns.
    if (specialisedLoops && !SameStorage(destination, source)) {
        ByFormats(source.format, destination.format, [&]<PixelFormat S, PixelFormat D>() {
            for (int64_t r = rows.begin; r < rows.end; ++r) {
                const uint8_t* in = Address(source, sgx + columns.begin, sgy + r);
                uint8_t* out = Address(destination, gx + columns.begin, gy + r);
                ForEachOwnedRun(destination, int32_t(gx + columns.begin), int32_t(gy + r), count,
                                [&](int32_t first, int32_t end) { ConvertPixels<S, D>(in, out, first, end); });
            }
        });
        return true;
    }
    std::vector<ColorRef> snapshotStore;
    Canvas from = source;
    if (SameStorage(destination, source)) {
        const Rect grid{int32_t(sgx + columns.begin), int32_t(sgy + rows.begin), int32_t(sgx + columns.end),
                        int32_t(sgy + rows.end)};
        from = Snapshot(source, grid, &snapshotStore);
    }
    const int64_t fromX = int64_t(sourceX) + from.origin.x + columns.begin;
    const int64_t fromY = int64_t(sourceY) + from.origin.y;
    auto& row = Reused<ColorRef, 9>();
    row.assign(size_t(count), 0);
    for (int64_t r = rows.begin; r < rows.end; ++r) {
        ReadRow(from, int32_t(fromX), int32_t(fromY + r), count, row.data());
        WriteRow(destination, int32_t(gx + columns.begin), int32_t(gy + r), count, row.data(), nullptr);
    }
    return true;
}

bool StretchBlock(const Canvas& destination, int32_t x, int32_t y, int32_t width, int32_t height,
                  const Canvas& source, int32_t sourceX, int32_t sourceY, int32_t sourceWidth, int32_t sourceHeight,
                  StretchFilter filter, const ColorRef* key) {
    if (width < 0 || height < 0 || sourceWidth < 0 || sourceHeight < 0) return false;
    if (width == 0 || height == 0) return true;
    if (sourceWidth == 0 || sourceHeight == 0) return false;
    if (!destination.Usable() || !source.Usable()) return false;
    if (!key && width == sourceWidth && height == sourceHeight)
        return CopyBlock(destination, x, y, width, height, source, sourceX, sourceY);
    StretchPlan plan;
    if (!PlanStretch(destination, x, y, width, height, source, sourceX, sourceY, sourceWidth, sourceHeight, &plan))
        return true;
    if ((filter == StretchFilter::Nearest || key) && Direct(destination, source)) {
        ByFormats(source.format, destination.format, [&]<PixelFormat S, PixelFormat D>() {
            NearestDirect<S, D>(destination, source, plan, width, height, sourceWidth, sourceHeight, key);
        });
        return true;
    }
    std::vector<ColorRef> snapshotStore;
    Canvas from = source;
    if (SameStorage(destination, source)) {
        const Rect grid{int32_t(plan.sourceGridX + plan.validColumns.begin),
                        int32_t(plan.sourceGridY + plan.validRows.begin),
                        int32_t(plan.sourceGridX + plan.validColumns.end),
                        int32_t(plan.sourceGridY + plan.validRows.end)};
        from = Snapshot(source, grid, &snapshotStore);
        plan.sourceGridX = int64_t(sourceX) + from.origin.x;
        plan.sourceGridY = int64_t(sourceY) + from.origin.y;
    }
    if (filter == StretchFilter::Bilinear && !key)
        BilinearStretch(destination, from, plan, width, height, sourceWidth, sourceHeight);
    else
        NearestStretch(destination, from, plan, width, height, sourceWidth, sourceHeight, key);
    return true;
}

void UseSpecialisedLoops(bool on) { specialisedLoops = on; }

}  // namespace platform::raster
