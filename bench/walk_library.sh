#!/usr/bin/env bash
# A large picture library under Wine: how long the folder walk takes, and how long the saver makes
# its user wait for the window, the first picture and the settings dialog.
#
#   bench/walk_library.sh [WALK_RUNS [SAVER_RUNS]]     (defaults 3 and 1; medians are shown)
#
# The library is 200,000 tiny BMPs in 20,000 folders (bench/make_library.py; kept in
# build/bench-library between runs, or ORVANTA_BENCH_LIBRARY). In one run under the same Wine:
#  - walks, timed inside each program after a warm-up walk and taken in turns: a bare recursive
#    FindFirstFileW walk, the same with FindFirstFileExW and large fetches, and the saver's own
#    walk (FolderWalk on the Win32 enumerator, loop guard and sorting included);
#  - the saver (e2e_driver.exe bench_library): time from its start to the full-screen window, to
#    the first picture and to the dialog, in sorted and random order, plain and through
#    OrvantaSlowIo.scr with ORVANTA_SLOW_FOLDER_MS (default 2) per folder read, as a share would;
#    an empty folder gives the times the library is compared against.
#
# Needs the win64 build (Orvanta.scr, OrvantaSlowIo.scr, e2e_driver.exe, bench/win/*.exe); override
# with ORVANTA_WIN64_BUILD. Its end-to-end template prefix is made here when it is missing or was
# made for another Wine flavour. Only x64 programs run: no 32-bit Wine is needed. ORVANTA_BENCH_SCR
# and ORVANTA_BENCH_SLOW_SCR measure other builds of the two savers with the same driver;
# ORVANTA_BENCH_SAVER=0 times the walks alone.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# shellcheck source=../scripts/lib/wine.sh
. "$root/scripts/lib/wine.sh"
walk_runs=${1:-3}
saver_runs=${2:-1}
slow_ms=${ORVANTA_SLOW_FOLDER_MS:-2}
win=${ORVANTA_WIN64_BUILD:-$root/build/win64}
library=${ORVANTA_BENCH_LIBRARY:-$root/build/bench-library}
template=$win/tests/e2e/prefix-template
for f in Orvanta.scr OrvantaSlowIo.scr tests/e2e/e2e_driver.exe bench/win/walk_bare.exe \
  bench/win/walk_large_fetch.exe bench/win/walk_saver.exe; do
  [ -f "$win/$f" ] || { echo "build $win first (no $f)"; exit 1; }
done

echo "library: $library"
python3 "$root/bench/make_library.py" "$library"
work=$(mktemp -d /tmp/orvanta-walk-bench.XXXXXX)
mkdir -p "$work/empty"
ORV_BENCH_WORK=$work
trap orv_bench_end EXIT
orv_bench_prefix "$template" || exit 1
orv_bench_start 800x600x24 || exit 1

# Walks: "files N, M ms" from each program; a first walk warms the caches for all three.
lib_win=$(orv_winpath "$library")
wine "$win/bench/win/walk_bare.exe" "$lib_win" </dev/null >/dev/null 2>&1
# Round by round, each walker once a round, so a change in the machine's load falls on all three.
walkers="walk_bare walk_large_fetch walk_saver"
for walker in $walkers; do : >"$work/$walker.ms"; done
for _ in $(seq "$walk_runs"); do
  for walker in $walkers; do
    line=$(wine "$win/bench/win/$walker.exe" "$lib_win" </dev/null 2>/dev/null | tr -d '\r')
    sed -E 's/^files ([0-9]+).*/\1/' <<<"$line" >"$work/files"
    sed -E 's/^files [0-9]+, ([0-9]+) ms.*/\1/' <<<"$line" >>"$work/$walker.ms"
  done
done
printf "%-44s %10s %12s %s\n" "walk of the library" "files" "median ms" "runs"
for walker in $walkers; do
  case $walker in
    walk_bare) label="bare FindFirstFileW" ;;
    walk_large_fetch) label="FindFirstFileExW, basic, large fetch" ;;
    *) label="the saver's walk (guard, sort, long paths)" ;;
  esac
  printf "%-44s %10s %12s %s\n" "$label" "$(cat "$work/files")" "$(orv_median <"$work/$walker.ms")" \
    "$(tr '\n' ' ' <"$work/$walker.ms")"
done

[ "${ORVANTA_BENCH_SAVER:-1}" = 1 ] || exit 0

# One saver run: prints the driver's figures as "window MS first MS" or "dialog MS".
saver_run() {  # saver_run SCR FOLDER full|dialog RANDOM SLOW_MS
  local scr=$1 folder=$2 mode=$3 random=$4 slow=$5 picture=1
  [ -n "$(ls -A "$folder")" ] || picture=0
  ORVANTA_BENCH_PICTURE=$picture ORVANTA_SCR=$(orv_winpath "$scr") ORVANTA_BENCH_FOLDER=$(orv_winpath "$folder") ORVANTA_BENCH_MODE=$mode \
    ORVANTA_BENCH_RANDOM=$random ORVANTA_SLOW_FOLDER_MS=$slow ORVANTA_BENCH_LIMIT_MS=${ORVANTA_BENCH_LIMIT_MS:-240000} \
    wine "$win/tests/e2e/e2e_driver.exe" bench_library </dev/null >"$work/driver.log" 2>&1 || {
    echo "the driver failed:" >&2
    tr -d '\r' <"$work/driver.log" >&2
    return 1
  }
  tr -d '\r' <"$work/driver.log" | awk '/^ *(window|first picture|dialog) [0-9]+ ms/ {
    printf "%s ", $(NF - 1) } END { print "" }'
}

# Medians over SAVER_RUNS of each figure.
saver_case() {  # saver_case LABEL SCR FOLDER RANDOM SLOW_MS
  local label=$1 scr=$2 folder=$3 random=$4 slow=$5 i window first dialog
  : >"$work/w"; : >"$work/f"; : >"$work/d"
  for i in $(seq "$saver_runs"); do
    read -r window first < <(saver_run "$scr" "$folder" full "$random" "$slow")
    echo "$window" >>"$work/w"; echo "${first:-}" >>"$work/f"
    read -r dialog < <(saver_run "$scr" "$folder" dialog "$random" "$slow")
    echo "$dialog" >>"$work/d"
  done
  printf "%-44s %10s %12s %10s\n" "$label" "$(orv_median <"$work/w")" "$(orv_median <"$work/f")" "$(orv_median <"$work/d")"
}

scr=${ORVANTA_BENCH_SCR:-$win/Orvanta.scr}
slow_scr=${ORVANTA_BENCH_SLOW_SCR:-$win/OrvantaSlowIo.scr}
echo
printf "%-44s %10s %12s %10s\n" "saver, ms from its start" "window" "first pic" "dialog"
saver_case "empty folder" "$scr" "$work/empty" 0 0
saver_case "library, sorted" "$scr" "$library" 0 0
saver_case "library, random" "$scr" "$library" 1 0
saver_case "empty folder, $slow_ms ms a folder" "$slow_scr" "$work/empty" 0 "$slow_ms"
saver_case "library, sorted, $slow_ms ms a folder" "$slow_scr" "$library" 0 "$slow_ms"
saver_case "library, random, $slow_ms ms a folder" "$slow_scr" "$library" 1 "$slow_ms"
