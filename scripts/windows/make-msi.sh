#!/usr/bin/env bash
# Makes the Windows installer from a gathered dist/ folder with wixl:
# packaging/windows/quillhaven.wxs and a fragment of every file of dist/,
# each its own component (so an upgrade replaces exactly what changed).
#   scripts/windows/make-msi.sh DIST ICON VERSION OUTPUT.msi
# VERSION has three parts (0.1.0); a higher one upgrades a lower one.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
dist=$(cd "$1" && pwd)
icon=$2
version=$3
output=$4

# wixl reads its sources relative to the folder it runs in.
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
ln -s "$dist" "$stage/dist"
cp "$icon" "$stage/quillhaven.ico"
cp "$root/packaging/windows/quillhaven.wxs" "$stage/"

count=0
refs=()
component() { # path under dist/
    count=$((count + 1))
    echo "<Component Id=\"c$count\" Guid=\"*\" Win64=\"yes\"><File Id=\"f$count\" KeyPath=\"yes\" Source=\"dist/$1\"/></Component>"
    refs+=("c$count")
}
{
    echo '<?xml version="1.0" encoding="utf-8"?>'
    echo '<Wix xmlns="http://schemas.microsoft.com/wix/2006/wi"><Fragment>'
    echo '<DirectoryRef Id="INSTALLDIR">'
    while read -r file; do component "$file"; done < <(cd "$dist" && find . -maxdepth 1 -type f -printf '%P\n' | sort)
    while read -r folder; do
        echo "<Directory Id=\"dir_$folder\" Name=\"$folder\">"
        while read -r file; do component "$folder/$file"; done < <(cd "$dist/$folder" && find . -type f -printf '%P\n' | sort)
        echo '</Directory>'
    done < <(cd "$dist" && find . -mindepth 1 -maxdepth 1 -type d -printf '%P\n' | sort)
    echo '</DirectoryRef>'
    echo '<ComponentGroup Id="ProgramFiles">'
    for ref in "${refs[@]}"; do echo "<ComponentRef Id=\"$ref\"/>"; done
    echo '</ComponentGroup></Fragment></Wix>'
} >"$stage/files.wxs"

output=$(realpath -m "$output")
(cd "$stage" && wixl -a x64 -D Version="$version" -o "$output" quillhaven.wxs files.wxs)
echo "msi: $output"
