# Cross-compiles for 32-bit Windows with Debian's mingw-w64: the program that can load the
# vendor's 32-bit usblib.dll.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(RODIDUZ_MINGW_PREFIX i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
