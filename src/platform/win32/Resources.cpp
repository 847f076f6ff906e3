// Resources: the module's path, the resource library, texts, icons, cursors and accelerators.
#include <algorithm>
#include <cstring>

#include "platform/Window.h"
#include "platform/win32/Handles.h"

namespace platform {

namespace {

// A string table block holds 16 texts, each a 16-bit length and that many UTF-16 units.
constexpr int TextsPerBlock = 16;

// Loading a resource library never asks the user about a missing or unreadable file.
class QuietErrors {
public:
    QuietErrors() { ::SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &previous_); }
    ~QuietErrors() { ::SetThreadErrorMode(previous_, nullptr); }
    QuietErrors(const QuietErrors&) = delete;
    QuietErrors& operator=(const QuietErrors&) = delete;

private:
    DWORD previous_ = 0;
};

}  // namespace

int GetModulePath(Module module, char16_t* buffer, int capacity) {
    if (!buffer || capacity <= 0) return 0;
    const DWORD length = ::GetModuleFileNameW(ToNative(module), Wide(buffer), DWORD(capacity));
    if (length == 0 || length >= DWORD(capacity)) {  // failed, or cut to the buffer
        buffer[0] = 0;
        return 0;
    }
    return int(length);
}

Module LoadResourceModule(const char16_t* path) {
    if (!path || !*path) return nullptr;
    QuietErrors quiet;
    HMODULE module = ::LoadLibraryExW(Wide(path), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (!module) module = ::LoadLibraryExW(Wide(path), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (module) CountMade("modules");
    return FromNative(module);
}

bool FreeResourceModule(Module module) {
    if (!module || !::FreeLibrary(ToNative(module))) return false;
    CountReleased("modules");
    return true;
}

// Reads the text from its string table block with every length checked against the block's size, so
// that a damaged resource library gives a missing text instead of a read beyond the resource. A text
// longer than the buffer is cut; 0 means missing (or empty).
int LoadStringResource(Module module, int id, char16_t* buffer, int capacity) {
    if (!buffer || capacity <= 0) return 0;
    buffer[0] = 0;
    if (id < 0 || id > 0xFFFF) return 0;
    HMODULE native = ToNative(module);
    HRSRC resource = ::FindResourceW(native, MAKEINTRESOURCEW(id / TextsPerBlock + 1), reinterpret_cast<LPCWSTR>(RT_STRING));
    if (!resource) return 0;
    HGLOBAL loaded = ::LoadResource(native, resource);
    const auto* block = static_cast<const uint8_t*>(loaded ? ::LockResource(loaded) : nullptr);
    if (!block) return 0;
    const size_t size = ::SizeofResource(native, resource);
    size_t offset = 0;
    for (int index = 0;; ++index) {
        uint16_t length = 0;
        if (sizeof length > size - offset) return 0;
        std::memcpy(&length, block + offset, sizeof length);
        offset += sizeof length;
        if (size_t(length) * sizeof(char16_t) > size - offset) return 0;
        if (index == id % TextsPerBlock) {
            const int copied = std::min(int(length), capacity - 1);
            std::memcpy(buffer, block + offset, size_t(copied) * sizeof(char16_t));
            buffer[copied] = 0;
            return copied;
        }
        offset += size_t(length) * sizeof(char16_t);
    }
}

// An icon of the program's own, which its user destroys: loaded unshared at the standard size.
Icon LoadIconResource(Module module, int id) {
    HANDLE icon = ::LoadImageW(ToNative(module), MAKEINTRESOURCEW(id), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE);
    if (icon) CountMade("icons");
    return FromNativeIcon(static_cast<HICON>(icon));
}

Cursor LoadCursorResource(Module module, int id) {
    return FromNativeCursor(::LoadCursorW(ToNative(module), MAKEINTRESOURCEW(id)));
}

Accelerators LoadAcceleratorResource(Module module, int id) {
    return FromNative(::LoadAcceleratorsW(ToNative(module), MAKEINTRESOURCEW(id)));
}

bool DestroyIconObject(Icon icon) {
    if (!icon || !::DestroyIcon(ToNative(icon))) return false;
    CountReleased("icons");
    return true;
}

}  // namespace platform
