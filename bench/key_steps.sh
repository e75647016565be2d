#!/usr/bin/env bash
# The browsing keys in the real saver under Wine at 1920 x 1080: the time from a key to the first
# changed pixel, two 24-megapixel photos shown in turn (the driver's bench_key_steps times it):
# Right, whose picture the worker decoded ahead, and Left, whose picture is decoded again.
#
#   bench/key_steps.sh [STEPS]     (default 6 each way)
#
# Needs the win64 build (Orvanta.scr, e2e_driver.exe) and its template prefix, which the first
# end-to-end run makes (ctest --preset win64 -R 'e2e\.(setup24|cleanup24)'); override with
# ORVANTA_WIN64_BUILD.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# shellcheck source=../scripts/lib/wine.sh
. "$root/scripts/lib/wine.sh"
steps=${1:-6}
win=${ORVANTA_WIN64_BUILD:-$root/build/win64}
template=$win/tests/e2e/prefix-template
[ -f "$template/.orvanta-prefix" ] || { echo "no template prefix in $template: run the e2e setup first"; exit 1; }
[ -f "$win/Orvanta.scr" ] && [ -f "$win/tests/e2e/e2e_driver.exe" ] || { echo "build $win first"; exit 1; }

work=$(mktemp -d /tmp/orvanta-keys-bench.XXXXXX)
ORV_BENCH_WORK=$work
trap orv_bench_end EXIT
orv_wine_env
cp -a "$template" "$work/prefix"
export WINEPREFIX=$work/prefix
orv_bench_start 1920x1080x24 || exit 1

ORVANTA_SCR="Z:${win//\//\\}\\Orvanta.scr" ORVANTA_BENCH_STEPS=$steps \
  wine "$win/tests/e2e/e2e_driver.exe" bench_key_steps </dev/null >"$work/driver.log" 2>&1 || true
tr -d '\r' <"$work/driver.log" | sed 's/^ */  /'
