# CMake toolchain for 64-bit Windows through the mingw-w64 cross compiler (Debian package
# g++-mingw-w64-x86-64-win32):
#   SDLDIR=/path/to/sdl-for-windows cmake -S . -B build-windows \
#       -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake
# Where Wine is installed, the build runs its own Windows tools (the picture tool, the tests)
# through it, in a Wine prefix of the build's own: the folder `wine` in the build folder.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(prismwarp_mingw_target x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${prismwarp_mingw_target}-gcc)
set(CMAKE_CXX_COMPILER ${prismwarp_mingw_target}-g++)
set(CMAKE_RC_COMPILER ${prismwarp_mingw_target}-windres)

find_program(PRISMWARP_WINE wine)
if(PRISMWARP_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR
    sh ${CMAKE_CURRENT_LIST_DIR}/wine.sh ${PRISMWARP_WINE} ${CMAKE_BINARY_DIR}/wine)
endif()
