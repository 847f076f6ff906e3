// Named mutexes, shared by every process of the device, and critical sections. The device runs one
// thread, so a wait never blocks: a mutex owned by another process times out at once.
#include "platform/windowing/DeviceState.h"

namespace platform::sim::detail {

namespace {

constexpr uint32_t ErrorNotOwner = 288;
constexpr size_t MaxNameLength = 260;

MutexKernel* KernelOf(Mutex mutex) {
    auto& handles = Dev().mutexHandles;
    auto it = handles.find(mutex);
    return it == handles.end() ? nullptr : it->second->kernel.get();
}

LockRecord* RecordOf(const CriticalSection* lock) {
    if (!lock || !lock->implementation) return nullptr;
    auto& locks = Dev().locks;
    auto it = locks.find(lock->implementation);
    return it == locks.end() ? nullptr : it->second.get();
}

}  // namespace

void AbandonMutexesOf(int processId) {
    for (auto& [handle, object] : Dev().mutexHandles) {
        if (object->kernel->ownerProcess != processId) continue;
        object->kernel->ownerProcess = -1;
        object->kernel->recursion = 0;
    }
}

}  // namespace platform::sim::detail

namespace platform {

using namespace sim::detail;

Mutex CreateNamedMutex(const char16_t* name, bool initiallyOwned) {
    DeviceState& dev = Dev();
    std::u16string key;
    if (name)
        for (size_t i = 0; name[i] != 0; ++i) {
            if (i >= MaxNameLength) {
                dev.lastError = ErrorInvalidHandle;
                return nullptr;
            }
            key.push_back(name[i]);
        }
    std::shared_ptr<MutexKernel> kernel;
    if (!key.empty()) {
        auto found = dev.namedMutexes.find(key);
        if (found != dev.namedMutexes.end()) kernel = found->second.lock();
    }
    bool existed = kernel != nullptr;
    if (!kernel) {
        kernel = std::make_shared<MutexKernel>();
        kernel->name = key;
        if (!key.empty()) dev.namedMutexes[key] = kernel;
        if (initiallyOwned) {
            kernel->ownerProcess = CurrentProcess().id;
            kernel->recursion = 1;
        }
    }
    auto object = std::make_unique<MutexObject>();
    object->kernel = kernel;
    ++kernel->handles;
    Mutex handle = object.get();
    dev.mutexHandles[handle] = std::move(object);
    CountObject("mutexes", 1);
    dev.lastError = existed ? ErrorAlreadyExists : ErrorSuccess;
    return handle;
}

uint32_t GetLastErrorCode() { return Dev().lastError; }

uint32_t WaitForMutex(Mutex mutex, uint32_t) {
    MutexKernel* kernel = KernelOf(mutex);
    if (!kernel) {
        Dev().lastError = ErrorInvalidHandle;
        return WaitFailed;
    }
    int me = CurrentProcess().id;
    if (kernel->ownerProcess != -1 && kernel->ownerProcess != me) return WaitTimeout;
    kernel->ownerProcess = me;
    ++kernel->recursion;
    return WaitObject0;
}

bool ReleaseMutexOwnership(Mutex mutex) {
    MutexKernel* kernel = KernelOf(mutex);
    if (!kernel) {
        Dev().lastError = ErrorInvalidHandle;
        return false;
    }
    if (kernel->ownerProcess != CurrentProcess().id || kernel->recursion == 0) {
        Dev().lastError = ErrorNotOwner;
        return false;
    }
    if (--kernel->recursion == 0) kernel->ownerProcess = -1;
    return true;
}

bool CloseMutexHandle(Mutex mutex) {
    DeviceState& dev = Dev();
    auto it = dev.mutexHandles.find(mutex);
    if (it == dev.mutexHandles.end()) {
        dev.lastError = ErrorInvalidHandle;
        return false;
    }
    std::shared_ptr<MutexKernel> kernel = it->second->kernel;
    dev.mutexHandles.erase(it);
    CountObject("mutexes", -1);
    if (--kernel->handles == 0 && !kernel->name.empty()) dev.namedMutexes.erase(kernel->name);
    return true;
}

void InitializeLock(CriticalSection* lock) {
    if (!lock) return;
    auto record = std::make_unique<LockRecord>();
    lock->implementation = record.get();
    Dev().locks[record.get()] = std::move(record);
    CountObject("locks", 1);
}

void EnterLock(CriticalSection* lock) {
    if (LockRecord* record = RecordOf(lock)) ++record->depth;
}

void LeaveLock(CriticalSection* lock) {
    LockRecord* record = RecordOf(lock);
    if (record && record->depth > 0) --record->depth;
}

void DeleteLock(CriticalSection* lock) {
    if (!RecordOf(lock)) return;
    Dev().locks.erase(lock->implementation);
    lock->implementation = nullptr;
    CountObject("locks", -1);
}

}  // namespace platform
