#!/usr/bin/env bash
# Compares the panel frame build with ImageMagick's bevelled `-frame` on the same 24-megapixel photo
# (6000 x 4000), both making a 7800 x 5800 picture.
#
# What is timed:
#  - ImageMagick: `convert -limit thread N in.mpc -mattecolor '#FF8000' -frame 900x900+172+172 null:`.
#    MPC is its memory-mappable cache format and null: writes nothing, so the run is start-up,
#    reading and the frame; the row "magick read" (`convert in.mpc null:`) is the start-up and reading
#    share, and "magick frame only" the difference, the frame itself.
#    900 pixels on each side is our mat (300) plus our moulding (600); 172 is our raised profile
#    width g = round(7800/100 · 2.2) for both of its bevels.
#  - kv in-process: the real time of BM_FrameIt24MP from kv_bench: FrameIt with a mat, glare and
#    shadow from the shading maps, a plain texture at RTX 2 and the raised profile, in memory.
#    Its counters tell where the time goes (ms per stage) and the ratio to one memcpy of the framed
#    picture's bytes.
# Threads: ImageMagick -limit thread 1 and its default; kv_bench threads:1 and threads:0 (every
# hardware thread).
#
# Builds nothing: run after building kv_bench (its folder must hold the generated artwork).
# Usage: bench/compare_frames.sh [BIN_DIR]   (default build/bin; RUNS=n sets the timed runs per command)
set -euo pipefail

here="$(cd "$(dirname "$0")/.." && pwd)"
bin="$(cd "${1:-${KV_BIN_DIR:-$here/build/bin}}" && pwd)"
runs="${RUNS:-5}"
# shellcheck source=bench/common.sh
source "$here/bench/common.sh"
kvbench="$bin/kv_bench"
[ -x "$kvbench" ] || { echo "compare_frames.sh: $kvbench not found; build kv_bench first" >&2; exit 1; }
find_convert compare_frames.sh

pick_photo

enter_work_folder

echo "Preparing a 6000x4000 input from $(basename "$photo") ..."
"$convert" "$photo" -filter Triangle -resize '6000x4000!' in.mpc

frame="-mattecolor '#FF8000' -frame 900x900+172+172"
declare -A t=()
t["magick frame 1 thread"]=$(time_ms "$convert -limit thread 1 in.mpc $frame null:")
t["magick frame default"]=$(time_ms "$convert in.mpc $frame null:")
t["magick read 1 thread"]=$(time_ms "$convert -limit thread 1 in.mpc null:")
t["magick frame only 1 thread"]=$(awk -v a="${t["magick frame 1 thread"]}" -v b="${t["magick read 1 thread"]}" \
    'BEGIN { if (a + 0 > 0 && b + 0 > 0) printf "%.1f", a - b; else printf "-" }')
bash -c "$convert in.mpc $frame -format %wx%h info:" >size.txt
echo "ImageMagick framed size: $(cat size.txt)"

# kv_bench: the real time (ms) and counters of one BM_FrameIt24MP case.
"$kvbench" --benchmark_filter='^BM_FrameIt24MP' --benchmark_format=csv --benchmark_min_time=1 2>/dev/null >kv.csv || true
kv_ms() {
    awk -F, -v n="$1" '
        NR == 1 { for (i = 1; i <= NF; i++) { h = $i; gsub(/"/, "", h); col[h] = i } next }
        { name = $1; gsub(/"/, "", name) }
        index(name, n) == 1 { t = $(col["real_time"]); u = $(col["time_unit"]); gsub(/"/, "", u)
            if (u == "ns") t /= 1e6; else if (u == "us") t /= 1e3; else if (u == "s") t *= 1e3
            printf "%.1f", t; found = 1; exit }
        END { if (!found) printf "-" }' kv.csv
}
t["kv in-process 1 thread"]=$(kv_ms "BM_FrameIt24MP/threads:1")
t["kv in-process default"]=$(kv_ms "BM_FrameIt24MP/threads:0")

ref="${t["magick frame only 1 thread"]}"
printf "\n%-28s %10s %16s\n" "tool" "ms" "vs magick frame"
for tool in "magick frame 1 thread" "magick frame default" "magick read 1 thread" "magick frame only 1 thread" \
    "kv in-process 1 thread" "kv in-process default"; do
    v="${t[$tool]}"
    ratio="$(ratio_of "$v" "$ref")"
    printf "%-28s %10s %16s\n" "$tool" "$v" "$ratio"
done

echo
echo "kv stages (ms), memcpy of the framed picture and the ratio to it:"
awk -F, '
    NR == 1 { for (i = 1; i <= NF; i++) { h = $i; gsub(/"/, "", h); col[h] = i; name[i] = h } next }
    { n = $1; gsub(/"/, "", n); if (n !~ /^BM_FrameIt24MP/) next
      line = n
      for (i = 1; i <= NF; i++) if (name[i] ~ /^ms_|memcpy_ratio/) line = line sprintf("  %s=%.1f", name[i], $i)
      print line }' kv.csv
