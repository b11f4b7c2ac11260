#!/usr/bin/env bash
# Installs what is missing, builds the libFuzzer targets (fuzz/targets.cmake)
# with clang and runs each of them for a bounded time, starting from its seed
# corpus in fuzz/corpus/<target>/. Exits non-zero when a target finds a crash,
# a sanitizer report, a leak or a timeout; the input that did it is left in the
# build folder's artifacts/<target>/.
#
# Usage: fuzz/run.sh [SECONDS_PER_TARGET [TARGET...]]
#   SECONDS_PER_TARGET  default 60
#   TARGET              default all of them
# The build folder is build-fuzz/ (TALVIK_FUZZ_BUILD overrides it); new
# inputs the fuzzer finds go to its corpus/<target>/, not into the repository.
# TALVIK_WERROR=ON in the environment (as CI sets it) makes warnings errors.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
seconds="${1:-60}"
[ $# -gt 0 ] && shift

# clang's fuzzing runtime comes with libclang-rt-14-dev; the product code
# needs the same Qt packages as the program.
"$root/scripts/install-packages.sh" build fuzz

# The targets are listed once, in fuzz/targets.cmake.
read -r -a all_targets <<<"$(cmake -P "$root/fuzz/targets.cmake")"
if [ "${#all_targets[@]}" -eq 0 ]; then
    echo "fuzz/run.sh: no targets in fuzz/targets.cmake" >&2
    exit 2
fi
targets=("$@")
if [ "${#targets[@]}" -eq 0 ]; then
    targets=("${all_targets[@]}")
fi
for target in "${targets[@]}"; do
    if [[ " ${all_targets[*]} " != *" $target "* ]]; then
        echo "fuzz/run.sh: unknown target '$target' (known: ${all_targets[*]})" >&2
        exit 2
    fi
done
build_dir="${TALVIK_FUZZ_BUILD:-$root/build-fuzz}"

CXX="${CXX_FUZZ:-clang++}" cmake -S "$root/fuzz" -B "$build_dir" -DCMAKE_BUILD_TYPE=Debug \
    -DTALVIK_WERROR="${TALVIK_WERROR:-OFF}"
cmake --build "$build_dir" -j "$(nproc)" --target "${targets[@]}"

asan_options="${ASAN_OPTIONS:-detect_leaks=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
export LSAN_OPTIONS="${LSAN_OPTIONS:-suppressions=$root/fuzz/lsan.supp:print_suppressions=0}"
passed=0
failed=0
for target in "${targets[@]}"; do
    work="$build_dir/corpus/$target"
    artifacts="$build_dir/artifacts/$target"
    log="$build_dir/$target.log"
    mkdir -p "$work" "$artifacts"
    echo "== $target: ${seconds} s"
    options="$asan_options"
    # The leak in Qt's JSON parser is recognised by its frame, which needs the
    # slow unwinder on every allocation.
    if [ "$target" = fuzz_config_apply ]; then
        options="$options:fast_unwind_on_malloc=0"
    fi
    set +e
    ASAN_OPTIONS="$options" "$build_dir/$target" -max_total_time="$seconds" -timeout=30 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$artifacts/" \
        "$work" "$root/fuzz/corpus/$target" >"$log" 2>&1
    status=$?
    set -e
    if [ "$status" -eq 0 ]; then
        passed=$((passed + 1))
        grep -E '^stat::number_of_executed_units|^stat::peak_rss_mb' "$log" || true
    else
        failed=$((failed + 1))
        echo "!! $target found a problem (exit $status); input in $artifacts/"
        tail -n 60 "$log"
    fi
done
echo "fuzz: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
