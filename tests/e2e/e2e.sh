#!/usr/bin/env bash
# Runs the end-to-end cases under Wine on a private X display. Called by ctest:
#
#   e2e.sh setup   <state dir> <display> <template dir> <driver.exe> <Orvanta.scr>
#       <display> is 24 or 8 (one 800 x 600 Xvfb screen at that depth), WxH (one screen of that
#       size at 24 bits) or dual (two monitors, 800 x 600 and 640 x 480 side by side, Xephyr in an
#       Xvfb). Starts the display, makes the
#       template prefix once per build tree, copies it for this run, starts one persistent
#       wineserver and writes <state dir>/env;
#   e2e.sh run     <state dir> <case> <timeout seconds> [<Orvanta.scr>]
#       runs one case of the driver, against another saver when one is named (the x86 build);
#       exit code 0 means the case passed, 77 that it was skipped: an x86 saver is not run where
#       x86 programs cannot run under Wine (no 32-bit kernel support, ORVANTA_NO_32BIT=1 set, or
#       wine32:i386 not installed; see scripts/lib/x86.sh). E2E_PROGRAM and E2E_ARGUMENT in the
#       environment run another Windows program of the suite (the renderers' check) and argument;
#   e2e.sh cleanup <state dir>
#       stops the wineserver and the X servers by their pids and removes the run's prefix.
#
# With E2E_ISOLATED=1, "run" gives the case a fresh copy of the template prefix and a wineserver
# of its own (about 3 s more per case) instead of the run's shared prefix.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=../../scripts/lib/wine.sh
. "$here/../../scripts/lib/wine.sh"

windows_path() { local p=$1; echo "Z:${p//\//\\}"; }

cmd_setup() {
  local state=$1 display=$2 tmpl=$3 driver=$4 scr=$5
  orv_wine_env
  [ -f "$driver" ] || { echo "e2e: driver $driver is missing"; return 1; }
  # A fixture left over from an interrupted run is stopped first.
  [ -f "$state/env" ] && cmd_cleanup "$state" >/dev/null 2>&1
  mkdir -p "$state"
  ORV_HOST_X_PID=""
  case $display in
    24 | 8) orv_start_xvfb "$state/xvfb.log" "800x600x$display" || return 1 ;;
    dual) orv_start_dual "$state/x" || return 1 ;;
    [0-9]*x[0-9]*) orv_start_xvfb "$state/xvfb.log" "${display}x24" || return 1 ;;
    *) echo "e2e: unknown display kind $display"; return 1 ;;
  esac
  export DISPLAY=$ORV_X_DISPLAY
  stop_x() { orv_stop_pid "$ORV_X_PID"; orv_stop_pid "$ORV_HOST_X_PID"; }

  # One template per build tree, shared by the fixtures; they take turns making it.
  (
    exec 9>"$tmpl.lock"
    flock 9
    orv_make_prefix "$tmpl" "$tmpl.log"
  ) || { stop_x; return 1; }
  local prefix=$state/prefix
  rm -rf "$prefix"
  cp -a "$tmpl" "$prefix" || { stop_x; return 1; }
  export WINEPREFIX=$prefix
  setsid wineserver -f -p </dev/null >"$state/wineserver.log" 2>&1 &
  local server=$!
  cat >"$state/env" <<ENV
export DISPLAY=$ORV_X_DISPLAY
export WINEPREFIX='$prefix'
export E2E_TEMPLATE='$tmpl'
export E2E_DRIVER='$driver'
export ORVANTA_SCR='$(windows_path "$scr")'
X_PID=$ORV_X_PID
HOST_X_PID=$ORV_HOST_X_PID
WINESERVER_PID=$server
ENV
  # Start the prefix's background processes now, so that the first case does not pay for them.
  local t0=$SECONDS
  wine "$driver" --list </dev/null >"$state/warmup.log" 2>&1
  echo "e2e: display $ORV_X_DISPLAY ($display), wineserver $server, warm-up $((SECONDS - t0)) s"
  echo "e2e: $(wc -l <"$state/warmup.log") cases in the driver"
}

cmd_cleanup() {
  local state=$1
  [ -f "$state/env" ] || return 0
  # shellcheck disable=SC1091
  . "$state/env"
  orv_wine_env
  if orv_alive "$WINESERVER_PID"; then
    orv_stop_wineserver
    orv_stop_pid "$WINESERVER_PID"
  fi
  orv_stop_pid "$X_PID"
  orv_stop_pid "$HOST_X_PID"
  rm -rf "$WINEPREFIX" "$state/env"
  echo "e2e: stopped wineserver $WINESERVER_PID and the X server $X_PID"
}

cmd_run() {
  local state=$1 name=$2 limit=$3 scr=${4:-} why
  if [ -n "$scr" ] && why=$(orv_wine_x86_unavailable); then
    echo "e2e: skipped: the x86 saver cannot run under Wine here ($why)"
    return 77
  fi
  if [ ! -f "$state/env" ]; then echo "e2e: no fixture in $state (run its e2e.setup test first)"; return 1; fi
  # shellcheck disable=SC1091
  . "$state/env"
  orv_wine_env
  export E2E_SAVER_MACHINE=x64
  if [ -n "$scr" ]; then
    [ -f "$scr" ] || { echo "e2e: $scr is missing (build its preset first)"; return 1; }
    export ORVANTA_SCR
    ORVANTA_SCR=$(windows_path "$scr")
    E2E_SAVER_MACHINE=x86
  fi
  orv_alive "$X_PID" || { echo "e2e: the X server $X_PID is gone"; return 1; }
  local isolated=
  if [ "${E2E_ISOLATED:-0}" = 1 ]; then
    isolated=$(mktemp -d "$state/case.XXXXXX")
    cp -a "$E2E_TEMPLATE/." "$isolated/" || return 1
    export WINEPREFIX=$isolated
  else
    orv_alive "$WINESERVER_PID" || { echo "e2e: wineserver $WINESERVER_PID is gone"; return 1; }
  fi
  local log=$state/$name${scr:+.x86}.log
  # Output goes to a file: a Windows process that outlives the driver must not hold ctest's pipe.
  # Wine now and then refuses to start a program at all ("ShellExecuteEx failed: Internal error",
  # ERROR_INTERNAL_ERROR) while the previous case's processes are still being torn down; the
  # driver works around the same refusal for the saver it starts. Only that refusal, before the
  # program ran a single line, is tried again, a moment later: a case that ran and failed is not.
  local rc attempt
  for attempt in 1 2 3; do
    timeout -k 5 "$limit" wine "${E2E_PROGRAM:-$E2E_DRIVER}" "${E2E_ARGUMENT:-$name}" </dev/null >"$log" 2>&1
    rc=$?
    if [ $rc = 0 ] || ! grep -q '^ShellExecuteEx failed' "$log" ||
      [ "$(grep -vc -e '^ShellExecuteEx failed' -e '^Application could not be started' -e '^$' "$log")" != 0 ]; then
      break
    fi
    echo "e2e: Wine refused to start the program (attempt $attempt)" >>"$state/start-refusals.log"
    sleep 0.5
  done
  cat "$log"
  [ $rc = 124 ] && echo "e2e: case $name timed out after $limit s"
  if [ -n "$isolated" ]; then
    orv_stop_wineserver
    rm -rf "$isolated"
  fi
  return $rc
}

case "${1:-}" in
  setup) shift; cmd_setup "$@" ;;
  cleanup) shift; cmd_cleanup "$@" ;;
  run) shift; cmd_run "$@" ;;
  *) echo "usage: e2e.sh setup|run|cleanup ..."; exit 2 ;;
esac
