#!/usr/bin/env bash
# Installs what is missing, builds, creates the two demo ledgers in ./demo and
# opens the Quillhaven window on them.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

bash scripts/install-deps.sh
# Only what the demo runs: the window and the ledger tool, not the tests.
QH_BUILD_TARGETS="quillhaven quillhaven-ledger" bash scripts/build.sh build

# The clock is pinned to the evening of the last day of the 2007-08 year, so
# every command of the window can be tried: the year has ended by the server's
# whole-day reckoning and the next one can be created.
build/tools/quillhaven-ledger --dir "$root/demo" --force --server-date 2008-03-31T18:00

echo
echo "Demo ledgers are in $root/demo (server clock pinned at 31 March 2008 18:00)."
echo "Tick Dosavine or Bindwell and type this server name:"
echo
echo "    sqlite:$root/demo"
echo

if [[ -z ${DISPLAY:-} && -z ${WAYLAND_DISPLAY:-} ]]; then
    echo "No display is set, so the window cannot be shown here. Run this under a"
    echo "desktop session, or start it on a virtual display, for example:"
    echo "    xvfb-run -a -s '-screen 0 1024x768x24' build/quillhaven"
    exit 0
fi

exec build/quillhaven
