#!/usr/bin/env bash
# Cross-builds Quillhaven for Windows x86-64 on Debian 12: the two windows
# and the three tools, each gathered in BUILD_DIR/dist/ with exactly the DLLs and
# plugins it imports, and the installer BUILD_DIR/quillhaven-VERSION-x64.msi.
#   scripts/windows/build.sh [BUILD_DIR] [--tests LINUX_BUILD_DIR]
# BUILD_DIR defaults to build-windows/. --tests also cross-builds the unit
# and window tests, which reach the TDS test server of the Linux build.
# The cross Qt comes from ../shared/windows/ (its checksum checked), else
# from the cache that scripts/windows/build-qt.sh fills from Debian's
# source; it is unpacked once into BUILD_DIR and kept there.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
out=$root/build-windows
if [[ $# -gt 0 && $1 != --tests ]]; then
    out=$(realpath -m "$1")
    shift
fi
tests=OFF
linux_build=
if [[ ${1:-} == --tests ]]; then
    tests=ON
    linux_build=$(realpath -m "${2:?--tests needs the Linux build folder}")
fi
name=qt6.4.2-mingw-w64-x86_64.tar.xz
shared=${QH_WINDOWS_QT_ARCHIVE_DIR:-$root/../shared/windows}
mingw=x86_64-w64-mingw32

bash "$root/scripts/windows/install-packages.sh" g++-mingw-w64-x86-64-posix \
    gcc-mingw-w64-x86-64-posix mingw-w64-tools binutils-mingw-w64-x86-64 xz-utils wixl \
    imagemagick googletest
# moc, rcc and uic of the same Qt version run on the host.
bash "$root/scripts/install-deps.sh"

if [[ ! -f $shared/$name ]]; then
    # Never in CI: 16 to 32 minutes, once per machine.
    shared=${XDG_CACHE_HOME:-$HOME/.cache}/quillhaven
    echo "windows-build: no cross Qt in ../shared/windows; building it into $shared"
    bash "$root/scripts/windows/build-qt.sh" "$shared"
fi
archive=$shared/$name
qt=$out/qt6-mingw
stamp=$out/qt6-mingw.sha256
sum=$(sha256sum "$archive" | cut -d' ' -f1)
expected=$(awk -v name="$name" '$2 ~ name"$" {print $1}' "$shared/SHA256SUMS")
if [[ $sum != "$expected" ]]; then
    echo "windows-build: $archive does not match its checksum" >&2
    exit 1
fi
if [[ ! -d $qt || $(cat "$stamp" 2>/dev/null) != "$sum" ]]; then
    rm -rf "$qt"
    mkdir -p "$out"
    tar -xJf "$archive" -C "$out"
    echo "$sum" >"$stamp"
fi

export QH_WINDOWS_QT=$qt
cmake -S "$root" -B "$out/build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$qt/lib/cmake/Qt6/qt.toolchain.cmake" \
    -DQT_CHAINLOAD_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DQH_BUILD_TESTS="$tests" -DQH_BUILD_BENCH=OFF \
    -DQH_HOST_TDS_SERVER="${linux_build:+$linux_build/tests/tds/quillhaven-tds-server}" \
    -DCMAKE_CROSSCOMPILING_EMULATOR=/usr/lib/wine/wine64 >/dev/null
programs=(quillhaven quillhaven-audit quillhaven-close quillhaven-snapshots quillhaven-ledger)
if [[ $tests == ON ]]; then
    cmake --build "$out/build" -j "${QH_BUILD_JOBS:-2}"
else
    cmake --build "$out/build" -j "${QH_BUILD_JOBS:-2}" $(printf -- '--target %s ' "${programs[@]}")
fi

# Where the DLLs a program may import are found; what none of these folders
# holds is Windows' own (KERNEL32, USER32, ODBC32, ...).
gcc_dlls=$(dirname "$($mingw-g++-posix -print-libgcc-file-name)")
dll_folders=("$qt/bin" "$gcc_dlls" "/usr/$mingw/lib")
dist=$out/dist
rm -rf "$dist"
mkdir -p "$dist"

imports() { $mingw-objdump -p "$1" | sed -n 's/^\s*DLL Name: //p'; }
find_dll() {
    local folder
    for folder in "${dll_folders[@]}"; do
        [[ -f $folder/$1 ]] && { echo "$folder/$1"; return 0; }
    done
    return 0
}
# Copies a file into dist/ (under its subfolder) with every DLL it needs,
# following the imports of each DLL in turn.
gather() {
    local file=$1 subfolder=${2:-}
    mkdir -p "$dist/$subfolder"
    cp -n "$file" "$dist/$subfolder"
    local name found
    while read -r name; do
        found=$(find_dll "$name")
        [[ -n $found && ! -f $dist/$name ]] && gather "$found"
    done < <(imports "$file")
    return 0
}
for program in "${programs[@]}"; do
    gather "$out/build/$(cd "$out/build" && find . -name "$program.exe" -printf '%P\n' | head -1)"
done
# The plugins Qt loads by name: the Windows platform, the two SQL drivers
# and the native look.
for plugin in platforms/qwindows.dll sqldrivers/qsqlite.dll sqldrivers/qsqlodbc.dll \
    styles/qwindowsvistastyle.dll; do
    gather "$qt/plugins/$plugin" "$(dirname "$plugin")"
done
echo "windows-build: $dist"
ls "$dist"

# The installer, versioned as the project (three parts, as Windows Installer
# compares them).
version=$(sed -n 's/^project(Quillhaven VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
while [[ $(tr -cd . <<<"$version" | wc -c) -lt 2 ]]; do version+=.0; done
rm -f "$out"/quillhaven-*-x64.msi
bash "$root/scripts/windows/make-msi.sh" "$dist" "$out/build/quillhaven.ico" "$version" \
    "$out/quillhaven-$version-x64.msi"
