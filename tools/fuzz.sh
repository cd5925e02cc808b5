#!/bin/sh
# Runs each fuzz target of a build: first its seed corpus, then new inputs for
# the given number of seconds. New inputs worth keeping go to
# BUILD/fuzz-corpus/<target>, crashing ones to BUILD/fuzz-artifacts/.
# Usage: tools/fuzz.sh BUILD SECONDS
set -u
cd "$(dirname "$0")/.."
build=$1
seconds=$2
mkdir -p "$build/fuzz-artifacts"
failed=""
for target in fuzz_codec fuzz_tables fuzz_converter fuzz_phrases; do
    mkdir -p "$build/fuzz-corpus/$target"
    echo "== $target: ${seconds}s"
    if ! "$build/fuzz/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
            -artifact_prefix="$build/fuzz-artifacts/$target-" -print_final_stats=1 \
            "$build/fuzz-corpus/$target" "tests/fuzz/corpus/$target" >"$build/fuzz-artifacts/$target.log" 2>&1; then
        failed="$failed $target"
        tail -n 40 "$build/fuzz-artifacts/$target.log"
    fi
    grep -E "stat::number_of_executed_units|^Done" "$build/fuzz-artifacts/$target.log"
done
if [ -n "$failed" ]; then
    echo "fuzzing found crashes in:$failed (inputs in $build/fuzz-artifacts/)" >&2
    exit 1
fi
