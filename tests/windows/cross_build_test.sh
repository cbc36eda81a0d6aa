#!/bin/bash
# Windows test setup: builds SDL 1.2 for 64-bit Windows from Debian's source once (kept in
# ROOT/sdl for later runs), then cross-builds the program, its picture (drawn by the picture
# tool under Wine) and the portable tests into ROOT/build, as the README tells a user to: the
# build makes its own Wine prefix, writes nothing into the user's home and prints nothing of
# Wine's. The program must need nothing beside it but SDL.dll.
# Usage: cross_build_test.sh PROJECT_SOURCE_DIR ROOT
# shellcheck source=tests/desktop/desktop.sh
source "$(dirname "$0")/../desktop/desktop.sh"
project=$1 root=$2
# shellcheck source=tests/windows/windows.sh
source "$(dirname "$0")/windows.sh"

# The picture tool runs under Wine without a display, whatever the caller has.
unset DISPLAY WAYLAND_DISPLAY
require_cross_tools
[[ -f /usr/src/googletest/CMakeLists.txt ]] ||
    skip "GoogleTest's sources are not installed (Debian package googletest)"
mkdir -p "$root"
rm -f "$cross_built"
home=$(mktemp -d "$root/home.XXXXXX")
trap 'wine_stop "$cross_prefix"; rm -rf "$home"' EXIT

step "SDL 1.2 for Windows in $sdl_dir"
"$project/scripts/windows-sdl.sh" "$sdl_dir" "$root/sdl.work" || fail "SDL for Windows did not build"
# Only the installed SDL is kept; its sources and objects take room for nothing.
rm -rf "$root/sdl.work"

step "the program, its picture and the portable tests, cross-built"
# As a user would run it: with a home of its own, and with nothing of Wine's chosen. The
# picture and the build's Wine prefix are made anew, so that the picture tool makes the
# prefix as it does in a fresh build folder.
rm -rf "$cross_prefix" "$cross_prefix.log" "$cross_build/lsd.bmp"
as_a_user() {
    env -u WINEPREFIX -u WINEDEBUG -u WINEDLLOVERRIDES HOME="$home" SDLDIR="$sdl_dir" "$@"
}
as_a_user cmake -S "$project" -B "$cross_build" \
    -DCMAKE_TOOLCHAIN_FILE="$project/cmake/mingw-w64.cmake" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DPRISMWARP_TESTS=ON -DPRISMWARP_BENCH=OFF -DPRISMWARP_GTEST_SOURCE=/usr/src/googletest \
    >"$root/configure.log" 2>&1 || { tail -n 30 "$root/configure.log"; fail "configuring failed"; }
if ! as_a_user cmake --build "$cross_build" -j2 >"$root/build.log" 2>&1; then
    grep -q 'Wine could not make its prefix' "$root/build.log" &&
        skip "Wine cannot run here: $(tail -n 3 "$cross_prefix.log" | tr '\n' ' ')"
    grep -E 'error|warning' "$root/build.log" | head -n 30
    fail "building failed"
fi
grep -q 'warning:' "$root/build.log" && { grep 'warning:' "$root/build.log"; fail "the build warns"; }
[[ -s $cross_build/lsd.bmp ]] || fail "the picture tool drew no lsd.bmp"

step "Wine ran in the build's own prefix, kept out of the home and said nothing"
[[ -f $cross_prefix/system.reg ]] || fail "no Wine prefix in $cross_prefix"
written=$(find "$home" -mindepth 1 | head -n 5)
[[ -z $written ]] || fail "the build wrote into its home: $written"
# Wine's own lines start with "wine:" or "wine32", its debug channels with "err:", "fixme:"...
wine_said=$(grep -E '^(wine|it looks like wine32)|(^|:)(err|fixme|warn):|nodrv_' "$root/build.log" | head -n 5) || true
[[ -z $wine_said ]] || fail "the build printed Wine's output: $wine_said"

step "prismwarp.exe is a GUI program that needs only SDL.dll beside it"
headers=$("$mingw-objdump" -p "$cross_build/prismwarp.exe")
grep -q 'Subsystem.*(Windows GUI)' <<<"$headers" || fail "prismwarp.exe is not a GUI program"
# Every DLL but SDL.dll must come with Windows itself.
mapfile -t dlls < <(awk '/DLL Name:/ { print $3 }' <<<"$headers")
for dll in "${dlls[@]}"; do
    case ${dll,,} in
    sdl.dll | kernel32.dll | user32.dll | msvcrt.dll) ;;
    *) fail "prismwarp.exe imports $dll, which a Windows user does not have" ;;
    esac
done
printf '%s\n' "${dlls[@]}" | grep -qx SDL.dll || fail "prismwarp.exe does not import SDL.dll"
touch "$cross_built"
echo "  imports: ${dlls[*]}"
