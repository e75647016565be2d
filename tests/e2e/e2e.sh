#!/usr/bin/env bash
# Runs the end-to-end cases under Wine on a private Xvfb display. Called by ctest:
#
#   e2e.sh setup   <state dir> <depth> <template dir> <driver.exe> <Orvanta.scr>
#       starts Xvfb (800 x 600 at <depth> bits) on a free display, builds the template prefix once
#       per build tree, copies it for this run, starts one persistent wineserver and writes
#       <state dir>/env;
#   e2e.sh run     <state dir> <case> <timeout seconds>
#       runs one case of the driver; exit code 0 means the case passed;
#   e2e.sh cleanup <state dir>
#       stops the wineserver and Xvfb by their pids and removes the run's prefix.
#
# With E2E_ISOLATED=1, "run" gives the case a fresh copy of the template prefix and a wineserver
# of its own (about 3 s more per case) instead of the run's shared prefix.
set -uo pipefail

wine_env() {
  export WINEDEBUG=-all WINEARCH=win64 WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
}

alive() { [ -n "${1:-}" ] && kill -0 "$1" 2>/dev/null; }

stop_pid() {  # stop_pid <pid>: TERM, then KILL after 5 s
  local pid=$1 i
  alive "$pid" || return 0
  kill "$pid" 2>/dev/null
  for i in $(seq 50); do alive "$pid" || return 0; sleep 0.1; done
  kill -9 "$pid" 2>/dev/null
}

start_xvfb() {  # start_xvfb <state dir> <depth>: sets DISPLAY_NUM and XVFB_PID
  local state=$1 depth=$2 fifo
  fifo=$state/displayfd
  rm -f "$fifo" && mkfifo "$fifo"
  setsid Xvfb -displayfd 3 -screen 0 "800x600x$depth" -nolisten tcp \
    3>"$fifo" </dev/null >"$state/xvfb.log" 2>&1 &
  XVFB_PID=$!
  DISPLAY_NUM=
  read -r -t 15 DISPLAY_NUM <"$fifo" || true
  rm -f "$fifo"
  if [ -z "$DISPLAY_NUM" ]; then
    echo "e2e: Xvfb did not start"; cat "$state/xvfb.log"; stop_pid "$XVFB_PID"; return 1
  fi
}

build_template() {  # build_template <template dir>; serialised between fixtures by a lock
  local tmpl=$1
  exec 9>"$tmpl.lock"
  flock 9
  if [ ! -f "$tmpl/.e2e-ready" ]; then
    echo "e2e: building the template prefix $tmpl (once per build tree)"
    rm -rf "$tmpl"
    (
      export WINEPREFIX=$tmpl
      wine wineboot -i </dev/null >"$tmpl.log" 2>&1
      # Without a window manager every DestroyWindow of a top-level window would wait ~2 s.
      wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >>"$tmpl.log" 2>&1
      wineserver -w
    )
    if [ -f "$tmpl/user.reg" ] && grep -q '"Managed"="N"' "$tmpl/user.reg"; then
      touch "$tmpl/.e2e-ready"
    else
      echo "e2e: the template prefix could not be made"; tail -20 "$tmpl.log"; flock -u 9; return 1
    fi
  fi
  flock -u 9
}

cmd_setup() {
  local state=$1 depth=$2 tmpl=$3 driver=$4 scr=$5
  wine_env
  [ -f "$driver" ] || { echo "e2e: driver $driver is missing"; return 1; }
  # A fixture left over from an interrupted run is stopped first.
  [ -f "$state/env" ] && cmd_cleanup "$state" >/dev/null 2>&1
  mkdir -p "$state"
  start_xvfb "$state" "$depth" || return 1
  export DISPLAY=:$DISPLAY_NUM
  build_template "$tmpl" || { stop_pid "$XVFB_PID"; return 1; }
  local prefix=$state/prefix
  rm -rf "$prefix"
  cp -a "$tmpl" "$prefix" || { stop_pid "$XVFB_PID"; return 1; }
  export WINEPREFIX=$prefix
  setsid wineserver -f -p </dev/null >"$state/wineserver.log" 2>&1 &
  local server=$!
  cat >"$state/env" <<EOF
export DISPLAY=:$DISPLAY_NUM
export WINEPREFIX='$prefix'
export E2E_TEMPLATE='$tmpl'
export E2E_DRIVER='$driver'
export ORVANTA_SCR='Z:${scr//\//\\}'
XVFB_PID=$XVFB_PID
WINESERVER_PID=$server
EOF
  # Start the prefix's background processes now, so that the first case does not pay for them.
  local t0=$SECONDS
  wine "$driver" --list </dev/null >"$state/warmup.log" 2>&1
  echo "e2e: display :$DISPLAY_NUM at $depth bits (Xvfb $XVFB_PID), wineserver $server," \
    "warm-up $((SECONDS - t0)) s"
  echo "e2e: $(wc -l <"$state/warmup.log") cases in the driver"
}

cmd_cleanup() {
  local state=$1
  [ -f "$state/env" ] || return 0
  # shellcheck disable=SC1091
  . "$state/env"
  wine_env
  if alive "$WINESERVER_PID"; then
    wineserver -k </dev/null >/dev/null 2>&1
    timeout 10 wineserver -w </dev/null >/dev/null 2>&1
    stop_pid "$WINESERVER_PID"
  fi
  stop_pid "$XVFB_PID"
  rm -rf "$WINEPREFIX" "$state/env"
  echo "e2e: stopped wineserver $WINESERVER_PID and Xvfb $XVFB_PID"
}

cmd_run() {
  local state=$1 name=$2 limit=$3
  if [ ! -f "$state/env" ]; then echo "e2e: no fixture in $state (run the e2e.setup test first)"; return 1; fi
  # shellcheck disable=SC1091
  . "$state/env"
  wine_env
  alive "$XVFB_PID" || { echo "e2e: Xvfb $XVFB_PID is gone"; return 1; }
  local isolated=
  if [ "${E2E_ISOLATED:-0}" = 1 ]; then
    isolated=$(mktemp -d "$state/case.XXXXXX")
    cp -a "$E2E_TEMPLATE/." "$isolated/" || return 1
    export WINEPREFIX=$isolated
  else
    alive "$WINESERVER_PID" || { echo "e2e: wineserver $WINESERVER_PID is gone"; return 1; }
  fi
  local log=$state/$name.log
  # Output goes to a file: a Windows process that outlives the driver must not hold ctest's pipe.
  timeout -k 5 "$limit" wine "$E2E_DRIVER" "$name" </dev/null >"$log" 2>&1
  local rc=$?
  cat "$log"
  [ $rc = 124 ] && echo "e2e: case $name timed out after $limit s"
  if [ -n "$isolated" ]; then
    wineserver -k </dev/null >/dev/null 2>&1
    timeout 10 wineserver -w </dev/null >/dev/null 2>&1
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
