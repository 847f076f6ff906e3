// ".bmp" files: reading (1, 4, 8-bit palette, 16, 24, 32-bit, bottom-up or top-down, uncompressed or
// with bit-field masks for 16 and 32 bits) and writing 24-bit files.
//
// Anything that does not describe a complete picture is refused (nullopt) rather than guessed:
// a bad signature, an unknown header or compression, a zero or negative width, a zero height,
// a side above 16384 or more than 2^25 pixels, a palette or pixel data that runs past the end of the
// file, pixel data that starts inside the headers, masks or palette, and a palette index that the palette does not
// hold. Every read is checked against the size of the data.
#include <array>
#include <cstring>
#include <fstream>

#include "platform/raster/Image.h"

namespace platform::raster {

namespace {

constexpr int64_t MaxSide = 16384;
constexpr int64_t MaxPixels = int64_t(1) << 25;
constexpr uint64_t MaxFileBytes = uint64_t(1) << 28;

constexpr uint32_t CompressionNone = 0;
constexpr uint32_t CompressionBitFields = 3;
constexpr size_t FileHeaderSize = 14;
constexpr uint32_t CoreHeaderSize = 12;
constexpr uint32_t InfoHeaderSize = 40;
constexpr uint32_t LargestHeaderSize = 124;

// Little-endian reads that report whether the bytes exist.
class ByteReader {
public:
    ByteReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    bool Has(uint64_t offset, uint64_t count) const { return offset <= size_ && count <= size_ - offset; }
    uint16_t U16(size_t offset) const { return uint16_t(data_[offset] | data_[offset + 1] << 8); }
    uint32_t U32(size_t offset) const {
        return uint32_t(data_[offset]) | uint32_t(data_[offset + 1]) << 8 | uint32_t(data_[offset + 2]) << 16 |
               uint32_t(data_[offset + 3]) << 24;
    }
    int32_t S32(size_t offset) const { return int32_t(U32(offset)); }
    const uint8_t* At(size_t offset) const { return data_ + offset; }

private:
    const uint8_t* data_;
    size_t size_;
};

struct BmpHeader {
    int64_t width = 0;
    int64_t height = 0;  // absolute value
    bool bottomUp = true;
    uint32_t bitCount = 0;
    uint32_t compression = CompressionNone;
    uint64_t colorsUsed = 0;
    uint32_t headerSize = 0;
    uint32_t paletteEntrySize = 4;
};

// A colour channel given by a bit mask, widened to 8 bits.
struct Channel {
    uint32_t mask = 0;
    uint32_t shift = 0;
    uint32_t bits = 0;

    explicit Channel(uint32_t m = 0) : mask(m) {
        if (!mask) return;
        while (!((mask >> shift) & 1)) ++shift;
        while (shift + bits < 32 && ((mask >> (shift + bits)) & 1)) ++bits;
    }
    uint8_t Extract(uint32_t pixel) const {
        if (!bits) return 0;
        const uint32_t v = (pixel & mask) >> shift;
        const uint32_t used = bits > 8 ? 8 : bits;
        const uint32_t top = bits > 8 ? v >> (bits - 8) : v;
        const uint32_t max = (1u << used) - 1;
        return uint8_t((top * 255 + max / 2) / max);
    }
};

bool ParseHeader(const ByteReader& in, BmpHeader* header) {
    if (!in.Has(0, FileHeaderSize + 4)) return false;
    if (in.At(0)[0] != 'B' || in.At(0)[1] != 'M') return false;
    header->headerSize = in.U32(FileHeaderSize);
    if (header->headerSize != CoreHeaderSize &&
        (header->headerSize < InfoHeaderSize || header->headerSize > LargestHeaderSize))
        return false;
    if (!in.Has(FileHeaderSize, header->headerSize)) return false;
    uint32_t planes;
    if (header->headerSize == CoreHeaderSize) {
        header->width = in.U16(18);
        const int64_t height = in.U16(20);
        header->height = height;
        header->bottomUp = true;
        planes = in.U16(22);
        header->bitCount = in.U16(24);
        header->compression = CompressionNone;
        header->colorsUsed = 0;
        header->paletteEntrySize = 3;
    } else {
        header->width = in.S32(18);
        const int64_t height = in.S32(22);
        header->bottomUp = height > 0;
        header->height = height < 0 ? -height : height;
        planes = in.U16(26);
        header->bitCount = in.U16(28);
        header->compression = in.U32(30);
        header->colorsUsed = in.U32(46);
        header->paletteEntrySize = 4;
    }
    if (planes != 1) return false;
    if (header->width <= 0 || header->height <= 0) return false;
    if (header->width > MaxSide || header->height > MaxSide || header->width * header->height > MaxPixels)
        return false;
    switch (header->bitCount) {
        case 1:
        case 4:
        case 8:
        case 24:
            return header->compression == CompressionNone;
        case 16:
        case 32:
            return header->compression == CompressionNone || header->compression == CompressionBitFields;
        default:
            return false;
    }
}

}  // namespace

std::optional<Image> DecodeBmp(const uint8_t* data, size_t size) {
    if (!data) return std::nullopt;
    const ByteReader in(data, size);
    BmpHeader header;
    if (!ParseHeader(in, &header)) return std::nullopt;

    uint64_t tablesEnd = FileHeaderSize + header.headerSize;  // end of masks and palette
    // Colour masks of 16 and 32-bit pictures: in the header when it is large enough, else just after it.
    std::array<Channel, 3> channels;  // red, green, blue
    if (header.compression == CompressionBitFields) {
        uint64_t masksAt = FileHeaderSize + InfoHeaderSize;
        if (header.headerSize < InfoHeaderSize + 12) tablesEnd = masksAt + 12;
        if (!in.Has(masksAt, 12)) return std::nullopt;
        channels = {Channel(in.U32(size_t(masksAt))), Channel(in.U32(size_t(masksAt + 4))),
                    Channel(in.U32(size_t(masksAt + 8)))};
    } else if (header.bitCount == 16) {
        channels = {Channel(0x7C00), Channel(0x03E0), Channel(0x001F)};
    } else if (header.bitCount == 32) {
        channels = {Channel(0x00FF0000), Channel(0x0000FF00), Channel(0x000000FF)};
    }

    std::vector<ColorRef> palette;
    if (header.bitCount <= 8) {
        const uint64_t capacity = uint64_t(1) << header.bitCount;
        const uint64_t entries = header.colorsUsed ? header.colorsUsed : capacity;
        if (!in.Has(tablesEnd, entries * header.paletteEntrySize)) return std::nullopt;
        const uint64_t usable = entries < capacity ? entries : capacity;
        for (uint64_t i = 0; i < usable; ++i) {
            const uint8_t* e = in.At(size_t(tablesEnd + i * header.paletteEntrySize));
            palette.push_back(Rgb(e[2], e[1], e[0]));
        }
        tablesEnd += entries * header.paletteEntrySize;
    }

    const uint64_t dataOffset = in.U32(10);
    const uint64_t stride = ((uint64_t(header.width) * header.bitCount + 31) / 32) * 4;
    if (dataOffset < tablesEnd) return std::nullopt;
    if (!in.Has(dataOffset, stride * uint64_t(header.height))) return std::nullopt;

    Image image(int32_t(header.width), int32_t(header.height));
    for (int64_t stored = 0; stored < header.height; ++stored) {
        const uint8_t* row = in.At(size_t(dataOffset + uint64_t(stored) * stride));
        const int32_t y = int32_t(header.bottomUp ? header.height - 1 - stored : stored);
        for (int32_t x = 0; x < header.width; ++x) {
            ColorRef color;
            switch (header.bitCount) {
                case 1:
                case 4:
                case 8: {
                    const uint32_t bitIndex = uint32_t(x) * header.bitCount;
                    const uint32_t byte = row[bitIndex / 8];
                    const uint32_t index = (byte >> (8 - header.bitCount - bitIndex % 8)) & ((1u << header.bitCount) - 1);
                    if (index >= palette.size()) return std::nullopt;
                    color = palette[index];
                    break;
                }
                case 24: {
                    const uint8_t* p = row + size_t(x) * 3;
                    color = Rgb(p[2], p[1], p[0]);
                    break;
                }
                default: {  // 16 and 32 bits through the channel masks
                    const uint8_t* p = row + size_t(x) * (header.bitCount / 8);
                    const uint32_t pixel = header.bitCount == 16 ? uint32_t(p[0] | p[1] << 8)
                                                                 : uint32_t(p[0]) | uint32_t(p[1]) << 8 |
                                                                       uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
                    color = Rgb(channels[0].Extract(pixel), channels[1].Extract(pixel), channels[2].Extract(pixel));
                    break;
                }
            }
            image.At(x, y) = color;
        }
    }
    return image;
}

std::optional<Image> ReadBmpFile(const std::string& hostPath) {
    std::ifstream file(hostPath, std::ios::binary);
    if (!file) return std::nullopt;
    file.seekg(0, std::ios::end);
    const std::streamoff length = file.tellg();
    if (length <= 0 || uint64_t(length) > MaxFileBytes) return std::nullopt;
    file.seekg(0, std::ios::beg);
    std::vector<uint8_t> bytes(static_cast<size_t>(length));
    if (!file.read(reinterpret_cast<char*>(bytes.data()), length)) return std::nullopt;
    return DecodeBmp(bytes.data(), bytes.size());
}

bool WriteBmpFile(const Image& image, const std::string& hostPath) {
    if (image.width <= 0 || image.height <= 0 || image.pixels.size() != size_t(image.width) * size_t(image.height))
        return false;
    const uint64_t stride = ((uint64_t(image.width) * 24 + 31) / 32) * 4;
    const uint64_t dataSize = stride * uint64_t(image.height);
    const uint64_t fileSize = FileHeaderSize + InfoHeaderSize + dataSize;
    if (fileSize > 0xFFFFFFFFull) return false;
    std::vector<uint8_t> bytes(size_t(fileSize), 0);
    auto put16 = [&](size_t at, uint32_t v) {
        bytes[at] = uint8_t(v);
        bytes[at + 1] = uint8_t(v >> 8);
    };
    auto put32 = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) bytes[at + size_t(i)] = uint8_t(v >> (8 * i));
    };
    bytes[0] = 'B';
    bytes[1] = 'M';
    put32(2, uint32_t(fileSize));
    put32(10, FileHeaderSize + InfoHeaderSize);
    put32(14, InfoHeaderSize);
    put32(18, uint32_t(image.width));
    put32(22, uint32_t(image.height));
    put16(26, 1);
    put16(28, 24);
    put32(34, uint32_t(dataSize));
    put32(38, 3780);  // 96 pixels per inch
    put32(42, 3780);
    for (int32_t y = 0; y < image.height; ++y) {
        uint8_t* row = bytes.data() + FileHeaderSize + InfoHeaderSize + size_t(image.height - 1 - y) * stride;
        for (int32_t x = 0; x < image.width; ++x) {
            const ColorRef c = image.At(x, y);
            row[size_t(x) * 3] = BlueOf(c);
            row[size_t(x) * 3 + 1] = GreenOf(c);
            row[size_t(x) * 3 + 2] = RedOf(c);
        }
    }
    std::ofstream file(hostPath, std::ios::binary | std::ios::trunc);
    if (!file) return false;
    file.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return bool(file);
}

}  // namespace platform::raster
