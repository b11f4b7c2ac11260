#!/usr/bin/env bash
# Builds the Debian package with CPack, unpacks it into a temporary root (as
# dpkg would install it, without touching the machine) and checks it: the
# dependencies dpkg-shlibdeps found, the menu entries, the icon and the
# COMTRADE file type, and that the unpacked program starts.
# Usage: scripts/check-package.sh [BUILD_DIR]   (default build/, built if needed)
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build_dir="${1:-$root/build}"

"$root/scripts/install-packages.sh" build package
"$root/scripts/setup.sh" "$build_dir"

failures=0
fail() {
    echo "!! $*"
    failures=$((failures + 1))
}

cd "$build_dir"
rm -f talvik-client_*.deb
cpack -G DEB >cpack.log 2>&1 || {
    cat cpack.log
    exit 1
}
deb="$(ls talvik-client_*.deb)"
echo "package: $deb, $(du -k "$deb" | cut -f1) KiB"
depends="$(dpkg-deb -f "$deb" Depends)"
echo "Depends: $depends"
version="$(dpkg-deb -f "$deb" Version)"

unpacked="$(mktemp -d)"
trap 'rm -rf "$unpacked"' EXIT
dpkg -x "$deb" "$unpacked"
share="$unpacked/usr/share"
program="$unpacked/usr/bin/talvik-client"

# Every library the program links must come from a package it depends on
# (dpkg-shlibdeps found them), and so must what Qt loads at run time.
needed_packages=(libqt5svg5 qttranslations5-l10n libqt5sql5-sqlite)
multiarch="$(dpkg-architecture -qDEB_HOST_MULTIARCH)"
while IFS= read -r soname; do
    owner="$(dpkg -S "*/$multiarch/$soname" 2>/dev/null | head -n 1 | cut -d: -f1)"
    [ -n "$owner" ] || fail "no package holds $soname"
    needed_packages+=("$owner")
done < <(readelf -d "$program" | sed -n -E 's/.*\(NEEDED\).*\[(.+)\]/\1/p')
for package in "${needed_packages[@]}"; do
    [[ ", $depends" == *", $package "* || ", $depends," == *", $package,"* ]] ||
        fail "Depends lacks $package"
done

for file in "$program" "$share/applications/talvik-client.desktop" \
    "$share/applications/talvik-client-viewer.desktop" "$share/mime/packages/talvik-client.xml" \
    "$share/icons/hicolor/scalable/apps/talvik-client.svg"; do
    [ -f "$file" ] || fail "missing ${file#"$unpacked"}"
done
cmp -s "$root/app/resources/talvik.svg" "$share/icons/hicolor/scalable/apps/talvik-client.svg" ||
    fail "the icon is not the window's icon"
desktop-file-validate "$share"/applications/*.desktop || fail "desktop-file-validate"

# A .cfg must come out as the type the viewer's entry opens, and the entry
# must open it with the program's view command.
mime_type="$(sed -n -E 's/.*<mime-type type="([^"]+)".*/\1/p' "$share/mime/packages/talvik-client.xml")"
update-mime-database "$share/mime" >/dev/null 2>&1 || fail "update-mime-database"
grep -q "^[0-9]*:$mime_type:\*\.cfg" "$share/mime/globs2" || fail "*.cfg is not $mime_type"
viewer_entry="$share/applications/talvik-client-viewer.desktop"
grep -qx "MimeType=$mime_type;" "$viewer_entry" || fail "the viewer's entry does not open $mime_type"
grep -qx "Exec=talvik-client view %f" "$viewer_entry" || fail "the viewer's entry does not run 'view'"

# The unpacked program runs against the system's libraries; no display.
export QT_QPA_PLATFORM=offscreen
set +e
output="$(timeout 30 "$program" --version 2>&1)"
status=$?
set -e
echo "talvik-client --version: $output (exit $status)"
[ "$status" -eq 0 ] || fail "--version exited with $status"
[[ "$output" == *"$version"* ]] || fail "--version does not print the package's version $version"
# The viewer's command line reaches the program's view command: a file that
# is not there is reported with exit code 4 before any window opens.
set +e
timeout 30 "$program" view "$unpacked/no-such-record.cfg" >/dev/null 2>&1
status=$?
set -e
[ "$status" -eq 4 ] || fail "'view' of a missing file exited with $status, not 4"

if [ "$failures" -gt 0 ]; then
    echo "package: $failures problems" >&2
    exit 1
fi
echo "package: installs and starts"
