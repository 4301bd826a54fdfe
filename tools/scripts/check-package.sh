#!/usr/bin/env bash
# Checks a built morvix .deb: the files it carries, its computed dependencies, the desktop entry,
# the AppStream data, the icons and the man pages.
#   tools/scripts/check-package.sh build/morvix_1.3_amd64.deb
set -euo pipefail
cd "$(dirname "$0")/../.."
deb=$1
fail() {
    echo "package: $*" >&2
    exit 1
}

echo "-- files"
dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { sub(/^\./, "", $6); print $6 }' | LC_ALL=C sort >"$deb.files"
if ! diff -u <(LC_ALL=C sort packaging/package-files.txt) "$deb.files"; then
    fail "file list differs from packaging/package-files.txt (- expected, + packaged)"
fi

echo "-- dependencies"
depends=$(dpkg-deb -f "$deb" Depends)
echo "$depends"
# Computed by dpkg-shlibdeps: a hand-written list would miss libraries or pin no versions.
for lib in libc6 libqt6core6 libqt6gui6 libqt6widgets6 libqt6dbus6; do
    grep -Eq "(^|, )$lib \(>= " <<<"$depends" || fail "Depends lacks a versioned $lib"
done
grep -Eq "(^|, )qt6-qpa-plugins(,|$)" <<<"$depends" || fail "Depends lacks qt6-qpa-plugins"

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root"
share=$root/usr/share

echo "-- desktop entry"
desktop=$(echo "$share"/applications/*.desktop)
desktop-file-validate "$desktop"
id=$(basename "$desktop" .desktop)
grep -qx "Exec=morvix" "$desktop" || fail "desktop entry does not start morvix"
grep -qx "Icon=$id" "$desktop" || fail "desktop entry's icon is not named $id"

echo "-- AppStream"
appstreamcli validate --no-net "$share/metainfo/$id.metainfo.xml"
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" \
    "$share/metainfo/$id.metainfo.xml" || fail "metainfo does not launch $id.desktop"

echo "-- icons"
for size in 48 64 128 256; do
    got=$(identify -format '%wx%h' "$share/icons/hicolor/${size}x${size}/apps/$id.png")
    [ "$got" = "${size}x${size}" ] || fail "${size}x${size} icon is $got"
done

echo "-- man pages"
for program in "$root"/usr/bin/*; do
    page=$share/man/man1/$(basename "$program").1.gz
    [ -f "$page" ] || fail "no man page for $(basename "$program")"
    warnings=$(zcat "$page" | groff -man -Tutf8 -ww -z 2>&1)
    [ -z "$warnings" ] || fail "$(basename "$page"): $warnings"
done
echo "-- package ok: $deb"
