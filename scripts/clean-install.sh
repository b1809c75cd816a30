#!/usr/bin/env bash
# Installs the Debian package on a freshly bootstrapped Debian 12 (a chroot;
# run as root) the way a user would, with apt-get install ./quillhaven_*.deb,
# and tries it there: the ODBC drivers registered, a ledger built and checked
# through the SQLite3 ODBC driver, and the window started on a virtual display,
# Dosavine ticked, the server name typed and connected, and a picture taken.
#   scripts/clean-install.sh [BUILD_DIR [PICTURE]]
# PICTURE defaults to BUILD_DIR/clean-install.png. QH_DEBIAN_MIRROR overrides
# the mirror the chroot is bootstrapped from.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$root/build}
picture=${2:-$build/clean-install.png}
mirror=${QH_DEBIAN_MIRROR:-http://deb.debian.org/debian}

bash "$root/scripts/install-deps.sh"
if ! command -v debootstrap >/dev/null; then
    apt-get update >/dev/null && apt-get install -y debootstrap >/dev/null
fi
bash "$root/scripts/build.sh" "$build"

work=$(mktemp -d /var/tmp/quillhaven-clean-install.XXXXXX)
debian=$work/bookworm
cleanup() {
    for mounted in dev/pts dev proc; do
        mountpoint -q "$debian/$mounted" && umount "$debian/$mounted"
    done
    rm -rf --one-file-system "$work"
}
trap cleanup EXIT

echo "clean-install: bootstrapping Debian 12 into $debian"
debootstrap --variant=minbase bookworm "$debian" "$mirror" >"$work/debootstrap.log" 2>&1 ||
    { tail -20 "$work/debootstrap.log" >&2; exit 1; }
cpack -G DEB -B "$work/package" --config "$build/CPackConfig.cmake" >/dev/null
deb=$(basename "$(ls "$work"/package/quillhaven_*.deb)")
cp "$work/package/$deb" "$debian/tmp/"
cp /etc/resolv.conf "$debian/etc/resolv.conf"
mount -t proc proc "$debian/proc"
mount --bind /dev "$debian/dev"
mount --bind /dev/pts "$debian/dev/pts"

inside() {
    chroot "$debian" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root \
        LANG=C.UTF-8 DEBIAN_FRONTEND=noninteractive "$@"
}

echo "clean-install: apt-get install ./$deb"
inside apt-get update >/dev/null
inside sh -c "cd /tmp && apt-get install -y ./$deb" >"$work/install.log" 2>&1 ||
    { tail -30 "$work/install.log" >&2; exit 1; }
grep -E '^(Setting up|The following NEW)' "$work/install.log" | head -3

echo "clean-install: ODBC drivers registered:"
inside odbcinst -q -d
for driver in FreeTDS SQLite3; do
    inside odbcinst -q -d -n "$driver" >/dev/null || { echo "no $driver driver" >&2; exit 1; }
done
test -f "$debian/usr/share/applications/quillhaven.desktop"

echo "clean-install: a ledger through the SQLite3 ODBC driver"
inside quillhaven-ledger --dir /root/ledgers --server-date 2008-03-31T18:00 >/dev/null
status=0
inside quillhaven-close --profile dosavine --server sqliteodbc:/root/ledgers check || status=$?
((status <= 1)) || { echo "quillhaven-close failed" >&2; exit 1; }

echo "clean-install: the window on a virtual display"
inside apt-get install -y xvfb xauth xdotool x11-apps >"$work/x.log" 2>&1 ||
    { tail -30 "$work/x.log" >&2; exit 1; }
# Keyboard only, as an operator could: the focus starts on Dosavine, and
# once it is ticked the next stop is the server name (Bindwell is disabled).
inside xvfb-run -a -s '-screen 0 640x480x24' sh -c '
    quillhaven & window=$!
    for i in $(seq 50); do
        id=$(xdotool search --name "^Quillhaven$" 2>/dev/null | head -1) && [ -n "$id" ] && break
        sleep 0.2
    done
    [ -n "$id" ] || { echo "the window did not open" >&2; exit 1; }
    xdotool windowfocus --sync "$id"
    xdotool key space Tab
    xdotool type --delay 20 sqlite:/root/ledgers
    xdotool key Tab space
    sleep 3
    kill -0 $window || { echo "the window closed" >&2; exit 1; }
    xwd -root -silent >/tmp/window.xwd
    kill $window'
convert "xwd:$debian/tmp/window.xwd" -trim "$picture"
echo "clean-install: $deb installed and ran on a clean Debian 12; the window: $picture"
