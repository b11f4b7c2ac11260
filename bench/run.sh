#!/usr/bin/env bash
# Installs what the benchmarks need (only what is missing), builds them with
# optimisation into build-bench/ (or the folder given), runs them all, each
# group in a fresh process so that memory figures are its own, and prints a
# table of the results. Takes about thirteen minutes on a 2-core machine (today's
# mode on the paced line alone takes about four, the record viewer one).
# Usage: bash bench/run.sh [BUILD_DIR]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build_dir="${1:-$root/build-bench}"

"$root/scripts/install-packages.sh" bench

"$root/scripts/setup.sh" "$build_dir" -DCMAKE_BUILD_TYPE=Release -DTALVIK_SANITIZE=OFF \
    -DTALVIK_BUILD_TESTS=OFF -DTALVIK_BUILD_BENCH=ON

bench="$build_dir/bench/talvik_bench"
results="$build_dir/bench/results"
rm -rf "$results"
mkdir -p "$results"

export QT_QPA_PLATFORM=offscreen
export LANG=C.UTF-8 LC_ALL=C.UTF-8

groups=(
    "BM_Transaction|BM_Crc16"
    "BM_PollOverPty"
    "BM_DemoRecordRead"
    "BM_ParameterMapRefresh"
    "BM_DebugLog"
    "BM_DeviceSearchSilentLine"
    "BM_StartUp"
    "BM_PollingMemory"
    "BM_PacedLine"
    "BM_ViewerOpenLong|BM_ViewerOpenExport|BM_ViewerPanZoom|BM_ViewerCursorAnalysis|BM_ViewerOverlayLong"
    "BM_ArchiveStore|BM_ArchiveList"
    "BM_Collect/"
    "BM_CollectMemory"
)
index=0
for group in "${groups[@]}"; do
    index=$((index + 1))
    "$bench" --benchmark_filter="^($group)" \
        --benchmark_out="$results/$index.json" --benchmark_out_format=json
done

echo
echo "Results on $(nproc) cores ($(date -u +%Y-%m-%d)):"
echo
json_files=()
for i in $(seq 1 "$index"); do
    json_files+=("$results/$i.json")
done
"$bench" --table "${json_files[@]}"
