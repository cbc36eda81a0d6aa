#!/bin/bash
# Builds SDL 1.2 for 64-bit Windows from Debian's own source package libsdl1.2 with the
# mingw-w64 cross compiler, and installs it into PREFIX: SDL.dll, its import library
# libSDL.dll.a, libSDLmain.a and the headers, as FindSDL expects them (point SDLDIR at
# PREFIX), and beside SDL.dll README-SDL.txt, which tells its licence and its source. A
# PREFIX that already holds a finished build is left as it is.
# The source comes through a private apt setup in WORK (default PREFIX.work): its deb-src
# entries are the machine's own apt sources with the type changed, so the machine's apt
# configuration is not touched and no mirror is named here.
# Usage: windows-sdl.sh PREFIX [WORK]
set -euo pipefail

readonly target=x86_64-w64-mingw32
[[ $# -ge 1 ]] || { echo "usage: $0 PREFIX [WORK]" >&2; exit 2; }
prefix=$(realpath -m "$1")
work=$(realpath -m "${2:-$prefix.work}")
readonly done_mark=$prefix/.complete

if [[ -f $done_mark && -f $prefix/bin/README-SDL.txt ]]; then
    echo "SDL for Windows is already in $prefix"
    exit 0
fi
for tool in apt-get dpkg-source "$target-gcc" make; do
    command -v "$tool" >/dev/null || {
        echo "$tool is not installed (Debian packages: dpkg-dev g++-mingw-w64-x86-64-win32 make)" >&2
        exit 1
    }
done

rm -rf "$work" "$prefix"
mkdir -p "$work/apt/lists/partial" "$work/apt/cache/archives/partial" "$work/apt/sources.list.d"

# The machine's sources, deb822 files and one-line lists alike, as source entries.
shopt -s nullglob
for file in /etc/apt/sources.list.d/*.sources; do
    sed 's/^Types:.*/Types: deb-src/' "$file" >"$work/apt/sources.list.d/$(basename "$file")"
done
for file in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [[ -f $file ]] || continue
    sed -n 's/^[[:space:]]*deb[[:space:]]/deb-src /p' "$file" \
        >"$work/apt/sources.list.d/$(basename "$file" .list)-src.list"
done
shopt -u nullglob
[[ -n $(ls -A "$work/apt/sources.list.d") ]] || { echo "no apt sources found in /etc/apt" >&2; exit 1; }

apt_private=(-o "Dir::Etc::SourceList=/dev/null" -o "Dir::Etc::SourceParts=$work/apt/sources.list.d"
    -o "Dir::State::Lists=$work/apt/lists" -o "Dir::Cache=$work/apt/cache"
    -o "Dir::State::status=/var/lib/dpkg/status" -o "APT::Sandbox::User=root")
[[ $(id -u) -eq 0 ]] || apt_private[-1]="APT::Sandbox::User=$(id -un)"

echo "* fetching Debian's libsdl1.2 source"
apt-get "${apt_private[@]}" -qq update
(cd "$work" && apt-get "${apt_private[@]}" -qq source libsdl1.2)
source_dir=$(find "$work" -mindepth 1 -maxdepth 1 -type d -name 'libsdl1.2-*' | head -n 1)
[[ -n $source_dir ]] || { echo "apt-get source gave no libsdl1.2 folder" >&2; exit 1; }

echo "* building it for $target into $prefix"
mkdir -p "$work/build"
cd "$work/build"
"$source_dir/configure" --host="$target" --prefix="$prefix" >configure.log 2>&1 ||
    { tail -n 30 configure.log >&2; exit 1; }
make -j"$(nproc)" >make.log 2>&1 || { tail -n 30 make.log >&2; exit 1; }
make install >install.log 2>&1 || { tail -n 30 install.log >&2; exit 1; }

# Whoever is given SDL.dll is owed its licence, the LGPL, and word of where its source is.
# Windows users read it in Notepad, so its lines end in CR LF.
version=$(dpkg-parsechangelog -l "$source_dir/debian/changelog" -S Version)
[[ -f $source_dir/COPYING ]] || { echo "the SDL source has no COPYING" >&2; exit 1; }
{
    printf '%s\n' \
        "SDL.dll is SDL 1.2 for 64-bit Windows, built with the mingw-w64 cross compiler from" \
        "Debian's source package libsdl1.2, version $version, as it stands. That package is" \
        "its source: on Debian, apt-get source libsdl1.2=$version." \
        "" \
        "SDL 1.2 is free software under the GNU Lesser General Public License, version 2.1:" \
        ""
    cat "$source_dir/COPYING"
} | sed 's/$/\r/' >"$prefix/bin/README-SDL.txt"

for file in bin/SDL.dll bin/README-SDL.txt lib/libSDL.dll.a lib/libSDLmain.a include/SDL/SDL.h; do
    [[ -f $prefix/$file ]] || { echo "the SDL build left no $file" >&2; exit 1; }
done
touch "$done_mark"
echo "SDL for Windows is in $prefix"
