#!/bin/bash
# The Windows build, checked with Debian's mingw-w64 cross compiler, as far as it can be
# without SDL for Windows: every source compiles without warnings against the SDL 1.2
# headers, and the project's CMake files, finding SDL and SDLmain through FindSDL as on
# Windows, link a GUI program that imports SDL.dll and the error box's user32 calls.
# SDL.dll is represented by an import library made from the SDL calls the sources make, and
# SDLmain by a stand-in with the same WinMain entry.
# Usage: windows_build_test.sh SDL_INCLUDE_DIR PROJECT_SOURCE_DIR SOURCE...
# shellcheck source=tests/support/checks.sh
source "$(dirname "$0")/../support/checks.sh"

readonly target=x86_64-w64-mingw32
sdl_include=$1 project=$2
shift 2
here=$(cd "$(dirname "$0")" && pwd)

for tool in g++ ar nm dlltool objdump; do
    command -v "$target-$tool" >/dev/null ||
        skip "$target-$tool is not installed (Debian package g++-mingw-w64-x86-64-win32)"
done
command -v cmake >/dev/null || skip "cmake is not installed"

scratch_folder windows
mkdir "$scratch/objects" "$scratch/sdl" "$scratch/sdl/lib"

step "every source compiles for Windows without warnings"
flags=(-std=c++17 -Wall -Wextra -Wpedantic -Werror -I"$project/src" -isystem "$sdl_include")
for source in "$@"; do
    [[ $source == /* ]] || source=$project/$source
    echo "  $source"
    "$target-g++" "${flags[@]}" -c "$source" -o "$scratch/objects/$(basename "$source").o"
done

step "an SDL development folder: the headers, SDL.dll's import library, SDLmain"
ln -s "$sdl_include" "$scratch/sdl/include"
{
    echo "LIBRARY SDL.dll"
    echo "EXPORTS"
    "$target-nm" -u "$scratch"/objects/*.o | awk '{ print $NF }' |
        sed -n 's/^\(__imp_\)\{0,1\}\(SDL_[A-Za-z0-9_]*\)$/\2/p' | grep -vx SDL_main | sort -u
} >"$scratch/SDL.def"
"$target-dlltool" -d "$scratch/SDL.def" -D SDL.dll -l "$scratch/sdl/lib/libSDL.dll.a"
"$target-g++" -c "$here/SdlMainStandIn.cpp" -o "$scratch/SdlMain.o"
"$target-ar" rcs "$scratch/sdl/lib/libSDLmain.a" "$scratch/SdlMain.o"

step "the CMake files build the program for Windows"
SDLDIR="$scratch/sdl" cmake -S "$project" -B "$scratch/build" \
    -DCMAKE_TOOLCHAIN_FILE="$project/cmake/mingw-w64.cmake" -DCMAKE_BUILD_TYPE=Release \
    >"$scratch/configure.log" 2>&1 || { cat "$scratch/configure.log"; fail "configuring failed"; }
cmake --build "$scratch/build" --target prismwarp -j2 >"$scratch/build.log" 2>&1 ||
    { cat "$scratch/build.log"; fail "building failed"; }

step "it is a GUI program that imports SDL.dll and the error box's calls from user32"
exe="$scratch/build/prismwarp.exe"
[[ -f $exe ]] || fail "no prismwarp.exe was built"
headers=$("$target-objdump" -p "$exe")
grep -q 'Subsystem.*(Windows GUI)' <<<"$headers" || fail "prismwarp.exe is not a GUI program"
grep -q 'DLL Name: SDL.dll' <<<"$headers" || fail "prismwarp.exe does not import SDL.dll"
for call in MessageBoxA GetForegroundWindow; do
    awk '/DLL Name:/ { dll = toupper($3) } dll == "USER32.DLL" && $NF == "'$call'" { found = 1 }
         END { exit !found }' <<<"$headers" || fail "prismwarp.exe does not import $call from user32"
done
echo "OK"
