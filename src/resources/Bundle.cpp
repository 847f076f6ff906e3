// Look-up of the files built into the program.
#include "resources/Bundle.h"

#include "resources/BundleData.h"

namespace resources {

namespace {

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i] >= 'A' && a[i] <= 'Z' ? char(a[i] - 'A' + 'a') : a[i];
        char y = b[i] >= 'A' && b[i] <= 'Z' ? char(b[i] - 'A' + 'a') : b[i];
        if (x != y) return false;
    }
    return true;
}

std::string_view Bytes(const detail::BundleFile& file) {
    return std::string_view(reinterpret_cast<const char*>(file.data), file.size);
}

}  // namespace

std::string_view EmbeddedResourceScript() {
    return detail::BundleFileCount > 0 ? Bytes(detail::BundleFiles[0]) : std::string_view();
}

std::optional<std::string_view> EmbeddedResourceFile(std::string_view name) {
    for (size_t i = 1; i < detail::BundleFileCount; ++i) {
        if (SameName(detail::BundleFiles[i].name, name)) return Bytes(detail::BundleFiles[i]);
    }
    return std::nullopt;
}

}  // namespace resources
