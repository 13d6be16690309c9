# Cross-compiles for 64-bit Windows with Debian's mingw-w64 (the POSIX-thread
# flavour, which std::thread and std::mutex need). Programs are linked
# statically so that they run under Wine or Windows without the compiler's DLLs.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TALLIS_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TALLIS_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TALLIS_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${TALLIS_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TALLIS_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Test programs (and GoogleTest's discovery) run under Wine.
find_program(TALLIS_WINE64 NAMES wine64 PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(TALLIS_WINE64)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${TALLIS_WINE64})
endif()
