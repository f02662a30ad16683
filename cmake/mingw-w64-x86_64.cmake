# Cross-compiles for 64-bit Windows with Debian's mingw-w64 (posix threads, for std::thread).
# SOLAMINE_WINDOWS_PREFIX names the folder the Windows Qt, QCustomPlot and hidapi are installed in.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(triple x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${triple}-g++-posix)
set(CMAKE_RC_COMPILER ${triple}-windres)
set(PKG_CONFIG_EXECUTABLE ${triple}-pkg-config CACHE FILEPATH "")

if(DEFINED ENV{SOLAMINE_WINDOWS_PREFIX})
    set(SOLAMINE_WINDOWS_PREFIX $ENV{SOLAMINE_WINDOWS_PREFIX})
endif()
set(CMAKE_FIND_ROOT_PATH /usr/${triple} ${SOLAMINE_WINDOWS_PREFIX})
# Build tools (moc, rcc, uic) run on this machine; libraries and headers come from Windows only.
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)
