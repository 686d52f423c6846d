# Cross-builds for 64-bit Windows with Debian's mingw-w64 (posix thread model). Test programs
# run under Wine. QUIB_WINDOWS_DEPS names the folder scripts/windows-deps installs bzip2,
# miniupnpc, libnatpmp and GoogleTest into.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(QUIB_MINGW x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${QUIB_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QUIB_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${QUIB_MINGW}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${QUIB_MINGW} ${QUIB_WINDOWS_DEPS})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The C++ runtime, libgcc and winpthread are linked in, so a program runs without DLLs beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

find_program(QUIB_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(QUIB_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${QUIB_WINE})
endif()
