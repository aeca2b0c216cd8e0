#!/usr/bin/env bash
# korvalis-batch over a folder of 12-megapixel photos framed with the textured preset 3
# ("Классическая деревянная"): files per second with --jobs 1 and --jobs 2, their ratio, and the
# peak memory of each run; ImageMagick's mogrify -frame over the same folder for reference.
#
#   bench/batch_compare.sh [BUILD_DIR]   (COUNT=200 photos by default; COUNT=40 for a quick run;
#                                         SKIP_IM=1 leaves ImageMagick out)
#
# The photos are made once into $WORK/photos from the corpus photos scaled to 4000x3000.
set -euo pipefail

here="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$here/build}"
batch="$build/bin/korvalis-batch"
count="${COUNT:-200}"
work="${WORK:-/tmp/kv_batch_bench}"
corpus="$here/../shared/corpus/photos"

[ -x "$batch" ] || { echo "no $batch (build the korvalis-batch target first)" >&2; exit 1; }
command -v /usr/bin/time >/dev/null || { echo "needs /usr/bin/time" >&2; exit 1; }

photos="$work/photos_$count"
if [ ! -f "$photos/.complete" ]; then
  rm -rf "$photos"
  mkdir -p "$work/src" "$photos"
  i=0
  for f in "$corpus"/*.jpg "$corpus"/*.png; do
    [ -f "$f" ] || continue
    out="$work/src/src_$i.jpg"
    [ -f "$out" ] || convert "$f" -resize '4000x3000^' -gravity center -extent 4000x3000 -quality 92 "$out"
    i=$((i + 1))
  done
  srcs=("$work"/src/src_*.jpg)
  for ((k = 0; k < count; k++)); do
    cp "${srcs[$((k % ${#srcs[@]}))]}" "$photos/$(printf 'photo_%03d.jpg' "$k")"
  done
  touch "$photos/.complete"
fi

# Runs a command under /usr/bin/time -v; prints "seconds peak_kilobytes cpu_seconds".
measure() {
  local log="$work/time.log"
  /usr/bin/time -v "$@" >/dev/null 2>"$log" || { tail -20 "$log" >&2; return 1; }
  local wall rss user sys
  wall=$(grep 'Elapsed (wall clock)' "$log" | awk '{print $NF}')
  rss=$(grep 'Maximum resident set size' "$log" | awk '{print $NF}')
  user=$(grep 'User time' "$log" | awk '{print $NF}')
  sys=$(grep 'System time' "$log" | awk '{print $NF}')
  # h:mm:ss or m:ss.cc to seconds
  echo "$wall" | awk -F: -v rss="$rss" -v cpu="$(awk -v u="$user" -v s="$sys" 'BEGIN { print u + s }')" \
    '{ s = 0; for (i = 1; i <= NF; i++) s = s * 60 + $i; printf "%.2f %d %.2f\n", s, rss, cpu }'
}

report() { # name seconds rss cpu
  awk -v n="$1" -v s="$2" -v r="$3" -v cpu="$4" -v c="$count" -v load="$(cut -d' ' -f1 /proc/loadavg)" \
    'BEGIN { printf "%-36s %8.2f s %6.2f files/s %6.0f MB peak %7.3f cpu-s/file  (load %s)\n", n, s, c / s, r / 1024, cpu / c, load }'
}

echo "$count photos of 4000x3000 in $photos, $(nproc) cores"
echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg) (other work on the machine skews the figures)"
read -r s1 m1 c1 < <(measure "$batch" --jobs 1 --overwrite --preset 3 -o "$work/out_j1/" "$photos")
report "korvalis-batch --jobs 1 --preset 3" "$s1" "$m1" "$c1"
read -r s2 m2 c2 < <(measure "$batch" --jobs 2 --overwrite --preset 3 -o "$work/out_j2/" "$photos")
report "korvalis-batch --jobs 2 --preset 3" "$s2" "$m2" "$c2"
awk -v a="$s1" -v b="$s2" 'BEGIN { printf "scaling --jobs 2 / --jobs 1: %.2fx\n", a / b }'
if cmp -s <(cd "$work/out_j1" && cat $(ls)) <(cd "$work/out_j2" && cat $(ls)); then
  echo "outputs of --jobs 1 and --jobs 2 are identical"
else
  echo "outputs of --jobs 1 and --jobs 2 DIFFER" >&2
fi

if [ -z "${SKIP_IM:-}" ] && command -v mogrify >/dev/null; then
  rm -rf "$work/out_im" && mkdir -p "$work/out_im"
  # A bevelled wooden-brown frame about as wide as the preset's moulding (12% of 4000 px).
  read -r s3 m3 c3 < <(measure mogrify -path "$work/out_im" -mattecolor '#6b4423' -frame 480x480+120+120 \
    -quality 92 "$photos"/*.jpg)
  report "mogrify -frame (its own threads)" "$s3" "$m3" "$c3"
fi
