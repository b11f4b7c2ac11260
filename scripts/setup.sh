#!/usr/bin/env bash
# Installs the Debian packages the build needs (only those that are missing),
# then configures and builds into the given folder.
# Usage: scripts/setup.sh BUILD_DIR [extra cmake arguments...]
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build_dir="$1"
shift

"$root/scripts/install-packages.sh" build

cmake -S "$root" -B "$build_dir" "$@"
cmake --build "$build_dir" -j "$(nproc)"
