#!/usr/bin/env bash
# The CPU back-end under Wine: frames presented a second, the frame-time spread and the CPU the
# process takes (as a share of one core), for pan and zoom and for a crossfade of two moving
# pictures, on one monitor of each size given (default 1920x1080 and 3840x2160). The X server's
# own CPU is shown beside it: under Wine the BitBlt's copy to the screen is the X server's work.
#
#   bench/render_frames.sh [SECONDS] [SIZE...]      (default 10 s)
#
# Needs the win64 build (bench/win/render_frames.exe) and the end-to-end template prefix, which
# the first end-to-end run makes; override the build with ORVANTA_WIN64_BUILD.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# shellcheck source=../scripts/lib/wine.sh
. "$root/scripts/lib/wine.sh"
seconds=${1:-10}
shift || true
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(1920x1080 3840x2160)
win=${ORVANTA_WIN64_BUILD:-$root/build/win64}
template=$win/tests/e2e/prefix-template
program=${ORVANTA_RENDER_FRAMES:-$win/bench/win/render_frames.exe}  # the x86 one from build/win32 too
[ -f "$template/.orvanta-prefix" ] || { echo "no template prefix in $template: run the e2e setup first"; exit 1; }
[ -f "$program" ] || { echo "build $program first"; exit 1; }

work=$(mktemp -d /tmp/orvanta-render-bench.XXXXXX)
server=
xpid=
stop_display() {
  if [ -n "$server" ]; then
    orv_stop_wineserver
    orv_stop_pid "$server"
  fi
  [ -n "$xpid" ] && orv_stop_pid "$xpid"
  server= xpid=
}
cleanup() {
  stop_display
  rm -rf "$work"
}
trap cleanup EXIT
orv_wine_env
# A copy of a name no other run uses, so its process is found by that name alone.
exe=$work/RenderFrames$$.exe
cp "$program" "$exe"
cp -a "$template" "$work/prefix"
export WINEPREFIX=$work/prefix
ticks=$(getconf CLK_TCK)
cpu_of() { awk -v t="$ticks" '{ print ($14 + $15) / t }' "/proc/$1/stat"; }  # utime + stime, seconds

echo "load before: $(cut -d' ' -f1-3 /proc/loadavg), $(nproc) cores"
for size in "${sizes[@]}"; do
  stop_display
  orv_start_xvfb "$work/xvfb.log" "${size}x24" || exit 1
  xpid=$ORV_X_PID
  export DISPLAY=$ORV_X_DISPLAY
  setsid wineserver -f -p </dev/null >/dev/null 2>&1 &
  server=$!
  for mode in motion fade; do
    log=$work/$mode.log
    wine "$exe" "$mode" "$seconds" </dev/null >"$log" 2>&1 &
    runner=$!
    for _ in $(seq 600); do grep -q measuring "$log" && break; sleep 0.05; done
    grep -q measuring "$log" || { echo "render_frames did not start:" >&2; cat "$log" >&2; exit 1; }
    # The Windows process is the busiest of that name (not its launcher).
    pid=$(pgrep -f "RenderFrames$$" | while read -r p; do echo "$(cpu_of "$p") $p"; done | sort -n | tail -1 | cut -d" " -f2)
    before=$(cpu_of "$pid") xbefore=$(cpu_of "$xpid") t0=$(date +%s.%N)
    for _ in $(seq $((seconds * 40 + 400))); do grep -q "frames/s" "$log" && break; sleep 0.05; done
    after=$(cpu_of "$pid") xafter=$(cpu_of "$xpid") t1=$(date +%s.%N)
    wait "$runner" || true
    line=$(tr -d '\r' <"$log" | grep "frames/s" || true)
    [ -n "$line" ] || { echo "no figures:" >&2; cat "$log" >&2; exit 1; }
    awk -v l="$line" -v a="$after" -v b="$before" -v xa="$xafter" -v xb="$xbefore" -v t0="$t0" -v t1="$t1" \
      'BEGIN { printf "%s; process %.0f %% of a core, X server %.0f %%\n", l, 100 * (a - b) / (t1 - t0), 100 * (xa - xb) / (t1 - t0) }'
  done
done
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
