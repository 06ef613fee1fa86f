#!/usr/bin/env bash
# Installs everything both builds need: Debian packages for the native and the
# cross build, then the Windows-only static libraries (libcurl, minizip,
# GoogleTest) cross-built from Debian's own sources into third_party/win32.
# Safe to re-run: each step checks first and stays quiet when nothing is to do.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
SUDO=""; [ "$(id -u)" = 0 ] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive

native_pkgs=(build-essential cmake ninja-build pkg-config python3 openssl libssl-dev
  libcurl4-openssl-dev libminizip-dev zlib1g-dev googletest libgtest-dev libgmock-dev
  libbenchmark-dev libcairo2-dev libpango1.0-dev libx11-dev xvfb xdotool x11-utils
  imagemagick librsvg2-bin optipng fonts-wqy-microhei fonts-dejavu-core fonts-liberation osslsigncode dpkg-dev
  libatk1.0-dev libatk-bridge2.0-dev at-spi2-core dbus python3-pyatspi)
cross_pkgs=(g++-mingw-w64-i686-posix libz-mingw-w64-dev wine wine32:i386 fonts-wine)

missing=()
for p in "${native_pkgs[@]}" "${cross_pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done
# The Windows libraries are built from Debian's source packages, so apt needs
# source entries, whichever of the two list formats the machine uses.
has_sources() {
  grep -rqs -E '^(Types:.*deb-src|deb-src )' /etc/apt/sources.list /etc/apt/sources.list.d/
}
add_sources() {
  if [ -f /etc/apt/sources.list.d/debian.sources ]; then
    $SUDO sed -i 's/^Types: deb$/Types: deb deb-src/' /etc/apt/sources.list.d/debian.sources
  fi
  if ! has_sources && [ -f /etc/apt/sources.list ]; then
    grep -E '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' |
      $SUDO tee /etc/apt/sources.list.d/lumacast-deb-src.list >/dev/null
  fi
}
need_src=0
has_sources || need_src=1
if [ ${#missing[@]} -gt 0 ] || [ $need_src = 1 ]; then
  echo "install-deps: installing ${missing[*]:-(source lists)}"
  dpkg --print-foreign-architectures | grep -qx i386 || $SUDO dpkg --add-architecture i386
  [ $need_src = 0 ] || add_sources
  $SUDO apt-get update -qq
  [ ${#missing[@]} -eq 0 ] || $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

exec "$here/scripts/build-win32-deps.sh"
