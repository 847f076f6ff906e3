// A picture that travels between the program and the X server: in shared memory where the server
// offers it (nothing is copied through the connection), else in the program's memory. Its storage
// grows to the largest size asked for and is reused; each request reshapes it without allocating.
#pragma once

#include "platform/x11/Connection.h"

namespace platform::x11 {

class ImageBuffer {
public:
    ImageBuffer() = default;
    ImageBuffer(const ImageBuffer&) = delete;
    ImageBuffer& operator=(const ImageBuffer&) = delete;
    ~ImageBuffer();

    // An image of exactly width x height (32-bit pixels); null when there is no memory for it.
    XImage* Shape(int width, int height);
    // Reads that rectangle of the drawable into the image (shaped to its size).
    XImage* Read(::Drawable drawable, int x, int y, int width, int height);
    // Puts the image's (sx, sy, width, height) at (x, y) of the drawable without waiting for the
    // server; the next Shape or Read waits only if the server may not have taken the pixels yet.
    void Put(::Drawable drawable, ::GC gc, int sx, int sy, int x, int y, int width, int height);

    // Returns once the server has taken the pixels of the last put from shared memory, so that they
    // may be drawn again (at once when a reply or event since tells so).
    void AwaitServer();

private:
    void Release();
    bool Grow(size_t bytes);

    XImage* image_ = nullptr;
    char* storage_ = nullptr;
    size_t capacity_ = 0;
    bool shared_ = false;
    XShmSegmentInfo segment_{};
    bool putPending_ = false;
    unsigned long lastPut_ = 0;  // the request number of the last shared put
};

}  // namespace platform::x11
