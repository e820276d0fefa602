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
sudo=""
[ "$(id -u)" -eq 0 ] || sudo=sudo
# Wine turns Windows file names into Unix ones with the Unix locale's character set: without
# a compiled ja_JP.UTF-8 locale, every Japanese file name fails to open or create.
if ! locale -a 2>/dev/null | grep -qix 'ja_JP.utf8'; then
  dpkg-query -W -f='${Status}' locales 2>/dev/null | grep -q 'install ok installed' || missing+=(locales)
  need_locale=1
fi
if [ ${#missing[@]} -gt 0 ]; then
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $sudo dpkg --add-architecture i386
  fi
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
if [ "${need_locale:-0}" = 1 ]; then
  $sudo localedef -i ja_JP -f UTF-8 ja_JP.UTF-8
fi
exit 0
