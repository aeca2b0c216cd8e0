# Helpers shared by the comparison scripts (compare.sh, compare_frames.sh); source it after
# `set -euo pipefail`, with `here` set to the checkout and `runs` to the timed runs per command.

# Sets `convert` to ImageMagick's convert, or stops the script naming the caller ($1).
find_convert() {
    convert=/usr/bin/convert
    [ -x "$convert" ] || convert="$(command -v convert)" || { echo "$1: ImageMagick convert not found" >&2; exit 1; }
}

# Sets `photo` to the input photo: KV_BENCH_PHOTO, else the corpus photo, else the bundled sample.
pick_photo() {
    photo="${KV_BENCH_PHOTO:-$here/../shared/corpus/photos/UNIS_EV0.jpg}"
    [ -f "$photo" ] || photo="$here/data/coffee.png"
}

# Makes a scratch folder, removed when the script ends, and enters it.
enter_work_folder() {
    work="$(mktemp -d)"
    trap 'rm -rf "$work"' EXIT
    cd "$work"
}

# Times one shell command: prints the mean in milliseconds over $runs runs after one warm-up run.
have_hyperfine=0
command -v hyperfine >/dev/null && have_hyperfine=1
time_ms() {
    local cmd="$1"
    if [ $have_hyperfine -eq 1 ]; then
        hyperfine --style none --warmup 1 --runs "$runs" --export-csv t.csv "$cmd" >/dev/null 2>&1 ||
            { echo "FAILED"; return; }
        awk -F, 'NR==2 { printf "%.1f", $2 * 1000 }' t.csv
    else
        bash -c "$cmd" >/dev/null 2>&1 || { echo "FAILED"; return; }
        local total=0 i t0 t1
        for ((i = 0; i < runs; i++)); do
            t0=$(date +%s%N)
            bash -c "$cmd" >/dev/null 2>&1
            t1=$(date +%s%N)
            total=$((total + t1 - t0))
        done
        awk -v t="$total" -v n="$runs" 'BEGIN { printf "%.1f", t / n / 1e6 }'
    fi
}

# Prints value / reference with two decimals, or "-" when either is not a positive number.
ratio_of() {
    awk -v v="$1" -v r="$2" 'BEGIN { if (v + 0 > 0 && r + 0 > 0) printf "%.2f", v / r; else printf "-" }'
}
