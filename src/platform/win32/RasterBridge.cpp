// Surfaces of the Windows backend as canvases of the software raster.
#include "platform/win32/RasterBridge.h"

#include <set>

#include "platform/win32/DrawingLimits.h"

namespace platform::win32 {

namespace {

// The sections made here, whose rows run top-down. The system does not say so reliably (some report
// the height of a top-down section as positive), so those it was not told about count as bottom-up,
// as ".bmp" files and the 24-bit sections of CreateDibSection are.
std::set<HBITMAP>& TopDownSections() {
    static std::set<HBITMAP> sections;
    return sections;
}

}  // namespace

void ForgetSection(HBITMAP bitmap) { TopDownSections().erase(bitmap); }

HBITMAP MakeSection32(HDC reference, int32_t width, int32_t height, void** bits) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* pixels = nullptr;
    HBITMAP section = ::CreateDIBSection(reference, &info, DIB_RGB_COLORS, &pixels, nullptr, 0);
    if (section && !pixels) {
        ::DeleteObject(section);
        return nullptr;
    }
    if (bits) *bits = pixels;
    if (section) TopDownSections().insert(section);
    return section;
}

namespace {

bool CanvasOfSection(HBITMAP bitmap, raster::Canvas* canvas) {
    DIBSECTION section = {};
    if (!bitmap || ::GetObjectW(bitmap, sizeof section, &section) != int(sizeof section) || !section.dsBm.bmBits)
        return false;
    const BITMAPINFOHEADER& header = section.dsBmih;
    if (header.biCompression != BI_RGB || (header.biBitCount != 32 && header.biBitCount != 24)) return false;
    const int32_t width = section.dsBm.bmWidth;
    const int32_t height = section.dsBm.bmHeight < 0 ? -section.dsBm.bmHeight : section.dsBm.bmHeight;
    const ptrdiff_t stride = section.dsBm.bmWidthBytes;
    if (width <= 0 || height <= 0 || stride <= 0) return false;
    uint8_t* bits = static_cast<uint8_t*>(section.dsBm.bmBits);
    const bool bottomUp = TopDownSections().count(bitmap) == 0 && header.biHeight > 0;
    *canvas = raster::Canvas{};
    canvas->row0 = bottomUp ? bits + ptrdiff_t(height - 1) * stride : bits;
    canvas->stride = bottomUp ? -stride : stride;
    canvas->format = header.biBitCount == 32 ? raster::PixelFormat::Bgrx32 : raster::PixelFormat::Bgr24;
    canvas->limit = Rect{0, 0, width, height};
    return true;
}

struct Capture {
    HDC surface = nullptr;
    HBITMAP section = nullptr;
    HGDIOBJ original = nullptr;
    int32_t width = 0;
    int32_t height = 0;
};

// The kept sections: one for captures of other surfaces, one for pictures composed before a copy.
enum class Kept { Capture, Composition };

Capture& KeptSection(Kept which) {
    static Capture sections[2];
    return sections[which == Kept::Capture ? 0 : 1];
}

// The kept section, grown to at least width x height.
bool GrowKept(Kept which, HDC like, int32_t width, int32_t height) {
    Capture& c = KeptSection(which);
    if (c.section && c.width >= width && c.height >= height) return true;
    if (!AcceptableBitmapSize(width, height)) return false;
    if (!c.surface) c.surface = ::CreateCompatibleDC(like);
    if (!c.surface) return false;
    const int32_t w = width > c.width ? width : c.width;
    const int32_t h = height > c.height ? height : c.height;
    HBITMAP grown = MakeSection32(c.surface, w, h, nullptr);
    if (!grown) return false;
    HGDIOBJ previous = ::SelectObject(c.surface, grown);
    if (!c.original) c.original = previous;
    if (c.section) ::DeleteObject(c.section);
    c.section = grown;
    c.width = w;
    c.height = h;
    return true;
}

}  // namespace

bool MemoryCanvas(HDC dc, raster::Canvas* canvas) {
    if (!dc || ::GetObjectType(dc) != OBJ_MEMDC) return false;
    if (!CanvasOfSection(static_cast<HBITMAP>(::GetCurrentObject(dc, OBJ_BITMAP)), canvas)) return false;
    ::GdiFlush();
    return true;
}

bool DrawingCanvas(HDC dc, raster::Canvas* canvas) {
    if (!MemoryCanvas(dc, canvas)) return false;
    RECT clip{};
    const int kind = ::GetClipBox(dc, &clip);
    if (kind == NULLREGION) canvas->limit = Rect{};
    else if (kind != ERROR)
        IntersectRectangles(&canvas->limit, canvas->limit, Rect{clip.left, clip.top, clip.right, clip.bottom});
    return true;
}

bool CaptureCanvas(HDC dc, int32_t x, int32_t y, int32_t width, int32_t height, raster::Canvas* canvas) {
    if (!dc || width <= 0 || height <= 0 || !GrowKept(Kept::Capture, dc, width, height)) return false;
    Capture& c = KeptSection(Kept::Capture);
    if (!::BitBlt(c.surface, 0, 0, width, height, dc, x, y, SRCCOPY)) return false;
    if (!CanvasOfSection(c.section, canvas)) return false;
    ::GdiFlush();
    canvas->limit = Rect{0, 0, width, height};
    return true;
}

bool CompositionCanvas(HDC like, int32_t width, int32_t height, HDC* surface, raster::Canvas* canvas) {
    if (width <= 0 || height <= 0 || !GrowKept(Kept::Composition, like, width, height)) return false;
    Capture& c = KeptSection(Kept::Composition);
    if (!CanvasOfSection(c.section, canvas)) return false;
    ::GdiFlush();
    canvas->limit = Rect{0, 0, width, height};
    *surface = c.surface;
    return true;
}

}  // namespace platform::win32
