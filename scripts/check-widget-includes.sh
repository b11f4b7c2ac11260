#!/usr/bin/env bash
# Keeps the floors below the window free of widgets, so that the command line
# and the tests can use them without a display: fails when a source of a
# widget-free floor includes a QtWidgets header itself or through the
# project's own headers. Those floors do not link QtWidgets, so a plain
# <QWidget> does not even compile there; this also catches <QtWidgets/...>,
# which would. Prints the chain of includes that leads to each widget header
# found.
# Usage: scripts/check-widget-includes.sh
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"

"$root/scripts/install-packages.sh" build

# The widget headers are whatever Qt's QtWidgets include folder holds
# (QWidget, QDialog, qmessagebox.h, QtWidgets...), so that a class Qt adds
# later is caught too.
widgets_dir="$(dirname "$(dpkg -L qtbase5-dev | grep -m1 '/QtWidgets/QWidget$')")"
declare -A widget_header=()
for path in "$widgets_dir"/*; do
    widget_header["$(basename "$path")"]=1
done
if [ "${#widget_header[@]}" -lt 100 ]; then
    echo "check-widget-includes.sh: found only ${#widget_header[@]} headers in '$widgets_dir'" >&2
    exit 2
fi

floors=(base modbus comtrade analysis relay records simulator archive session collect cli)
patterns=()
for floor in "${floors[@]}"; do
    patterns+=("$floor/*.cpp" "$floor/*.h")
done
mapfile -t checked < <(git ls-files -- "${patterns[@]}")
if [ "${#checked[@]}" -eq 0 ]; then
    echo "check-widget-includes.sh: no sources to check (not a git checkout?)" >&2
    exit 2
fi

# includes_of FILE: the names FILE includes, one a line.
includes_of() {
    sed -n -E 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"]([^>"]+)[>"].*/\1/p' "$1"
}

is_widget_header() {
    local name="$1"
    [[ "$name" == QtWidgets/* ]] && return 0
    [ -n "${widget_header[$name]:-}" ]
}

# A project header is found from the repository root (the include directory)
# or next to the file that includes it.
resolve() {
    local from="$1" name="$2"
    if [ -f "$name" ]; then
        echo "$name"
    elif [ -f "$(dirname "$from")/$name" ]; then
        realpath --relative-to="$root" "$(dirname "$from")/$name"
    fi
}

violations=0
declare -A seen=()
# walk FILE CHAIN: reports every widget header FILE reaches, CHAIN being how
# the checked source got to FILE.
walk() {
    local file="$1" chain="$2" name header
    while IFS= read -r name; do
        if is_widget_header "$name"; then
            echo "$chain -> <$name>"
            violations=$((violations + 1))
            continue
        fi
        header="$(resolve "$file" "$name")"
        if [ -n "$header" ] && [ -z "${seen[$header]:-}" ]; then
            seen["$header"]=1
            walk "$header" "$chain -> $header"
        fi
    done < <(includes_of "$file")
}

for file in "${checked[@]}"; do
    seen=(["$file"]=1)
    walk "$file" "$file"
done

if [ "$violations" -gt 0 ]; then
    echo "widget includes: $violations found in code that must stay free of widgets" >&2
    exit 1
fi
echo "widget includes: none in ${#checked[@]} files of ${floors[*]}"
