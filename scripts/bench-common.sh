# Sourced by the benchmarks.

# bench_corpus FOLDER: 32 MiB of content that compresses about as ordinary documents do (text,
# numbers and some incompressible data) in FOLDER/text and FOLDER/data.
bench_corpus() {
    local src=$1 i
    mkdir -p "$src/text" "$src/data"
    for i in 1 2 3 4; do
        seq -f "Line %08g: the quick brown fox jumps over the lazy dog, item $i" 1 120000 \
            >"$src/text/t$i.txt"
        truncate -s 6M "$src/text/t$i.txt"
    done
    head -c 4M /dev/urandom >"$src/data/random.bin"
    head -c 3M /dev/urandom | base64 >"$src/data/b64.txt"
    truncate -s 4M "$src/data/b64.txt"
}

seconds() {  # command...: elapsed wall time in seconds
    local start end
    start=$(date +%s.%N)
    "$@" >/dev/null 2>&1
    end=$(date +%s.%N)
    awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f", b - a }'
}

shorter() { awk -v a="$1" -v b="$2" 'BEGIN { print (b < a ? b : a) }'; }  # of two times

ratio() {  # a b: a / b to two places, "-" when either is no time
    awk -v a="$1" -v b="$2" 'BEGIN { if (a != "-" && b + 0 > 0) printf "%.2f", a / b; else print "-" }'
}

winpath() { echo "Z:${1//\//\\}"; }

# bench_small_files FOLDER: 5,000 small text files in 50 folders below FOLDER.
bench_small_files() {
    local dir=$1 i
    for i in $(seq -w 0 49); do mkdir -p "$dir/d$i"; done
    awk -v dir="$dir" 'BEGIN {
        for (i = 1; i <= 5000; i++) {
            f = sprintf("%s/d%02d/note-%05d.txt", dir, i % 50, i)
            printf "note %d: a small file among many, as a source tree has them\n", i > f
            close(f)
        }
    }'
}

# Wine with a desktop that stays, as Windows' shell keeps it, from which the program is
# started. Under Wine the desktop process starts with the first program that uses windows and
# ends some time after the last, so without a shell window kept open every windowed program
# would pay 0.1 to 0.2 s for it (and a program without windows, such as arcdrive, would not).
bench_start_wine_desktop() {
    quarvel_start_display --private
    quarvel_start_wine
    wine explorer.exe >/dev/null 2>&1 &
}
