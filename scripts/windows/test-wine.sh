#!/usr/bin/env bash
# Runs the Windows build under Wine 8 on every road Wine can give: sqlite:
# with Windows paths, and SQL Server's wire through Wine's ODBC (which hands
# the calls to the host's unixODBC and FreeTDS) to the Linux build's TDS test
# server.
#  1. the tools: the ledger tool at a Windows path twice (--force must
#     replace), the closing tool's check and proof on both roads;
#  2. the whole year-end (create the year, migrate) through the Windows build
#     on both roads leaves Acc_Opening and Acc_Accounting_Year equal to the
#     Linux build's, value for value and type for type;
#  3. the cross-built unit and window tests (ctest, Wine as the emulator);
#  4. the installer: silent install, the installed window started on a
#     virtual display, connected by keyboard and photographed, the installed
#     audit window's process gone within 5 s of its window closing, a newer
#     version over it, a silent uninstall that leaves nothing behind.
# Exits non-zero on any failure.
#   scripts/windows/test-wine.sh [WINDOWS_BUILD_DIR [LINUX_BUILD_DIR]]
# The Windows build must have its tests (scripts/windows/build.sh --tests).
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
out=$(realpath -m "${1:-$root/build-windows}")
linux=$(realpath -m "${2:-$root/build}")
dist=$out/dist
tests=$out/build

bash "$root/scripts/windows/install-packages.sh" wine64 xvfb xdotool imagemagick sqlite3
wine=/usr/lib/wine/wine64
work=$(mktemp -d)
servers=()
display_pid=
cleanup() {
    local pid
    for pid in "${servers[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    WINEPREFIX=$work/prefix /usr/lib/wine/wineserver -k 2>/dev/null || true
    [[ -z $display_pid ]] || kill "$display_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# The Linux side's snapshots stay in the run's folder.
export XDG_DATA_HOME=$work/data
failures=0
passes=0
check() { # what, then the command
    local what=$1 started=$SECONDS
    shift
    if "$@" >"$work/out" 2>&1; then
        echo "wine: ok    $what ($((SECONDS - started)) s)"
        passes=$((passes + 1))
    else
        echo "wine: FAIL  $what"
        sed 's/^/    /' "$work/out" | tail -60
        failures=$((failures + 1))
    fi
}
windows_path() { echo "Z:${1//\//\\}"; }
# The test programs of the build folder find Qt's and MinGW's DLLs here; the
# gathered and installed programs have theirs beside them.
gcc_dlls=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-libgcc-file-name)")
WINEPATH="$(windows_path "$out/qt6-mingw/bin");$(windows_path "$gcc_dlls")"
export WINEPATH="$WINEPATH;$(windows_path /usr/x86_64-w64-mingw32/lib)"

# A virtual display for the window tests and the installed window; without
# Arial, Wine would draw the window's captions in a serif font.
for number in $(seq 90 120); do
    [[ -e /tmp/.X11-unix/X$number || -e /tmp/.X$number-lock ]] && continue
    Xvfb ":$number" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    display_pid=$!
    export DISPLAY=:$number
    break
done
"$wine" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v Arial /d 'Liberation Sans' /f \
    >/dev/null 2>&1
# No debugger for a process that crashes: winedbg has held a crashed test
# process, and the test waiting for it, for minutes. A debugger that cannot
# start ends the process at once (and its test fails, and runs once more).
"$wine" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /d none \
    /f >/dev/null 2>&1

# A TDS test server over a folder, steered through a fifo and stopped by
# closing it; sets $port.
start_server() { # folder, fifo
    mkfifo "$2"
    "$linux/tests/tds/quillhaven-tds-server" --folder "$1" --port 0 \
        --login Dosavine:QuintonVaresse:Dosavine --login Bindwell:QuintonVaresse:Bindwell \
        <"$2" >"$2.out" 2>&1 &
    servers+=($!)
    exec {control}>"$2"
    for _ in $(seq 100); do
        grep -q "^port" "$2.out" 2>/dev/null && break
        sleep 0.1
    done
    port=$(sed -n 's/^port //p' "$2.out")
}

# 1. The tools.
ledgers=$(windows_path "$work/ledgers")
for run in first second; do
    check "ledger tool builds at a Windows path ($run time)" \
        "$wine" "$dist/quillhaven-ledger.exe" --dir "$ledgers" --force \
        --server-date 2008-04-10T09:30
done
check "close check through sqlite: with a drive letter" \
    "$wine" "$dist/quillhaven-close.exe" --profile dosavine --server "sqlite:$ledgers" check
"$wine" "$dist/quillhaven-close.exe" --profile dosavine --server "sqlite:$ledgers" verify \
    >"$work/verify-sqlite" 2>&1 || true
start_server "$work/ledgers" "$work/tools.fifo"
check "close check over SQL Server's wire (Wine ODBC, FreeTDS)" \
    "$wine" "$dist/quillhaven-close.exe" --profile dosavine --server "127.0.0.1,$port" check
"$wine" "$dist/quillhaven-close.exe" --profile dosavine --server "127.0.0.1,$port" verify \
    >"$work/verify-tds" 2>&1 || true
# The proofs' findings agree (the last line names each road's archive).
check "the proof is the same on both roads" \
    diff <(head -n -1 "$work/verify-sqlite" | tail -n +2) <(head -n -1 "$work/verify-tds" | tail -n +2)

# 2. The whole year-end, Windows against Linux, from the same ledgers.
"$linux/tools/quillhaven-ledger" --dir "$work/base" --accounts 40 --years 4 --postings 900 \
    --seed 23 --first-year 2005 --server-date 2009-04-10T09:30 >/dev/null
for copy in linux windows windows-tds; do
    cp -r "$work/base" "$work/$copy"
done
tables() { # folder
    local table
    for table in Acc_Accounting_Year Acc_Opening; do
        echo "== $table"
        sqlite3 -batch -cmd '.mode quote' "$1/Dosavine.db" "SELECT * FROM $table" | sort
    done
}
yearend=(0 create)
"$linux/tests/quillhaven_migrate_child" "sqlite:$work/linux" "${yearend[@]}" >/dev/null
check "the whole year-end through sqlite: with a drive letter" \
    "$wine" "$tests/quillhaven_migrate_child.exe" "sqlite:$(windows_path "$work/windows")" \
    "${yearend[@]}"
start_server "$work/windows-tds" "$work/yearend.fifo"
check "the whole year-end over SQL Server's wire" \
    "$wine" "$tests/quillhaven_migrate_child.exe" "127.0.0.1,$port" "${yearend[@]}"
made_a_year() {
    local count='SELECT count(*) FROM Acc_Accounting_Year' before after
    before=$(sqlite3 "$work/base/Dosavine.db" "$count")
    after=$(sqlite3 "$work/linux/Dosavine.db" "$count")
    ! diff <(tables "$work/base") <(tables "$work/linux") >/dev/null && ((after > before))
}
check "the Linux year-end made a year and changed the openings" made_a_year
check "Windows build, sqlite: leaves the tables the Linux build leaves" \
    diff <(tables "$work/linux") <(tables "$work/windows")
check "Windows build over the wire leaves the tables the Linux build leaves" \
    diff <(tables "$work/linux") <(tables "$work/windows-tds")
check "the Windows build keeps its snapshots in the user's local AppData" \
    compgen -G "$WINEPREFIX/drive_c/users/*/AppData/Local/quillhaven/snapshots/ledger-*.db"

# 3. The unit and window tests under Wine, each Google Test program whole in
# two halves. A program or half that fails is run once more (Wine under load
# has failed a test now and then where Windows has not been seen to); every
# first failure is shown, passed or not, so none goes unnoticed.
ctest_log=$out/wine-ctest.log
check "the unit and window tests of the Windows build" \
    ctest --test-dir "$tests" --output-on-failure --no-tests=error -j2 --repeat until-pass:2
cp "$work/out" "$ctest_log"
grep -E "tests passed|Total Test time" "$ctest_log" | sort -u | sed 's/^/    /' || true
if grep -q '\*\*\*Failed\|\*\*\*Timeout' "$ctest_log"; then
    echo "    failed at first (the whole output in $ctest_log):"
    grep -E '\*\*\*(Failed|Timeout)' "$ctest_log" | sed 's/^/      /'
    grep -E -B2 -A12 '^[^ ].*: Failure$' "$ctest_log" | head -80 | sed 's/^/      /' || true
fi
grep -h -B1 -A2 '^FAIL!' "$tests"/tests/tst_*.log 2>/dev/null | sed 's/^/    /' || true

# 4. The installer.
msi=$(ls "$out"/quillhaven-*-x64.msi)
installed="$WINEPREFIX/drive_c/Program Files/Quillhaven"
products() { # the versions of Quillhaven in Programs and Features
    local key
    for key in $("$wine" reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' \
        2>/dev/null | tr -d '\r' | grep '{'); do
        "$wine" reg query "$key" 2>/dev/null | tr -d '\r' | grep -q 'DisplayName.*Quillhaven' &&
            "$wine" reg query "$key" /v DisplayVersion | tr -d '\r' | awk '/DisplayVersion/ {print $3}'
    done
    return 0
}
check "silent install" "$wine" msiexec /i "$(windows_path "$msi")" /qn
installed_files() {
    (cd "$installed" && ls quillhaven.exe quillhaven-audit.exe quillhaven-close.exe \
        quillhaven-snapshots.exe quillhaven-ledger.exe Qt6Widgets.dll platforms/qwindows.dll \
        sqldrivers/qsqlodbc.dll) &&
        find "$WINEPREFIX/drive_c" -name 'Quillhaven.lnk' | grep 'Start Menu' &&
        find "$WINEPREFIX/drive_c" -name 'Quillhaven Audit.lnk' | grep 'Start Menu' &&
        [[ -n $(products) ]]
}
check "installed: both windows, the tools, their DLLs, Start-menu shortcuts, an entry" \
    installed_files
picture=$out/windows-installed.png
# Starts an installed program, the installed copy alone (no build folder on
# the DLL path), and waits for its window; sets $program_pid and $window_id.
start_installed() { # program, window title
    env -u WINEPATH "$wine" "C:\\Program Files\\Quillhaven\\$1" &
    program_pid=$!
    window_id=
    for _ in $(seq 100); do
        window_id=$(xdotool search --name "^$2\$" 2>/dev/null | head -1) &&
            [[ -n $window_id ]] && break
        sleep 0.2
    done
    [[ -n $window_id ]] || { echo "the window $2 did not open"; return 1; }
    sleep 1
}
photograph() {
    # The ledgers where an operator would keep them.
    cp -r "$work/ledgers" "$WINEPREFIX/drive_c/Ledgers"
    start_installed quillhaven.exe 'Quillhaven' || return 1
    local window=$program_pid id=$window_id
    # Keyboard only: the focus starts on Dosavine; once it is ticked the
    # next stop is the server name, then Connect.
    xdotool windowfocus --sync "$id" key space Tab
    xdotool type --delay 20 'sqlite:C:\Ledgers'
    xdotool key Tab space
    sleep 4
    kill -0 "$window" || { echo "the installed window closed"; return 1; }
    import -window root "$work/screen.png"
    convert "$work/screen.png" -trim "$picture"
    kill "$window"
}
check "the installed window connects by keyboard ($picture)" photograph
audit_picture=$out/windows-audit-checked.png
audit_ends() {
    # The ledger remembered from last time, so that Open needs no typing;
    # a successful open writes the database beside it.
    local key='HKCU\Software\Quillhaven\Quillhaven\audit'
    "$wine" reg add "$key" /v lastServer /d 'sqlite:C:\Ledgers' /f >/dev/null 2>&1
    start_installed quillhaven-audit.exe 'Quillhaven Audit' || return 1
    local program=$program_pid id=$window_id X Y
    eval "$(xdotool getwindowgeometry --shell "$id")"
    xdotool mousemove $((X + 911)) $((Y + 22)) click 1 # Open
    for _ in $(seq 60); do
        "$wine" reg query "$key" /v lastDatabase >/dev/null 2>&1 && break
        sleep 0.5
    done
    "$wine" reg query "$key" /v lastDatabase >/dev/null 2>&1 || { echo "the ledger did not open"; return 1; }
    sleep 1
    xdotool mousemove $((X + 66)) $((Y + 100)) click 1 # Check the books
    sleep 5
    import -window root "$work/audit.png"
    convert "$work/audit.png" -trim "$audit_picture"
    xdotool windowfocus --sync "$id" key alt+F4
    local closed=$SECONDS
    while kill -0 "$program" 2>/dev/null; do
        if ((SECONDS - closed > 5)); then
            echo "the process is still running 5 s after its window was closed"
            kill "$program"
            return 1
        fi
        sleep 0.2
    done
}
check "the installed audit window opens and checks a ledger, then ends with its window ($audit_picture)" \
    audit_ends
newer=$work/quillhaven-newer-x64.msi
version=$(products | head -1)
bash "$root/scripts/windows/make-msi.sh" "$dist" "$tests/quillhaven.ico" \
    "${version%.*}.$((${version##*.} + 1))" "$newer" >/dev/null
upgrade() {
    "$wine" msiexec /i "$(windows_path "$newer")" /qn || return 1
    local now
    now=$(products)
    echo "installed: $now"
    [[ $(wc -l <<<"$now") == 1 && $now != "$version" ]]
}
check "a newer version replaces the installed one" upgrade
downgrade() {
    ! "$wine" msiexec /i "$(windows_path "$msi")" /qn && [[ $(products) != "$version" ]]
}
check "the older version is refused over the newer" downgrade
uninstall() {
    "$wine" msiexec /x "$(windows_path "$newer")" /qn || return 1
    [[ ! -e $installed ]] || { echo "left: $installed"; return 1; }
    ! find "$WINEPREFIX/drive_c" -name 'Quillhaven.lnk' | grep . || return 1
    [[ -z $(products) ]]
}
check "silent uninstall leaves nothing behind" uninstall

echo "wine: $passes passed, $failures failed"
((failures == 0))
