# What both mingw-w64 toolchain files share; each sets CMAKE_SYSTEM_PROCESSOR and
# RODIDUZ_MINGW_PREFIX first. Debian's posix thread model is the one std::thread and std::mutex
# need. libgcc and libstdc++ are linked statically so the programs run under Wine or on a bare
# Windows without the toolchain's DLLs beside them.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${RODIDUZ_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${RODIDUZ_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${RODIDUZ_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${RODIDUZ_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# winpthread too, so std::thread needs no libwinpthread-1.dll at run time.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++ -static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++ -static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++ -static")
