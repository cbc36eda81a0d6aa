#!/bin/sh
# Installs those of the named Debian packages that are not installed yet.
set -e
missing=""
for package in "$@"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'ok installed' ||
        missing="$missing $package"
done
[ -z "$missing" ] && exit 0

echo "Installing:$missing"
as_root=""
[ "$(id -u)" -eq 0 ] || as_root=sudo
# Another apt run (a package manager in the background) is waited for, not failed on.
lock="-o DPkg::Lock::Timeout=600"
# shellcheck disable=SC2086 # $lock is an option and its value
$as_root apt-get $lock update -qq
# shellcheck disable=SC2086 # $lock and $missing are lists of words
$as_root env DEBIAN_FRONTEND=noninteractive apt-get $lock install -y -qq --no-install-recommends $missing
