// Row buffers kept between calls, so that drawing allocates nothing once they have grown.
#pragma once

#include <vector>

namespace platform::raster {
namespace {  // each file that includes this has buffers of its own

// One buffer per slot and thread; a slot serves one use at a time within its file.
template <class T, int Slot>
std::vector<T>& Reused() {
    thread_local std::vector<T> buffer;
    return buffer;
}

// The slot's buffer holding at least count elements (its contents are left as they were).
template <class T, int Slot>
T* ReusedRow(size_t count) {
    std::vector<T>& buffer = Reused<T, Slot>();
    if (buffer.size() < count) buffer.resize(count);
    return buffer.data();
}

}  // namespace
}  // namespace platform::raster
