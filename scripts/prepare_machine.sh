#!/usr/bin/env bash
# Installs what building and testing the setup needs on a Debian 12 machine, once:
# the Debian packages that are missing and the Turkish locale for the wine tests.
set -euo pipefail

packages=(
  cmake ninja-build g++ clang libclang-rt-14-dev python3 python3-pefile
  mingw-w64 libz-mingw-w64-dev zlib1g-dev
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  wine64 xvfb xdotool x11-utils imagemagick liblnk-utils locales
  zopfli osslsigncode openssl
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

as_root() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }

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
