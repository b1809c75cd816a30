#!/usr/bin/env bash
# Runs the Windows build under Wine 8 against what Wine can give: the ledger
# tool builds ledgers at a Windows path (twice, so --force must replace), the
# closing tool checks and proves them through sqlite: with a drive letter,
# and over SQL Server's wire through Wine's ODBC (which hands the calls to
# the host's unixODBC and FreeTDS) to our TDS test server; the proofs of both
# roads must agree. Exits non-zero on any difference.
#   scripts/windows/test-wine.sh [WINDOWS_BUILD_DIR [LINUX_BUILD_DIR]]
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
out=${1:-$root/build-windows}
linux=${2:-$root/build}
dist=$out/dist

dpkg-query -W -f='${Status}' wine64 2>/dev/null | grep -q 'install ok installed' || {
    apt-get update >/dev/null
    DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends wine64 >/dev/null
}
wine=/usr/lib/wine/wine64
work=$(mktemp -d)
server_pid=
cleanup() {
    if [[ -n $server_pid ]]; then
        kill "$server_pid" 2>/dev/null || true
    fi
    WINEPREFIX=$work/prefix /usr/lib/wine/wineserver -k 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
failures=0
passes=0
check() { # what, then the command
    local what=$1
    shift
    if "$@" >"$work/out" 2>&1; then
        echo "wine: ok    $what"
        passes=$((passes + 1))
    else
        echo "wine: FAIL  $what"
        sed 's/^/    /' "$work/out"
        failures=$((failures + 1))
    fi
}

ledgers="Z:${work//\//\\}\\ledgers"
for run in first second; do
    check "ledger tool builds at a Windows path ($run time)" \
        "$wine" "$dist/quillhaven-ledger.exe" --dir "$ledgers" --force \
        --server-date 2008-04-10T09:30
done
check "close check through sqlite: with a drive letter" \
    "$wine" "$dist/quillhaven-close.exe" --profile dosavine --server "sqlite:$ledgers" check
"$wine" "$dist/quillhaven-close.exe" --profile dosavine --server "sqlite:$ledgers" verify \
    >"$work/verify-sqlite" 2>&1 || true

# The TDS test server stays a Linux program; it reads commands on its
# standard input and ends with it.
port=$((20000 + RANDOM % 20000))
mkfifo "$work/control"
"$linux/tests/tds/quillhaven-tds-server" --folder "$work/ledgers" --port "$port" \
    --login Dosavine:QuintonVaresse:Dosavine --login Bindwell:QuintonVaresse:Bindwell \
    <"$work/control" >"$work/tds.out" 2>&1 &
server_pid=$!
exec 3>"$work/control"
for _ in $(seq 50); do
    grep -q "^port" "$work/tds.out" && break
    sleep 0.1
done
check "close check over SQL Server's wire (Wine ODBC, FreeTDS)" \
    "$wine" "$dist/quillhaven-close.exe" --profile dosavine --server "127.0.0.1,$port" check
"$wine" "$dist/quillhaven-close.exe" --profile dosavine --server "127.0.0.1,$port" verify \
    >"$work/verify-tds" 2>&1 || true
exec 3>&-
# The proofs' findings agree (the last line names each road's archive).
check "the proof is the same on both roads" \
    diff <(head -n -1 "$work/verify-sqlite" | tail -n +2) <(head -n -1 "$work/verify-tds" | tail -n +2)

echo "wine: $passes passed, $failures failed"
((failures == 0))
