// What the fuzz targets share: a check that stops the run (so that the fuzzer keeps the input that
// broke a promise of a reader) and a scratch folder for readers that take a host file.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

namespace fuzz {

[[noreturn]] inline void Fail(const char* what, const char* file, int line, const std::string& detail) {
    std::fprintf(stderr, "%s:%d: check failed: %s%s%s\n", file, line, what, detail.empty() ? "" : " - ",
                 detail.c_str());
    std::abort();
}

// A folder of this process, in memory where the host offers it; removed when the process ends normally.
class ScratchFolder {
public:
    ScratchFolder() {
        std::error_code error;
        const std::filesystem::path shm = "/dev/shm";
        const std::filesystem::path base =
            std::filesystem::is_directory(shm, error) ? shm : std::filesystem::temp_directory_path(error);
        path_ = base / ("vistrel-fuzz-" + std::to_string(getpid()));
        std::filesystem::create_directories(path_, error);
    }
    ~ScratchFolder() {
        std::error_code error;
        std::filesystem::remove_all(path_, error);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    std::string File(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

inline const ScratchFolder& Scratch() {
    static const ScratchFolder folder;
    return folder;
}

// The file holds exactly the bytes afterwards. Written with the system's own calls: a file stream
// would allocate and fill a buffer of its own for every input.
inline void WriteHostFile(const std::string& path, const uint8_t* data, size_t size) {
    const int file = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    bool written = file >= 0;
    for (size_t done = 0; written && done < size;) {
        const ssize_t count = ::write(file, data + done, size - done);
        if (count < 0 && errno == EINTR) continue;
        written = count > 0;
        if (written) done += size_t(count);
    }
    if (file >= 0 && ::close(file) != 0) written = false;
    if (!written) Fail("the scratch file can be written", __FILE__, __LINE__, path);
}

}  // namespace fuzz

#define FUZZ_CHECK(condition) ((condition) ? (void)0 : ::fuzz::Fail(#condition, __FILE__, __LINE__, std::string()))
#define FUZZ_CHECK_MSG(condition, detail) \
    ((condition) ? (void)0 : ::fuzz::Fail(#condition, __FILE__, __LINE__, (detail)))
