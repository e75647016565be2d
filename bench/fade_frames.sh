#!/usr/bin/env bash
# Crossfades in the real saver under Wine: the frames a second that reach the screen during a fade,
# the CPU time per fade, and the CPU time while a slide stands, on one 1920 x 1080 monitor, on one
# 3840 x 2160 monitor, on two 1920 x 1080 monitors side by side, and on the end-to-end suite's
# two-monitor display (800 x 600 and 640 x 480). Also the time from the tick to the first changed
# pixel. ORVANTA_FADE_DISPLAYS names the displays to run (a size, 2x a size for two side by side,
# or dual; default those four). The saver draws on the CPU back-end unless ORVANTA_PRESENTER=gpu
# (Wine's software GL: for the record only, at a small size such as 1024x768).
#
#   bench/fade_frames.sh [FADES] [IDLE_SECONDS]     (defaults 10 and 5)
#
# Needs the win64 build (Orvanta.scr, e2e_driver.exe) and its template prefix, which the first
# end-to-end run makes (ctest --preset win64 -R 'e2e\.(setup24|cleanup24)'); override with
# ORVANTA_WIN64_BUILD. The driver (bench_fade_frames) posts FADES ticks, each after the last fade
# ended, and counts the values the primary monitor's centre takes; the saver's CPU time is read
# from /proc around the fades, and again around IDLE_SECONDS with no tick at all.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# shellcheck source=../scripts/lib/wine.sh
. "$root/scripts/lib/wine.sh"
fades=${1:-10}
idle=${2:-5}
win=${ORVANTA_WIN64_BUILD:-$root/build/win64}
template=$win/tests/e2e/prefix-template
[ -f "$template/.orvanta-prefix" ] || { echo "no template prefix in $template: run the e2e setup first"; exit 1; }
[ -f "$win/Orvanta.scr" ] && [ -f "$win/tests/e2e/e2e_driver.exe" ] || { echo "build $win first"; exit 1; }

work=$(mktemp -d /tmp/orvanta-fade-bench.XXXXXX)
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

# A saver binary of a name no other run uses, so its host process is found by that name alone.
scr=$work/OrvantaFade$$.scr
cp "$win/Orvanta.scr" "$scr"
cp -a "$template" "$work/prefix"
export WINEPREFIX=$work/prefix
ticks=$(getconf CLK_TCK)
cpu_of() { awk -v t="$ticks" '{ print ($14 + $15) / t }' "/proc/$1/stat"; }  # utime + stime, seconds

start_display() {  # start_display 1920x1080 | 2x1920x1080 | dual
  stop_display
  case $1 in
    dual)
      orv_start_dual "$work/x" || exit 1
      xpids=("$ORV_X_PID" "$ORV_HOST_X_PID") ;;
    2x*)
      local size=${1#2x}
      orv_start_xvfb "$work/host.log" "$((${size%x*} * 2))x$((${size#*x} + 100))x24" || exit 1
      xpids=("$ORV_X_PID")
      DISPLAY=$ORV_X_DISPLAY orv_start_x "$work/xephyr.log" 15 Xephyr -screen "$size" -screen "$size" \
        +xinerama -extension RANDR -nolisten tcp || exit 1
      xpids=("$ORV_X_PID" "${xpids[@]}") ;;
    *)
      orv_start_xvfb "$work/xvfb.log" "$1x24" || exit 1
      xpids=("$ORV_X_PID") ;;
  esac
  export DISPLAY=$ORV_X_DISPLAY
  setsid wineserver -f -p </dev/null >/dev/null 2>&1 &
  server=$!
}

printf "%-30s %12s %14s %14s %14s\n" "display" "frames/s" "first change" "cpu per fade" "cpu standing"
read -r -a displays <<<"${ORVANTA_FADE_DISPLAYS:-1920x1080 3840x2160 2x1920x1080 dual}"
for display in "${displays[@]}"; do
  start_display "$display"
  sync=$work/sync
  rm -rf "$sync" && mkdir -p "$sync"
  ORVANTA_SCR="Z:${scr//\//\\}" ORVANTA_BENCH_FADES=$fades ORVANTA_BENCH_SYNC="Z:${sync//\//\\}" \
    wine "$win/tests/e2e/e2e_driver.exe" bench_fade_frames </dev/null >"$work/driver.log" 2>&1 &
  driver=$!
  for _ in $(seq 600); do [ -f "$sync/ready" ] && break; sleep 0.1; done
  [ -f "$sync/ready" ] || { echo "the driver did not get ready:" >&2; cat "$work/driver.log" >&2; exit 1; }
  pid=$(pgrep -f "OrvantaFade$$.scr" | head -1)
  before=$(cpu_of "$pid")
  touch "$sync/go"
  for _ in $(seq 1200); do [ -f "$sync/done" ] && break; sleep 0.1; done
  after=$(cpu_of "$pid")
  sleep "$idle"
  standing=$(cpu_of "$pid")
  touch "$sync/end"
  wait "$driver" || true
  summary=$(tr -d '\r' <"$work/driver.log" | grep -E "^ *[0-9]+ fades:" || true)
  [ -n "$summary" ] || { echo "no figures from the driver:" >&2; cat "$work/driver.log" >&2; exit 1; }
  rate=$(sed -E 's/.* ([0-9.]+) frames a second.*/\1/' <<<"$summary")
  first=$(sed -E 's/.*first change ([0-9.]+) ms.*/\1/' <<<"$summary")
  label=$display
  [ "$display" = dual ] && label="800x600 + 640x480"
  [ "$display" = 2x1920x1080 ] && label="1920x1080 + 1920x1080"
  awk -v l="$label" -v r="$rate" -v f="$first" -v a="$after" -v b="$before" -v s="$standing" -v n="$fades" \
    -v i="$idle" 'BEGIN { printf "%-30s %12.1f %11.1f ms %12.3f s %12.2f %%\n", l, r, f, (a - b) / n, 100 * (s - a) / i }'
done
