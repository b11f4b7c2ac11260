#!/usr/bin/env bash
# Sets up, builds and runs the whole test suite headless; exits non-zero on
# any failure. With --sanitize the suite runs under AddressSanitizer and
# UndefinedBehaviorSanitizer in a separate build folder. TALVIK_WERROR=ON in
# the environment (as CI sets it) makes every compiler warning an error.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

build_dir="$root/build"
cmake_args=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DTALVIK_SANITIZE=OFF)
if [ "${1:-}" = "--sanitize" ]; then
    build_dir="$root/build-sanitize"
    cmake_args=(-DCMAKE_BUILD_TYPE=Debug -DTALVIK_SANITIZE=ON)
fi
cmake_args+=(-DTALVIK_WERROR="${TALVIK_WERROR:-OFF}")

"$root/scripts/setup.sh" "$build_dir" "${cmake_args[@]}"
# The archive's tests run their cases on a throwaway PostgreSQL server too.
"$root/scripts/install-packages.sh" test

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
cd "$build_dir"
ctest --output-on-failure -j "$(nproc)"
