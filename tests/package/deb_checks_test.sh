#!/bin/bash
# The Debian package as Debian's tools judge it: lintian finds no error in it (its warnings
# and notes are shown), desktop-file-validate accepts its menu entry, and it holds exactly
# the files of the install, with the program's libraries among its dependencies.
# Usage: deb_checks_test.sh DIST VERSION
# shellcheck source=tests/support/checks.sh
source "$(dirname "$0")/../support/checks.sh"
dist=$1 version=$2

for tool in dpkg dpkg-deb lintian desktop-file-validate; do
    command -v "$tool" >/dev/null ||
        skip "$tool is not installed (Debian: dpkg lintian desktop-file-utils)"
done
deb=$dist/prismwarp_${version}_$(dpkg --print-architecture).deb
[[ -f $deb ]] || skip "no $deb: scripts/package.sh makes it"
scratch_folder deb

step "lintian finds no error"
# lintian's own locale and home, whatever the caller's are. It fails on an error found, and
# when it could not check the package at all.
status=0
LC_ALL=C.UTF-8 HOME=$scratch lintian --fail-on error --pedantic -I -E "$deb" \
    >"$scratch/lintian.log" 2>&1 || status=$?
grep -v '^running with root privileges' "$scratch/lintian.log" | sed 's/^/  | /' || true
! grep -q '^E: ' "$scratch/lintian.log" || fail "lintian reports errors"
((status == 0)) || fail "lintian could not check the package (status $status)"

step "it holds exactly the files of the install"
dpkg-deb --fsys-tarfile "$deb" | tar -t | grep -v '/$' | LC_ALL=C sort >"$scratch/files"
LC_ALL=C sort >"$scratch/expected" <<'FILES'
./usr/bin/prismwarp
./usr/share/applications/prismwarp.desktop
./usr/share/doc/prismwarp/changelog.gz
./usr/share/doc/prismwarp/copyright
./usr/share/icons/hicolor/scalable/apps/prismwarp.svg
./usr/share/man/man6/prismwarp.6.gz
./usr/share/prismwarp/lsd.bmp
FILES
diff -u "$scratch/expected" "$scratch/files" || fail "the package's files differ from the expected ones"

step "it depends on SDL 1.2 and the C++ runtime"
depends=$(dpkg-deb -f "$deb" Depends)
echo "  Depends: $depends"
for library in libc6 libsdl1.2 libstdc++6; do
    [[ $depends == *"$library"* ]] || fail "no $library* among the dependencies"
done

step "its menu entry is valid, and starts the program in the picture's folder"
dpkg-deb -x "$deb" "$scratch/root"
entry=$scratch/root/usr/share/applications/prismwarp.desktop
desktop-file-validate "$entry" || fail "desktop-file-validate rejects the menu entry"
grep -qx 'Exec=/usr/bin/prismwarp' "$entry" || fail "the entry's Exec is not /usr/bin/prismwarp"
grep -qx 'Path=/usr/share/prismwarp' "$entry" || fail "the entry's Path is not /usr/share/prismwarp"
