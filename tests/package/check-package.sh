#!/usr/bin/env bash
# Builds the Debian package from a build tree and checks it: the files it
# installs, the packages it depends on (the drivers loaded at run time
# included), its AppStream metainfo, and that the window and the tools it
# installs start from the unpacked tree.
# Usage: check-package.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$1
source=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
    echo "check-package: $*" >&2
    exit 1
}

cpack -G DEB -B "$work" --config "$build/CPackConfig.cmake" >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log" >&2; fail "cpack failed"; }
deb=$(ls "$work"/quillhaven_*.deb)

contents=$(dpkg-deb -c "$deb" | awk '{print $6}')
for file in ./usr/bin/quillhaven ./usr/bin/quillhaven-audit ./usr/bin/quillhaven-close \
    ./usr/bin/quillhaven-snapshots ./usr/share/applications/quillhaven.desktop \
    ./usr/share/applications/quillhaven-audit.desktop \
    ./usr/share/icons/hicolor/scalable/apps/quillhaven.svg \
    ./usr/share/metainfo/io.github.quillhaven.Quillhaven.metainfo.xml; do
    grep -qxF "$file" <<<"$contents" || fail "the package lacks $file"
done

depends=$(dpkg-deb -f "$deb" Depends | tr ',' '\n' | sed 's/^ *//; s/ .*//')
for package in libqt6sql6-sqlite libqt6sql6-odbc unixodbc odbcinst tdsodbc libsqliteodbc \
    fonts-liberation libqt6widgets6 libqt6sql6 libqt6core6; do
    grep -qxF "$package" <<<"$depends" || fail "the package does not depend on $package"
done
dpkg-deb --ctrl-tarfile "$deb" | tar -t | grep -qx './postinst' || fail "no postinst"

appstreamcli validate --no-net "$source/packaging/io.github.quillhaven.Quillhaven.metainfo.xml" \
    >/dev/null || fail "the metainfo does not validate"

dpkg-deb -x "$deb" "$work/root"
"$work/root/usr/bin/quillhaven-close" --help >/dev/null || fail "quillhaven-close does not start"
"$work/root/usr/bin/quillhaven-snapshots" --help >/dev/null ||
    fail "quillhaven-snapshots does not start"
for program in quillhaven quillhaven-audit; do
    QT_QPA_PLATFORM=offscreen "$work/root/usr/bin/$program" &
    window=$!
    sleep 2
    kill -0 "$window" 2>/dev/null || fail "the window $program did not stay up"
    kill "$window"
    wait "$window" 2>/dev/null || true
done
echo "check-package: $(basename "$deb") is whole"
