// Writes a picture as an 8-bit RGB PNG file.
#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <vector>

#include "platform/sim/Simulation.h"

namespace platform::sim {

namespace {

// Closes the file on every way out.
struct FileCloser {
    FILE* file;
    ~FileCloser() {
        if (file) std::fclose(file);
    }
};

// Encodes rows into an open file; false when the encoder reports an error.
bool EncodePng(FILE* file, const Image& image, const std::vector<uint8_t>& rgb) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    std::vector<png_bytep> rows(static_cast<size_t>(image.height));
    for (int32_t y = 0; y < image.height; ++y)
        rows[size_t(y)] = const_cast<png_bytep>(rgb.data() + size_t(y) * size_t(image.width) * 3);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, png_uint_32(image.width), png_uint_32(image.height), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_write_image(png, rows.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

}  // namespace

bool WritePngFile(const Image& image, const std::string& hostPath) {
    if (image.width <= 0 || image.height <= 0 || image.pixels.size() != size_t(image.width) * size_t(image.height))
        return false;
    std::vector<uint8_t> rgb(image.pixels.size() * 3);
    for (size_t i = 0; i < image.pixels.size(); ++i) {
        rgb[i * 3] = RedOf(image.pixels[i]);
        rgb[i * 3 + 1] = GreenOf(image.pixels[i]);
        rgb[i * 3 + 2] = BlueOf(image.pixels[i]);
    }
    FileCloser closer{std::fopen(hostPath.c_str(), "wb")};
    if (!closer.file) return false;
    const bool encoded = EncodePng(closer.file, image, rgb);
    return encoded && std::fflush(closer.file) == 0 && !std::ferror(closer.file);
}

}  // namespace platform::sim
