# Cross-compiles for 32-bit Windows with Debian's mingw-w64 (the POSIX-thread
# flavour, which std::thread and std::mutex need), for the PCs whose Windows
# loads 32-bit drivers. Programs are linked statically, as in the 64-bit build.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)

set(TALLIS_MINGW_PREFIX i686-w64-mingw32)
set(CMAKE_C_COMPILER ${TALLIS_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TALLIS_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${TALLIS_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TALLIS_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Test programs run under Wine's 32-bit loader (Debian's wine32 package),
# where it is installed.
find_program(TALLIS_WINE32 NAMES wine PATHS /usr/lib/wine NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
if(TALLIS_WINE32)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${TALLIS_WINE32})
endif()
