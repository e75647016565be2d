#!/usr/bin/env bash
# The Direct3D back-end under Wine's software GL: frames a second of a blend of two screens whose
# new one is a 2048 x 1536 texture drawn bilinear, moving by a fraction of a pixel each frame, at
# 1024 x 768 (and whatever other sizes are named). For the record only: llvmpipe draws it on the
# CPU, so this is no GPU figure. Prints the load average beside it, since the machine is shared.
#
#   bench/gpu_frames.sh [SECONDS] [WxH ...]     (defaults 10 and 1024x768)
#
# Needs the win64 build (tests/e2e/render_check.exe) and its template prefix, which the first
# end-to-end run makes (ctest --preset win64 -R 'e2e\.(setup24|cleanup24)'); override with
# ORVANTA_WIN64_BUILD.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# shellcheck source=../scripts/lib/wine.sh
. "$root/scripts/lib/wine.sh"
seconds=${1:-10}
shift || true
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(1024x768)
win=${ORVANTA_WIN64_BUILD:-$root/build/win64}
template=$win/tests/e2e/prefix-template
check=$win/tests/e2e/render_check.exe
[ -f "$template/.orvanta-prefix" ] || { echo "no template prefix in $template: run the e2e setup first"; exit 1; }
[ -f "$check" ] || { echo "build $win first"; exit 1; }

work=$(mktemp -d /tmp/orvanta-render-bench.XXXXXX)
server=
xpid=
cleanup() {
  if [ -n "$server" ]; then
    orv_stop_wineserver
    orv_stop_pid "$server"
  fi
  [ -n "$xpid" ] && orv_stop_pid "$xpid"
  rm -rf "$work"
}
trap cleanup EXIT
orv_wine_env
cp -a "$template" "$work/prefix"
export WINEPREFIX=$work/prefix

for size in "${sizes[@]}"; do
  w=${size%x*} h=${size#*x}
  # A screen a little larger than the window, which sits at (40, 30).
  orv_start_xvfb "$work/xvfb.log" "$((w + 80))x$((h + 60))x24" || exit 1
  xpid=$ORV_X_PID
  export DISPLAY=$ORV_X_DISPLAY
  setsid wineserver -f -p </dev/null >/dev/null 2>&1 &
  server=$!
  wine "$check" bench "$w" "$h" "$seconds" </dev/null >"$work/bench.log" 2>&1 || true
  line=$(tr -d '\r' <"$work/bench.log" | grep '^render: bench' || true)
  [ -n "$line" ] || { echo "no figures from render_check:" >&2; cat "$work/bench.log" >&2; exit 1; }
  echo "${line#render: bench }; load average $(cut -d' ' -f1-3 /proc/loadavg)"
  orv_stop_wineserver
  orv_stop_pid "$server"
  orv_stop_pid "$xpid"
  server='' xpid=''
done
