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

# The Qt libraries come from dpkg-shlibdeps: were they found at all?
for library in libc6 libqt5core5a libqt5gui5 libqt5widgets5 libqt5serialport5 libqt5network5 \
    libqt5printsupport5 libqcustomplot libqt5svg5 qttranslations5-l10n; do
    [[ "$depends" == *"$library"* ]] || fail "Depends lacks $library"
done

unpacked="$(mktemp -d)"
trap 'rm -rf "$unpacked"' EXIT
dpkg -x "$deb" "$unpacked"
share="$unpacked/usr/share"
program="$unpacked/usr/bin/talvik-client"

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
update-mime-database "$share/mime"
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
