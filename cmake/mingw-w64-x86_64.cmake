# Cross-compiling Vistrel for 64-bit Windows with MinGW-w64 on a Linux machine:
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
# scripts/build-windows.sh does this. The one tool that runs during the build (ArtToIcon) is compiled
# with the host's own compiler; see src/resources/CMakeLists.txt.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VISTREL_MINGW_PREFIX x86_64-w64-mingw32)

# Prefer the POSIX-thread flavour of the compiler when installed (the Win32-thread flavour of older
# releases has no std::mutex or std::thread); the plain name otherwise.
find_program(CMAKE_C_COMPILER NAMES ${VISTREL_MINGW_PREFIX}-gcc-posix ${VISTREL_MINGW_PREFIX}-gcc REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${VISTREL_MINGW_PREFIX}-g++-posix ${VISTREL_MINGW_PREFIX}-g++ REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${VISTREL_MINGW_PREFIX}-windres REQUIRED)
find_program(CMAKE_AR NAMES ${VISTREL_MINGW_PREFIX}-gcc-ar ${VISTREL_MINGW_PREFIX}-ar)
find_program(CMAKE_RANLIB NAMES ${VISTREL_MINGW_PREFIX}-gcc-ranlib ${VISTREL_MINGW_PREFIX}-ranlib)
find_program(CMAKE_LINKER NAMES ${VISTREL_MINGW_PREFIX}-ld REQUIRED)
find_program(CMAKE_OBJDUMP NAMES ${VISTREL_MINGW_PREFIX}-objdump)

# Libraries and headers come from the MinGW-w64 sysroot only; programs (the host tools) from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${VISTREL_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
