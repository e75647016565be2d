#!/usr/bin/env bash
# A 24-megapixel photo (6000 x 4000, made here) shown by the real saver under Wine: CPU time per
# slide and the saver's peak working set, full screen at 1920 x 1080 and 1366 x 768 and in a
# 152 x 112 preview of a 1920 x 1080 screen, beside djpeg -bmp decoding the whole file and
# djpeg -scale M/8 at the scale the saver chooses for that size, in the same run.
#
#   bench/photo_slides.sh [SLIDES] [RUNS]     (defaults 10 and 3; medians of RUNS are shown)
#
# Needs the win64 build (Orvanta.scr, e2e_driver.exe); override with ORVANTA_WIN64_BUILD. Its
# end-to-end template prefix is made here when it is missing or was made for another Wine flavour
# (wine32:i386 installed or removed since). Only the x64 saver runs: no 32-bit Wine is needed. ORVANTA_BENCH_SCR measures another Orvanta.scr (an older build, say) with
# the same driver. The saver's CPU time and VmHWM are read from /proc around SLIDES loads,
# each sent as a slide-timer tick and repainted by the driver (bench_photo_slides), so the figure
# is the load, decode, palette and paint of one slide, without start-up.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# shellcheck source=../scripts/lib/wine.sh
. "$root/scripts/lib/wine.sh"
slides=${1:-10}
runs=${2:-3}
win=${ORVANTA_WIN64_BUILD:-$root/build/win64}
bench=${ORVANTA_BENCH_BUILD:-$root/build/bench}
template=$win/tests/e2e/prefix-template
[ -f "$win/Orvanta.scr" ] && [ -f "$win/tests/e2e/e2e_driver.exe" ] || { echo "build $win first"; exit 1; }
cmake --preset bench -B "$bench" >/dev/null
cmake --build "$bench" -j2 --target bench_jpeg_decode >/dev/null

work=$(mktemp -d /tmp/orvanta-photo-bench.XXXXXX)
xvfb=
server=
stop_display() {
  if [ -n "$server" ]; then
    orv_stop_wineserver
    orv_stop_pid "$server"
  fi
  orv_stop_pid "$xvfb"
  server= xvfb=
}
cleanup() {
  stop_display
  rm -rf "$work"
}
trap cleanup EXIT
orv_wine_env

photo=$work/photo-6000x4000.jpg
"$bench/bench/bench_jpeg_decode" --make "$photo"
echo "photo: $(stat -c %s "$photo") bytes, 6000 x 4000"
# A saver binary of a name no other run uses, so its host process is found by that name alone.
scr=$work/OrvantaBench$$.scr
cp "${ORVANTA_BENCH_SCR:-$win/Orvanta.scr}" "$scr"
orv_ensure_template "$template" "$work" || exit 1
cp -a "$template" "$work/prefix"
export WINEPREFIX=$work/prefix

ticks=$(getconf CLK_TCK)
cpu_of() { awk -v t="$ticks" '{ print ($14 + $15) / t }' "/proc/$1/stat"; }  # utime + stime, seconds

start_display() {  # start_display WxH
  stop_display
  orv_start_xvfb "$work/xvfb.log" "$1x24" || exit 1
  xvfb=$ORV_X_PID
  export DISPLAY=$ORV_X_DISPLAY
  setsid wineserver -f -p </dev/null >/dev/null 2>&1 &
  server=$!
}

# One run of the saver: prints "cpu-per-slide-seconds peak-kB".
saver_run() {  # saver_run full|preview
  local sync=$work/sync
  rm -rf "$sync" && mkdir -p "$sync"
  ORVANTA_SCR="Z:${scr//\//\\}" ORVANTA_BENCH_PHOTO="Z:${photo//\//\\}" ORVANTA_BENCH_MODE=$1 \
    ORVANTA_BENCH_SLIDES=$slides ORVANTA_BENCH_SYNC="Z:${sync//\//\\}" \
    wine "$win/tests/e2e/e2e_driver.exe" bench_photo_slides </dev/null >"$work/driver.log" 2>&1 &
  local driver=$! i pid=
  for i in $(seq 600); do [ -f "$sync/ready" ] && break; sleep 0.1; done
  [ -f "$sync/ready" ] || { echo "the driver did not get ready:" >&2; cat "$work/driver.log" >&2; return 1; }
  pid=$(pgrep -f "OrvantaBench$$.scr" | head -1)
  local before after
  before=$(cpu_of "$pid")
  touch "$sync/go"
  for i in $(seq 1200); do [ -f "$sync/done" ] && break; sleep 0.1; done
  after=$(cpu_of "$pid")
  local peak
  peak=$(awk '/^VmHWM/ { print $2 }' "/proc/$pid/status")
  touch "$sync/end"
  wait "$driver" || true
  grep -E "^ *(window|[0-9]+ slides)" "$work/driver.log" | tr -d '\r' | sed 's/^ */    driver: /' >&2 || true
  awk -v a="$after" -v b="$before" -v n="$slides" -v p="$peak" 'BEGIN { printf "%.4f %d\n", (a - b) / n, p }'
}

# djpeg's CPU time per decode (user + system over SLIDES decodes, median of RUNS) and its peak RSS.
djpeg_run() {  # djpeg_run [djpeg options]
  : >"$work/dj-cpu"; : >"$work/dj-rss"
  for _ in $(seq "$runs"); do
    # shellcheck disable=SC2016
    /usr/bin/time -f "%U %S %M" -o "$work/t" bash -c 'for _ in $(seq "$0"); do djpeg -bmp "${@:2}" \
      -outfile /dev/null "$1"; done' "$slides" "$photo" "$@"
    read -r user sys rss <"$work/t"
    echo "$user $sys" | awk -v n="$slides" '{ print ($1 + $2) / n }' >>"$work/dj-cpu"
    echo "$rss" >>"$work/dj-rss"
  done
  echo "$(orv_median <"$work/dj-cpu") $(orv_median <"$work/dj-rss")"
}

printf "%-26s %6s %11s %11s %11s %9s %9s %10s\n" "case" "scale" "saver cpu" "djpeg full" "djpeg M/8" \
  "vs full" "vs M/8" "peak MB"
for setup in "1920x1080 full 3" "1366x768 full 2" "1920x1080 preview 1"; do
  read -r size mode m <<<"$setup"
  start_display "$size"
  : >"$work/cpu"; : >"$work/peak"
  for _ in $(seq "$runs"); do
    read -r cpu peak < <(saver_run "$mode")
    echo "$cpu" >>"$work/cpu"; echo "$peak" >>"$work/peak"
  done
  read -r full _ < <(djpeg_run)
  read -r scaled _ < <(djpeg_run -scale "$m/8")
  cpu=$(orv_median <"$work/cpu"); peak=$(orv_median <"$work/peak")
  label="$size $mode"; [ "$mode" = preview ] && label="152x112 preview of $size"
  awk -v l="$label" -v m="$m" -v c="$cpu" -v f="$full" -v s="$scaled" -v p="$peak" 'BEGIN {
    printf "%-26s %6s %10.3fs %10.3fs %10.3fs %9.2f %9.2f %10.1f\n", l, m "/8", c, f, s, c / f, c / s, p / 1024 }'
done
