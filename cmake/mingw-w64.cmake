# Cross-builds Quellon for 64-bit Windows with Debian's MinGW-w64 (the posix-threads g++):
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake
# The programs come out fully static: the C++ runtime and zlib (libz-mingw-w64-dev) are linked
# in, so they import nothing but Windows' own DLLs and need nothing installed beside them.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(QUELLON_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${QUELLON_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QUELLON_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${QUELLON_MINGW_TRIPLE}-windres)

# Headers and libraries come from the MinGW tree only; programs the build runs from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${QUELLON_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# zlib as its static archive libz.a, never its import library libz.dll.a (which would need
# zlib1.dll beside the programs).
set(ZLIB_USE_STATIC_LIBS ON)
# Stripping for the ZIP package.
set(CMAKE_STRIP ${QUELLON_MINGW_TRIPLE}-strip)

# The same floating point as every other target: no contraction into fused multiply-adds and
# no fast-math, here too for anything compiled outside the project's own compile options.
set(CMAKE_C_FLAGS_INIT "-ffp-contract=off -fno-fast-math")
set(CMAKE_CXX_FLAGS_INIT "-ffp-contract=off -fno-fast-math")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
