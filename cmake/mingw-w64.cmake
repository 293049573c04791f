# Cross-build for Windows with Debian's MinGW-w64 (posix threads flavour).
# VQM_MINGW_ARCH picks the target: i686 (the shipped 32-bit programs, the
# default) or x86_64 (the same sources as 64-bit programs, for hosts whose
# Wine can run only 64-bit code).
if(NOT VQM_MINGW_ARCH)
  set(VQM_MINGW_ARCH i686)
endif()
set(VQM_MINGW_ARCH ${VQM_MINGW_ARCH} CACHE STRING "MinGW-w64 target: i686 or x86_64")
set(triple ${VQM_MINGW_ARCH}-w64-mingw32)

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${VQM_MINGW_ARCH})
set(CMAKE_C_COMPILER ${triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${triple}-g++-posix)
set(CMAKE_RC_COMPILER ${triple}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Self-contained executables: no MinGW runtime DLL beside them.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
# Windows XP is the oldest system the programs run on.
set(CMAKE_C_FLAGS_INIT "-D_WIN32_WINNT=0x0501 -DWINVER=0x0501")
set(CMAKE_CXX_FLAGS_INIT "-D_WIN32_WINNT=0x0501 -DWINVER=0x0501")
# The static zlib, so zlib1.dll is not needed either.
set(ZLIB_USE_STATIC_LIBS ON)
