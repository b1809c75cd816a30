#!/usr/bin/env bash
# Makes docs/close-report.png, the picture of the closing report in the
# README: the HTML report of a ledger of the demo's shape, with a few faults
# put in so that the check's findings show on top, rendered as a browser
# window 900 pixels wide shows its first screen. Then the auditor's pack of
# the same ledger, an opening of year 2 raised since so that the roll-forward
# marks it: its first page (docs/pack-1-first-page.png) and its first
# roll-forward page (docs/pack-2-roll-forward.png).
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

bash scripts/install-deps.sh
# What only this picture needs: a renderer for the page, and sqlite3 to put
# the faults into the ledger.
for package in wkhtmltopdf sqlite3; do
    if ! dpkg-query -W -f='${db:Status-Status}' "$package" 2>/dev/null | grep -qx installed; then
        apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$package"
    fi
done
bash scripts/build.sh build

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
build/tools/quillhaven-ledger --dir "$work" --database Dosavine --server-date 2008-03-31T18:00
sqlite3 "$work/Dosavine.db" \
    "INSERT INTO Acc_transaction VALUES(990001, 250, 'CASH', '1001', 3);
     INSERT INTO Acc_Opening SELECT * FROM Acc_Opening WHERE rowid=7;"

status=0
XDG_DATA_HOME="$work/data" build/tools/quillhaven-close --profile dosavine \
    --server "sqlite:$work" report --html "$work/report.html" || status=$?
[[ $status -le 1 ]] || exit "$status" # 1: findings, as intended

mkdir -p docs
xvfb-run -a wkhtmltoimage --quiet --width 900 --height 1000 "$work/report.html" docs/close-report.png
echo "wrote docs/close-report.png"

sqlite3 "$work/Dosavine.db" \
    "UPDATE Acc_Opening SET Opening = Opening + 500 WHERE AccId = '1016' AND AccYearID = 2;"
status=0
XDG_DATA_HOME="$work/data" build/tools/quillhaven-close --profile dosavine \
    --server "sqlite:$work" report --pdf "$work/pack.pdf" || status=$?
[[ $status -le 1 ]] || exit "$status"
# The first page that holds a roll-forward.
pages=$(pdfinfo "$work/pack.pdf" | awk '/^Pages:/ { print $2 }')
roll=2
while ((roll < pages)) && [[ $(pdftotext -f "$roll" -l "$roll" "$work/pack.pdf" -) != *"Roll-forward into"* ]]; do
    roll=$((roll + 1))
done
pdftoppm -png -r 80 -f 1 -l 1 -singlefile "$work/pack.pdf" "$work/first"
pdftoppm -png -r 80 -f "$roll" -l "$roll" -singlefile "$work/pack.pdf" "$work/roll"
mv "$work/first.png" docs/pack-1-first-page.png
mv "$work/roll.png" docs/pack-2-roll-forward.png
echo "wrote docs/pack-1-first-page.png and docs/pack-2-roll-forward.png"
