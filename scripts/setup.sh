#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs every Debian package that building, testing and running Quirella Tag-Editor needs.
# Does nothing when they are all present. Runs apt-get as root, or through sudo.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git clang clang-format clang-format-14 libclang-rt-14-dev
  qt6-base-dev qt6-base-dev-tools qt6-multimedia-dev qt6-svg-dev qt6-qpa-plugins qt6-wayland qt6-l10n-tools qt6-tools-dev qt6-translations-l10n
  qt6-image-formats-plugins libqt6svg6 libgl-dev
  libtag1-dev libavformat-dev libavcodec-dev libavutil-dev libswresample-dev ffmpeg
  libgtest-dev libgmock-dev libbenchmark-dev attr acl e2fsprogs
  fonts-noto-color-emoji fonts-dejavu-core xvfb xauth
  weston dbus-daemon at-spi2-core python3-pyatspi
  appstream desktop-file-utils dpkg-dev lintian scdoc bash-completion
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-libav
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  if command -v sudo >/dev/null 2>&1; then
    sudo_cmd=(sudo)
  else
    echo "error: these packages are missing and neither root nor sudo is available: ${missing[*]}" >&2
    exit 1
  fi
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -q
"${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
