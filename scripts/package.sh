#!/bin/bash
# Installs what is missing and makes the packages into dist/:
#   prismwarp_VERSION_ARCH.deb     the Debian package (CPack, from build-package/deb)
#   prismwarp-VERSION-win64.zip    the Windows program in one folder (CPack, cross-built in
#                                  build-package/windows with SDL 1.2 for Windows built from
#                                  Debian's source in build-package/sdl-windows)
#   prismwarp-VERSION-web.zip      the browser build's page and files (scripts/web.sh)
# The version is the one of project() in CMakeLists.txt. All three bundle one picture, drawn
# by the Linux build's picture tool, so making them runs no Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
# dpkg-dev: dpkg-shlibdeps and dpkg-buildflags for the Debian package, dpkg-source for
# Debian's SDL source.
scripts/deps.sh build-essential cmake pkg-config libsdl1.2-compat-dev dpkg-dev \
    g++-mingw-w64-x86-64-win32

readonly work=$root/build-package
readonly dist=$root/dist
rm -rf "$dist"
mkdir -p "$work" "$dist"

# Files dated by the last commit, not by the hour of packaging, where there is one.
if [[ -z ${SOURCE_DATE_EPOCH:-} ]] && git rev-parse --git-dir >/dev/null 2>&1; then
    SOURCE_DATE_EPOCH=$(git log -1 --format=%ct)
    export SOURCE_DATE_EPOCH
fi

echo "* the Debian package"
# Debian's compiler and linker flags, as its own packages have them, with all hardening.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cxxflags="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
ldflags=$(dpkg-buildflags --get LDFLAGS)
cmake -S . -B "$work/deb" -DCMAKE_BUILD_TYPE=Release -DPRISMWARP_TESTS=OFF \
    -DPRISMWARP_BENCH=OFF -DCMAKE_CXX_FLAGS="$cxxflags" -DCMAKE_EXE_LINKER_FLAGS="$ldflags"
cmake --build "$work/deb" -j"$(nproc)"
(cd "$work/deb" && cpack -G DEB)
version=$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$work/deb/CPackConfig.cmake")
[[ -n $version ]] || { echo "no version in $work/deb/CPackConfig.cmake" >&2; exit 1; }
cp "$work/deb/prismwarp_${version}_"*.deb "$dist/"

echo "* the Windows zip"
scripts/windows-sdl.sh "$work/sdl-windows" "$work/sdl-windows.work"
rm -rf "$work/sdl-windows.work"
SDLDIR=$work/sdl-windows cmake -S . -B "$work/windows" \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" -DCMAKE_BUILD_TYPE=Release \
    -DPRISMWARP_TESTS=OFF -DPRISMWARP_BENCH=OFF -DPRISMWARP_PICTURE="$work/deb/lsd.bmp"
cmake --build "$work/windows" -j"$(nproc)"
(cd "$work/windows" && cpack -G ZIP)
cp "$work/windows/prismwarp-$version-win64.zip" "$dist/"

# The browser build (scripts/web.sh build) leaves the page in build-web/page/: index.html
# and start.js, the program's JavaScript and WebAssembly, the picture, the text on serving
# it and the licence. The zip holds them in one folder, ready for any static host.
web_zip() {
    local name=prismwarp-$version-web file
    local files=(index.html start.js prismwarp.js prismwarp.wasm lsd.bmp README.txt LICENSE.txt)
    scripts/web.sh build
    rm -rf "${work:?}/web"
    mkdir -p "$work/web/$name"
    for file in "${files[@]}"; do
        [[ -f build-web/page/$file ]] ||
            { echo "the browser build left no build-web/page/$file" >&2; exit 1; }
        cp "build-web/page/$file" "$work/web/$name/"
    done
    local dated=()
    [[ -z ${SOURCE_DATE_EPOCH:-} ]] ||
        dated=("--mtime=$(date -u -d "@$SOURCE_DATE_EPOCH" "+%Y-%m-%d %H:%M:%S UTC")")
    (cd "$work/web" && cmake -E tar cf "$dist/$name.zip" --format=zip "${dated[@]}" "$name")
}
echo "* the web zip"
web_zip

echo "Packages in $dist:"
ls -l "$dist"
