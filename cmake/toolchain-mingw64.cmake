# Cross-compiles Muralis for 64-bit Windows with Debian's MinGW-w64 and runs
# the test programs under Wine:
#   cmake -S . -B build/win -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(MURALIS_MINGW_PREFIX x86_64-w64-mingw32)
# The POSIX thread model: its libstdc++ has std::mutex and friends, which
# GoogleTest needs on Windows (GCC 12's win32 model has none of them).
set(CMAKE_C_COMPILER ${MURALIS_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MURALIS_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${MURALIS_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${MURALIS_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Every program, the tests included, carries its C++ runtime, libgcc and
# winpthread inside: it then needs no DLL beyond those of Windows itself,
# and Wine runs it without a search path for MinGW's DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
# Release programs ship without their symbol table: a third of the size.
set(CMAKE_EXE_LINKER_FLAGS_RELEASE_INIT "-s")

# CTest starts the test programs through Wine (set WINEPREFIX and
# WINEDEBUG=-all around it, as scripts/test-windows does).
find_program(MURALIS_WINE wine)
if(MURALIS_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${MURALIS_WINE})
endif()
