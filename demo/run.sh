#!/bin/sh
# The demo: copies the shipped sample variable files into a fresh working
# folder, runs zembrik there and shows the text files it wrote.
set -e
bin=$(cd "$1" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
work="$here/../build/demo-work"
rm -rf "$work"
mkdir -p "$work"
cp "$here"/samples/* "$work"/
cd "$work"
echo "== Working folder: $work"
ls
echo "== zembrik"
"$bin/zembrik" < /dev/null
for text in */*.txt; do
  echo "== $text (shown by cat -A: tab ^I, line end $, byte 12 ^L, 14 ^N, 15 ^O)"
  tr -d "\r" < "$text" | cat -A
  echo
done
