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
$as_root apt-get update -qq
# shellcheck disable=SC2086 # $missing is a list of package names, one word each
$as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $missing
