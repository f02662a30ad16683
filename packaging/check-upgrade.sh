#!/usr/bin/env bash
# Upgrades the single package solamine of 1.3 to the two packages solamine and solamine-cli in a
# throw-away dpkg root, as apt would (--auto-deconfigure, unpack, configure): solamine-cli alone
# must be refused while the single package is there (Breaks), both together must take over its
# files and keep the admin's change to the conffile (Replaces).
# The single package is made from the two packages' files, as 1.3 held them. The maintainer
# scripts are left out of every package here: they act on the running system (users, udev,
# systemd), not on the throw-away root.
# Usage: packaging/check-upgrade.sh SOLAMINE_DEB SOLAMINE_CLI_DEB
set -euo pipefail
window=$1
cli=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Each package without its maintainer scripts.
for deb in "$window" "$cli"; do
    name=$(dpkg-deb --field "$deb" Package)
    dpkg-deb --raw-extract "$deb" "$work/$name"
    rm -f "$work/$name"/DEBIAN/{postinst,prerm,postrm}
    dpkg-deb --root-owner-group --build "$work/$name" "$work/$name.deb" >/dev/null
done
# The single package: both packages' files, the conffile, no Replaces or Breaks.
mkdir -p "$work/single/DEBIAN"
for name in solamine solamine-cli; do
    tar -C "$work/$name" --exclude=./DEBIAN -c . | tar -C "$work/single" -x
done
cp "$work/solamine-cli/DEBIAN/conffiles" "$work/single/DEBIAN/"
cat >"$work/single/DEBIAN/control" <<EOF
Package: solamine
Version: 1.3-1
Architecture: $(dpkg-deb --field "$window" Architecture)
Maintainer: $(dpkg-deb --field "$window" Maintainer)
Description: USB radiation counter logger
EOF
dpkg-deb --root-owner-group --build "$work/single" "$work/single.deb" >/dev/null

root="$work/root"
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates"
: >"$root/var/lib/dpkg/status"
# The root has none of the libraries the packages depend on; Breaks are still checked.
# The throw-away root knows only this machine's architecture; cross-built packages are others'.
dpkg=(dpkg --root="$root" --log=/dev/null --force-not-root --force-depends --no-triggers
      --force-architecture)
"${dpkg[@]}" --install "$work/single.deb" >"$work/log" 2>&1 ||
    { cat "$work/log"; echo "upgrade: the single package does not install"; exit 1; }
echo "# the admin's line" >>"$root/etc/default/solamine-log"

status=0
if "${dpkg[@]}" --unpack "$work/solamine-cli.deb" >"$work/log" 2>&1; then
    echo "upgrade: solamine-cli was unpacked beside solamine 1.3 (no Breaks?)"
    exit 1
fi
# apt unpacks what it upgrades in one dpkg run, then configures; the order here is the one that
# needs Replaces: solamine-cli takes the files while solamine 1.3 still holds them.
if ! "${dpkg[@]}" --auto-deconfigure --unpack "$work/solamine-cli.deb" "$work/solamine.deb" \
        >"$work/log" 2>&1 </dev/null ||
   ! "${dpkg[@]}" --configure --pending >>"$work/log" 2>&1 </dev/null; then
    cat "$work/log"
    echo "upgrade: solamine 1.3 to solamine and solamine-cli failed (no Replaces?)"
    exit 1
fi
state=$(dpkg-query --admindir="$root/var/lib/dpkg" -W \
            -f='${db:Status-Abbrev} ${Package} ${Version}\n' | sort | tr -s ' ')
new=$(dpkg-deb --field "$window" Version)
[ "$state" = "ii solamine $new
ii solamine-cli $new" ] || { echo "upgrade: left $state"; status=1; }
for f in /usr/bin/solamine /usr/bin/solamine-cli /usr/lib/udev/rules.d/70-solamine.rules \
         /usr/lib/systemd/system/solamine-log.service; do
    [ -f "$root$f" ] || { echo "upgrade: $f is gone"; status=1; }
done
# A package of a foreign architecture is named with it (solamine-cli:armhf).
owner=$(dpkg-query --admindir="$root/var/lib/dpkg" -S /usr/bin/solamine-cli 2>&1 |
        sed 's/^\([a-z0-9.+-]*\):[a-z0-9]*: /\1: /')
[ "$owner" = "solamine-cli: /usr/bin/solamine-cli" ] || { echo "upgrade: $owner"; status=1; }
grep -q "the admin's line" "$root/etc/default/solamine-log" ||
    { echo "upgrade: the admin's change to /etc/default/solamine-log is lost"; status=1; }
[ $status -eq 0 ] && echo "upgrade: 1.3-1 to $new in two packages, the admin's options kept"
exit $status
