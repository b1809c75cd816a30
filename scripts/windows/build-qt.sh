#!/usr/bin/env bash
# Builds the cross Qt for Windows x86-64 (qtbase 6.4.2: Core, Gui, Widgets,
# Sql with its SQLite and ODBC drivers, Test) from Debian 12's own source
# package with mingw-w64, for when ../shared/windows/ holds no copy. The
# result is cached as an archive with its checksum, laid out as the shared
# one, so the build takes either the same way:
#   scripts/windows/build-qt.sh [CACHE_DIR]   (default ~/.cache/quillhaven)
# 16 to 32 minutes on two cores; CI never runs it. Bookworm keeps qtbase 6.4.2
# and SQLite 3.40.1, whatever their Debian revisions.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
cache=${1:-${XDG_CACHE_HOME:-$HOME/.cache}/quillhaven}
name=qt6.4.2-mingw-w64-x86_64.tar.xz
if [[ -f $cache/$name && -f $cache/SHA256SUMS ]] &&
    (cd "$cache" && sha256sum --check --status SHA256SUMS); then
    echo "build-qt: $cache/$name is already built"
    exit 0
fi

export DEBIAN_FRONTEND=noninteractive
# Debian's source packages, signed by the same keys as its binaries.
sources=/etc/apt/sources.list.d/quillhaven-bookworm-src.sources
if [[ ! -f $sources ]]; then
    printf '%s\n' 'Types: deb-src' 'URIs: http://deb.debian.org/debian' 'Suites: bookworm' \
        'Components: main' 'Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg' >"$sources"
    apt-get update >/dev/null || { rm -f "$sources"; exit 1; }
fi
bash "$root/scripts/windows/install-packages.sh" g++-mingw-w64-x86-64-posix \
    gcc-mingw-w64-x86-64-posix mingw-w64-tools qt6-base-dev dpkg-dev cmake ninja-build \
    xz-utils tcl

work=$cache/qt-work
mkdir -p "$work/src"
cd "$work/src"
[[ -d qt6-base-6.4.2+dfsg ]] || apt-get source -q qt6-base >/dev/null
[[ -d sqlite3-3.40.1 ]] || apt-get source -q sqlite3 >/dev/null

# Debian's +dfsg tarball leaves out Qt's own copy of SQLite: the amalgamation
# is made from Debian's sqlite3 source instead.
qtsrc=$work/src/qt6-base-6.4.2+dfsg
if [[ ! -f $qtsrc/src/3rdparty/sqlite/sqlite3.c ]]; then
    (cd sqlite3-3.40.1 && ./configure --disable-tcl >/dev/null && make sqlite3.c sqlite3.h >/dev/null)
    mkdir -p "$qtsrc/src/3rdparty/sqlite"
    cp sqlite3-3.40.1/sqlite3.c sqlite3-3.40.1/sqlite3.h sqlite3-3.40.1/src/sqlite3ext.h \
        "$qtsrc/src/3rdparty/sqlite/"
fi

# The features Windows needs off together: with OpenGL off also its dynamic
# loading, no DirectWrite 3 (it needs Direct2D) and no tablet events (wintab.h
# is not in the +dfsg source).
prefix=$work/qt6-mingw
cmake -G Ninja -S "$qtsrc" -B "$work/qtbase-build" \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=ON \
    -DQT_BUILD_TESTS=OFF -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_BENCHMARKS=OFF \
    -DFEATURE_pkg_config=OFF -DFEATURE_dbus=OFF -DFEATURE_network=OFF -DFEATURE_concurrent=OFF \
    -DFEATURE_xml=OFF -DFEATURE_printsupport=OFF \
    -DINPUT_opengl=no -DFEATURE_opengl=OFF -DFEATURE_opengl_dynamic=OFF -DFEATURE_dynamicgl=OFF \
    -DFEATURE_vulkan=OFF -DFEATURE_direct2d=OFF -DFEATURE_directwrite3=OFF \
    -DFEATURE_tabletevent=OFF -DFEATURE_freetype=OFF -DFEATURE_jpeg=OFF \
    -DFEATURE_icu=OFF -DFEATURE_zstd=OFF -DFEATURE_glib=OFF \
    -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_png=OFF \
    -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_doubleconversion=OFF \
    -DFEATURE_androiddeployqt=OFF \
    -DFEATURE_sql=ON -DFEATURE_sql_odbc=ON -DFEATURE_sql_sqlite=ON -DFEATURE_system_sqlite=OFF \
    -DFEATURE_sql_psql=OFF -DFEATURE_sql_mysql=OFF -DFEATURE_sql_ibase=OFF \
    -DFEATURE_sql_oci=OFF -DFEATURE_sql_db2=OFF -DFEATURE_testlib=ON >"$work/configure.log"
echo "build-qt: building qtbase (about 975 steps; log in $work/build.log)"
cmake --build "$work/qtbase-build" -j "${QH_BUILD_JOBS:-2}" >"$work/build.log" 2>&1 ||
    { tail -40 "$work/build.log" >&2; exit 1; }
rm -rf "$prefix"
cmake --install "$work/qtbase-build" >/dev/null

tar -cJf "$cache/$name.part" -C "$work" qt6-mingw
mv "$cache/$name.part" "$cache/$name"
(cd "$cache" && sha256sum "$name" >SHA256SUMS)
echo "build-qt: $cache/$name"
