#!/usr/bin/env bash
# The JPEG loader against libjpeg-turbo's djpeg -bmp on one 6000 x 4000 picture made here, in both
# output modes (24-bit; 256 colours, djpeg -colors 256), in the same run: median wall time of
# RUNS alternating runs each, the ratio, and peak resident memory against the block's size. CPU time
# (user + system) is shown too: on a busy machine it is the steadier of the two.
#   bench/jpeg_vs_djpeg.sh [RUNS]       (default 7; build folder: $ORVANTA_BENCH_BUILD or build/bench)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
runs=${1:-7}
build=${ORVANTA_BENCH_BUILD:-$root/build/bench}
cmake --preset bench -B "$build" >/dev/null
cmake --build "$build" -j2 --target bench_jpeg_decode >/dev/null
exe="$build/bench/bench_jpeg_decode"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
picture="$work/picture-6000x4000.jpg"
"$exe" --make "$picture"
echo "picture: $(stat -c %s "$picture") bytes, 6000 x 4000"

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

for bits in 24 8; do
  colors=""; [ "$bits" = 8 ] && colors="-colors 256"
  : > "$work/ours"; : > "$work/djpeg"; : > "$work/ours-rss"; : > "$work/djpeg-rss"
  : > "$work/ours-cpu"; : > "$work/djpeg-cpu"
  for _ in $(seq "$runs"); do
    /usr/bin/time -f "%e %U %S %M" -o "$work/t" "$exe" --once "$picture" "$bits" > "$work/once"
    read -r wall user sys rss < "$work/t"; echo "$wall" >> "$work/ours"; echo "$rss" >> "$work/ours-rss"
    echo "$user $sys" | awk '{ print $1 + $2 }' >> "$work/ours-cpu"
    block=$(sed -n 's/.*block_bytes=\([0-9]*\).*/\1/p' "$work/once")
    # shellcheck disable=SC2086
    /usr/bin/time -f "%e %U %S %M" -o "$work/t" djpeg -bmp $colors -outfile /dev/null "$picture"
    read -r wall user sys rss < "$work/t"; echo "$wall" >> "$work/djpeg"; echo "$rss" >> "$work/djpeg-rss"
    echo "$user $sys" | awk '{ print $1 + $2 }' >> "$work/djpeg-cpu"
  done
  ours=$(median < "$work/ours"); theirs=$(median < "$work/djpeg")
  ours_rss=$(median < "$work/ours-rss"); theirs_rss=$(median < "$work/djpeg-rss")
  ours_cpu=$(median < "$work/ours-cpu"); theirs_cpu=$(median < "$work/djpeg-cpu")
  awk -v b="$bits" -v o="$ours" -v t="$theirs" -v orss="$ours_rss" -v trss="$theirs_rss" -v blk="$block" -v oc="$ours_cpu" -v tc="$theirs_cpu" 'BEGIN {
    printf "%2s-bit: wall loader %.3f s, djpeg -bmp %.3f s, ratio %.3f | cpu %.3f s vs %.3f s, ratio %.3f\n",
      b, o, t, o / t, oc, tc, oc / tc
    printf "        peak RSS loader %.1f MiB, djpeg %.1f MiB, block %.1f MiB\n", orss / 1024, trss / 1024, blk / 1048576 }'
done
