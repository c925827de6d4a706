#!/bin/sh
# Renders one scdoc page to roff: render-page.sh SCDOC SOURCE AWK_TIDY OUTPUT,
# and OUTPUT.gz, the form installed (compressed with no time stamp, so that
# packages are reproducible). Each is written whole or not at all.
set -e
"$1" < "$2" > "$4.scdoc"
awk -f "$3" "$4.scdoc" > "$4.new"
rm -f "$4.scdoc"
gzip -9n -c "$4.new" > "$4.gz.new"
mv "$4.new" "$4"
mv "$4.gz.new" "$4.gz"
