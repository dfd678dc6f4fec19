#!/usr/bin/env bash
# The browser test: writes the pages of three gauges (the Nile, a record with
# zero flows, a six-year record) and of one gauge that cannot be read, with
# their index page, into a fresh folder, and opens them in headless chromium.
# Exit 77 (CTest: skipped) with the reason when chromium, node or the npm
# packages of this folder are missing.
#
#   run.sh RIVAN6 SOURCE_DIR
set -euo pipefail
program=$1
source_dir=$2
here="$source_dir/tests/browser"
chromium=${CHROMIUM:-/usr/bin/chromium}

skip() {
  echo "SKIPPED: $*"
  exit 77
}
[ -x "$chromium" ] || skip "no chromium at $chromium (apt-get install chromium)"
command -v node >/dev/null 2>&1 || skip "no node (apt-get install nodejs npm)"
[ -d "$here/node_modules/puppeteer-core" ] ||
  skip "puppeteer-core is not installed (run npm ci in tests/browser)"

work=$(mktemp -d "${TMPDIR:-/tmp}/rivan6-browser-XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir "$work/in" "$work/out"
cp "$source_dir/examples/NILE.INC" "$source_dir/tests/golden/ZEROS.INC" \
  "$source_dir/tests/golden/SHORT.INC" "$work/in/"
# MISSING fails (status 1), and is listed as such on the index page.
status=0
"$program" -q --html -d "$work/in" -o "$work/out" NILE ZEROS SHORT MISSING 2>/dev/null || status=$?
[ "$status" = 1 ] || { echo "rivan6 --html ended with status $status, not 1"; exit 1; }

all=series,probability,acf,pacf,arma,deficit,racf
cd "$here"
CHROMIUM="$chromium" node check_pages.mjs "$work/out" \
  "NILE.html=$all" "SHORT.html=$all" "ZEROS.html=series,probability" "index.html=@3"
