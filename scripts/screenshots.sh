#!/usr/bin/env bash
# Makes the README's pictures of the windows on a virtual display:
# docs/window-*.png, the demo ledger closed step by step (start, connected,
# years shown, year created, accounts migrated); docs/audit-*.png, the audit
# window's pages on a ledger of its own (check, preview, proof, snapshots,
# report).
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
# The audit: a ledger whose last year is over, with a posting to an account
# the chart lacks, so the check has something to find.
build/tools/quillhaven-ledger --dir "$work/audit" --database Dosavine --accounts 12 --years 3 \
    --postings 400 --first-year 2005 --server-date 2008-04-10T09:30 >/dev/null
sqlite3 "$work/audit/Dosavine.db" "INSERT INTO Acc_transaction(Amount,Dr_Account,Cr_Account,Fin_Year_Id) VALUES(1250,'9999',(Select Min(AccountID) from Acc_Master where ParentID not in('P','B')),3)"
XDG_DATA_HOME="$work/data" xvfb-run -a -s '-screen 0 1280x800x24' \
    build/tests/quillhaven_audit_screenshots "sqlite:$work/audit" docs
