// Copies between canvases: plain copy, nearest-pixel and bilinear stretch, colour-keyed copy.
// Every copy clips to both canvases' limits first, so no pixel outside either is ever addressed.
// The general path reads and writes whole rows of colours through ReadRow and WriteRow; the cases
// that run on every frame have specialised loops, chosen by operation and pixel formats, that read
// and write the storage directly. Source positions are 16.16 fixed point, bilinear weights 8 bits;
// row buffers are kept between calls, so a frame allocates nothing.
#include <algorithm>
#include <cstring>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
// The bilinear rows' blend also has a loop of 256-bit vectors, chosen when the processor has them.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(_WIN32)
#define VISTREL_WIDE_BLEND 1
#include <immintrin.h>
#endif

#include "platform/raster/Canvas.h"
#include "platform/raster/Reused.h"

namespace platform::raster {

namespace {

__extension__ typedef __int128 Wide;

bool specialisedLoops = true;

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
    if constexpr (S == D && Bytes<S> == 4) {
        // One 32-bit layout on both sides: each word with its fourth byte cleared, as a load and a store
        // would leave it, four at a time (the loop below is not always widened where it is inlined).
        int32_t i = first;
#if defined(__SSE2__)
        const __m128i colour = _mm_set1_epi32(0x00FFFFFF);
        for (; i + 4 <= end; i += 4)
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + ptrdiff_t(i) * 4),
                             _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(in + ptrdiff_t(i) * 4)),
                                           colour));
#endif
        for (; i < end; ++i) {
            uint32_t v;
            std::memcpy(&v, in + ptrdiff_t(i) * 4, 4);
            v &= 0x00FFFFFFu;
            std::memcpy(out + ptrdiff_t(i) * 4, &v, 4);
        }
    } else if constexpr (S == PixelFormat::Bgr24 && Bytes<D> == 4) {
        // Three bytes to a word: four pixels at a time from sixteen bytes read (so while six pixels
        // remain), then one word at a time while a fourth byte can be read, the last pixel byte by byte.
        constexpr bool swap = D == PixelFormat::Color32;
        int32_t i = first;
#if defined(__SSE2__)
        const __m128i colour = _mm_set1_epi32(0x00FFFFFF);
        for (; i + 6 <= end; i += 4) {
            const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + ptrdiff_t(i) * 3));
            const __m128i low = _mm_unpacklo_epi32(x, _mm_srli_si128(x, 3));
            const __m128i high = _mm_unpacklo_epi32(_mm_srli_si128(x, 6), _mm_srli_si128(x, 9));
            __m128i words = _mm_and_si128(_mm_unpacklo_epi64(low, high), colour);
            if constexpr (swap)
                words = _mm_or_si128(_mm_or_si128(_mm_srli_epi32(_mm_slli_epi32(words, 8), 24),
                                                  _mm_and_si128(words, _mm_set1_epi32(0xFF00))),
                                     _mm_slli_epi32(_mm_and_si128(words, _mm_set1_epi32(0xFF)), 16));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + ptrdiff_t(i) * 4), words);
        }
#endif
        for (; i + 2 <= end; ++i) {
            uint32_t v;
            std::memcpy(&v, in + ptrdiff_t(i) * 3, 4);
            v &= 0x00FFFFFFu;
            if constexpr (swap) v = SwapRedBlue(v);
            std::memcpy(out + ptrdiff_t(i) * 4, &v, 4);
        }
        for (; i < end; ++i) Store<D>(out + ptrdiff_t(i) * 4, Load<S>(in + ptrdiff_t(i) * 3));
    } else {
        for (int32_t i = first; i < end; ++i)
            Store<D>(out + ptrdiff_t(i) * Bytes<D>, Load<S>(in + ptrdiff_t(i) * Bytes<S>));
    }
}

// The colour bytes of pixels [first, end) of a row through a 256-entry table; a fourth byte is kept.
template <PixelFormat F>
void MapPixels(uint8_t* __restrict row, int32_t first, int32_t end, const uint8_t* __restrict map) {
    if constexpr (F == PixelFormat::Bgr24) {
        for (ptrdiff_t i = ptrdiff_t(first) * 3; i < ptrdiff_t(end) * 3; ++i) row[i] = map[row[i]];
    } else {
        for (int32_t i = first; i < end; ++i) {
            uint8_t* p = row + ptrdiff_t(i) * 4;
            p[0] = map[p[0]];
            p[1] = map[p[1]];
            p[2] = map[p[2]];
        }
    }
}

// The same for a row of colours (whose fourth byte is zero).
void MapColors(ColorRef* __restrict colors, size_t count, const uint8_t* __restrict map) {
    for (size_t i = 0; i < count; ++i) {
        const ColorRef c = colors[i];
        colors[i] = ColorRef(map[c & 0xFF]) | ColorRef(map[(c >> 8) & 0xFF]) << 8 | ColorRef(map[(c >> 16) & 0xFF]) << 16;
    }
}

// A colour table ready to write 32-bit pixels: the mapped value of each colour byte already in the
// place it takes in the stored word. Brightness and contrast tables are also, exactly, a clamped
// straight line, floor((v * slope + offset) / 2^13) kept between the table's first and last values,
// when such a line can be found that gives every entry; four pixels are then mapped at once.
struct PlacedTable {
    uint8_t map[256] = {};
    bool swapRedBlue = false;
    uint32_t byte[3][256];
    bool straight = false;
    int32_t slope = 0, offset = 0;
    int16_t lowest = 0, highest = 0;
};

constexpr int LineShift = 13;

// The offsets that make the line with this slope give every entry of the table, as [low, high];
// empty (low > high) when there are none.
void OffsetsForSlope(const uint8_t* map, int64_t slope, int64_t* low, int64_t* high) {
    const int64_t unit = int64_t(1) << LineShift;
    const int first = map[0], last = map[255];
    *low = INT64_MIN / 4;
    *high = INT64_MAX / 4;
    for (int v = 0; v < 256; ++v) {
        const int64_t t = map[v], product = v * slope;
        if (first == last) break;
        if (t > first) *low = std::max(*low, t * unit - product);           // the line reaches t
        if (t < last) *high = std::min(*high, (t + 1) * unit - 1 - product);  // and stays below t + 1
    }
}

// Finds the line for a table that never falls (brightness and contrast tables rise or stay level).
void FitLine(PlacedTable* table) {
    const uint8_t* map = table->map;
    table->straight = false;
    for (int v = 1; v < 256; ++v)
        if (map[v] < map[v - 1]) return;
    table->lowest = map[0];
    table->highest = map[255];
    if (map[0] == map[255]) {
        table->slope = 0;
        table->offset = int32_t(map[0]) << LineShift;
        table->straight = true;
        return;
    }
    // The slope lies near that of the table's rising part.
    int begin = 0, end = 255;
    while (map[begin + 1] == map[0]) ++begin;
    while (map[end - 1] == map[255]) --end;
    const int64_t unit = int64_t(1) << LineShift;
    const int64_t span = std::max(end - begin, 1);
    const int64_t guess = (int64_t(map[end]) - map[begin]) * unit / span;
    const int64_t window = unit * 2 / span + 2;
    for (int64_t step = 0; step <= window; ++step) {
        for (const int64_t slope : {guess + step, guess - step}) {
            if (slope < 0 || slope > 32767) continue;
            int64_t low = 0, high = 0;
            OffsetsForSlope(map, slope, &low, &high);
            if (low > high) continue;
            const int64_t offset = std::clamp<int64_t>(0, low, high);
            if (offset < INT32_MIN / 2 || offset > INT32_MAX / 2) continue;
            table->slope = int32_t(slope);
            table->offset = int32_t(offset);
            table->straight = true;
            return;
        }
    }
}

// The placed table for a colour map and a storage format, made again only when either changes.
const PlacedTable& PlaceTable(const uint8_t* map, PixelFormat format) {
    static thread_local PlacedTable table;
    static thread_local bool made = false;
    const bool swap = format == PixelFormat::Bgrx32;
    if (made && table.swapRedBlue == swap && std::memcmp(table.map, map, 256) == 0) return table;
    std::memcpy(table.map, map, 256);
    table.swapRedBlue = swap;
    for (int k = 0; k < 3; ++k) {
        const int shift = swap ? 16 - 8 * k : 8 * k;
        for (int v = 0; v < 256; ++v) table.byte[k][v] = uint32_t(map[v]) << shift;
    }
    FitLine(&table);
    made = true;
    return table;
}

#if defined(__SSE2__)
// Eight 16-bit values through the line, clamped to the table's ends.
inline __m128i AlongLine(__m128i values, __m128i slope, __m128i offset, __m128i lowest, __m128i highest) {
    const __m128i productLow = _mm_mullo_epi16(values, slope), productHigh = _mm_mulhi_epi16(values, slope);
    __m128i first = _mm_unpacklo_epi16(productLow, productHigh), second = _mm_unpackhi_epi16(productLow, productHigh);
    first = _mm_srai_epi32(_mm_add_epi32(first, offset), LineShift);
    second = _mm_srai_epi32(_mm_add_epi32(second, offset), LineShift);
    return _mm_min_epi16(_mm_max_epi16(_mm_packs_epi32(first, second), lowest), highest);
}
#endif

// A row of colours stored as 32-bit pixels through a placed table.
void StoreMapped32(uint8_t* __restrict out, const ColorRef* __restrict in, size_t count,
                   const PlacedTable& __restrict table) {
    size_t i = 0;
#if defined(__SSE2__)
    if (table.straight) {
        const __m128i slope = _mm_set1_epi16(int16_t(table.slope)), offset = _mm_set1_epi32(table.offset);
        const __m128i lowest = _mm_set1_epi16(table.lowest), highest = _mm_set1_epi16(table.highest);
        const __m128i zero = _mm_setzero_si128(), colour = _mm_set1_epi32(0x00FFFFFF);
        const __m128i byte = _mm_set1_epi32(0xFF), green = _mm_set1_epi32(0xFF00);
        for (; i + 4 <= count; i += 4) {
            const __m128i pixels = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i));
            const __m128i low = AlongLine(_mm_unpacklo_epi8(pixels, zero), slope, offset, lowest, highest);
            const __m128i high = AlongLine(_mm_unpackhi_epi8(pixels, zero), slope, offset, lowest, highest);
            __m128i mapped = _mm_and_si128(_mm_packus_epi16(low, high), colour);
            if (table.swapRedBlue)
                mapped = _mm_or_si128(_mm_or_si128(_mm_and_si128(_mm_srli_epi32(mapped, 16), byte),
                                                   _mm_and_si128(mapped, green)),
                                      _mm_slli_epi32(_mm_and_si128(mapped, byte), 16));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i * 4), mapped);
        }
    }
#endif
    for (; i < count; ++i) {
        const ColorRef c = in[i];
        const uint32_t v = table.byte[0][c & 0xFF] | table.byte[1][(c >> 8) & 0xFF] | table.byte[2][(c >> 16) & 0xFF];
        std::memcpy(out + i * 4, &v, 4);
    }
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

// A run of destination offsets that all take one source offset.
struct Repeat {
    int32_t source = 0;
    int32_t count = 0;
};

// Mappings of `count` destination offsets from `first` on an axis of `to` destination pixels over `from`
// source pixels, kept for the next call with the same mapping, as one glass's refreshes make: the
// nearest one as runs of offsets that repeat one source offset, the bilinear one as each offset's taps.
template <class T, int Slot, class Make>
const std::vector<T>& KeptMapping(int64_t first, int32_t count, int64_t from, int64_t to, Make&& make) {
    thread_local struct {
        int64_t first = 0, from = 0, to = 0;
        int32_t count = -1;
        std::vector<T> values;
    } kept;
    if (kept.count != count || kept.first != first || kept.from != from || kept.to != to) {
        kept.values.clear();
        make(&kept.values);
        kept.first = first, kept.from = from, kept.to = to, kept.count = count;
    }
    return kept.values;
}

template <int Slot>
const std::vector<Repeat>& KeptNearest(int64_t first, int32_t count, int64_t from, int64_t to) {
    return KeptMapping<Repeat, Slot>(first, count, from, to, [&](std::vector<Repeat>* repeats) {
        for (int32_t i = 0; i < count; ++i) {
            const int32_t s = int32_t(NearestIndex(first + i, from, to));
            if (!repeats->empty() && repeats->back().source == s) ++repeats->back().count;
            else repeats->push_back(Repeat{s, 1});
        }
    });
}

template <int Slot>
const std::vector<Tap>& KeptTaps(int64_t first, int32_t count, int64_t from, int64_t to) {
    return KeptMapping<Tap, Slot>(first, count, from, to, [&](std::vector<Tap>* taps) {
        for (int32_t i = 0; i < count; ++i) taps->push_back(BilinearTap(first + i, from, to, Span{0, from}));
    });
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
        weights_.assign(taps.size() + 3, 0);  // a run blends up to three columns beyond its end
        for (auto& slot : slots_) slot.pixels.resize(taps.size() + 3);  // (the next run writes them again)
        for (size_t i = 0; i < taps.size(); ++i) weights_[i] = taps[i].weight * 0x10001u;
        FindTapRuns();
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
    // A run of columns that blend the same two source pixels.
    struct TapRun {
        int32_t first = 0, second = 0;
        int32_t begin = 0, end = 0;
    };

    // An enlargement's columns come in runs about as long as its zoom: where they average two or more,
    // each run's two pixels are loaded once and blended four columns at a time.
    void FindTapRuns() {
        runs_.clear();
#if defined(__GNUC__)
        if (!specialisedLoops) return;
        for (size_t i = 0; i < taps_.size(); ++i) {
            const Tap& tap = taps_[i];
            if (runs_.empty() || runs_.back().first != tap.first || runs_.back().second != tap.second)
                runs_.push_back(TapRun{tap.first, tap.second, int32_t(i), int32_t(i)});
            runs_.back().end = int32_t(i) + 1;
        }
        if (runs_.size() * 2 > taps_.size()) runs_.clear();
#endif
    }

    void Fill(Slot* slot, int64_t sourceRow) {
        ReadRow(source_, gridLeft_, int32_t(gridTop_ + sourceRow), spanWidth_, row_.data());
        const ColorRef* row = row_.data();
        slot->sourceRow = sourceRow;
#if defined(__GNUC__)
        if (!runs_.empty()) {
            typedef uint32_t Words __attribute__((vector_size(16)));
            ColorRef* out = slot->pixels.data();
            for (const TapRun& run : runs_) {
                const Words first = Words{} + row[run.first], second = Words{} + row[run.second];
                Lanes a, b;
                std::memcpy(&a, &first, sizeof a);
                std::memcpy(&b, &second, sizeof b);
                for (int32_t c = run.begin; c < run.end; c += 4) {  // past the end: the next run writes again
                    Lanes weight;
                    std::memcpy(&weight, weights_.data() + c, sizeof weight);
                    const Lanes mixed = BlendLanes(a, b, 256 - weight, weight);
                    std::memcpy(out + c, &mixed, sizeof mixed);
                }
            }
            return;
        }
#endif
        for (size_t i = 0; i < taps_.size(); ++i) {
            firsts_[i] = row[taps_[i].first];
            seconds_[i] = row[taps_[i].second];
        }
        BlendPairs(firsts_.data(), seconds_.data(), weights_.data(), taps_.size(), slot->pixels.data());
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
    std::vector<TapRun>& runs_ = Reused<TapRun, 24>();
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

#if defined(VISTREL_WIDE_BLEND)
// AlongLine on sixteen values.
__attribute__((target("avx2"))) inline __m256i AlongLineWide(__m256i values, __m256i slope, __m256i offset,
                                                             __m256i lowest, __m256i highest) {
    const __m256i productLow = _mm256_mullo_epi16(values, slope), productHigh = _mm256_mulhi_epi16(values, slope);
    __m256i first = _mm256_unpacklo_epi16(productLow, productHigh);
    __m256i second = _mm256_unpackhi_epi16(productLow, productHigh);
    first = _mm256_srai_epi32(_mm256_add_epi32(first, offset), LineShift);
    second = _mm256_srai_epi32(_mm256_add_epi32(second, offset), LineShift);
    return _mm256_min_epi16(_mm256_max_epi16(_mm256_packs_epi32(first, second), lowest), highest);
}

// BlendInto32's loop on eight pixels at a time (each 128-bit half as BlendInto32 does four); returns how
// many pixels it wrote, from the first.
template <bool Mapped, bool Swapped>
__attribute__((target("avx2"))) size_t BlendInto32WideAs(uint8_t* __restrict out, const ColorRef* __restrict u,
                                                         const ColorRef* __restrict l, uint32_t weight, size_t count,
                                                         const PlacedTable* table) {
    const __m256i byte = _mm256_set1_epi16(0xFF), round = _mm256_set1_epi16(0x80);
    const __m256i colour = _mm256_set1_epi32(0x00FFFFFF);
    const __m256i wa = _mm256_set1_epi16(int16_t(256 - weight)), wb = _mm256_set1_epi16(int16_t(weight));
    __m256i slope = _mm256_setzero_si256(), offset = slope, lowest = slope, highest = slope;
    if constexpr (Mapped) {
        slope = _mm256_set1_epi16(int16_t(table->slope));
        offset = _mm256_set1_epi32(table->offset);
        lowest = _mm256_set1_epi16(table->lowest);
        highest = _mm256_set1_epi16(table->highest);
    }
    size_t i = 0;
    for (; i + 8 <= count; i += 8) {
        const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(u + i));
        const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(l + i));
        __m256i even = _mm256_add_epi16(_mm256_add_epi16(_mm256_mullo_epi16(_mm256_and_si256(a, byte), wa),
                                                         _mm256_mullo_epi16(_mm256_and_si256(b, byte), wb)),
                                        round);
        __m256i odd = _mm256_add_epi16(_mm256_add_epi16(_mm256_mullo_epi16(_mm256_srli_epi16(a, 8), wa),
                                                        _mm256_mullo_epi16(_mm256_srli_epi16(b, 8), wb)),
                                       round);
        even = _mm256_srli_epi16(even, 8);
        odd = _mm256_srli_epi16(odd, 8);
        if constexpr (Mapped) {
            even = AlongLineWide(even, slope, offset, lowest, highest);
            odd = AlongLineWide(odd, slope, offset, lowest, highest);
        }
        if constexpr (Swapped) even = _mm256_shufflehi_epi16(_mm256_shufflelo_epi16(even, 0xB1), 0xB1);
        const __m256i pixels = _mm256_and_si256(_mm256_or_si256(even, _mm256_slli_epi16(odd, 8)), colour);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i * 4), pixels);
    }
    return i;
}

__attribute__((target("avx2"))) size_t BlendInto32Wide(uint8_t* __restrict out, const ColorRef* __restrict u,
                                                       const ColorRef* __restrict l, uint32_t weight, size_t count,
                                                       const PlacedTable* table, bool swapRedBlue) {
    if (table) return swapRedBlue ? BlendInto32WideAs<true, true>(out, u, l, weight, count, table)
                                  : BlendInto32WideAs<true, false>(out, u, l, weight, count, table);
    return swapRedBlue ? BlendInto32WideAs<false, true>(out, u, l, weight, count, table)
                       : BlendInto32WideAs<false, false>(out, u, l, weight, count, table);
}

bool WideBlendAvailable() {
    static const bool available = __builtin_cpu_supports("avx2");
    return available;
}
#endif

#if defined(__SSE2__)
// Blends two interpolated rows (the lower one's weight 0..256) straight into a row of 32-bit storage:
// each colour byte through the table's line when there is a table (which must have one), red and
// blue exchanged for BGRX storage. The same rounding as Blend, four pixels at a time.
template <bool Mapped, bool Swapped>
void BlendInto32As(uint8_t* __restrict out, const ColorRef* __restrict u, const ColorRef* __restrict l,
                   uint32_t weight, size_t count, const PlacedTable* table) {
    const __m128i byte = _mm_set1_epi16(0xFF), round = _mm_set1_epi16(0x80), colour = _mm_set1_epi32(0x00FFFFFF);
    const __m128i wa = _mm_set1_epi16(int16_t(256 - weight)), wb = _mm_set1_epi16(int16_t(weight));
    __m128i slope = _mm_setzero_si128(), offset = slope, lowest = slope, highest = slope;
    if constexpr (Mapped) {
        slope = _mm_set1_epi16(int16_t(table->slope));
        offset = _mm_set1_epi32(table->offset);
        lowest = _mm_set1_epi16(table->lowest);
        highest = _mm_set1_epi16(table->highest);
    }
    size_t i = 0;
#if defined(VISTREL_WIDE_BLEND)
    if (WideBlendAvailable()) i = BlendInto32Wide(out, u, l, weight, count, table, Swapped);
#endif
    for (; i + 4 <= count; i += 4) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(u + i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(l + i));
        // Red and blue in the even bytes, green (and the empty byte) in the odd ones.
        __m128i even = _mm_add_epi16(_mm_add_epi16(_mm_mullo_epi16(_mm_and_si128(a, byte), wa),
                                                   _mm_mullo_epi16(_mm_and_si128(b, byte), wb)),
                                     round);
        __m128i odd = _mm_add_epi16(
            _mm_add_epi16(_mm_mullo_epi16(_mm_srli_epi16(a, 8), wa), _mm_mullo_epi16(_mm_srli_epi16(b, 8), wb)), round);
        even = _mm_srli_epi16(even, 8);
        odd = _mm_srli_epi16(odd, 8);
        if constexpr (Mapped) {
            even = AlongLine(even, slope, offset, lowest, highest);
            odd = AlongLine(odd, slope, offset, lowest, highest);
        }
        if constexpr (Swapped) even = _mm_shufflehi_epi16(_mm_shufflelo_epi16(even, 0xB1), 0xB1);
        const __m128i pixels = _mm_and_si128(_mm_or_si128(even, _mm_slli_epi16(odd, 8)), colour);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i * 4), pixels);
    }
    for (; i < count; ++i) {
        const ColorRef c = Blend(u[i], l[i], weight);
        const uint32_t v = Mapped ? table->byte[0][c & 0xFF] | table->byte[1][(c >> 8) & 0xFF] |
                                        table->byte[2][(c >> 16) & 0xFF]
                                  : (Swapped ? SwapRedBlue(c) : c);
        std::memcpy(out + i * 4, &v, 4);
    }
}

// The loop above for the table and storage at hand.
void BlendInto32(uint8_t* __restrict out, const ColorRef* __restrict u, const ColorRef* __restrict l,
                 uint32_t weight, size_t count, const PlacedTable* table, bool swapRedBlue) {
    if (table) {
        if (swapRedBlue) BlendInto32As<true, true>(out, u, l, weight, count, table);
        else BlendInto32As<true, false>(out, u, l, weight, count, table);
    } else {
        if (swapRedBlue) BlendInto32As<false, true>(out, u, l, weight, count, table);
        else BlendInto32As<false, false>(out, u, l, weight, count, table);
    }
}
#endif

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
                    int32_t height, int32_t sourceWidth, int32_t sourceHeight, const ColorRef* key,
                    const uint8_t* colorMap) {
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
        if (colorMap) MapColors(out.data(), out.size(), colorMap);
        WriteRow(destination, int32_t(plan.gridX + plan.columns.begin), int32_t(plan.gridY + r), count, out.data(),
                 masked ? keep.data() : nullptr);
    }
}

// A row of a nearest-pixel stretch without a key between two storages of one 32-bit layout, every
// column mapped (byte offsets into the source row): each written word is its source word with the
// fourth byte cleared, as a load and a store of the layout would leave it.
void GatherWords(const uint8_t* __restrict in, uint8_t* __restrict out, const int32_t* __restrict columns,
                 int32_t count) {
    for (int32_t c = 0; c < count; ++c) {
        uint32_t v;
        std::memcpy(&v, in + columns[c], 4);
        v &= 0x00FFFFFFu;
        std::memcpy(out + ptrdiff_t(c) * 4, &v, 4);
    }
}

// A row of a nearest-pixel enlargement from a row of 32-bit words, each repeat's word with its fourth
// byte cleared, written as many times as the repeat says, four at a time: the row's storage must have
// room for three words beyond its end.
void RepeatWords(const uint8_t* __restrict in, uint8_t* __restrict out, const std::vector<Repeat>& repeats) {
    for (const Repeat& repeat : repeats) {
        uint32_t v;
        std::memcpy(&v, in + ptrdiff_t(repeat.source) * 4, 4);
        v &= 0x00FFFFFFu;
#if defined(__GNUC__)
        typedef uint32_t Words __attribute__((vector_size(16)));
        const Words four = Words{} + v;
        for (int32_t k = 0; k < repeat.count; k += 4) std::memcpy(out + ptrdiff_t(k) * 4, &four, sizeof four);
#else
        for (int32_t k = 0; k < repeat.count; ++k) std::memcpy(out + ptrdiff_t(k) * 4, &v, 4);
#endif
        out += ptrdiff_t(repeat.count) * 4;
    }
}

// The nearest-pixel stretch (with or without a key) straight between the storages: the source
// columns are mapped once, and without a key a destination row that repeats the source row of the
// one above is copied from it. A colour table goes over each source row once, as it is read: every
// written pixel is a copy of a source pixel.
template <PixelFormat S, PixelFormat D>
void NearestDirect(const Canvas& destination, const Canvas& source, const StretchPlan& plan, int32_t width,
                   int32_t height, int32_t sourceWidth, int32_t sourceHeight, const ColorRef* key,
                   const uint8_t* colorMap) {
    const int32_t count = int32_t(plan.columns.end - plan.columns.begin);
    auto& map = Reused<int32_t, 16>();  // byte offset into the source row, or -1
    const bool everyColumn = MapNearestColumns(plan, sourceWidth, width, Bytes<S>, &map);
    const ColorRef keyColor = key ? (*key & 0xFFFFFF) : 0;
    const bool repeatRows = !key && everyColumn;
    const int32_t* columns = map.data();
    const int32_t spanWidth = int32_t(plan.validColumns.end - plan.validColumns.begin);
    auto& mapped = Reused<uint8_t, 17>();
    if (colorMap) mapped.resize(size_t(spanWidth) * Bytes<S>);
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
        if (colorMap) {
            std::memcpy(mapped.data(), in, mapped.size());
            MapPixels<S>(mapped.data(), 0, spanWidth, colorMap);
            in = mapped.data();
        }
        if constexpr (S == D && Bytes<S> == 4) {
            if (repeatRows) {
                GatherWords(in, out, columns, count);
                previousSource = s;
                previousRow = out;
                continue;
            }
        }
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
                     int32_t height, int32_t sourceWidth, int32_t sourceHeight, const uint8_t* colorMap) {
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
    // A corrected row of every column goes straight into 32-bit storage, table and store in one loop.
    const bool storeMapped = colorMap && everyColumn && specialisedLoops && !destination.owners &&
                             destination.format != PixelFormat::Bgr24;
    const PlacedTable* placed = storeMapped ? &PlaceTable(colorMap, destination.format) : nullptr;
#if defined(__SSE2__)
    // Rows of every column blend straight into 32-bit storage when the table (if any) is a line.
    const bool blendInto = everyColumn && specialisedLoops && !destination.owners &&
                           destination.format != PixelFormat::Bgr24 && (!colorMap || placed->straight);
#else
    const bool blendInto = false;
#endif
    for (int64_t r = plan.rows.begin; r < plan.rows.end; ++r) {
        if (!Inside(NearestIndex(r, sourceHeight, height), plan.validRows)) continue;
        Tap tap = BilinearTap(r, sourceHeight, height, plan.validRows);
        const int64_t first = tap.first - plan.validRows.begin, second = tap.second - plan.validRows.begin;
        const auto& upper = rowsCache.Get(first, second);
        const auto& lower = rowsCache.Get(second, first);
#if defined(__SSE2__)
        if (blendInto) {
            BlendInto32(Address(destination, plan.gridX + plan.columns.begin, plan.gridY + r), upper.pixels.data(),
                        lower.pixels.data(), tap.weight, size_t(count), placed,
                        destination.format == PixelFormat::Bgrx32);
            continue;
        }
#endif
        if (everyColumn) {
            BlendRows(upper, lower, tap.weight, taps.size(), out.data());
        } else {
            BlendRows(upper, lower, tap.weight, taps.size(), blended.data());
            for (size_t t = 0; t < taps.size(); ++t) out[size_t(columnOf[t])] = blended[t];
        }
        if (storeMapped) {
            StoreMapped32(Address(destination, plan.gridX + plan.columns.begin, plan.gridY + r), out.data(),
                          size_t(count), *placed);
            continue;
        }
        if (colorMap) MapColors(out.data(), out.size(), colorMap);
        WriteRow(destination, int32_t(plan.gridX + plan.columns.begin), int32_t(plan.gridY + r), count, out.data(),
                 everyColumn ? nullptr : keep.data());
    }
}

// A plain copy, each written row through the colour table when there is one.
bool CopyRect(const Canvas& destination, int32_t x, int32_t y, int32_t width, int32_t height, const Canvas& source,
              int32_t sourceX, int32_t sourceY, const uint8_t* colorMap) {
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
                                [&](int32_t first, int32_t end) {
                                    ConvertPixels<S, D>(in, out, first, end);
                                    if (colorMap) MapPixels<D>(out, first, end, colorMap);
                                });
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
        if (colorMap) MapColors(row.data(), row.size(), colorMap);
        WriteRow(destination, int32_t(gx + columns.begin), int32_t(gy + r), count, row.data(), nullptr);
    }
    return true;
}

}  // namespace

bool StretchBlock(const Canvas& destination, int32_t x, int32_t y, int32_t width, int32_t height,
                  const Canvas& source, int32_t sourceX, int32_t sourceY, int32_t sourceWidth, int32_t sourceHeight,
                  StretchFilter filter, const ColorRef* key, const uint8_t* colorMap) {
    if (width < 0 || height < 0 || sourceWidth < 0 || sourceHeight < 0) return false;
    if (key && colorMap) return false;
    if (width == 0 || height == 0) return true;
    if (sourceWidth == 0 || sourceHeight == 0) return false;
    if (!destination.Usable() || !source.Usable()) return false;
    if (!key && width == sourceWidth && height == sourceHeight)
        return CopyRect(destination, x, y, width, height, source, sourceX, sourceY, colorMap);
    StretchPlan plan;
    if (!PlanStretch(destination, x, y, width, height, source, sourceX, sourceY, sourceWidth, sourceHeight, &plan))
        return true;
    if ((filter == StretchFilter::Nearest || key) && Direct(destination, source)) {
        ByFormats(source.format, destination.format, [&]<PixelFormat S, PixelFormat D>() {
            NearestDirect<S, D>(destination, source, plan, width, height, sourceWidth, sourceHeight, key, colorMap);
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
        BilinearStretch(destination, from, plan, width, height, sourceWidth, sourceHeight, colorMap);
    else
        NearestStretch(destination, from, plan, width, height, sourceWidth, sourceHeight, key, colorMap);
    return true;
}

bool CopyBlock(const Canvas& destination, int32_t x, int32_t y, int32_t width, int32_t height, const Canvas& source,
               int32_t sourceX, int32_t sourceY) {
    return CopyRect(destination, x, y, width, height, source, sourceX, sourceY, nullptr);
}

void UseSpecialisedLoops(bool on) { specialisedLoops = on; }

// ---- A picture under a colour-keyed overlay ----

void FindOpaqueRuns(const Canvas& canvas, int32_t x, int32_t y, int32_t width, int32_t height, ColorRef key,
                    RowRuns* runs) {
    *runs = RowRuns{};
    if (width <= 0 || height <= 0) return;
    runs->width = width;
    runs->height = height;
    runs->rowFirst.reserve(size_t(height) + 1);
    const int64_t gx = int64_t(x) + canvas.origin.x, gy = int64_t(y) + canvas.origin.y;
    const Span columns = canvas.Usable() ? OffsetsInside(gx, width, canvas.limit.left, canvas.limit.right) : Span{};
    const Span rows = canvas.Usable() ? OffsetsInside(gy, height, canvas.limit.top, canvas.limit.bottom) : Span{};
    auto& row = Reused<ColorRef, 18>();
    row.assign(size_t(std::max<int64_t>(columns.end - columns.begin, 0)), 0);
    key &= 0xFFFFFF;
    for (int32_t r = 0; r < height; ++r) {
        runs->rowFirst.push_back(uint32_t(runs->runs.size()));
        if (columns.Empty() || !Inside(r, rows)) continue;
        ReadRow(canvas, int32_t(gx + columns.begin), int32_t(gy + r), int32_t(row.size()), row.data());
        for (size_t i = 0; i < row.size();) {
            while (i < row.size() && row[i] == key) ++i;
            const size_t first = i;
            while (i < row.size() && row[i] != key) ++i;
            if (i > first)
                runs->runs.push_back(RowRuns::Run{int32_t(columns.begin + int64_t(first)), int32_t(columns.begin + int64_t(i))});
        }
    }
    runs->rowFirst.push_back(uint32_t(runs->runs.size()));
}

namespace {

using RowConverter = void (*)(const uint8_t*, uint8_t*, int32_t, int32_t);

RowConverter ConverterFor(PixelFormat source, PixelFormat destination) {
    RowConverter convert = nullptr;
    ByFormats(source, destination, [&]<PixelFormat S, PixelFormat D>() { convert = &ConvertPixels<S, D>; });
    return convert;
}

// Where the pieces of an overlaid copy lie, as offsets from the area's top-left: the part of the area
// the destination shows, the part the picture reaches and the part the overlay's canvas holds.
struct OverlayPlan {
    int64_t gridX = 0, gridY = 0;               // the area's top-left in the destination's grid
    Span columns, rows;                         // offsets the destination shows
    int64_t pictureGridX = 0, pictureGridY = 0; // the picture's grid position of offset (0, 0)
    Span pictureColumns, pictureRows;
    int64_t overlayGridX = 0, overlayGridY = 0;
    Span overlayColumns, overlayRows;
};

// Offsets of a span of `length` starting at `start` that lie both in [areaLow, areaHigh) of the
// source's own coordinates and in its grid's [low, high) after adding origin.
Span SourceOffsets(int64_t start, int64_t length, int64_t areaLow, int64_t areaHigh, int64_t origin, int64_t low,
                   int64_t high) {
    return Intersect(OffsetsInside(start, length, areaLow, areaHigh), OffsetsInside(start + origin, length, low, high));
}

OverlayPlan PlanOverlay(const Canvas* destination, const Rect& area, const Canvas* picture, const Rect& pictureArea,
                        Point pictureAt, const Canvas* overlay) {
    OverlayPlan plan;
    const int64_t w = Width(area), h = Height(area);
    plan.columns = Span{0, w};
    plan.rows = Span{0, h};
    if (destination) {
        plan.gridX = int64_t(area.left) + destination->origin.x;
        plan.gridY = int64_t(area.top) + destination->origin.y;
        plan.columns = OffsetsInside(plan.gridX, w, destination->limit.left, destination->limit.right);
        plan.rows = OffsetsInside(plan.gridY, h, destination->limit.top, destination->limit.bottom);
    }
    // The picture's own coordinates of offset (0, 0).
    const int64_t px = int64_t(area.left) - pictureAt.x + pictureArea.left;
    const int64_t py = int64_t(area.top) - pictureAt.y + pictureArea.top;
    const Rect pictureLimit = picture ? picture->limit : Rect{INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX};
    const Point pictureOrigin = picture ? picture->origin : Point{};
    plan.pictureGridX = px + pictureOrigin.x;
    plan.pictureGridY = py + pictureOrigin.y;
    plan.pictureColumns =
        SourceOffsets(px, w, pictureArea.left, pictureArea.right, pictureOrigin.x, pictureLimit.left, pictureLimit.right);
    plan.pictureRows =
        SourceOffsets(py, h, pictureArea.top, pictureArea.bottom, pictureOrigin.y, pictureLimit.top, pictureLimit.bottom);
    if (overlay) {
        plan.overlayGridX = overlay->origin.x;
        plan.overlayGridY = overlay->origin.y;
        plan.overlayColumns = OffsetsInside(plan.overlayGridX, w, overlay->limit.left, overlay->limit.right);
        plan.overlayRows = OffsetsInside(plan.overlayGridY, h, overlay->limit.top, overlay->limit.bottom);
    } else {
        plan.overlayColumns = Span{0, w};
        plan.overlayRows = Span{0, h};
    }
    return plan;
}

// Calls piece(begin, end, fromOverlay) for the pieces of row r within `within`, left to right: the
// overlay's runs and the picture's columns between them.
template <class Piece>
void ForEachPiece(const OverlayPlan& plan, const RowRuns& opaque, int64_t r, Span within, Piece&& piece) {
    const bool pictureRow = Inside(r, plan.pictureRows), overlayRow = Inside(r, plan.overlayRows);
    auto pictureBetween = [&](int64_t begin, int64_t end) {
        if (!pictureRow) return;
        const Span part = Intersect(Intersect(Span{begin, end}, plan.pictureColumns), within);
        if (!part.Empty()) piece(part.begin, part.end, false);
    };
    int64_t position = within.begin;
    for (uint32_t i = opaque.rowFirst[size_t(r)]; i < opaque.rowFirst[size_t(r) + 1]; ++i) {
        const RowRuns::Run run = opaque.runs[i];
        if (run.end <= position) continue;
        pictureBetween(position, run.begin);
        if (overlayRow) {
            const Span part = Intersect(Intersect(Span{run.begin, run.end}, plan.overlayColumns), within);
            if (!part.Empty()) piece(part.begin, part.end, true);
        }
        position = std::max<int64_t>(position, run.end);
    }
    pictureBetween(position, within.end);
}

// StretchUnderOverlay's enlargement written straight into the destination's rows, piece by piece
// between the runs, with no band between: each source row is read (and interpolated along x) once for
// the whole part, and each written pixel is written once. Taken where the destination is 32-bit
// without an owner map and the row loops give what StretchBlock gives: a nearest stretch between
// storages of one layout, or a bilinear one whose colour table, if any, is a line. part is the area's
// part to write (inside the destination's limit and the picture); the source's rectangle lies wholly
// inside the source. False, writing nothing, where these loops do not apply.
bool StretchStraightUnderRuns(const Canvas& destination, const Rect& area, const Rect& part, const Canvas& source,
                              int32_t sourceX, int32_t sourceY, int32_t sourceWidth, int32_t sourceHeight,
                              const Rect& picture, StretchFilter filter, const uint8_t* colorMap, const RowRuns& opaque,
                              Rect* written) {
    if (!specialisedLoops || destination.owners || destination.format == PixelFormat::Bgr24) return false;
    const bool bilinear = filter == StretchFilter::Bilinear;
#if !defined(__SSE2__)
    if (bilinear) return false;
#endif
    const PlacedTable* placed = bilinear && colorMap ? &PlaceTable(colorMap, destination.format) : nullptr;
    if (bilinear ? placed && !placed->straight : source.format != destination.format) return false;
    const int32_t width = Width(picture), height = Height(picture), count = Width(part);
    const int64_t sourceGridX = int64_t(sourceX) + source.origin.x, sourceGridY = int64_t(sourceY) + source.origin.y;
    const int64_t firstColumn = int64_t(part.left) - picture.left;  // the enlargement's offset of the part's left
    OverlayPlan plan;  // the picture's pieces of each row, in offsets from the area's top-left; no overlay
    plan.pictureColumns = Span{int64_t(part.left) - area.left, int64_t(part.right) - area.left};
    plan.pictureRows = Span{int64_t(part.top) - area.top, int64_t(part.bottom) - area.top};
    plan.overlayRows = Span{};
    Rect box{INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN};  // offsets from the area's top-left
    // Calls write(to, c, n) for each piece of row y: n pixels at `to`, the part's columns c, c + 1, ...
    auto eachPiece = [&](int32_t y, auto&& write) {
        const int64_t r = int64_t(y) - area.top;
        uint8_t* out = Address(destination, int64_t(area.left) + destination.origin.x, int64_t(y) + destination.origin.y);
        ForEachPiece(plan, opaque, r, plan.pictureColumns, [&](int64_t begin, int64_t end, bool) {
            box = Rect{std::min(box.left, int32_t(begin)), std::min(box.top, int32_t(r)),
                       std::max(box.right, int32_t(end)), int32_t(r) + 1};
            write(out + ptrdiff_t(begin) * 4, begin - plan.pictureColumns.begin, end - begin);
        });
    };
    const int64_t firstRow = int64_t(part.top) - picture.top;  // the enlargement's offset of the part's top
    if (bilinear) {
#if defined(__SSE2__)
        const std::vector<Tap>& taps = KeptTaps<0>(firstColumn, count, sourceWidth, width);
        const std::vector<Tap>& rowTaps = KeptTaps<1>(firstRow, Height(part), sourceHeight, height);
        HorizontalRows rows(source, int32_t(sourceGridX), int32_t(sourceGridY), sourceWidth, taps);
        const bool swapRedBlue = destination.format == PixelFormat::Bgrx32;
        for (int32_t y = part.top; y < part.bottom; ++y) {
            const Tap tap = rowTaps[size_t(y - part.top)];
            const ColorRef* upper = rows.Get(tap.first, tap.second).pixels.data();
            const ColorRef* lower = rows.Get(tap.second, tap.first).pixels.data();
            eachPiece(y, [&](uint8_t* to, int64_t c, int64_t n) {
                BlendInto32(to, upper + c, lower + c, tap.weight, size_t(n), placed, swapRedBlue);
            });
        }
#endif
    } else {
        const std::vector<Repeat>& columns = KeptNearest<0>(firstColumn, count, sourceWidth, width);
        auto& mapped = Reused<uint8_t, 22>();
        auto& enlarged = Reused<uint8_t, 23>();  // the part's row of the source row last read
        enlarged.resize(size_t(count + 3) * 4);   // RepeatWords writes up to three words beyond
        int32_t y = part.top;
        for (const Repeat& row : KeptNearest<1>(firstRow, Height(part), sourceHeight, height)) {
            const uint8_t* in = Address(source, sourceGridX, sourceGridY + row.source);
            if (colorMap) {
                mapped.assign(in, in + ptrdiff_t(sourceWidth) * 4);
                MapPixels<PixelFormat::Color32>(mapped.data(), 0, sourceWidth, colorMap);
                in = mapped.data();
            }
            RepeatWords(in, enlarged.data(), columns);
            for (int32_t k = 0; k < row.count; ++k, ++y)
                eachPiece(y, [&](uint8_t* to, int64_t c, int64_t n) { std::memcpy(to, enlarged.data() + c * 4, size_t(n) * 4); });
        }
    }
    if (written && box.left < box.right)
        *written = Rect{area.left + box.left, area.top + box.top, area.left + box.right, area.top + box.bottom};
    return true;
}

}  // namespace

bool CopyUnderOverlay(const Canvas& destination, const Rect& area, const Canvas& picture, const Rect& pictureArea,
                      Point pictureAt, const Canvas& overlay, const RowRuns& opaque, Rect* written) {
    if (written) *written = Rect{};
    if (IsRectangleEmpty(area) || !opaque.Fits(Width(area), Height(area))) return false;
    if (!destination.Usable()) return false;
    if (SameStorage(destination, picture) || SameStorage(destination, overlay)) return false;
    const OverlayPlan plan = PlanOverlay(&destination, area, picture.Usable() ? &picture : nullptr, pictureArea,
                                         pictureAt, overlay.Usable() ? &overlay : nullptr);
    const RowConverter fromPicture = picture.Usable() ? ConverterFor(picture.format, destination.format) : nullptr;
    const RowConverter fromOverlay = overlay.Usable() ? ConverterFor(overlay.format, destination.format) : nullptr;
    const ptrdiff_t bytes = destination.format == PixelFormat::Bgr24 ? 3 : 4;
    Rect box{INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN};  // offsets from the area's top-left
    for (int64_t r = plan.rows.begin; r < plan.rows.end; ++r) {
        uint8_t* out = Address(destination, plan.gridX, plan.gridY + r);
        ForEachPiece(plan, opaque, r, plan.columns, [&](int64_t begin, int64_t end, bool fromTheOverlay) {
            if (fromTheOverlay ? !fromOverlay : !fromPicture) return;
            box = Rect{std::min(box.left, int32_t(begin)), std::min(box.top, int32_t(r)),
                       std::max(box.right, int32_t(end)), int32_t(r) + 1};
            const uint8_t* in = fromTheOverlay ? Address(overlay, plan.overlayGridX + begin, plan.overlayGridY + r)
                                               : Address(picture, plan.pictureGridX + begin, plan.pictureGridY + r);
            const RowConverter convert = fromTheOverlay ? fromOverlay : fromPicture;
            uint8_t* to = out + ptrdiff_t(begin) * bytes;
            ForEachOwnedRun(destination, int32_t(plan.gridX + begin), int32_t(plan.gridY + r), int32_t(end - begin),
                            [&](int32_t first, int32_t last) { convert(in, to, first, last); });
        });
    }
    if (written && box.left < box.right)
        *written = Rect{area.left + box.left, area.top + box.top, area.left + box.right, area.top + box.bottom};
    return true;
}

bool StretchUnderOverlay(const Canvas& destination, const Rect& area, const Canvas& source, int32_t sourceX,
                         int32_t sourceY, int32_t sourceWidth, int32_t sourceHeight, const Rect& picture,
                         StretchFilter filter, const uint8_t* colorMap, const RowRuns& opaque, Rect* written) {
    if (written) *written = Rect{};
    const int32_t width = Width(picture), height = Height(picture);
    if (IsRectangleEmpty(area) || IsRectangleEmpty(picture) || !opaque.Fits(Width(area), Height(area))) return false;
    if (sourceWidth <= 0 || sourceHeight <= 0 || !destination.Usable() || !source.Usable()) return false;
    if (SameStorage(destination, source)) return false;
    // Every pixel of the enlargement must come from the source: the band holds no earlier picture.
    const Span sourceColumns = OffsetsInside(int64_t(sourceX) + source.origin.x, sourceWidth, source.limit.left,
                                             source.limit.right);
    const Span sourceRows = OffsetsInside(int64_t(sourceY) + source.origin.y, sourceHeight, source.limit.top,
                                          source.limit.bottom);
    if (sourceColumns.begin != 0 || sourceColumns.end != sourceWidth || sourceRows.begin != 0 ||
        sourceRows.end != sourceHeight)
        return false;
    // What is written, in surface coordinates: the area, as far as the destination shows it and the
    // enlargement reaches.
    Rect part = VisiblePart(destination, area);
    if (!IntersectRectangles(&part, part, picture)) return true;
    if (StretchStraightUnderRuns(destination, area, part, source, sourceX, sourceY, sourceWidth, sourceHeight, picture,
                                 filter, colorMap, opaque, written))
        return true;
    const int32_t columns = Width(part);
    // Bands of rows small enough to stay in the nearest cache between their enlargement and their copy.
    constexpr size_t BandBytes = 32 * 1024;
    const int32_t bandRows = int32_t(std::max<size_t>(1, BandBytes / (size_t(columns) * 4)));
    auto& band = Reused<uint8_t, 19>();
    band.resize(size_t(columns) * size_t(std::min(bandRows, Height(part))) * 4);
    Rect box;
    for (int32_t top = part.top; top < part.bottom; top += bandRows) {
        const int32_t bottom = std::min(part.bottom, top + bandRows);
        // The band's grid is the surface's, shifted to the band's top-left.
        Canvas rows;
        rows.row0 = band.data();
        rows.stride = ptrdiff_t(columns) * 4;
        rows.format = destination.format == PixelFormat::Bgr24 ? PixelFormat::Bgrx32 : destination.format;
        rows.origin = Point{-part.left, -top};
        rows.limit = Rect{0, 0, columns, bottom - top};
        StretchBlock(rows, picture.left, picture.top, width, height, source, sourceX, sourceY, sourceWidth,
                     sourceHeight, filter, nullptr, colorMap);
        Canvas into = destination;
        const Rect bandGrid{int32_t(int64_t(part.left) + destination.origin.x),
                            int32_t(int64_t(top) + destination.origin.y),
                            int32_t(int64_t(part.right) + destination.origin.x),
                            int32_t(int64_t(bottom) + destination.origin.y)};
        if (!IntersectRectangles(&into.limit, destination.limit, bandGrid)) continue;
        Rect drawn;
        CopyUnderOverlay(into, area, rows, Rect{part.left, top, part.right, bottom}, Point{part.left, top}, Canvas{},
                         opaque, &drawn);
        if (!IsRectangleEmpty(drawn))
            box = IsRectangleEmpty(box) ? drawn
                                        : Rect{std::min(box.left, drawn.left), std::min(box.top, drawn.top),
                                               std::max(box.right, drawn.right), std::max(box.bottom, drawn.bottom)};
    }
    if (written) *written = box;
    return true;
}

bool OverlayCoversArea(const Rect& area, const Canvas& picture, const Rect& pictureArea, Point pictureAt,
                       const Canvas& overlay, const RowRuns& opaque) {
    if (IsRectangleEmpty(area) || !opaque.Fits(Width(area), Height(area))) return false;
    if (!picture.Usable() || !overlay.Usable()) return false;
    const OverlayPlan plan = PlanOverlay(nullptr, area, &picture, pictureArea, pictureAt, &overlay);
    for (int64_t r = plan.rows.begin; r < plan.rows.end; ++r) {
        int64_t covered = 0;  // every offset before this one is written
        ForEachPiece(plan, opaque, r, plan.columns, [&](int64_t begin, int64_t end, bool) {
            if (begin <= covered) covered = std::max(covered, end);
        });
        if (covered < plan.columns.end) return false;
    }
    return true;
}

}  // namespace platform::raster
