#!/usr/bin/env bash
# Installs what the build, the tests and the demo need on a Debian 12 machine.
set -euo pipefail
pkgs=(cmake make g++ g++-mingw-w64-i686 wine wine32:i386 wine64 xvfb xauth x11-apps
      imagemagick xdotool fonts-ipafont-gothic fonts-ipafont-mincho gcab cabextract
      googletest clang libclang-rt-14-dev xorriso)
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

# Wine runs our 32-bit programs in a 32-bit Linux process. Some kernels refuse i386
# programs (no IA-32 emulation: execve answers "Exec format error"); there the i386 Linux
# side of Wine runs under QEMU's user-mode emulator. QEMU before 8.1 ignores the
# MAP_FIXED_NOREPLACE placement Wine relies on and takes minutes per process, so the
# emulator comes from bookworm-backports.
if ! /lib/ld-linux.so.2 --version >/dev/null 2>&1; then
  qemu=/usr/bin/qemu-i386
  if ! "$qemu" --version 2>/dev/null | grep -qE 'version ([89]|[1-9][0-9])\.'; then
    list=/etc/apt/sources.list.d/bookworm-backports.list
    if [ ! -f "$list" ]; then
      echo "deb http://deb.debian.org/debian bookworm-backports main" | $sudo tee "$list" >/dev/null
    fi
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends \
      -t bookworm-backports qemu-user >/dev/null
  fi
  binfmt=/proc/sys/fs/binfmt_misc
  [ -e "$binfmt/register" ] || $sudo mount -t binfmt_misc binfmt_misc "$binfmt"
  if [ ! -e "$binfmt/kaze-i386" ]; then
    # i386 ELF executables and shared objects; F: the emulator is opened now, so it also
    # serves programs started from other mount namespaces.
    magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
    mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
    printf '%s' ":kaze-i386:M::$magic:$mask:$qemu:F" | $sudo tee "$binfmt/register" >/dev/null
  fi
  if ! /lib/ld-linux.so.2 --version >/dev/null 2>&1; then
    echo "deps.sh: this machine cannot run 32-bit programs, not even under $qemu" >&2
    exit 1
  fi
fi
exit 0
