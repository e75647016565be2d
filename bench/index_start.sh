#!/usr/bin/env bash
# The saver with the library index of a large library, under Wine: how long the first start takes
# to build the index, and, with the share cold (OrvantaSlowIo.scr waiting ORVANTA_SLOW_FOLDER_MS,
# default 20, on every folder listing), how long a later start takes to its first picture in
# sorted and in random order, and to the end of its revalidation walk; the saver's peak working
# set after each, and the index's size on disk.
#
#   bench/index_start.sh
#
# The library is bench/make_library.py's tree (build/bench-library, or ORVANTA_BENCH_LIBRARY;
# ORVANTA_BENCH_SHAPE="ALBUMS DAYS PICTURES" for another shape than 200 x 100 x 10: "1000 100 10"
# is 1,000,000 pictures in 100,000 folders). The driver half is e2e_driver.exe bench_index.
# Needs the win64 build (ORVANTA_WIN64_BUILD overrides it).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# shellcheck source=../scripts/lib/wine.sh
. "$root/scripts/lib/wine.sh"
win=${ORVANTA_WIN64_BUILD:-$root/build/win64}
library=${ORVANTA_BENCH_LIBRARY:-$root/build/bench-library}
template=$win/tests/e2e/prefix-template
for f in Orvanta.scr OrvantaSlowIo.scr tests/e2e/e2e_driver.exe; do
  [ -f "$win/$f" ] || { echo "build $win first (no $f)"; exit 1; }
done

echo "library: $library"
# shellcheck disable=SC2086
python3 "$root/bench/make_library.py" "$library" ${ORVANTA_BENCH_SHAPE:-}
work=$(mktemp -d /tmp/orvanta-index-start.XXXXXX)
ORV_BENCH_WORK=$work
trap orv_bench_end EXIT
orv_bench_prefix "$template" || exit 1
orv_bench_start 800x600x24 || exit 1

ORVANTA_SCR=$(orv_winpath "$win/Orvanta.scr") ORVANTA_BENCH_FOLDER=$(orv_winpath "$library") \
  ORVANTA_SLOW_FOLDER_MS=${ORVANTA_SLOW_FOLDER_MS:-20} \
  wine "$win/tests/e2e/e2e_driver.exe" bench_index </dev/null >"$work/driver.log" 2>&1 || {
  echo "the driver failed:" >&2
  tr -d '\r' <"$work/driver.log" >&2
  exit 1
}
tr -d '\r' <"$work/driver.log" | grep -E "walking|built|index [0-9]|first picture|revalidated"
files=$(find "$library" -name '*.bmp' | wc -l)
bytes=$(tr -d '\r' <"$work/driver.log" | sed -nE 's/.*index ([0-9]+) bytes.*/\1/p')
file_bytes=$(tr -d '\r' <"$work/driver.log" | sed -nE 's/.*the file ([0-9]+),.*/\1/p')
echo "pictures: $files; index: $((bytes / files)) bytes a picture with its WAL, $((file_bytes / files)) the file alone"
