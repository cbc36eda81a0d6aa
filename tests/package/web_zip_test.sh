#!/bin/bash
# The web zip as a web host meets it: unpacked into an empty folder, it holds one folder with
# the page, its files, the text on serving it and the licence and nothing else, and that
# folder, served as it is, animates in headless Chromium: frame after frame read back from
# the canvas, each equal to the frame the native plain passes draw. Opened from the disk, or
# broken, the page says why it cannot start and how to serve it.
# Usage: web_zip_test.sh DIST VERSION PYTHON WEB_TEST FRAMES_TOOL
# shellcheck source=tests/support/checks.sh
source "$(dirname "$0")/../support/checks.sh"
dist=$1 version=$2 python=$3 web_test=$4 frames_tool=$5

command -v unzip >/dev/null || skip "unzip is not installed (Debian: unzip)"
name=prismwarp-$version-web
zip=$dist/$name.zip
[[ -f $zip ]] || skip "no $zip: scripts/package.sh makes it"
scratch_folder web-zip

step "unpacked, it is one folder with the page and its files"
(cd "$scratch" && unzip -q "$zip")
files=$(cd "$scratch" && find . -type f | LC_ALL=C sort)
expected=$(for file in LICENSE.txt README.txt index.html lsd.bmp prismwarp.js prismwarp.wasm \
    start.js; do
    echo "./$name/$file"
done | LC_ALL=C sort)
[[ $files == "$expected" ]] || fail "the zip holds
$files
expected
$expected"

step "README.txt tells how to serve the folder and how to show a picture of one's own"
for line in "python3 -m http.server" "http://localhost:8000/" "replace lsd.bmp"; do
    grep -qF "$line" "$scratch/$name/README.txt" || fail "README.txt does not say \"$line\""
done

step "opened from the disk or broken, the page says why it cannot start"
status=0
"$python" "$web_test" cannot_start --web "$scratch" --page "$scratch/$name" || status=$?
[[ $status != "$skip_status" ]] || skip "the page's test cannot run (see above)"
[[ $status == 0 ]] || fail "the page does not say why it cannot start (status $status)"

step "served as it is, the page animates, every frame the native one"
# Not exec'd: the scratch folder goes when this script ends. A skip's status passes through.
"$python" "$web_test" frames_bundled --web "$scratch" --page "$scratch/$name" \
    --frames-tool "$frames_tool"
