#!/bin/bash
# `cmake --install` as one who builds from source uses it: into a prefix of their choosing,
# and staged under DESTDIR, it installs the program, the picture, the menu entry, the icon,
# the man page and the docs, and the menu entry and the man page name the picture's folder
# under the prefix, not the one a package uses.
# Usage: install_test.sh BUILD_DIR
# shellcheck source=tests/support/checks.sh
source "$(dirname "$0")/../support/checks.sh"
build=$1
scratch_folder install
readonly files="bin/prismwarp
share/applications/prismwarp.desktop
share/doc/prismwarp/changelog.gz
share/doc/prismwarp/copyright
share/icons/hicolor/scalable/apps/prismwarp.svg
share/man/man6/prismwarp.6.gz
share/prismwarp/lsd.bmp"

# Checks the install of `prefix` found under `root`.
check_install() {
    local root=$1 prefix=$2 entry
    (cd "$root$prefix" && find . -type f | sed 's|^\./||' | LC_ALL=C sort) >"$scratch/found"
    diff -u - "$scratch/found" <<<"$files" || fail "the files installed under $prefix differ"
    [[ -x $root$prefix/bin/prismwarp ]] || fail "the program is not executable"
    entry=$root$prefix/share/applications/prismwarp.desktop
    grep -qx "Exec=$prefix/bin/prismwarp" "$entry" || fail "the menu entry's Exec: $(grep ^Exec "$entry")"
    grep -qx "Path=$prefix/share/prismwarp" "$entry" || fail "the menu entry's Path: $(grep ^Path "$entry")"
    gzip -dc "$root$prefix/share/man/man6/prismwarp.6.gz" | grep -qx "\.I $prefix/share/prismwarp/lsd.bmp" ||
        fail "the man page does not name $prefix/share/prismwarp/lsd.bmp"
}

step "cmake --install --prefix PREFIX"
cmake --install "$build" --prefix "$scratch/prefix" >"$scratch/install.log" 2>&1 ||
    { cat "$scratch/install.log"; fail "cmake --install failed"; }
check_install "" "$scratch/prefix"

step "DESTDIR=STAGE cmake --install --prefix /usr"
DESTDIR=$scratch/stage cmake --install "$build" --prefix /usr >"$scratch/install.log" 2>&1 ||
    { cat "$scratch/install.log"; fail "cmake --install failed"; }
check_install "$scratch/stage" /usr
