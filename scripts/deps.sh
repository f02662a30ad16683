#!/usr/bin/env bash
# Installs the Debian packages that building and testing need, when any is missing.
# Sourced by run.sh and test.sh; extra package names may be passed as arguments.
set -euo pipefail

packages=(cmake g++ make pkg-config qt6-base-dev libqcustomplot-dev libhidapi-dev libudev-dev
          qt6-translations-l10n fonts-noto-cjk dpkg-dev file clang libclang-rt-dev lintian systemd
          tzdata libmosquitto-dev mosquitto openssl libxcb1-dev
          qt6-httpserver-dev qt6-websockets-dev qt6-tools-dev qt6-l10n-tools qt6-tools-dev-tools
          prometheus chromium "$@")

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
