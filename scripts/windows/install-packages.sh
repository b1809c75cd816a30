#!/usr/bin/env bash
# Installs those of the Debian packages named that are missing, quietly;
# on failure it shows the package manager's output.
#   scripts/windows/install-packages.sh PACKAGE...
set -euo pipefail

missing=()
for package in "$@"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
        missing+=("$package")
done
((${#missing[@]})) || exit 0
echo "install-packages: installing ${missing[*]}"
log=$(mktemp)
trap 'rm -f "$log"' EXIT
export DEBIAN_FRONTEND=noninteractive
if ! { apt-get update && apt-get install -y --no-install-recommends "${missing[@]}"; } >"$log" 2>&1; then
    tail -30 "$log" >&2
    exit 1
fi
