#!/bin/bash
# The Debian package as its user meets it: installed with dpkg -i, its menu entry started as
# a desktop starts it (the entry's Exec in the entry's Path) on a private X server with
# openbox, the window seen, and then removed with dpkg -r, which must leave none of the
# package's files behind. Typed in a folder of the user's own, the installed program reads
# that folder's picture, not the installed one.
# Installing needs root, as CI has it; elsewhere the test is skipped. The package is removed
# however the test ends. Should a run be killed with the package installed, the next run
# removes it first; a prismwarp that anyone else installed is left alone, and the test skipped.
# Usage: deb_install_test.sh DIST VERSION ROOT
# shellcheck source=tests/desktop/desktop.sh
source "$(dirname "$0")/../desktop/desktop.sh"
dist=$1 version=$2 root=$3
# There while this test has the package installed.
readonly marker=$root/deb-installed-by-test
readonly entry=/usr/share/applications/prismwarp.desktop
readonly caption="Unhandled Exception"

for tool in dpkg dpkg-deb dpkg-query; do
    command -v "$tool" >/dev/null || skip "$tool is not installed: this is no Debian system"
done
deb=$dist/prismwarp_${version}_$(dpkg --print-architecture).deb
[[ -f $deb ]] || skip "no $deb: scripts/package.sh makes it"
(($(id -u) == 0)) || skip "installing a package needs root"
mkdir -p "$root"
desktop_start 24

# dpkg's state of the package: installed, not-installed, config-files, half-installed...;
# nothing where dpkg has never heard of it.
package_status() {
    dpkg-query -W -f='${db:Status-Status}' prismwarp 2>/dev/null || true
}

# Runs dpkg; while another package manager holds dpkg's lock, waits for it (5 minutes at most).
run_dpkg() {
    local deadline=$(($(now_ms) + 300 * 1000))
    until env DEBIAN_FRONTEND=noninteractive dpkg "$@" >"$scratch/dpkg.log" 2>&1; do
        grep -q '^dpkg: error: .*lock' "$scratch/dpkg.log" && (($(now_ms) < deadline)) ||
            return 1
        sleep 1
    done
}

# Removes the package this test installed, whatever state it was left in.
remove_package() {
    [[ -f $marker ]] || return 0
    run_dpkg --purge prismwarp || { cat "$scratch/dpkg.log" >&2; return 1; }
    rm -f "$marker"
}

status=$(package_status)
if [[ -n $status && $status != not-installed ]]; then
    [[ -f $marker ]] || skip "prismwarp is on this machine already ($status), not from this test"
    step "removing the package that a killed run of this test left installed"
    remove_package || fail "could not remove it"
fi

# The package's files and folders, and which of them the machine has before.
mapfile -t paths < <(dpkg-deb --fsys-tarfile "$deb" | tar -t | sed 's|^\./|/|; s|/$||' |
    grep -v '^$')
existing() {
    local path
    for path in "${paths[@]}"; do
        [[ ! -e $path && ! -L $path ]] || echo "$path"
    done
}
existing >"$scratch/before"

step "dpkg -i installs it"
trap 'remove_package || true; desktop_stop' EXIT
touch "$marker"
run_dpkg -i "$deb" || fail "dpkg -i failed: $(cat "$scratch/dpkg.log")"
[[ $(package_status) == installed ]] || fail "dpkg says the package is $(package_status)"
for path in "${paths[@]}"; do
    [[ -e $path ]] || fail "$path is not there after dpkg -i"
done

step "the menu entry starts the program in its Path"
value() {
    sed -n "s/^$1=//p" "$entry"
}
command=$(value Exec)
folder=$(value Path)
# The entry takes no files, so its command has no field codes, and it is a single word.
[[ -n $command && $command != *[[:space:]%]* ]] || fail "the entry's Exec is '$command'"
[[ -x $command ]] || fail "the entry's Exec $command is no program"
[[ -f $folder/lsd.bmp ]] || fail "the entry's Path '$folder' holds no lsd.bmp"
start_program "$command" "$folder"
poll 60 window_titled Prismwarp ||
    fail "no window titled Prismwarp appeared; the program $(process_alive "$program_pid" &&
        echo runs || echo ended)"
geometry=$(window_geometry)
[[ $geometry == "320x240 24" ]] || fail "window is '$geometry' (size depth), expected '320x240 24'"

step "it warps the installed picture: many colours, changing"
# The picture's waves give tens of thousands of colours in a frame (see window_test.sh).
many_colours() {
    shot first && (($(colours first) >= 10000))
}
poll 10 many_colours || fail "a frame has $(colours first) colours, expected at least 10000"
first_hash=$(pixel_hash first)
shot_differs() {
    shot later && [[ $(pixel_hash later) != "$first_hash" ]]
}
poll 10 shot_differs || fail "the window did not change within 10 s"

step "closing the window ends it with status 0"
close_window 10

step "typed in a folder of the user's own without lsd.bmp, it reports the missing picture"
start_program /usr/bin/prismwarp "$scratch/run"
poll 20 window_titled "$caption" || fail "no window titled '$caption' appeared"
wmctrl -F -c "$caption" || fail "wmctrl could not close the box"
wait_for_exit 10
((exit_status == 1)) || fail "exit status $exit_status, expected 1"
grep -q 'Unable to Load Image' "$scratch/stderr" || fail "stderr does not name the picture"

step "dpkg -r removes it and leaves none of its files"
run_dpkg -r prismwarp || fail "dpkg -r failed: $(cat "$scratch/dpkg.log")"
rm -f "$marker"
status=$(package_status)
[[ -z $status || $status == not-installed ]] || fail "dpkg says the package is $status"
existing >"$scratch/after"
diff -u "$scratch/before" "$scratch/after" ||
    fail "the files after dpkg -r differ from those before dpkg -i (+ left behind, - taken away)"
