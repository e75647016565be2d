#!/usr/bin/env bash
# A 24-megapixel PNG (6000 x 4000, made here) shown full screen at 1920 x 1080 by the real saver
# under Wine: CPU time per slide and the saver's peak working set, beside, in the same run, a bare
# decode of the same file by the imaging component under the same Wine (tools/WicDecode.cpp: the
# platform's own cost) and pngtopnm natively.
#
#   bench/png_slides.sh [SLIDES] [RUNS]     (defaults 10 and 3; medians of RUNS are shown)
#
# Needs the win64 build (Orvanta.scr, e2e_driver.exe, WicDecode.exe) and its template prefix,
# which the first end-to-end run makes; pngtopnm from netpbm. As bench/photo_slides.sh, the
# saver's CPU time and VmHWM are read from /proc around SLIDES loads sent as slide-timer ticks.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# shellcheck source=../scripts/lib/wine.sh
. "$root/scripts/lib/wine.sh"
slides=${1:-10}
runs=${2:-3}
win=${ORVANTA_WIN64_BUILD:-$root/build/win64}
bench=${ORVANTA_BENCH_BUILD:-$root/build/bench}
template=$win/tests/e2e/prefix-template
[ -f "$template/.orvanta-prefix" ] || { echo "no template prefix in $template: run the e2e setup first"; exit 1; }
for f in Orvanta.scr tests/e2e/e2e_driver.exe tools/WicDecode.exe; do
  [ -f "$win/$f" ] || { echo "build $win first ($f is missing)"; exit 1; }
done
command -v pngtopnm >/dev/null || { echo "pngtopnm is missing (netpbm)"; exit 1; }
cmake --preset bench -B "$bench" >/dev/null
cmake --build "$bench" -j2 --target bench_jpeg_decode >/dev/null

work=$(mktemp -d /tmp/orvanta-png-bench.XXXXXX)
ORV_BENCH_WORK=$work
trap orv_bench_end EXIT
orv_wine_env

photo=$work/photo-6000x4000.png
"$bench/bench/bench_jpeg_decode" --make "$work/photo.jpg"
convert "$work/photo.jpg" -strip "$photo"
echo "photo: $(stat -c %s "$photo") bytes, 6000 x 4000, $(file -b "$photo" | cut -d, -f3)"
scr=$work/OrvantaBench$$.scr
cp "$win/Orvanta.scr" "$scr"
cp -a "$template" "$work/prefix"
export WINEPREFIX=$work/prefix
orv_bench_start 1920x1080x24 || exit 1

ticks=$(getconf CLK_TCK)
cpu_of() { awk -v t="$ticks" '{ print ($14 + $15) / t }' "/proc/$1/stat"; }  # utime + stime, seconds

saver_run() {  # prints "cpu-per-slide-seconds peak-kB"
  local sync=$work/sync
  rm -rf "$sync" && mkdir -p "$sync"
  ORVANTA_SCR="Z:${scr//\//\\}" ORVANTA_BENCH_PHOTO="Z:${photo//\//\\}" ORVANTA_BENCH_MODE=full \
    ORVANTA_BENCH_SLIDES=$slides ORVANTA_BENCH_SYNC="Z:${sync//\//\\}" \
    wine "$win/tests/e2e/e2e_driver.exe" bench_photo_slides </dev/null >"$work/driver.log" 2>&1 &
  local driver=$! i pid=
  for i in $(seq 900); do [ -f "$sync/ready" ] && break; sleep 0.1; done
  [ -f "$sync/ready" ] || { echo "the driver did not get ready:" >&2; cat "$work/driver.log" >&2; return 1; }
  pid=$(pgrep -f "OrvantaBench$$.scr" | head -1)
  local before after peak
  before=$(cpu_of "$pid")
  touch "$sync/go"
  for i in $(seq 3000); do [ -f "$sync/done" ] && break; sleep 0.1; done
  after=$(cpu_of "$pid")
  peak=$(awk '/^VmHWM/ { print $2 }' "/proc/$pid/status")
  touch "$sync/end"
  wait "$driver" || true
  grep -E "^ *(window|[0-9]+ slides)" "$work/driver.log" | tr -d '\r' | sed 's/^ */    driver: /' >&2 || true
  awk -v a="$after" -v b="$before" -v n="$slides" -v p="$peak" 'BEGIN { printf "%.4f %d\n", (a - b) / n, p }'
}

wic_run() {  # prints "cpu-per-decode-seconds peak-kB", as the program measures itself (its
  # peak working set is the process's VmHWM under Wine; time(1) would see only the launcher)
  wine "$win/tools/WicDecode.exe" "Z:${photo//\//\\}" "$slides" </dev/null >"$work/wic.log" 2>/dev/null
  local size cpu peak
  read -r size cpu peak < <(tr -d '\r' <"$work/wic.log")
  [ -n "$peak" ] || { echo "WicDecode failed" >&2; return 1; }
  echo "$cpu $((peak / 1024))"
}

pnm_run() {  # prints "cpu-per-decode-seconds peak-kB"
  /usr/bin/time -f "%U %S %M" -o "$work/t" bash -c 'for _ in $(seq "$0"); do pngtopnm "$1" >/dev/null; done' \
    "$slides" "$photo"
  awk -v n="$slides" '{ printf "%.4f %d\n", ($1 + $2) / n, $3 }' "$work/t"
}

for what in saver wic pnm; do : >"$work/$what-cpu"; : >"$work/$what-peak"; done
for _ in $(seq "$runs"); do
  for what in saver wic pnm; do
    read -r cpu peak < <("${what}_run")
    echo "$cpu" >>"$work/$what-cpu"
    echo "$peak" >>"$work/$what-peak"
  done
done
printf "%-40s %12s %10s\n" "6000 x 4000 PNG, medians of $runs runs" "CPU/slide" "peak MB"
for what in saver wic pnm; do
  case $what in
    saver) label="Orvanta.scr, full screen 1920 x 1080" ;;
    wic) label="bare WIC decode, same Wine" ;;
    pnm) label="pngtopnm, native" ;;
  esac
  cpu=$(orv_median <"$work/$what-cpu"); peak=$(orv_median <"$work/$what-peak")
  awk -v l="$label" -v c="$cpu" -v p="$peak" 'BEGIN { printf "%-40s %11.3fs %10.1f\n", l, c, p / 1024 }'
  eval "${what}_cpu=$cpu"
done
awk -v s="$saver_cpu" -v w="$wic_cpu" 'BEGIN { printf "saver / bare WIC decode: %.2f\n", s / w }'
