#!/usr/bin/env bash
# Builds the Debian package from a build tree into a temporary folder and checks it: dpkg-deb
# reads it, its dependencies were computed, and it holds the files a station needs.
# Usage: packaging/check-package.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$out" >"$out/cpack.log" 2>&1 ||
    { cat "$out/cpack.log"; exit 1; }
debs=("$out"/solamine_*_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || { echo "no solamine_<version>_<arch>.deb"; exit 1; }
deb=${debs[0]}
echo "built $(basename "$deb")"

dpkg-deb --info "$deb" >/dev/null
dpkg-deb --contents "$deb" | awk '{print $6}' >"$out/files"
status=0
for f in ./usr/bin/solamine ./usr/bin/solamine-cli \
         ./usr/lib/udev/rules.d/70-solamine.rules \
         ./usr/lib/systemd/system/solamine-log.service \
         ./usr/lib/sysusers.d/solamine.conf \
         ./usr/share/applications/solamine.desktop \
         ./usr/share/icons/hicolor/scalable/apps/solamine.svg; do
    grep -qx -- "$f" "$out/files" || { echo "missing: $f"; status=1; }
done
# Nothing enables the service by itself.
if grep -q '^\./etc/systemd' "$out/files"; then echo "the service is enabled"; status=1; fi
depends=$(dpkg-deb --field "$deb" Depends)
for lib in libhidapi-hidraw0 libqt6core6 libqt6widgets6 libqcustomplot; do
    grep -q "$lib" <<<"$depends" || { echo "Depends lacks $lib: $depends"; status=1; }
done
dpkg-deb --ctrl-tarfile "$deb" | tar -t | grep -qx './postinst' || { echo "no postinst"; status=1; }
[ $status -eq 0 ] && echo "package checked: $(wc -l <"$out/files") entries"
exit $status
