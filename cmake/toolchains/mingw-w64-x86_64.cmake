# Cross-building the Windows programs on Debian with MinGW-w64 (g++-mingw-w64-x86-64-posix,
# libz-mingw-w64-dev) and running them, and their tests, under Wine:
#
#   cmake -S . -B build/win64 -G Ninja \
#         -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/mingw-w64-x86_64.cmake -DHARROWDALE_GUI=OFF
#
# The programs link their C and C++ runtimes, winpthreads and zlib statically, so each
# .exe runs on its own with nothing beside it but transl.dt.

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(HARROWDALE_MINGW_TRIPLE x86_64-w64-mingw32)

# The "posix" thread model: std::thread and std::mutex need it in GCC 12.
set(CMAKE_C_COMPILER ${HARROWDALE_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${HARROWDALE_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${HARROWDALE_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${HARROWDALE_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(ZLIB_USE_STATIC_LIBS ON)

# Test programs, and the test discovery at build time, run through Wine. The caller sets
# WINEPREFIX (a throwaway prefix) and WINEDEBUG.
find_program(HARROWDALE_WINE wine)
if(HARROWDALE_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${HARROWDALE_WINE})
endif()
