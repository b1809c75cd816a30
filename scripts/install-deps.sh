#!/usr/bin/env bash
# Installs everything Quillhaven needs on Debian 12 and registers the ODBC
# drivers it uses. Quiet when all is well; on failure it says what went wrong
# and shows the package manager's output. Safe to run again: apt-get runs only
# when a package is missing, the check itself always runs.
set -euo pipefail

packages=(
    build-essential cmake ninja-build git ccache
    qt6-base-dev libqt6sql6-sqlite libqt6sql6-odbc
    unixodbc unixodbc-dev odbcinst libsqliteodbc tdsodbc
    libgtest-dev libbenchmark-dev libsqlite3-dev libssl-dev sqlite3
    xvfb xauth imagemagick x11-utils
    dpkg-dev appstream
    clang-tidy cppcheck clang-format
    fonts-liberation fonts-dejavu-core poppler-utils
)

die() {
    echo "install-deps: $*" >&2
    exit 1
}

missing=()
for package in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${db:Status-Status}' "$package" 2>/dev/null || true)
    [[ $status == installed ]] || missing+=("$package")
done

if ((${#missing[@]} > 0)); then
    [[ $(id -u) -eq 0 ]] || die "missing packages (${missing[*]}); run this script as root"
    log=$(mktemp)
    trap 'rm -f "$log"' EXIT
    echo "install-deps: installing ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    if ! apt-get update >"$log" 2>&1; then
        cat "$log" >&2
        die "apt-get update failed"
    fi
    if ! apt-get install -y "${missing[@]}" >"$log" 2>&1; then
        cat "$log" >&2
        die "apt-get install failed"
    fi
fi

# The packages normally register their drivers; make sure, since the session
# finds SQL Server through "FreeTDS" and the SQLite ODBC ledger through
# "SQLite3".
register_driver() {
    local name=$1 template
    odbcinst -q -d -n "$name" >/dev/null 2>&1 && return 0
    [[ $(id -u) -eq 0 ]] || die "the ODBC driver \"$name\" is not registered; run this script as root"
    template=$(mktemp)
    cat >"$template"
    odbcinst -i -d -f "$template" >/dev/null || die "cannot register the ODBC driver \"$name\""
    rm -f "$template"
    odbcinst -q -d -n "$name" >/dev/null 2>&1 || die "the ODBC driver \"$name\" did not register"
}

register_driver FreeTDS <<'INI'
[FreeTDS]
Description=TDS driver (Sybase/MS SQL)
Driver=libtdsodbc.so
Setup=libtdsS.so
INI

register_driver SQLite3 <<'INI'
[SQLite3]
Description=SQLite3 ODBC Driver
Driver=libsqlite3odbc.so
Setup=libsqlite3odbc.so
INI
