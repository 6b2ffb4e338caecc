# Cross build of the same program for 64-bit Windows with Debian's x86_64
# MinGW-w64 compiler (package g++-mingw-w64-x86-64):
#
#   cmake -S . -B build-windows64 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake
#   cmake --build build-windows64
set(CMAKE_SYSTEM_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
