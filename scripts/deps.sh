#!/usr/bin/env bash
# Installs the Debian packages that are missing: those that building and running need, and with
# --test those that only the tests use. Run by run.sh (build), test.sh (--test) and the other
# scripts; extra package names may be passed as arguments.
set -euo pipefail

# Compiler and build tools; Qt (the platform plugins and Japanese texts, Linguist for the
# translations, the HTTP server), QCustomPlot, hidapi, udev, libmosquitto, xcb for the error box's
# caption; the time zones; a font with Japanese glyphs for the window.
packages=(cmake g++ make pkg-config qt6-base-dev qt6-qpa-plugins qt6-translations-l10n
          qt6-tools-dev qt6-l10n-tools qt6-tools-dev-tools qt6-httpserver-dev qt6-websockets-dev
          libqcustomplot-dev libhidapi-dev libudev-dev libmosquitto-dev libxcb1-dev tzdata
          fonts-noto-cjk)
# Only the tests: clang for the fuzz targets, the MQTT broker and openssl for its certificates,
# promtool, a headless browser for the station's page, the package check's tools (dpkg-dev,
# file, lintian, systemd-analyze), a private D-Bus for the notifications, ip for the silent
# resolver's namespace.
test_packages=(clang libclang-rt-dev mosquitto openssl prometheus chromium dpkg-dev file lintian
               systemd dbus-daemon iproute2)
if [ "${1:-}" = "--test" ]; then
    shift
    packages+=("${test_packages[@]}")
fi
packages+=("$@")

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing missing packages: ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then
    apt=(env DEBIAN_FRONTEND=noninteractive apt-get)
elif command -v sudo >/dev/null 2>&1 && sudo -n true 2>/dev/null; then
    apt=(sudo env DEBIAN_FRONTEND=noninteractive apt-get)
elif command -v sudo >/dev/null 2>&1 && [ -t 0 ]; then
    apt=(sudo env DEBIAN_FRONTEND=noninteractive apt-get)
else
    echo "Cannot install packages without root. Run this, then try again:" >&2
    echo "  sudo apt-get update && sudo apt-get install -y ${missing[*]}" >&2
    exit 1
fi
"${apt[@]}" update -qq
"${apt[@]}" install -y -qq --no-install-recommends "${missing[@]}"
