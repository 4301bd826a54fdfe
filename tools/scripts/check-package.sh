#!/usr/bin/env bash
# Checks a built morvix .deb: Debian's own checker, the files it carries, its computed
# dependencies, the stripped programs and their debug information beside the package, the desktop
# entry, the AppStream data, the icons and the man pages.
#   tools/scripts/check-package.sh build/morvix_1.3_amd64.deb
set -euo pipefail
cd "$(dirname "$0")/../.."
deb=$1
fail() {
    echo "package: $*" >&2
    exit 1
}

field() { dpkg-deb -f "$deb" "$1"; }
dbgsym=$(dirname "$deb")/$(field Package)-dbgsym_$(field Version)_$(field Architecture).ddeb
[ -f "$dbgsym" ] || fail "no debug package $dbgsym"

echo "-- lintian"
# Informational tags are shown, not failed on: hardening-no-fortify-functions stays for a
# program whose calls the compiler could all prove safe, and lintian cannot tell where the debug
# package's doc link points without the source package.
lintian --fail-on error,warning --display-info "$deb" "$dbgsym"

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

echo "-- debug information"
# Each shipped program is stripped and finds its debug file by build id in the -dbgsym package.
debug=$root/debug
dpkg-deb -x "$dbgsym" "$debug"
for program in "$root"/usr/bin/*; do
    name=$(basename "$program")
    if readelf -S -W "$program" | grep -Eq ' \.(debug_info|symtab|comment) '; then
        fail "$name is not stripped"
    fi
    id=$(readelf -n "$program" | sed -n 's/^ *Build ID: \([0-9a-f]*\)$/\1/p')
    file=$debug/usr/lib/debug/.build-id/${id:0:2}/${id:2}.debug
    [ -n "$id" ] && readelf -S -W "$file" 2>/dev/null | grep -q ' \.debug_info ' ||
        fail "$name: no debug information for build id ${id:-none} in $(basename "$dbgsym")"
done

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
