// Bitmaps: compatible bitmaps, 24- and 32-bit DIB sections with pixel access, ".bmp" files, sizes.
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <cwctype>
#include <memory>
#include <vector>

#include "platform/Drawing.h"
#include "platform/win32/DrawingLimits.h"
#include "platform/win32/Handles.h"
#include "platform/win32/RasterBridge.h"

namespace platform {

using win32::AcceptableBitmapSize;

static_assert(sizeof(BitmapInfoHeader) == sizeof(BITMAPINFOHEADER));

namespace {

Bitmap Counted(HBITMAP bitmap) {
    if (bitmap) CountMade("bitmaps");
    return FromNative(bitmap);
}

bool IsBitmap(HGDIOBJ object) { return object && ::GetObjectType(object) == OBJ_BITMAP; }

}  // namespace

// Bitmaps are always colour bitmaps: a memory surface that still holds its initial 1 x 1 monochrome
// bitmap would give a monochrome one, so those (and no surface at all) take the screen's format. On a
// screen of 24 bits or more they are 32-bit sections, whose pixels the raster can stretch and key
// in place.
Bitmap CreateCompatibleBitmapFor(Surface surface, int32_t width, int32_t height) {
    if (!AcceptableBitmapSize(width, height)) return nullptr;
    HDC dc = ToNative(surface);
    HDC display = ::GetDC(nullptr);
    const int depth = display ? ::GetDeviceCaps(display, BITSPIXEL) : 0;
    if (display) ::ReleaseDC(nullptr, display);
    if (depth >= 24) {
        if (HBITMAP section = win32::MakeSection32(nullptr, width, height, nullptr)) return Counted(section);
    }
    if (dc && ::GetObjectType(dc) != OBJ_MEMDC) return Counted(::CreateCompatibleBitmap(dc, width, height));
    HDC screen = ::GetDC(nullptr);
    if (!screen) return nullptr;
    HBITMAP bitmap = ::CreateCompatibleBitmap(screen, width, height);
    ::ReleaseDC(nullptr, screen);
    return Counted(bitmap);
}

Bitmap CreateDibSection(Surface surface, const BitmapInfoHeader* header, uint8_t** bits) {
    uint8_t* unused = nullptr;
    uint8_t** out = bits ? bits : &unused;
    *out = nullptr;
    if (!header || header->size < sizeof(BITMAPINFOHEADER) || header->planes != 1 ||
        (header->bitCount != 24 && header->bitCount != 32) || header->compression != BI_RGB ||
        !AcceptableBitmapSize(header->width, std::llabs(int64_t(header->height)))) {
        return nullptr;
    }
    if (header->bitCount == 32 && header->height < 0) {  // top-down, as the raster's own sections
        void* pixels = nullptr;
        HBITMAP section = win32::MakeSection32(ToNative(surface), header->width, -header->height, &pixels);
        *out = static_cast<uint8_t*>(pixels);
        return Counted(section);
    }
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = header->width;
    info.bmiHeader.biHeight = header->height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = header->bitCount;
    info.bmiHeader.biCompression = BI_RGB;
    info.bmiHeader.biXPelsPerMeter = header->xPelsPerMeter;
    info.bmiHeader.biYPelsPerMeter = header->yPelsPerMeter;
    void* pixels = nullptr;
    HBITMAP bitmap = ::CreateDIBSection(ToNative(surface), &info, DIB_RGB_COLORS, &pixels, nullptr, 0);
    if (!bitmap || !pixels) {
        if (bitmap) ::DeleteObject(bitmap);
        return nullptr;
    }
    *out = static_cast<uint8_t*>(pixels);
    return Counted(bitmap);
}

namespace {

constexpr uint64_t MaxBmpFileBytes = uint64_t(1) << 28;

uint32_t U32At(const std::vector<uint8_t>& data, size_t offset) {
    return uint32_t(data[offset]) | uint32_t(data[offset + 1]) << 8 | uint32_t(data[offset + 2]) << 16 |
           uint32_t(data[offset + 3]) << 24;
}
uint16_t U16At(const std::vector<uint8_t>& data, size_t offset) {
    return uint16_t(data[offset] | data[offset + 1] << 8);
}

bool HasBmpSuffix(const wchar_t* path) {
    const size_t length = std::wcslen(path);
    if (length < 4) return false;
    const wchar_t* suffix = path + length - 4;
    return suffix[0] == L'.' && std::towlower(suffix[1]) == L'b' && std::towlower(suffix[2]) == L'm' &&
           std::towlower(suffix[3]) == L'p';
}

bool ReadWholeFile(const wchar_t* path, std::vector<uint8_t>* data) {
    std::unique_ptr<FILE, int (*)(FILE*)> file(::_wfopen(path, L"rb"), &std::fclose);
    if (!file) return false;
    if (std::fseek(file.get(), 0, SEEK_END) != 0) return false;
    const long size = std::ftell(file.get());
    if (size < 0 || uint64_t(size) > MaxBmpFileBytes || std::fseek(file.get(), 0, SEEK_SET) != 0) return false;
    data->resize(size_t(size));
    return std::fread(data->data(), 1, data->size(), file.get()) == data->size();
}

// Whether the bytes describe a whole picture: the signature, a known header, a sensible size, and
// for uncompressed pictures the palette and every row inside the file. The system's loader is
// handed nothing it would have to guess about.
bool DescribesWholePicture(const std::vector<uint8_t>& data) {
    constexpr size_t fileHeader = 14;
    if (data.size() < fileHeader + 12 || data[0] != 'B' || data[1] != 'M') return false;
    const uint64_t pixelOffset = U32At(data, 10);
    const uint32_t headerSize = U32At(data, 14);
    int64_t width = 0, height = 0;
    uint32_t bitCount = 0, compression = BI_RGB;
    uint64_t colorsUsed = 0;
    uint32_t entrySize = 4;
    if (headerSize == 12) {
        width = U16At(data, 18);
        height = U16At(data, 20);
        bitCount = U16At(data, 24);
        entrySize = 3;
        if (U16At(data, 22) != 1) return false;
    } else if (headerSize >= 40 && headerSize <= 124) {
        if (data.size() < fileHeader + headerSize) return false;
        width = int32_t(U32At(data, 18));
        height = std::llabs(int64_t(int32_t(U32At(data, 22))));
        if (U16At(data, 26) != 1) return false;
        bitCount = U16At(data, 28);
        compression = U32At(data, 30);
        colorsUsed = U32At(data, 46);
    } else {
        return false;
    }
    if (!AcceptableBitmapSize(width, height)) return false;
    const bool known = bitCount == 1 || bitCount == 4 || bitCount == 8 || bitCount == 16 || bitCount == 24 ||
                       bitCount == 32;
    if (!known) return false;
    if (compression == BI_RLE8 || compression == BI_RLE4) {
        const bool matches = (compression == BI_RLE8 && bitCount == 8) || (compression == BI_RLE4 && bitCount == 4);
        return matches && pixelOffset < data.size();
    }
    if (compression != BI_RGB && compression != BI_BITFIELDS) return false;
    if (compression == BI_BITFIELDS && bitCount != 16 && bitCount != 32) return false;
    const uint64_t masks = compression == BI_BITFIELDS && headerSize == 40 ? 12 : 0;
    const uint64_t paletteEntries = bitCount <= 8 ? (colorsUsed ? colorsUsed : uint64_t(1) << bitCount) : colorsUsed;
    if (bitCount <= 8 && paletteEntries > (uint64_t(1) << bitCount)) return false;
    const uint64_t tablesEnd = fileHeader + headerSize + masks + paletteEntries * entrySize;
    const uint64_t stride = ((uint64_t(width) * bitCount + 31) / 32) * 4;
    return tablesEnd <= data.size() && pixelOffset >= fileHeader + headerSize + masks &&
           pixelOffset <= data.size() && stride * uint64_t(height) <= data.size() - pixelOffset;
}

}  // namespace

Bitmap LoadBitmapFile(const char16_t* path) {
    if (!path || !HasBmpSuffix(Wide(path))) return nullptr;
    std::vector<uint8_t> data;
    if (!ReadWholeFile(Wide(path), &data) || !DescribesWholePicture(data)) return nullptr;
    HANDLE image = ::LoadImageW(nullptr, Wide(path), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION);
    return Counted(static_cast<HBITMAP>(image));
}

bool GetBitmapSize(Bitmap bitmap, int32_t* width, int32_t* height) {
    HBITMAP native = ToNative(bitmap);
    BITMAP record = {};
    if (!IsBitmap(native) || ::GetObjectW(native, sizeof(record), &record) != int(sizeof(record))) return false;
    if (width) *width = record.bmWidth;
    if (height) *height = record.bmHeight < 0 ? -record.bmHeight : record.bmHeight;
    return true;
}

bool DeleteBitmapObject(Bitmap bitmap) {
    HBITMAP native = ToNative(bitmap);
    if (!IsBitmap(native)) return false;
    win32::ForgetSection(native);
    if (!::DeleteObject(native)) return false;
    CountReleased("bitmaps");
    return true;
}

}  // namespace platform
