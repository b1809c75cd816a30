#!/usr/bin/env bash
# Makes the README's pictures of the window, docs/window-*.png: the demo
# ledger closed step by step (start, connected, years shown, year created,
# accounts migrated) on a virtual display.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

bash scripts/install-deps.sh
bash scripts/build.sh build

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The demo's ledgers and clock, in a folder of their own, so the demo's
# own ledgers and snapshots stay as they are.
build/tools/quillhaven-ledger --dir "$work/demo" --server-date 2008-03-31T18:00 >/dev/null
mkdir -p docs
XDG_DATA_HOME="$work/data" xvfb-run -a -s '-screen 0 1024x768x24' \
    build/tests/quillhaven_window_screenshots "sqlite:$work/demo" docs
