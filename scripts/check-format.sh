#!/usr/bin/env bash
# Checks that every tracked C++ source is formatted as .clang-format says;
# exits non-zero and lists what clang-format would change otherwise.
# With --fix, formats the same files in place instead.
# Usage: scripts/check-format.sh [--fix]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"

fix=0
case "${1:-}" in
"") ;;
--fix) fix=1 ;;
*)
    echo "Usage: scripts/check-format.sh [--fix]" >&2
    exit 2
    ;;
esac

"$root/scripts/install-packages.sh" format

# Tracked files only: build folders and editors' leftovers are not ours.
mapfile -d '' files < <(git ls-files -z -- '*.cpp' '*.h')
if [ "${#files[@]}" -eq 0 ]; then
    echo "check-format.sh: no tracked sources found (not a git checkout?)" >&2
    exit 2
fi

if [ "$fix" -eq 1 ]; then
    clang-format -i --style=file "${files[@]}"
    echo "format: ${#files[@]} files formatted"
    exit 0
fi

# --dry-run --Werror reports each change as an error; count the files.
set +e
report="$(clang-format --dry-run --Werror --style=file "${files[@]}" 2>&1)"
status=$?
set -e
if [ "$status" -ne 0 ]; then
    printf '%s\n' "$report" | head -n 200
    mapfile -t unformatted < <(printf '%s\n' "$report" |
        grep -oE '^[^:]+\.(cpp|h):[0-9]+:[0-9]+: error' | cut -d: -f1 | sort -u)
    echo
    echo "format: ${#unformatted[@]} of ${#files[@]} files differ from .clang-format:"
    printf '  %s\n' "${unformatted[@]}"
    echo "Run: bash scripts/check-format.sh --fix"
    exit 1
fi
echo "format: ${#files[@]} files match .clang-format"
