# Cross-build for 64-bit Windows with Debian's mingw-w64 (GCC, posix thread model, so std::thread
# and std::mutex work), linked statically so the .exe files need no DLLs beside them. The test
# programs run under wine, which CTest uses as the emulator.
#   cmake -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw64.cmake -B build-windows
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(_triple x86_64-w64-mingw32)

set(CMAKE_C_COMPILER ${_triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_triple}-g++-posix)
set(CMAKE_RC_COMPILER ${_triple}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${_triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# pkg-config looks only at the target's own .pc files, never at the build machine's libraries.
set(ENV{PKG_CONFIG_LIBDIR} /usr/${_triple}/lib/pkgconfig)
set(ENV{PKG_CONFIG_PATH} "")

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# wine64 runs the 64-bit programs; scripts/test-windows starts its server and sets WINEPREFIX.
find_program(KH_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(KH_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${KH_WINE})
endif()
