# Cross-building the Windows programs on Debian with MinGW-w64 (package
# g++-mingw-w64-x86-64-posix: the POSIX thread model, which std::thread and
# std::mutex need).
#
#   cmake -S . -B build-mingw -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DTER5_BUILD_GUI=OFF
#
# The programs are linked statically, so they run in a fresh Wine prefix (or on
# a Windows machine) without the MinGW runtime DLLs. Tests run through Wine
# (CMAKE_CROSSCOMPILING_EMULATOR).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TER5_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TER5_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TER5_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${TER5_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TER5_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

find_program(TER5_WINE NAMES wine64 wine)  # Debian: wine runs wine64 where wine32 is missing
if(TER5_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${TER5_WINE})
endif()
