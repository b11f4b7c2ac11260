#!/usr/bin/env bash
# Installs the Debian packages a task needs, only those that are missing, so
# that every script works on a fresh Debian machine. The one place that says
# which packages the project uses.
# Usage: scripts/install-packages.sh GROUP...
#   build    compiler, CMake, Qt and the plot library: build and run the program
#   bench    the benchmark library (bench/run.sh)
#   fuzz     clang and its fuzzing runtime (fuzz/run.sh)
#   format   clang-format (scripts/check-format.sh)
#   package  what `cpack -G DEB` and the package check call
#   test     the PostgreSQL server the archive's tests start a throwaway copy of
set -euo pipefail

packages=()
for group in "$@"; do
    case "$group" in
    build)
        # libqt5svg5 draws the SVG window icon; qttranslations5-l10n holds
        # the Russian texts of Qt's own dialogs and buttons. The archive
        # reaches SQLite and PostgreSQL through Qt's SQL drivers.
        packages+=(build-essential cmake qtbase5-dev libqt5serialport5-dev libqt5svg5
            qttranslations5-l10n libqcustomplot-dev libqt5sql5-sqlite libqt5sql5-psql)
        ;;
    bench) packages+=(libbenchmark-dev) ;;
    fuzz) packages+=(clang libclang-rt-14-dev) ;;
    format) packages+=(clang-format) ;;
    test) packages+=(postgresql) ;;
    package)
        # CPack finds the binaries to pass to dpkg-shlibdeps with `file`;
        # desktop-file-validate checks the menu entries.
        packages+=(dpkg-dev file desktop-file-utils)
        ;;
    *)
        echo "install-packages.sh: unknown group '$group'" >&2
        exit 2
        ;;
    esac
done

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done
[ "${#missing[@]}" -eq 0 ] && exit 0

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
    sudo_cmd=(sudo)
fi
echo "Installing: ${missing[*]}"
"${sudo_cmd[@]}" apt-get update
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
