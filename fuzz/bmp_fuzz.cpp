// The ".bmp" reader of the simulated handheld (skins and desktop pictures are read through it).
// Whatever the bytes, the reader either refuses them or gives a complete picture; a picture it gives
// is written as a 24-bit file and read back to the same pixels.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "FuzzSupport.h"
#include "platform/windowing/Image.h"

namespace sim = platform::sim;

namespace {

constexpr size_t MaxRoundTripPixels = 1 << 16;  // keeps each run fast

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::optional<sim::Image> image = sim::DecodeBmp(data, size);
    if (!image) return 0;
    FUZZ_CHECK(image->width > 0 && image->height > 0);
    FUZZ_CHECK(image->width <= 16384 && image->height <= 16384);
    FUZZ_CHECK(image->pixels.size() == size_t(image->width) * size_t(image->height));
    for (platform::ColorRef pixel : image->pixels) FUZZ_CHECK((pixel & 0xFF000000u) == 0);

    if (image->pixels.size() > MaxRoundTripPixels) return 0;
    const std::string path = fuzz::Scratch().File("picture.bmp");
    FUZZ_CHECK(sim::WriteBmpFile(*image, path));
    std::optional<sim::Image> again = sim::ReadBmpFile(path);
    FUZZ_CHECK(again.has_value());
    FUZZ_CHECK(*again == *image);
    return 0;
}
