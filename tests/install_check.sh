#!/usr/bin/env bash
# Installs the program into a temporary DESTDIR and checks what lands there, validates the
# desktop entry and the AppStream metainfo, then builds the Debian package and runs lintian.
#   install_check.sh BUILD_DIR
set -euo pipefail
build=$1
id=org.gudangtoko.Gudang
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

DESTDIR="$work/root" cmake --install "$build" --prefix /usr > /dev/null
expected=(
    usr/bin/gudang
    "usr/share/applications/$id.desktop"
    "usr/share/metainfo/$id.metainfo.xml"
    "usr/share/icons/hicolor/scalable/apps/$id.svg"
    usr/share/man/man1/gudang.1.gz
    usr/share/doc/gudang/copyright
    usr/share/doc/gudang/changelog.gz
)
for size in 16 24 32 48 64 128 256; do
    expected+=("usr/share/icons/hicolor/${size}x${size}/apps/$id.png")
done
missing=0
for f in "${expected[@]}"; do
    if [ ! -s "$work/root/$f" ]; then
        echo "missing from the installed tree: $f"
        missing=1
    fi
done
[ "$missing" = 0 ]
[ -x "$work/root/usr/bin/gudang" ]
for size in 16 48 256; do
    file "$work/root/usr/share/icons/hicolor/${size}x${size}/apps/$id.png" | grep "${size} x ${size}" > /dev/null
done
zcat "$work/root/usr/share/man/man1/gudang.1.gz" | grep '^\.TH GUDANG 1' > /dev/null

desktop-file-validate "$work/root/usr/share/applications/$id.desktop"
appstreamcli validate --no-net "$work/root/usr/share/metainfo/$id.metainfo.xml"

(cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/pkg" > /dev/null)
deb=$(ls "$work"/pkg/gudang_*.deb)
dpkg-deb -c "$deb" | grep "./usr/share/applications/$id.desktop" > /dev/null
dpkg-deb -f "$deb" Depends | grep libqt6widgets6 > /dev/null
lintian --fail-on error "$deb" 2>/dev/null
echo "install check: ${#expected[@]} files installed, desktop entry and metainfo valid, $(basename "$deb") lintian-clean"
