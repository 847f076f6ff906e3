// The tests' scratch folder: one per test process, so that tests run in parallel never share files.
#pragma once

#include <unistd.h>

#include <filesystem>
#include <string>

inline std::filesystem::path TestTmpRoot() {
#ifdef VISTREL_TEST_TMP
    static const std::filesystem::path root =
        std::filesystem::path(VISTREL_TEST_TMP) / ("process-" + std::to_string(getpid()));
#else
    static const std::filesystem::path root =
        std::filesystem::temp_directory_path() / ("vistrel-tests-" + std::to_string(getpid()));
#endif
    return root;
}
