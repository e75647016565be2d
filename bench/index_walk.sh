#!/usr/bin/env bash
# The library index under Wine: what recording a walk into it costs, and what a revalidation of an
# unchanged tree costs against a full walk.
#
#   bench/index_walk.sh [RUNS]        (default 3; medians are shown)
#
# The library is bench/make_library.py's tree (build/bench-library, or ORVANTA_BENCH_LIBRARY;
# ORVANTA_BENCH_SHAPE="ALBUMS DAYS PICTURES" for another shape than 200 x 100 x 10). Round by
# round, after a warm-up walk:
#  - the walk alone: walk_saver FOLDER (FolderWalk on the Win32 enumerator, no index);
#  - the first walk that builds the index: walk_saver FOLDER index FILE on a new FILE;
#  - a revalidation: the same again on the index just built, the tree unchanged.
# Also the index's size on disk after the first walk (the file and its WAL, checkpointed at close).
#
# Needs the win64 build's bench/win/walk_saver.exe (ORVANTA_WIN64_BUILD overrides the build).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# shellcheck source=../scripts/lib/wine.sh
. "$root/scripts/lib/wine.sh"
runs=${1:-3}
win=${ORVANTA_WIN64_BUILD:-$root/build/win64}
library=${ORVANTA_BENCH_LIBRARY:-$root/build/bench-library}
template=$win/tests/e2e/prefix-template
walker=$win/bench/win/walk_saver.exe
[ -f "$walker" ] || { echo "build $win first (no $walker)"; exit 1; }

echo "library: $library"
# shellcheck disable=SC2086
python3 "$root/bench/make_library.py" "$library" ${ORVANTA_BENCH_SHAPE:-}
work=$(mktemp -d /tmp/orvanta-index-bench.XXXXXX)
ORV_BENCH_WORK=$work
trap orv_bench_end EXIT
orv_bench_prefix "$template" || exit 1
orv_bench_start 640x480x24 || exit 1

lib_win=$(orv_winpath "$library")
run() { wine "$walker" "$@" </dev/null 2>/dev/null | tr -d '\r'; }
ms() { sed -E 's/^files [0-9]+, ([0-9]+) ms.*/\1/'; }

run "$lib_win" >/dev/null  # warm-up: the tree in the page cache
: >"$work/alone"; : >"$work/first"; : >"$work/again"
for i in $(seq "$runs"); do
  rm -f "$work/index.db" "$work/index.db-wal" "$work/index.db-shm"
  alone=$(run "$lib_win")
  first=$(run "$lib_win" index "$(orv_winpath "$work")\\index.db")
  again=$(run "$lib_win" index "$(orv_winpath "$work")\\index.db")
  echo "round $i: alone: $alone"
  echo "round $i: first: $first"
  echo "round $i: again: $again"
  ms <<<"$alone" >>"$work/alone"; ms <<<"$first" >>"$work/first"; ms <<<"$again" >>"$work/again"
done
files=$(sed -E 's/^files ([0-9]+).*/\1/' <<<"$alone")
bytes=$(cat "$work"/index.db* | wc -c)
printf "\n%-48s %10s %s\n" "walk of $files pictures" "median ms" "runs"
printf "%-48s %10s %s\n" "the walk alone (no index)" "$(orv_median <"$work/alone")" "$(tr '\n' ' ' <"$work/alone")"
printf "%-48s %10s %s\n" "the first walk, building the index" "$(orv_median <"$work/first")" "$(tr '\n' ' ' <"$work/first")"
printf "%-48s %10s %s\n" "revalidation of the unchanged tree" "$(orv_median <"$work/again")" "$(tr '\n' ' ' <"$work/again")"
awk -v a="$(orv_median <"$work/alone")" -v f="$(orv_median <"$work/first")" -v r="$(orv_median <"$work/again")" \
  'BEGIN { printf "first walk / walk alone: %.2fx; revalidation / walk alone: %.2fx\n", f / a, r / a }'
echo "index on disk: $bytes bytes, $((bytes / files)) bytes a picture"
