#!/usr/bin/env bash
# Installs what the build, the tests and the demo need on a Debian 12 machine.
set -euo pipefail
pkgs=(cmake make g++ g++-mingw-w64-i686 wine wine32:i386 wine64 xvfb xauth x11-apps
      imagemagick xdotool fonts-ipafont-gothic fonts-ipafont-mincho gcab cabextract
      googletest clang libclang-rt-14-dev)
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
sudo=""
[ "$(id -u)" -eq 0 ] || sudo=sudo
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $sudo dpkg --add-architecture i386
fi
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
