#!/usr/bin/env bash
# Pan and zoom in the real saver under Wine on the CPU back-end: frames presented a second, the
# spread of the frame times (median, 95th percentile, longest) from the saver's own frame log, the
# median pixel work of a frame (resampling and blending, from the same log: the rest of a frame is
# the BitBlt, which the X server finishes, and the wait for the display), and the CPU the whole
# saver process takes, at 1920 x 1080 and 3840 x 2160 (or the sizes given).
#
#   bench/motion_frames.sh [SECONDS] [SIZE...]     (defaults 10, 1920x1080 3840x2160)
#
# Needs the win64 build (Orvanta.scr, e2e_driver.exe) and its template prefix, which the first
# end-to-end run makes (ctest --preset win64 -R 'e2e\.(setup24|cleanup24)'); override with
# ORVANTA_WIN64_BUILD. The driver (bench_motion_frames) starts the saver with pan and zoom on and
# waits until the picture moves; the script then reads the saver's CPU time over SECONDS, and the
# driver ends the saver with a key, which writes the frame log (ORVANTA_FRAME_LOG).
# ORVANTA_PRESENTER=gpu measures the Direct3D back-end instead (under Wine's software GL: for the
# record only, at a small size such as 1024x768).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# shellcheck source=../scripts/lib/wine.sh
. "$root/scripts/lib/wine.sh"
seconds=${1:-10}
shift || true
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(1920x1080 3840x2160)
win=${ORVANTA_WIN64_BUILD:-$root/build/win64}
presenter=${ORVANTA_PRESENTER:-cpu}
template=$win/tests/e2e/prefix-template
[ -f "$template/.orvanta-prefix" ] || { echo "no template prefix in $template: run the e2e setup first"; exit 1; }
[ -f "$win/Orvanta.scr" ] && [ -f "$win/tests/e2e/e2e_driver.exe" ] || { echo "build $win first"; exit 1; }

work=$(mktemp -d /tmp/orvanta-motion-bench.XXXXXX)
server=
xpids=()
stop_display() {
  if [ -n "$server" ]; then
    orv_stop_wineserver
    orv_stop_pid "$server"
  fi
  local pid
  for pid in "${xpids[@]}"; do orv_stop_pid "$pid"; done
  server= xpids=()
}
cleanup() {
  stop_display
  rm -rf "$work"
}
trap cleanup EXIT
orv_wine_env

scr=$work/OrvantaMotion$$.scr
cp "$win/Orvanta.scr" "$scr"
cp -a "$template" "$work/prefix"
export WINEPREFIX=$work/prefix
ticks=$(getconf CLK_TCK)
cpu_of() { awk -v t="$ticks" '{ print ($14 + $15) / t }' "/proc/$1/stat"; }  # utime + stime, seconds

printf "%-12s %10s %10s %10s %10s %10s %12s\n" "display" "frames/s" "median" "95th" "longest" "work" "cpu (cores)"
for size in "${sizes[@]}"; do
  stop_display
  orv_start_xvfb "$work/xvfb.log" "${size}x24" || exit 1
  xpids=("$ORV_X_PID")
  export DISPLAY=$ORV_X_DISPLAY
  setsid wineserver -f -p </dev/null >/dev/null 2>&1 &
  server=$!
  sync=$work/sync
  log=$work/frames.log
  rm -rf "$sync" "$log" && mkdir -p "$sync"
  ORVANTA_SCR="Z:${scr//\//\\}" ORVANTA_BENCH_SYNC="Z:${sync//\//\\}" ORVANTA_PRESENTER=$presenter \
    ORVANTA_FRAME_LOG="Z:${log//\//\\}" \
    wine "$win/tests/e2e/e2e_driver.exe" bench_motion_frames </dev/null >"$work/driver.log" 2>&1 &
  driver=$!
  for _ in $(seq 1200); do [ -f "$sync/ready" ] && break; sleep 0.1; done
  [ -f "$sync/ready" ] || { echo "the driver did not get ready:" >&2; cat "$work/driver.log" >&2; exit 1; }
  pid=$(pgrep -f "OrvantaMotion$$.scr" | head -1)
  before=$(cpu_of "$pid")
  start=$(date +%s.%N)
  sleep "$seconds"
  after=$(cpu_of "$pid")
  end=$(date +%s.%N)
  touch "$sync/go"
  for _ in $(seq 600); do [ -f "$sync/done" ] && break; sleep 0.1; done
  wait "$driver" || true
  [ -s "$log" ] || { echo "no frame log:" >&2; cat "$work/driver.log" >&2; exit 1; }
  # The frames of the last SECONDS before the key: their rate, and their intervals' spread.
  grep -v '^#' "$log" | tr -d '\r' | awk -v s="$seconds" '
    { t[n] = $1; w[n++] = $2 }
    END {
      last = t[n - 1]; first = n - 1
      while (first > 0 && last - t[first - 1] <= s * 1000) first--
      printf "rate %.1f\n", (n - 1 - first) * 1000 / (last - t[first])
      for (i = first + 1; i < n; i++) printf "%.3f\n", t[i] - t[i - 1]
      for (i = first + 1; i < n; i++) printf "work %.3f\n", w[i]
    }' >"$work/intervals"
  work_ms=$(sed -n 's/^work //p' "$work/intervals" | sort -n | awk '{ d[++m] = $1 } END { printf "%.1f", d[int((m + 1) / 2)] }')
  rate=$(sed -n 's/^rate //p' "$work/intervals")
  grep -v '^rate\|^work' "$work/intervals" | sort -n | awk -v r="$rate" '
    { d[++m] = $1 }
    END {
      k = int(m * 0.95 + 0.5)
      if (k < 1) k = 1
      printf "%s %.1f %.1f %.1f\n", r, d[int((m + 1) / 2)], d[k], d[m]
    }' \
    >"$work/figures"
  read -r rate median p95 longest <"$work/figures"
  awk -v l="$size" -v r="$rate" -v me="$median" -v p="$p95" -v lo="$longest" -v a="$after" -v b="$before" \
    -v s="$start" -v e="$end" -v w="$work_ms" \
    'BEGIN { printf "%-12s %10.1f %7.1f ms %7.1f ms %7.1f ms %7.1f ms %12.2f\n", l, r, me, p, lo, w, (a - b) / (e - s) }'
done
echo "load: $(cut -d' ' -f1-3 /proc/loadavg), $(nproc) cores"
