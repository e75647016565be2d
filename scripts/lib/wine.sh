# Shared by scripts/run, scripts/screenshots, tests/e2e/e2e.sh and tests/install/test-installer:
# the Wine environment, X servers started with a time-out, and processes stopped by pid.
# Source it; it defines functions and changes nothing by itself.

# orv_kernel_runs_x86, orv_wine32_installed, orv_wine_x86_unavailable and the switch
# ORVANTA_NO_32BIT=1 (machines without 32-bit support) are described in x86.sh.
# shellcheck source=x86.sh
. "$(dirname "${BASH_SOURCE[0]}")/x86.sh"

# Wine quiet, 64-bit prefixes (they run x86 programs too where wine32 is installed), and no
# Mono/Gecko install prompts or desktop menu entries.
orv_wine_env() {
  export WINEDEBUG=-all WINEARCH=win64 WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
}

# A prefix made before Wine's 32-bit half was installed cannot load kernel32 afterwards, for
# 64-bit programs too: cached prefixes are keyed on this, and made again when it changes either
# way (setup removes the half on machines that cannot run it).
orv_wine_flavour() {
  if orv_wine32_installed; then
    echo "wine $(wine --version 2>/dev/null) with wine32"
  else
    echo "wine $(wine --version 2>/dev/null) 64-bit only"
  fi
}

orv_alive() { [ -n "${1:-}" ] && kill -0 "$1" 2>/dev/null; }

orv_stop_pid() {  # orv_stop_pid <pid>: TERM, then KILL after 5 s
  local pid=${1:-} i
  orv_alive "$pid" || return 0
  kill "$pid" 2>/dev/null
  for i in $(seq 50); do orv_alive "$pid" || return 0; sleep 0.1; done
  kill -9 "$pid" 2>/dev/null
  return 0
}

# orv_start_x <log> <seconds> <server and arguments...>: starts an X server that reports its
# display number on -displayfd and waits for it at most <seconds>. Sets ORV_X_DISPLAY (":N") and
# ORV_X_PID; on failure prints why and returns 1 with nothing left running.
orv_start_x() {
  local log=$1 limit=$2 fifo fd number=""
  shift 2
  fifo=$(mktemp -u "${TMPDIR:-/tmp}/orvanta-displayfd.XXXXXX")
  mkfifo "$fifo" || return 1
  # Opened read-write first, so neither side blocks on the open and the read below can time out.
  exec {fd}<>"$fifo"
  setsid "$@" -displayfd 3 3>"$fifo" </dev/null >"$log" 2>&1 &
  ORV_X_PID=$!
  read -r -t "$limit" number <&"$fd" || true
  exec {fd}<&-
  rm -f "$fifo"
  if [ -z "$number" ] || ! orv_alive "$ORV_X_PID"; then
    echo "$1 did not report a display within $limit s; its log ($log):" >&2
    tail -20 "$log" >&2
    orv_stop_pid "$ORV_X_PID"
    ORV_X_PID=""
    return 1
  fi
  ORV_X_DISPLAY=":$number"
}

# orv_start_xvfb <log> <width>x<height>x<depth>: one screen, no TCP, ready within 15 s.
orv_start_xvfb() {
  orv_start_x "$1" 15 Xvfb -screen 0 "$2" -nolisten tcp
}

# orv_start_dual <log prefix>: two monitors side by side, 800 x 600 and 640 x 480, as Wine sees
# them through Xinerama: Xephyr inside an Xvfb of its own. Sets ORV_X_DISPLAY (Xephyr's),
# ORV_X_PID (Xephyr) and ORV_HOST_X_PID (the Xvfb under it). RandR stays off, or Wine would see
# one monitor.
orv_start_dual() {
  local log=$1
  orv_start_xvfb "$log-host.log" 1600x800x24 || return 1
  ORV_HOST_X_PID=$ORV_X_PID
  if ! DISPLAY=$ORV_X_DISPLAY orv_start_x "$log.log" 15 Xephyr -screen 800x600 -screen 640x480 \
    +xinerama -extension RANDR -nolisten tcp; then
    orv_stop_pid "$ORV_HOST_X_PID"
    return 1
  fi
}

# orv_prefix_current <dir>: returns 0 when orv_make_prefix made <dir> for this Wine flavour.
orv_prefix_current() {
  [ -f "$1/.orvanta-prefix" ] && [ "$(cat "$1/.orvanta-prefix")" = "$(orv_wine_flavour)" ]
}

# orv_make_prefix <dir> <log>: a Wine prefix as the tests and demos want it, made once: Managed=N
# (without a window manager every DestroyWindow of a top-level window would otherwise wait about
# 2 s). A prefix made for another Wine flavour is made again. Needs an X display.
orv_make_prefix() {
  local dir=$1 log=$2 flavour
  orv_prefix_current "$dir" && return 0
  flavour=$(orv_wine_flavour)
  rm -rf "$dir"
  (
    export WINEPREFIX=$dir
    wine wineboot -i </dev/null >"$log" 2>&1
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >>"$log" 2>&1
    wineserver -w
  )
  if [ -f "$dir/user.reg" ] && grep -q '"Managed"="N"' "$dir/user.reg"; then
    echo "$flavour" >"$dir/.orvanta-prefix"
  else
    echo "the Wine prefix $dir could not be made; the end of $log:" >&2
    tail -20 "$log" >&2
    # The kernel asked without the switch: with the switch, wine32 may well run here.
    if orv_wine32_installed && ! ORVANTA_NO_32BIT='' orv_kernel_runs_x86; then
      echo "wine32:i386 is installed, but this kernel runs no 32-bit programs, so every Wine" \
        "command fails: scripts/setup removes it" >&2
    fi
    return 1
  fi
}

# orv_ensure_template <dir> <log dir>: the end-to-end suite's template prefix <dir> for the
# benchmarks, made as the fixtures make it (under their lock, here on an Xvfb of its own) when it is
# missing or was made for another Wine flavour.
orv_ensure_template() {
  local dir=$1 logs=$2 rc=0
  orv_prefix_current "$dir" && return 0
  orv_start_xvfb "$logs/template-xvfb.log" 800x600x24 || return 1
  (
    export DISPLAY=$ORV_X_DISPLAY
    exec 9>"$dir.lock"
    flock 9
    orv_make_prefix "$dir" "$dir.log"
  ) || rc=1
  orv_stop_pid "$ORV_X_PID"
  return $rc
}

# orv_stop_wineserver: ends every Wine process of $WINEPREFIX and waits for its server, bounded.
orv_stop_wineserver() {
  wineserver -k </dev/null >/dev/null 2>&1
  timeout 10 wineserver -w </dev/null >/dev/null 2>&1
  return 0
}

# A benchmark's display and Wine server. Set ORV_BENCH_WORK to the run's scratch folder and
# `trap orv_bench_end EXIT` first; then orv_bench_start <width>x<height>x<depth> starts a private
# Xvfb of that size (exporting DISPLAY) and one persistent wineserver for $WINEPREFIX.
# orv_bench_end stops both, whichever were started, and removes the scratch folder.
ORV_BENCH_WORK=
ORV_BENCH_XVFB=
ORV_BENCH_SERVER=
orv_bench_start() {
  orv_start_xvfb "$ORV_BENCH_WORK/xvfb.log" "$1" || return 1
  ORV_BENCH_XVFB=$ORV_X_PID
  export DISPLAY=$ORV_X_DISPLAY
  setsid wineserver -f -p </dev/null >/dev/null 2>&1 &
  ORV_BENCH_SERVER=$!
}
# orv_winpath <path>: the path as a Windows program under Wine names it (Z: is the Unix root).
orv_winpath() { local p; p=$(readlink -f "$1"); echo "Z:${p//\//\\}"; }
# orv_median: the median of the numbers on standard input, one a line (the lower of two middles).
orv_median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

# orv_bench_prefix <template>: the benchmark's own Wine prefix, $ORV_BENCH_WORK/prefix, copied from
# the end-to-end suite's template (made first when it is missing), and exported as WINEPREFIX.
orv_bench_prefix() {
  orv_wine_env
  orv_ensure_template "$1" "$ORV_BENCH_WORK" || return 1
  cp -a "$1" "$ORV_BENCH_WORK/prefix"
  export WINEPREFIX=$ORV_BENCH_WORK/prefix
}
orv_bench_end() {
  if [ -n "$ORV_BENCH_SERVER" ]; then
    orv_stop_wineserver
    orv_stop_pid "$ORV_BENCH_SERVER"
  fi
  orv_stop_pid "$ORV_BENCH_XVFB"
  [ -z "$ORV_BENCH_WORK" ] || rm -rf "$ORV_BENCH_WORK"
}
