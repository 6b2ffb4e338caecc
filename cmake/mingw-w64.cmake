# What the Windows cross builds share; mingw-i686.cmake (32-bit) and
# mingw-x86_64.cmake (64-bit) set CMAKE_SYSTEM_PROCESSOR and include this.
# Debian's MinGW-w64 compilers are named after the processor
# (packages g++-mingw-w64-i686 and g++-mingw-w64-x86-64).
#
# The program is linked statically, runtime libraries included, so that
# tarnwick.exe runs with nothing beside it.
set(CMAKE_SYSTEM_NAME Windows)
set(mingw_target ${CMAKE_SYSTEM_PROCESSOR}-w64-mingw32)

set(CMAKE_CXX_COMPILER ${mingw_target}-g++)
set(CMAKE_RC_COMPILER ${mingw_target}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${mingw_target})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
