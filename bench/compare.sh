#!/usr/bin/env bash
# Compares the resize of korvalis-batch with `vips resize` and ImageMagick's `convert -resize`, all in
# the same run, on the same pixels, single-threaded and with each tool's default threading.
#
# What is timed:
#  - vips: `vips resize in.v out.v SCALE --kernel K`. The .v format is vips's own uncompressed,
#    memory-mapped layout, so the run is almost pure resize time (plus start-up and writing the raw
#    result). The row "vips copy" (the same input copied, no resize) shows that I/O share. Rows "vips gap0" turn off vips's box pre-shrink (--gap 0), so every output pixel comes
#    from the full kernel, as ours do.
#  - ImageMagick: `convert -limit thread N in.mpc -filter F -resize P% out.mpc`. MPC is its memory-
#    mappable cache format, again close to pure resize time.
#  - korvalis-batch: `korvalis-batch --resize WxH:F --bmp32 -o out.bmp in.bmp`: this includes reading an
#    uncompressed 24-bit BMP and writing the 32-bit BMP result, so it is an upper bound of our resize.
#  - "kv in-process": the real time of the same stretch from kv_bench (BM_Stretch), pure resize time.
# Threads: vips VIPS_CONCURRENCY=1, ImageMagick -limit thread 1, korvalis KV_THREADS=1, kv_bench
# threads:1; "default" leaves each tool alone (2 cores on the reference machine).
# Kernels: our sfLinear2 is a triangle, matched with vips "linear" and ImageMagick "Triangle"; our
# sfSpline is a cubic B-spline, matched with ImageMagick "Cubic" (a B-spline) and vips "cubic" (the
# nearest vips offers; it is Catmull-Rom). vips works on 3 bands, we on 4 (alpha included).
#
# Effects (second part): greyscale, blur and sharpen side by side with the nearest operations of
# the other tools, on the same 6000 x 4000 input:
#  - greyscale: ours is "Сделать чёрно-белым" (--bw) and ToGreyscale; vips `colourspace b-w`;
#    ImageMagick `-colorspace Gray`.
#  - blur: ours is "Быстрое размытие" (--blur 1:defocus: the mean of the four diagonal neighbours at
#    distance 1, about a Gaussian of sigma 1); vips `gaussblur 1`; ImageMagick `-blur 0x1`.
#  - sharpen: ours is "Быстрая резкость" (--sharpen 5: a 3 x 3 cross); vips `sharpen` with its
#    defaults (sigma 0.5, a 3 x 3 mask, in LabS); ImageMagick `-sharpen 0x1`.
#  The korvalis-batch rows read a 24-bit BMP and write a 32-bit one; a step the tool does not offer
#  shows "-". The "kv in-process" rows are kv_bench times of the routine alone.
# The third part is the memory-speed check: every per-pixel effect routine without random draws as
# a ratio to a memcpy of the 96 MB picture, from one kv_bench run (so the figures share one
# machine state); the target is a ratio of at most 4.
#
# Builds nothing: run after building korvalis-batch and (optionally) kv_bench.
# Usage: bench/compare.sh [BIN_DIR]   (default build/bin; RUNS=n sets the timed runs per command;
# PARTS="resize effects memory" picks the parts, all by default)
set -euo pipefail

here="$(cd "$(dirname "$0")/.." && pwd)"
bin="$(cd "${1:-${KV_BIN_DIR:-$here/build/bin}}" && pwd)"
runs="${RUNS:-5}"
# shellcheck source=bench/common.sh
source "$here/bench/common.sh"
batch="$bin/korvalis-batch"
kvbench="$bin/kv_bench"
[ -x "$batch" ] || { echo "compare.sh: $batch not found; build korvalis-batch first" >&2; exit 1; }
command -v vips >/dev/null || { echo "compare.sh: vips not found (apt package libvips-tools)" >&2; exit 1; }
find_convert compare.sh

# The tool refuses to replace an existing output unless told to; the timed runs write the same
# output again and again.
batch_help="$("$batch" --help 2>&1 || true)"
ow=""
grep -q -- "--overwrite" <<<"$batch_help" && ow="--overwrite"

pick_photo

enter_work_folder

echo "Preparing inputs from $(basename "$photo") ..."
# The same pixels for every tool: our loader and sfLinear2 make the inputs, the tools convert them
# losslessly to their own formats.
"$batch" --resize 6000x4000:linear2 -o big.bmp "$photo"
"$batch" --resize 2000x1333:linear2 -o small.bmp "$photo"
for f in big small; do
    vips copy "$f.bmp" "$f.v"
    "$convert" "$f.bmp" "$f.mpc"
done

# kv_bench real time (ms) of one BM_Stretch case, or "-" when kv_bench is not built.
kv_inprocess() {
    local name="$1" threads="$2"
    [ -x "$kvbench" ] || { echo "-"; return; }
    "$kvbench" --benchmark_filter="^BM_Stretch/${name}/threads:${threads}/real_time\$" \
        --benchmark_format=csv --benchmark_repetitions=1 2>/dev/null |
        awk -F, -v n="BM_Stretch/${name}/threads:${threads}/real_time" '
            { gsub(/"/, "", $1) }
            $1 == n { t = $3; u = $5; gsub(/"/, "", u)
                      if (u == "ns") t /= 1e6; else if (u == "us") t /= 1e3; else if (u == "s") t *= 1e3
                      printf "%.1f", t; found = 1 }
            END { if (!found) printf "-" }'
}

#        case                  input  scale  size       kv filter vips kernel IM filter  bench name
cases=(
    "shrink-25%-linear         big    0.25   1500x1000  linear2   linear      Triangle   Linear2_24MP_to_25pct"
    "shrink-25%-cubic/spline   big    0.25   1500x1000  spline    cubic       Cubic      Spline_24MP_to_25pct"
    "enlarge-200%-linear       small  2      4000x2666  linear2   linear      Triangle   Linear2_2000x1333_to_200pct"
    "enlarge-200%-cubic/spline small  2      4000x2666  spline    cubic       Cubic      Spline_2000x1333_to_200pct"
)

parts="${PARTS:-resize effects memory}"
want() { [[ " $parts " == *" $1 "* ]]; }

if want resize; then
printf "\n%-26s %-24s %10s %10s\n" "case" "tool" "ms" "vs vips1"
for c in "${cases[@]}"; do
    read -r name input scale size kvf kernel imf bname <<<"$c"
    pct="$(awk -v s="$scale" 'BEGIN { printf "%g", s * 100 }')"
    declare -A t=()
    t["vips 1 thread"]=$(time_ms "VIPS_CONCURRENCY=1 vips resize $input.v out.v $scale --kernel $kernel")
    t["vips default"]=$(time_ms "vips resize $input.v out.v $scale --kernel $kernel")
    t["vips copy 1 thread"]=$(time_ms "VIPS_CONCURRENCY=1 vips copy $input.v out.v")
    t["vips gap0 1 thread"]=$(time_ms "VIPS_CONCURRENCY=1 vips resize $input.v out.v $scale --kernel $kernel --gap 0")
    t["magick 1 thread"]=$(time_ms "$convert -limit thread 1 $input.mpc -filter $imf -resize $pct% out.mpc")
    t["magick default"]=$(time_ms "$convert $input.mpc -filter $imf -resize $pct% out.mpc")
    t["korvalis-batch 1 thread"]=$(time_ms "KV_THREADS=1 $batch $ow --resize $size:$kvf --bmp32 -o out.bmp $input.bmp")
    t["korvalis-batch default"]=$(time_ms "$batch $ow --resize $size:$kvf --bmp32 -o out.bmp $input.bmp")
    t["kv in-process 1 thread"]=$(kv_inprocess "$bname" 1)
    t["kv in-process default"]=$(kv_inprocess "$bname" 0)
    ref="${t["vips 1 thread"]}"
    for tool in "vips 1 thread" "vips default" "vips copy 1 thread" "vips gap0 1 thread" "magick 1 thread" "magick default" \
        "korvalis-batch 1 thread" "korvalis-batch default" "kv in-process 1 thread" "kv in-process default"; do
        v="${t[$tool]}"
        ratio="$(ratio_of "$v" "$ref")"
        printf "%-26s %-24s %10s %10s\n" "$name" "$tool" "$v" "$ratio"
    done
    unset t
done
echo
echo "ratio = tool time / vips single-threaded time (below 1: faster than vips)."
fi

# kv_bench real times (ms) of every benchmark matching a filter, from one run: "name ms" lines.
kv_bench_all() {
    [ -x "$kvbench" ] || return 0
    "$kvbench" --benchmark_filter="$1" --benchmark_format=csv --benchmark_repetitions=1 2>/dev/null |
        awk -F, 'NR > 1 { gsub(/"/, "", $1); t = $3; u = $5; gsub(/"/, "", u)
                          if (u == "ns") t /= 1e6; else if (u == "us") t /= 1e3; else if (u == "s") t *= 1e3
                          printf "%s %.2f\n", $1, t }'
}
lookup() { awk -v n="$2" '$1 == n { print $2; found = 1 } END { if (!found) print "-" }' <<<"$1"; }

# Whether korvalis-batch offers a step (its usage text names the option).
batch_has() { grep -q -- "$1" <<<"$batch_help"; }

if want effects; then
    [ -f big.v ] || { "$batch" $ow --resize 6000x4000:linear2 -o big.bmp "$photo"; vips copy big.bmp big.v; "$convert" big.bmp big.mpc; }
    fxbench="$(kv_bench_all '^BM_Fx(ToGreyscale24|BlackAndWhite32|DiagonalBlur1_24|Sharpen24)/threads:[01]/real_time$')"
    #        case        kv batch args           vips command                  magick args            in-process bench
    effects=(
        "greyscale|--bw|colourspace big.v out.v b-w|-colorspace Gray|BM_FxToGreyscale24"
        "blur|--blur 1:defocus|gaussblur big.v out.v 1|-blur 0x1|BM_FxDiagonalBlur1_24"
        "sharpen|--sharpen 5|sharpen big.v out.v|-sharpen 0x1|BM_FxSharpen24"
    )
    printf "\n%-12s %-24s %10s %10s\n" "effect" "tool" "ms" "vs vips1"
    for e in "${effects[@]}"; do
        IFS='|' read -r name kvargs vipscmd imargs bname <<<"$e"
        declare -A t=()
        t["vips 1 thread"]=$(time_ms "VIPS_CONCURRENCY=1 vips $vipscmd")
        t["vips default"]=$(time_ms "vips $vipscmd")
        t["magick 1 thread"]=$(time_ms "$convert -limit thread 1 big.mpc $imargs out.mpc")
        t["magick default"]=$(time_ms "$convert big.mpc $imargs out.mpc")
        if batch_has "${kvargs%% *}"; then
            t["korvalis-batch 1 thread"]=$(time_ms "KV_THREADS=1 $batch $ow $kvargs --bmp32 -o out.bmp big.bmp")
            t["korvalis-batch default"]=$(time_ms "$batch $ow $kvargs --bmp32 -o out.bmp big.bmp")
        else
            t["korvalis-batch 1 thread"]="-"
            t["korvalis-batch default"]="-"
        fi
        t["kv in-process 1 thread"]=$(lookup "$fxbench" "$bname/threads:1/real_time")
        t["kv in-process default"]=$(lookup "$fxbench" "$bname/threads:0/real_time")
        ref="${t["vips 1 thread"]}"
        for tool in "vips 1 thread" "vips default" "magick 1 thread" "magick default" "korvalis-batch 1 thread" \
            "korvalis-batch default" "kv in-process 1 thread" "kv in-process default"; do
            v="${t[$tool]}"
            ratio="$(ratio_of "$v" "$ref")"
            printf "%-12s %-24s %10s %10s\n" "$name" "$tool" "$v" "$ratio"
        done
        unset t
    done
    echo
    echo "ratio = tool time / vips single-threaded time. The tools' rows include start-up and file I/O."
fi

if want memory; then
    if [ -x "$kvbench" ]; then
        mem="$(kv_bench_all '^BM_Fx(Memcpy24MP|ToGreyscale24|BlackAndWhite32|InvertChannels24|EmbossRelief24|TintOneColour24|Sepia32|BlockMosaic60_24|BlockMosaic5_24|BlockMosaic2_24|OvalMatte24|Posterize24|Sharpen24|Sharpen2_24|DiagonalBlur1_24|CopyTo24|CopyFrom24)/threads:[01]/real_time$')"
        printf "\n%-28s %12s %10s %12s %10s\n" "routine (24 MP)" "ms 1 thread" "x memcpy" "ms default" "x memcpy"
        m1=$(lookup "$mem" "BM_FxMemcpy24MP/threads:1/real_time")
        m0=$(lookup "$mem" "BM_FxMemcpy24MP/threads:0/real_time")
        awk '{ split($1, a, "/"); print a[1] }' <<<"$mem" | awk '!seen[$0]++' | while read -r b; do
            t1=$(lookup "$mem" "$b/threads:1/real_time")
            t0=$(lookup "$mem" "$b/threads:0/real_time")
            printf "%-28s %12s %10s %12s %10s\n" "${b#BM_Fx}" "$t1" \
                "$(awk -v v="$t1" -v r="$m1" 'BEGIN { printf "%.2f", v / r }')" "$t0" \
                "$(awk -v v="$t0" -v r="$m0" 'BEGIN { printf "%.2f", v / r }')"
        done
        echo
        echo "x memcpy = routine time / memcpy of the 96 MB picture at the same thread count, one run."
    else
        echo "compare.sh: $kvbench not built; the memory-speed table is left out" >&2
    fi
fi
