// The registry under HKEY_CURRENT_USER.
#include <cstring>
#include <vector>

#include "platform/Window.h"
#include "platform/win32/Handles.h"

namespace platform {

namespace {

constexpr REGSAM ReadWrite = KEY_READ | KEY_WRITE;
// A value that keeps growing between the question of its size and its reading is given up on.
constexpr int ReadAttempts = 4;

const wchar_t* KeyPath(const char16_t* subKey) { return Wide(subKey ? subKey : u""); }

uint32_t Opened(LSTATUS status, HKEY native, RegKey* key) {
    if (status != ERROR_SUCCESS) return uint32_t(status);
    CountMade("keys");
    *key = FromNative(native);
    return ErrorSuccess;
}

// The whole value, read into a buffer of its own.
LSTATUS ReadValue(HKEY key, const char16_t* name, DWORD* type, std::vector<BYTE>* bytes) {
    DWORD size = 0;
    LSTATUS status = ::RegQueryValueExW(key, Wide(name), nullptr, type, nullptr, &size);
    for (int attempt = 0; status == ERROR_SUCCESS && attempt < ReadAttempts; ++attempt) {
        bytes->assign(size > 0 ? size : 1, 0);
        DWORD read = DWORD(bytes->size());
        status = ::RegQueryValueExW(key, Wide(name), nullptr, type, bytes->data(), &read);
        if (status == ERROR_SUCCESS) {
            bytes->resize(read);
            return ERROR_SUCCESS;
        }
        if (status == ERROR_MORE_DATA) {
            size = read;
            status = ERROR_SUCCESS;
        }
    }
    return status == ERROR_SUCCESS ? ERROR_MORE_DATA : status;
}

}  // namespace

uint32_t RegistryOpenKey(const char16_t* subKey, RegKey* key) {
    if (!key) return ERROR_INVALID_PARAMETER;
    *key = nullptr;
    HKEY native = nullptr;
    LSTATUS status = ::RegOpenKeyExW(HKEY_CURRENT_USER, KeyPath(subKey), 0, ReadWrite, &native);
    if (status == ERROR_ACCESS_DENIED) status = ::RegOpenKeyExW(HKEY_CURRENT_USER, KeyPath(subKey), 0, KEY_READ, &native);
    return Opened(status, native, key);
}

uint32_t RegistryCreateKey(const char16_t* subKey, RegKey* key) {
    if (!key) return ERROR_INVALID_PARAMETER;
    *key = nullptr;
    HKEY native = nullptr;
    const LSTATUS status = ::RegCreateKeyExW(HKEY_CURRENT_USER, KeyPath(subKey), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                             ReadWrite, nullptr, &native, nullptr);
    return Opened(status, native, key);
}

// The value is read whole into a buffer of its own first: the desktop may leave a partial value in the
// caller's buffer when it does not fit, where the handheld copies nothing.
uint32_t RegistryQueryValue(RegKey key, const char16_t* name, uint32_t* type, void* data, uint32_t* size) {
    if (!key) return ErrorInvalidHandle;
    if (data && !size) return ERROR_INVALID_PARAMETER;
    DWORD nativeType = REG_NONE;
    std::vector<BYTE> bytes;
    const LSTATUS status = ReadValue(ToNative(key), name, &nativeType, &bytes);
    if (status != ERROR_SUCCESS) return uint32_t(status);
    if (type) *type = nativeType;
    if (!size) return ErrorSuccess;
    const uint32_t capacity = *size;
    *size = uint32_t(bytes.size());
    if (!data) return ErrorSuccess;
    if (bytes.size() > capacity) return ErrorMoreData;
    std::memcpy(data, bytes.data(), bytes.size());
    return ErrorSuccess;
}

uint32_t RegistrySetValue(RegKey key, const char16_t* name, uint32_t type, const void* data, uint32_t size) {
    if (!key) return ErrorInvalidHandle;
    if (!data && size > 0) return ERROR_INVALID_PARAMETER;
    return uint32_t(::RegSetValueExW(ToNative(key), Wide(name), 0, type, static_cast<const BYTE*>(data), size));
}

uint32_t RegistryCloseKey(RegKey key) {
    if (!key) return ErrorInvalidHandle;
    const LSTATUS status = ::RegCloseKey(ToNative(key));
    if (status == ERROR_SUCCESS) CountReleased("keys");
    return uint32_t(status);
}

}  // namespace platform
