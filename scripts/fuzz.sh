#!/usr/bin/env bash
# Builds the libFuzzer targets (fuzz/) with clang and runs each for a bounded time on a scratch
# copy of its committed seeds: fuzz/corpus/NAME is only read; new inputs go to
# BUILD_DIR/corpus/NAME. A crash (or a sanitizer report, a timeout, running out of memory) fails
# the script and leaves the input that caused it in BUILD_DIR/artifacts/NAME/.
# The random seed is fixed by default, so that a run from the committed seeds tries the same
# inputs each time and a failure can be repeated; FUZZ_SEED=0 lets libFuzzer pick one, for
# longer searches by hand.
#   BUILD_DIR     build folder (default: build-fuzz)
#   FUZZ_SECONDS  seconds for each target (default: 60)
#   FUZZ_SEED     libFuzzer's -seed (default: 1)
# An input may take up to 60 s: a damaged font can draw a glyph 32767 pixels high, which the
# sanitized build takes some 15 s over; a hang still fails.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
rastova_install_deps
dir=${BUILD_DIR:-build-fuzz}
seconds=${FUZZ_SECONDS:-60}
seed=${FUZZ_SEED:-1}
if [ ! -f "$dir/build.ninja" ]; then
    cmake -S . -B "$dir" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DBUILD_TESTING=OFF -DRASTOVA_BUILD_BENCH=OFF
fi
cmake --build "$dir" --target parse_fuzzer font_fuzzer

for name in parse font; do
    corpus=$dir/corpus/$name
    artifacts=$dir/artifacts/$name
    log=$dir/$name-fuzzer.log
    mkdir -p "$corpus" "$artifacts"
    cp -n fuzz/corpus/"$name"/* "$corpus"/
    echo "fuzz: ${name}_fuzzer for $seconds s on $corpus; crashing inputs go to $artifacts/"
    if ! "$dir/fuzz/${name}_fuzzer" -max_total_time="$seconds" -seed="$seed" -timeout=60 \
        -artifact_prefix="$artifacts/" -print_final_stats=1 "$corpus" 2>"$log"; then
        tail -n 80 "$log" >&2
        echo "fuzz: ${name}_fuzzer failed; the input that caused it is in $artifacts/:" >&2
        ls -l "$artifacts" >&2
        exit 1
    fi
    grep -E '^(stat::number_of_executed_units|stat::peak_rss_mb|stat::new_units_added)' "$log" |
        sed "s/^/fuzz: ${name}_fuzzer /"
done
