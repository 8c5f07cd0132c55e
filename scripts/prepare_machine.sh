#!/usr/bin/env bash
# Installs what building and testing the setup needs on a Debian 12 machine, once:
# the Debian packages that are missing (wine's 32-bit loader among them, for the product
# is a 32-bit program), the Turkish locale for the wine tests, and, where the kernel runs
# no 32-bit code, the emulator that runs it.
set -euo pipefail
# shellcheck source=scripts/code32.sh
source "$(dirname "$0")/code32.sh"

packages=(
  cmake ninja-build g++ clang libclang-rt-14-dev python3 python3-pefile
  mingw-w64 libz-mingw-w64-dev zlib1g-dev
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  wine64 wine32:i386 xvfb xdotool x11-utils imagemagick liblnk-utils locales
  zopfli osslsigncode openssl
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

as_root() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }

# wine32:i386 comes from the i386 architecture's packages.
if [ ${#missing[@]} -gt 0 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  as_root dpkg --add-architecture i386
fi

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  as_root apt-get update -q
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q "${missing[@]}"
fi

# wine reports the Turkish Q keyboard layout only under a Turkish locale.
if ! locale -a 2>/dev/null | grep -qi '^tr_TR\.utf-\?8$'; then
  as_root sed -i 's/^# *tr_TR.UTF-8/tr_TR.UTF-8/' /etc/locale.gen
  grep -q '^tr_TR.UTF-8' /etc/locale.gen || echo 'tr_TR.UTF-8 UTF-8' | as_root tee -a /etc/locale.gen >/dev/null
  as_root locale-gen >/dev/null
fi

# The product runs under wine's 32-bit loader, which needs the machine to execute 32-bit
# x86 code. A working arrangement is left as it is.
if ! code32_runs; then
  if as_root bash -c "source '$(dirname "$0")/code32.sh' && code32_register_emulation"; then
    echo "This kernel runs no 32-bit code: registered qemu-user's i386 emulator for it ($CODE32_WRAPPER)."
  else
    echo "This machine runs no 32-bit code and no emulator could be registered (root and binfmt_misc are needed):" \
      "the end-to-end tests will run the 64-bit build."
  fi
fi
