#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demo need; does nothing when all are there.
set -euo pipefail
packages=(
  build-essential cmake ninja-build pkg-config
  zlib1g-dev libjpeg-dev libpng-dev libfreetype-dev libfontconfig-dev libsdl2-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  fonts-liberation fonts-dejavu-core liblnk-utils xvfb xauth
  # The Windows build and its tests under Wine.
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix libz-mingw-w64-dev googletest
  wine wine64 wine32:i386
  # The installation under Wine, driven from outside as a person would.
  python3 xdotool imagemagick
)
sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  # wine32 is a package of the i386 architecture.
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    "${sudo_cmd[@]}" dpkg --add-architecture i386
  fi
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
