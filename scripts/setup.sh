#!/usr/bin/env bash
# Installs the Debian 12 packages Pennova needs to build, run and test, if any are missing.
# Runs apt-get as root, or through sudo otherwise.
set -euo pipefail

packages=(
    cmake g++ make pkg-config
    qt6-base-dev qt6-base-dev-tools qt6-image-formats-plugins qt6-gtk-platformtheme libgl-dev
    libtiff-dev libpng-dev libgtest-dev googletest libbenchmark-dev libmypaint-dev
    fonts-dejavu-core python3
    clang libclang-rt-14-dev llvm
    xvfb xdotool imagemagick xclip dbus-daemon
    desktop-file-utils appstream qt6-wayland weston
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
