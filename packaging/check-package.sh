#!/usr/bin/env bash
# Builds the two Debian packages from a build tree into a temporary folder and checks them: their
# names, dependencies and files, the programs' versions, lintian, that the station's package
# pulls in no GUI library, that an upgrade from the single package of 1.3 works, and that the
# service stays hardened. A check whose tool is missing is skipped with the reason.
# Usage: packaging/check-package.sh BUILD_DIR [EMULATOR...]
# A cross-built tree's programs run under EMULATOR (qemu-aarch64-static -L /, say).
set -euo pipefail
build=$(cd "$1" && pwd)
shift
run=("$@")
# A cross-built tree makes packages of its own architecture, whose libraries dpkg-shlibdeps
# must look up as that architecture's packages.
arch=$(sed -n 's/^set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE "\(.*\)")/\1/p' "$build/CPackConfig.cmake")
[ -n "$arch" ] && export DEB_HOST_ARCH=$arch
objdump=$(sed -n 's/^CMAKE_OBJDUMP:FILEPATH=//p' "$build/CMakeCache.txt")
objdump=${objdump:-objdump}
# Exit status 77: skipped (CTest's SKIP_RETURN_CODE).
for tool in cpack dpkg-deb dpkg-shlibdeps; do
    command -v "$tool" >/dev/null || { echo "skipped: no $tool (dpkg-dev)"; exit 77; }
done
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
status=0
fail() { echo "$*"; status=1; }

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$out" >"$out/cpack.log" 2>&1 ||
    { cat "$out/cpack.log"; exit 1; }
# solamine_* does not match solamine-cli_*.
window=$(ls "$out"/solamine_*_*.deb 2>/dev/null) || true
cli=$(ls "$out"/solamine-cli_*_*.deb 2>/dev/null) || true
if [ ! -f "$window" ] || [ ! -f "$cli" ]; then
    echo "not one solamine_*.deb and one solamine-cli_*.deb:" "$out"/*.deb
    exit 1
fi
echo "built $(basename "$window") and $(basename "$cli")"

field() { dpkg-deb --field "$1" "$2"; }
version=$(field "$window" Version)
[ "$(field "$window" Package)" = solamine ] || fail "the window's package is not named solamine"
[ "$(field "$cli" Package)" = solamine-cli ] || fail "the station's package is not solamine-cli"
[ "$(field "$cli" Version)" = "$version" ] || fail "the packages' versions differ"

# The window: its libraries, what Qt loads at run time, and the station's package of the same
# version for the udev rule.
depends=$(field "$window" Depends)
for want in libqt6widgets6 libqcustomplot 'qt6-qpa-plugins' 'fonts-noto-cjk |' \
            "solamine-cli (= $version)"; do
    grep -qF -- "$want" <<<"$depends" || fail "solamine's Depends lacks $want: $depends"
done
# The station: no GUI library, so a headless machine takes no desktop.
depends=$(field "$cli" Depends)
for want in libqt6core6 libqt6network6 libhidapi-hidraw0 libmosquitto1 adduser; do
    grep -qF -- "$want" <<<"$depends" || fail "solamine-cli's Depends lacks $want: $depends"
done
gui='libqt6(gui|widgets|printsupport|opengl)6|libqcustomplot|libx11|libxcb|libgl1'
grep -qE "$gui" <<<"$depends" && fail "solamine-cli depends on a GUI library: $depends"
if command -v "$objdump" >/dev/null; then
    needed=$("$objdump" -p "$build/solamine-cli" | awk '/NEEDED/ {print $2}')
    grep -iE 'Qt6Gui|Qt6Widgets|qcustomplot|libX11|libxcb|libGL' <<<"$needed" &&
        fail "solamine-cli links a GUI library"
else
    echo "solamine-cli's libraries not read: no objdump (binutils)"
fi
# Files that moved from the single package of 1.3 into solamine-cli (Debian policy 7.6.1).
for f in Replaces Breaks; do
    [ "$(field "$cli" $f)" = "solamine (<< 1.4)" ] || fail "solamine-cli's $f: $(field "$cli" $f)"
done

listing() { dpkg-deb --contents "$1" | awk '{print $1, $2, $6}'; }
listing "$window" >"$out/window.list"
listing "$cli" >"$out/cli.list"
has() {  # has LIST MODE PATH
    grep -qx -- "$2 root/root $3" "$out/$1.list" || fail "$1 lacks $2 $3"
}
has window -rwxr-xr-x ./usr/bin/solamine
for f in ./usr/share/applications/solamine.desktop \
         ./usr/share/icons/hicolor/scalable/apps/solamine.svg ./usr/share/man/man1/solamine.1.gz \
         ./usr/share/doc/solamine/copyright ./usr/share/doc/solamine/README \
         ./usr/share/doc/solamine/changelog.Debian.gz ./usr/share/doc/solamine/docs/window.md
do
    has window -rw-r--r-- "$f"
done
has cli -rwxr-xr-x ./usr/bin/solamine-cli
for f in ./usr/lib/udev/rules.d/70-solamine.rules ./usr/lib/systemd/system/solamine-log.service \
         ./usr/lib/sysusers.d/solamine.conf ./usr/share/man/man1/solamine-cli.1.gz \
         ./usr/share/doc/solamine-cli/copyright ./usr/share/doc/solamine-cli/README \
         ./usr/share/doc/solamine-cli/changelog.Debian.gz \
         ./usr/share/doc/solamine-cli/docs/station.md \
         ./usr/share/lintian/overrides/solamine-cli; do
    has cli -rw-r--r-- "$f"
done
# The service's options may hold the broker's password: root's alone, and the admin's to keep.
has cli -rw------- ./etc/default/solamine-log
# Nothing enables the service by itself.
grep -q ' \./etc/systemd' "$out/cli.list" && fail "the service is enabled"
# dpkg refuses a file that two packages hold.
awk '$1 !~ /^d/ {print $3}' "$out/window.list" "$out/cli.list" | sort | uniq -d >"$out/both"
[ -s "$out/both" ] && fail "in both packages: $(cat "$out/both")"

scripts() { dpkg-deb --ctrl-tarfile "$1" | tar -t | grep -vx -e ./ -e ./control -e ./md5sums |
            sort | tr '\n' ' '; }
[ "$(scripts "$window")" = "./postrm " ] || fail "solamine's scripts: $(scripts "$window")"
[ "$(scripts "$cli")" = "./conffiles ./postinst ./postrm ./prerm " ] ||
    fail "solamine-cli's scripts: $(scripts "$cli")"
dpkg-deb --ctrl-tarfile "$cli" | tar -xO ./conffiles | grep -qx /etc/default/solamine-log ||
    fail "/etc/default/solamine-log is no conffile"

# Both programs name the packages' version, which comes from the project's one version.
for program in solamine solamine-cli; do
    said=$("${run[@]}" "$build/$program" --version 2>&1) || fail "$program --version failed: $said"
    [ "$said" = "$program ${version%-*}" ] || fail "$program --version says: $said"
done

# Errors only: warnings are advice (a maintainer script that calls systemctl, for example).
if ! command -v lintian >/dev/null; then
    echo "lintian not run: no lintian"
elif lintian --fail-on error --no-tag-display-limit "$window" "$cli" >"$out/lintian.log" 2>&1
then
    echo "lintian: $(grep -c '^[WI]:' "$out/lintian.log" || true) warnings or notes, no errors"
else
    cat "$out/lintian.log"
    fail "lintian found errors"
fi

# What apt would install for solamine-cli on a system that has nothing yet: the dependencies'
# dependencies too, from the machine's package lists.
empty="$out/apt-status"
: >"$empty"
if ! command -v apt-get >/dev/null; then
    echo "apt simulation not run: no apt-get"
elif apt-get install --simulate -o Dir::State::status="$empty" -o Debug::NoLocking=1 \
        "$cli" >"$out/apt.log" 2>&1; then
    pulled=$(awk '$1 == "Inst" {print $2}' "$out/apt.log")
    echo "apt: solamine-cli pulls in $(wc -l <<<"$pulled") packages"
    grep -xE "($gui).*" <<<"$pulled" && fail "apt installs a GUI library with solamine-cli"
else
    echo "apt simulation not run: apt cannot resolve solamine-cli here (no package lists?)"
    tail -3 "$out/apt.log"
fi

"$(dirname "$0")"/check-upgrade.sh "$window" "$cli" || status=1

# The service's exposure as systemd rates it (0 safe .. 10 exposed) stays at 2.0 or below.
# Offline analysis needs systemd 250 or newer; without it the rating is not checked.
unit="$out/unit/solamine-log.service"
mkdir -p "$out/unit"
dpkg-deb --fsys-tarfile "$cli" | tar -xO ./usr/lib/systemd/system/solamine-log.service >"$unit"
if analysis=$(systemd-analyze security --offline=true --threshold=20 "$unit" 2>&1); then
    echo "service: $(grep -o 'exposure level .*' <<<"$analysis")"
elif grep -q 'exposure level' <<<"$analysis"; then
    grep -E '✗|exposure level' <<<"$analysis"
    fail "the service is rated above 2.0"
else
    echo "service rating not checked: systemd-analyze cannot rate offline here"
fi

[ $status -eq 0 ] && echo "packages checked: $(wc -l <"$out/window.list") and" \
                          "$(wc -l <"$out/cli.list") entries"
exit $status
