#!/bin/sh
# The demo: plovane turns the shipped sample texts into variable files, then
# zembrik turns those, and the shipped calculator files, back into texts; last,
# kestrin-update brings an edited text over in the daily loop.
set -e
bin=$(cd "$1" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
work="$here/../build/demo-work"
rm -rf "$work"
mkdir -p "$work/pc" "$work/calculator"

show() {
  for text in "$@"; do
    echo "-- $text"
    tr -d "\r" < "$text" | cat -A
  done
}

echo "== The PC side: text files in folders ($work/pc)"
cp -R "$here"/samples/texts/* "$work/pc/"
cd "$work/pc"
show */*.txt
echo
echo "== plovane writes one variable file per text file"
"$bin/plovane" < /dev/null
ls -l *.89t
echo "-- school.physics.89t, byte by byte"
od -A d -t x1 school.physics.89t

echo
echo "== The calculator side: those variable files and a few from a calculator ($work/calculator)"
cp "$work"/pc/*.89t "$here"/samples/calculator/* "$work/calculator/"
cd "$work/calculator"
ls
echo "== zembrik writes them back as text files (cat -A shows a tab as ^I, a line end as \$)"
"$bin/zembrik" < /dev/null
show */*.txt

echo
echo "== The daily loop on the PC side ($work/pc): kestrin-update finds what changed and runs kestrin"
cd "$work/pc"
echo "-- the first run records the state; the pairs that plovane wrote are in step"
"$bin/kestrin-update" < /dev/null
echo "-- notes/shopping.txt gets a new line; --dry-run shows the change list"
printf '\tcoffee\n' >> notes/shopping.txt
"$bin/kestrin-update" --dry-run < /dev/null
echo "-- kestrin-update runs kestrin on it"
"$bin/kestrin-update" < /dev/null
echo "-- notes.shopping.89t, rebuilt with the new line at its end"
od -A d -t x1 notes.shopping.89t
echo "-- run again at once: nothing is left to do"
"$bin/kestrin-update" < /dev/null
