// The files built into the program, as the bundle generator writes them. The first is the resource
// script.
#pragma once

#include <cstddef>

namespace resources::detail {

struct BundleFile {
    const char* name;
    const unsigned char* data;
    size_t size;
};

extern const BundleFile BundleFiles[];
extern const size_t BundleFileCount;

}  // namespace resources::detail
