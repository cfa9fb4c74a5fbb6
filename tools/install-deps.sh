#!/usr/bin/env bash
# Installs the Debian packages Tolvex needs to build, run and test, when missing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-svg-dev qt6-translations-l10n libsqlite3-dev libjpeg62-turbo-dev libzip-dev libarchive-dev libarchive-tools sqlite3
  libbenchmark-dev pxlib-dev
  fonts-dejavu-core fonts-liberation2
  xvfb xauth xdotool x11-utils openbox imagemagick poppler-utils
  desktop-file-utils appstream libglib2.0-bin
  clang libclang-rt-14-dev
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
