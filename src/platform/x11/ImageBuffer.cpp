#include "platform/x11/ImageBuffer.h"

#include <cstdlib>
#include <sys/ipc.h>
#include <sys/shm.h>

namespace platform::x11 {

ImageBuffer::~ImageBuffer() { Release(); }

void ImageBuffer::Release() {
    Connection& x = X();
    if (image_) {
        image_->data = nullptr;  // the storage is ours, not the image's
        XDestroyImage(image_);
        image_ = nullptr;
    }
    putPending_ = false;
    if (shared_ && storage_) {
        if (x.display) {
            XShmDetach(x.display, &segment_);
            XSync(x.display, False);
        }
        shmdt(storage_);
    } else {
        std::free(storage_);
    }
    storage_ = nullptr;
    capacity_ = 0;
    shared_ = false;
}

bool ImageBuffer::Grow(size_t bytes) {
    Connection& x = X();
    Release();
    if (x.shm) {
        segment_ = XShmSegmentInfo{};
        segment_.shmid = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
        if (segment_.shmid >= 0) {
            void* address = shmat(segment_.shmid, nullptr, 0);
            shmctl(segment_.shmid, IPC_RMID, nullptr);  // gone once both sides let go
            if (address != reinterpret_cast<void*>(-1)) {
                segment_.shmaddr = static_cast<char*>(address);
                segment_.readOnly = False;
                if (XShmAttach(x.display, &segment_)) {
                    storage_ = segment_.shmaddr;
                    capacity_ = bytes;
                    shared_ = true;
                    return true;
                }
                shmdt(address);
            }
        }
    }
    storage_ = static_cast<char*>(std::malloc(bytes));
    if (!storage_) return false;
    capacity_ = bytes;
    return true;
}

// A shared image may be written again once the server has carried out the last put from it. Any reply
// or event since (a screen read answers every frame) tells that; only without one does the program
// wait for the server.
void ImageBuffer::AwaitServer() {
    Connection& x = X();
    if (!putPending_) return;
    putPending_ = false;
    if (LastKnownRequestProcessed(x.display) < lastPut_) XSync(x.display, False);
}

XImage* ImageBuffer::Shape(int width, int height) {
    Connection& x = X();
    if (width <= 0 || height <= 0 || !x.display) return nullptr;
    AwaitServer();
    if (image_ && image_->width == width && image_->height == height) return image_;
    const size_t bytes = size_t(width) * size_t(height) * 4;
    if (image_) {
        image_->data = nullptr;
        XDestroyImage(image_);
        image_ = nullptr;
    }
    if (bytes > capacity_ && !Grow(bytes + bytes / 4)) return nullptr;
    if (shared_) {
        image_ = XShmCreateImage(x.display, x.visual, unsigned(x.depth), ZPixmap, storage_, &segment_, unsigned(width),
                                 unsigned(height));
    } else {
        image_ = XCreateImage(x.display, x.visual, unsigned(x.depth), ZPixmap, 0, storage_, unsigned(width),
                              unsigned(height), 32, width * 4);
    }
    if (image_ && (image_->bits_per_pixel != 32 || size_t(image_->bytes_per_line) * size_t(height) > capacity_)) {
        image_->data = nullptr;
        XDestroyImage(image_);
        image_ = nullptr;
    }
    return image_;
}

XImage* ImageBuffer::Read(::Drawable drawable, int x, int y, int width, int height) {
    XImage* image = Shape(width, height);
    if (!image) return nullptr;
    Connection& c = X();
    if (shared_) {
        if (!XShmGetImage(c.display, drawable, image, x, y, AllPlanes)) return nullptr;
    } else if (!XGetSubImage(c.display, drawable, x, y, unsigned(width), unsigned(height), AllPlanes, ZPixmap, image,
                             0, 0)) {
        return nullptr;
    }
    return image;
}

void ImageBuffer::Put(::Drawable drawable, ::GC gc, int sx, int sy, int x, int y, int width, int height) {
    if (!image_) return;
    Connection& c = X();
    if (shared_) {
        lastPut_ = NextRequest(c.display);
        XShmPutImage(c.display, drawable, gc, image_, sx, sy, x, y, unsigned(width), unsigned(height), False);
        putPending_ = true;
    } else {
        XPutImage(c.display, drawable, gc, image_, sx, sy, x, y, unsigned(width), unsigned(height));
    }
}

}  // namespace platform::x11
