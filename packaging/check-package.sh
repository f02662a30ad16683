#!/usr/bin/env bash
# Builds the Debian package from a build tree into a temporary folder and checks it: dpkg-deb
# reads it, its dependencies were computed, it holds the files a station needs, lintian finds
# no error in it, and its service stays hardened.
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
dpkg-deb --contents "$deb" >"$out/listing"
awk '{print $6}' "$out/listing" >"$out/files"
status=0
fail() { echo "$*"; status=1; }
for f in ./usr/bin/solamine ./usr/bin/solamine-cli \
         ./usr/lib/udev/rules.d/70-solamine.rules \
         ./usr/lib/systemd/system/solamine-log.service \
         ./usr/lib/sysusers.d/solamine.conf \
         ./usr/share/applications/solamine.desktop \
         ./usr/share/icons/hicolor/scalable/apps/solamine.svg \
         ./usr/share/man/man1/solamine.1.gz ./usr/share/man/man1/solamine-cli.1.gz \
         ./usr/share/doc/solamine/copyright ./usr/share/doc/solamine/README \
         ./usr/share/doc/solamine/changelog.Debian.gz \
         ./etc/default/solamine-log; do
    grep -qx -- "$f" "$out/files" || fail "missing: $f"
done
# Nothing enables the service by itself.
grep -q '^\./etc/systemd' "$out/files" && fail "the service is enabled"
# The service's options may hold the broker's password: root's alone, and the admin's to keep.
grep -q '^-rw------- root/root .* \./etc/default/solamine-log$' "$out/listing" ||
    fail "/etc/default/solamine-log is not -rw------- root/root"
dpkg-deb --ctrl-tarfile "$deb" | tar -t >"$out/control"
for f in ./postinst ./postrm ./conffiles; do
    grep -qx -- "$f" "$out/control" || fail "no $f"
done
dpkg-deb --ctrl-tarfile "$deb" | tar -xO ./conffiles | grep -qx /etc/default/solamine-log ||
    fail "/etc/default/solamine-log is no conffile"
depends=$(dpkg-deb --field "$deb" Depends)
for lib in libhidapi-hidraw0 libqt6core6 libqt6widgets6 libqcustomplot; do
    grep -q "$lib" <<<"$depends" || fail "Depends lacks $lib: $depends"
done

# Both programs name the package's version, which comes from the project's one version.
version=$(dpkg-deb --field "$deb" Version)
for program in solamine solamine-cli; do
    said=$("$build/$program" --version 2>&1) || fail "$program --version failed: $said"
    [ "$said" = "$program ${version%-*}" ] || fail "$program --version says: $said"
done

# Errors only: warnings are advice (a maintainer script that calls systemctl, for example).
if lintian --fail-on error --no-tag-display-limit "$deb" >"$out/lintian.log" 2>&1; then
    echo "lintian: $(grep -c '^[WI]:' "$out/lintian.log" || true) warnings or notes, no errors"
else
    cat "$out/lintian.log"
    fail "lintian found errors"
fi

# The service's exposure as systemd rates it (0 safe .. 10 exposed) stays at 2.0 or below.
# Offline analysis needs systemd 250 or newer; without it the rating is not checked.
unit="$out/unit/solamine-log.service"
mkdir -p "$out/unit"
dpkg-deb --fsys-tarfile "$deb" | tar -xO ./usr/lib/systemd/system/solamine-log.service >"$unit"
if analysis=$(systemd-analyze security --offline=true --threshold=20 "$unit" 2>&1); then
    echo "service: $(grep -o 'exposure level .*' <<<"$analysis")"
elif grep -q 'exposure level' <<<"$analysis"; then
    grep -E '✗|exposure level' <<<"$analysis"
    fail "the service is rated above 2.0"
else
    echo "service rating not checked: systemd-analyze cannot rate offline here"
fi

[ $status -eq 0 ] && echo "package checked: $(wc -l <"$out/files") entries"
exit $status
