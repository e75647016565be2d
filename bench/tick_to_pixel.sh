#!/usr/bin/env bash
# The slide change with decoding ahead, in the real saver under Wine at 1920 x 1080: the time from
# a slide-timer tick to the first changed pixel, two 24-megapixel photos shown in turn (the
# driver's bench_tick_to_pixel times it), and the saver's CPU while a slide stands, read from
# /proc over STAND seconds with no tick.
#
#   bench/tick_to_pixel.sh [TICKS] [STAND]     (defaults 8 and 10)
#
# ORVANTA_BENCH_FADE=1 times the first frame of a crossfade instead of the cut.
# Needs the win64 build (Orvanta.scr, e2e_driver.exe) and its template prefix, which the first
# end-to-end run makes (ctest --preset win64 -R 'e2e\.(setup24|cleanup24)'); override with
# ORVANTA_WIN64_BUILD. ORVANTA_BENCH_SCR measures another Orvanta.scr with the same driver.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# shellcheck source=../scripts/lib/wine.sh
. "$root/scripts/lib/wine.sh"
ticks=${1:-8}
stand=${2:-10}
win=${ORVANTA_WIN64_BUILD:-$root/build/win64}
template=$win/tests/e2e/prefix-template
[ -f "$template/.orvanta-prefix" ] || { echo "no template prefix in $template: run the e2e setup first"; exit 1; }
[ -f "$win/Orvanta.scr" ] && [ -f "$win/tests/e2e/e2e_driver.exe" ] || { echo "build $win first"; exit 1; }

work=$(mktemp -d /tmp/orvanta-tick-bench.XXXXXX)
ORV_BENCH_WORK=$work
trap orv_bench_end EXIT
orv_wine_env
# A saver binary of a name no other run uses, so its host process is found by that name alone.
scr=$work/OrvantaTick$$.scr
cp "${ORVANTA_BENCH_SCR:-$win/Orvanta.scr}" "$scr"
cp -a "$template" "$work/prefix"
export WINEPREFIX=$work/prefix
orv_bench_start 1920x1080x24 || exit 1

sync=$work/sync
mkdir -p "$sync"
ORVANTA_SCR="Z:${scr//\//\\}" ORVANTA_BENCH_TICKS=$ticks ORVANTA_BENCH_FADE=${ORVANTA_BENCH_FADE:-0} ORVANTA_BENCH_SYNC="Z:${sync//\//\\}" \
  wine "$win/tests/e2e/e2e_driver.exe" bench_tick_to_pixel </dev/null >"$work/driver.log" 2>&1 &
driver=$!
for _ in $(seq 1800); do [ -f "$sync/stand" ] && break; sleep 0.1; done
[ -f "$sync/stand" ] || { echo "the driver did not finish its ticks:" >&2; cat "$work/driver.log" >&2; exit 1; }
pid=$(pgrep -f "OrvantaTick$$.scr" | head -1)
hz=$(getconf CLK_TCK)
cpu_of() { awk -v t="$hz" '{ print ($14 + $15) / t }' "/proc/$1/stat"; }  # utime + stime, seconds
before=$(cpu_of "$pid")
sleep "$stand"
after=$(cpu_of "$pid")
touch "$sync/end"
wait "$driver" || true
tr -d '\r' <"$work/driver.log" | sed 's/^ */  /'
awk -v a="$after" -v b="$before" -v s="$stand" 'BEGIN {
  printf "  CPU while a slide stands: %.3f s over %d s (%.2f %% of a core)\n", a - b, s, 100 * (a - b) / s }'
