// Named mutexes, the last error, and the program's recursive lock.
#include <new>

#include "platform/Window.h"
#include "platform/win32/Handles.h"

namespace platform {

Mutex CreateNamedMutex(const char16_t* name, bool initiallyOwned) {
    HANDLE mutex = ::CreateMutexW(nullptr, initiallyOwned, name ? Wide(name) : nullptr);
    DWORD error = ::GetLastError();
    // A new mutex leaves no error behind: an older one must not read as the answer to this call.
    if (mutex && error != ERROR_ALREADY_EXISTS) error = ERROR_SUCCESS;
    if (mutex) CountMade("mutexes");
    ::SetLastError(error);  // the count above must not change what GetLastErrorCode tells
    return FromNativeMutex(mutex);
}

uint32_t GetLastErrorCode() { return ::GetLastError(); }

// An abandoned mutex (its owner ended without releasing it) is owned now all the same.
uint32_t WaitForMutex(Mutex mutex, uint32_t timeoutMs) {
    if (!mutex) return WaitFailed;
    const DWORD result = ::WaitForSingleObject(ToNative(mutex), timeoutMs);
    if (result == WAIT_OBJECT_0 || result == WAIT_ABANDONED) return WaitObject0;
    if (result == WAIT_TIMEOUT) return WaitTimeout;
    return WaitFailed;
}

bool ReleaseMutexOwnership(Mutex mutex) { return mutex && ::ReleaseMutex(ToNative(mutex)); }

bool CloseMutexHandle(Mutex mutex) {
    if (!mutex || !::CloseHandle(ToNative(mutex))) return false;
    CountReleased("mutexes");
    return true;
}

void InitializeLock(CriticalSection* lock) {
    if (!lock) return;
    auto* section = new (std::nothrow) CRITICAL_SECTION;
    if (section) {
        ::InitializeCriticalSection(section);
        CountMade("locks");
    }
    lock->implementation = section;
}

void EnterLock(CriticalSection* lock) {
    if (lock && lock->implementation) ::EnterCriticalSection(static_cast<CRITICAL_SECTION*>(lock->implementation));
}

void LeaveLock(CriticalSection* lock) {
    if (lock && lock->implementation) ::LeaveCriticalSection(static_cast<CRITICAL_SECTION*>(lock->implementation));
}

void DeleteLock(CriticalSection* lock) {
    if (!lock || !lock->implementation) return;
    auto* section = static_cast<CRITICAL_SECTION*>(lock->implementation);
    ::DeleteCriticalSection(section);
    delete section;
    lock->implementation = nullptr;
    CountReleased("locks");
}

}  // namespace platform
