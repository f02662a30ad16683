#!/bin/sh
# Runs a command where DNS never answers: in a private mount namespace whose /etc/resolv.conf
# names one server on a loopback address, passed on as SOLAMINE_SILENT_RESOLVER, which the
# command binds itself and never answers (glibc waits 30 s a try there, five tries), and whose
# /etc/nsswitch.conf sends host names to it. Where the kernel refuses the namespace, says why
# and exits 77, which CTest counts as skipped.
# usage: silent-resolver.sh COMMAND [ARGUMENT...]
set -u
address=127.53.$(($$ % 250 + 1)).1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
printf 'nameserver %s\noptions timeout:30 attempts:5\n' "$address" >"$dir/resolv.conf"
printf 'hosts: files dns\n' >"$dir/nsswitch.conf"
if [ "$(id -u)" -eq 0 ]; then
    namespaces=-m
    loopback=true
else
    # Port 53 can be bound only in a network namespace of one's own, whose loopback starts down.
    namespaces=-rmn
    loopback='ip link set lo up'
    if ! command -v ip >/dev/null; then
        echo "skipped: no ip command (iproute2) to bring up the namespace's loopback"
        exit 77
    fi
fi
if ! unshare $namespaces true 2>"$dir/why"; then
    echo "skipped: the kernel refuses unshare $namespaces: $(cat "$dir/why")"
    exit 77
fi
SOLAMINE_SILENT_RESOLVER=$address unshare $namespaces sh -c "$loopback &&
    mount --bind \"\$0/resolv.conf\" /etc/resolv.conf &&
    mount --bind \"\$0/nsswitch.conf\" /etc/nsswitch.conf && exec \"\$@\"" "$dir" "$@"
