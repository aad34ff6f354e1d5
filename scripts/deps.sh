#!/bin/bash
# Installs from Debian's packages whatever the build and the tests need and is
# missing; does nothing when everything is there.
set -euo pipefail

packages=(
  cmake ninja-build g++ gcc make pkg-config
  clang libclang-rt-14-dev            # sanitizer and fuzzer builds
  mingw-w64 libz-mingw-w64-dev        # the Windows cross toolchains and their zlib
  zlib1g-dev googletest libgtest-dev libgmock-dev libbenchmark-dev
  wine wine64 fonts-wine xvfb xauth   # the Windows tests and the main job
  openssl python3 osslsigncode       # osslsigncode: the signed build's test
  clang-format                        # the formatting check
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
