#!/bin/bash
# What a publisher relies on when shipping the Windows build:
#   release_test.sh reproducible   two builds of the same sources, in other
#                                  folders and at other times, give the same
#                                  package and programs
#   release_test.sh signed         a build signed with a throw-away certificate
#                                  gives programs that verify, and its setup
#                                  still installs under Wine
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
source scripts/xvfb.sh

# The working tree's sources (also what is not committed yet) into a folder.
copy_sources() {
  mkdir -p "$1"
  git ls-files -z --cached --others --exclude-standard |
    tar --null --ignore-failed-read -T - -cf - 2>/dev/null | tar -xf - -C "$1"
}

# Builds the package and its programs from the sources in $1 into $2.
build_package() {
  (cd "$1" && cmake --preset win64 -B "$2" -DTESSERA_TESTS=OFF \
    "-DTESSERA_ONLY=support;datatable;package/crypto;package;tools/stpack;payload" >/dev/null)
  cmake --build "$2" -j2 --target tessera_package >/dev/null
}

reproducible() {
  local work outputs=(payload/Tessera.stp payload/Tessera.exe payload/Uninst.exe
                      tools/stpack/stpack.exe)
  work=$(mktemp -d)
  # The time that the programs carry: the last commit's, as a build from a
  # clone would take it.
  SOURCE_DATE_EPOCH=$(git log -1 --format=%ct)
  export SOURCE_DATE_EPOCH
  copy_sources "$work/one"
  copy_sources "$work/second source"
  build_package "$work/one" "$work/one/build/win64"
  sleep 2  # a later second, so that a clock time in the output would differ
  build_package "$work/second source" "$work/out of tree"
  local failed=0 file
  for file in "${outputs[@]}"; do
    if cmp "$work/one/build/win64/$file" "$work/out of tree/$file"; then
      echo "same bytes: $file ($(stat -c %s "$work/one/build/win64/$file") bytes)"
    else
      failed=1
    fi
  done
  if [ $failed -eq 0 ]; then rm -rf "$work"; else echo "both builds kept in $work"; fi
  return $failed
}

signed() {
  local build=$root/build/win64-signed
  local keys=$build/throw-away-keys
  rm -rf "$keys"
  mkdir -p "$keys"
  openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Tessera test signer" \
    -keyout "$keys/key.pem" -out "$keys/cert.pem" \
    -addext "extendedKeyUsage=codeSigning" -addext "keyUsage=critical,digitalSignature" \
    2>/dev/null
  cmake --preset win64 -B "$build" -DTESSERA_TESTS=OFF \
    -DTESSERA_SIGN_CERT="$keys/cert.pem" -DTESSERA_SIGN_KEY="$keys/key.pem" >/dev/null
  # A new certificate each run: the signed programs are linked and signed afresh.
  rm -f "$build/payload/Tessera.exe" "$build/payload/Uninst.exe" \
    "$build/tools/stpack/stpack.exe" "$build/app/TesseraSetup.exe"
  cmake --build "$build" -j2 --target TesseraSetup stpack wizard_driver >/dev/null

  tessera_start_xvfb
  tessera_start_wine "$build/wineprefix"
  timeout 120 wine cmd /c exit >/dev/null 2>&1 || true
  local installed
  installed=$(winepath -u 'C:\Program Files\Tessera')
  rm -rf "$installed"
  timeout 300 wine "$build/app/tests/wizard_driver.exe" walk \
    "$(winepath -w "$build/app/TesseraSetup.exe")" "$(winepath -w "$build/shots")"

  # The setup, stpack, and both programs as the setup installed them: so they
  # were signed before they were packed.
  local program
  for program in "$build/app/TesseraSetup.exe" "$build/tools/stpack/stpack.exe" \
                 "$installed/Tessera.exe" "$installed/Uninst.exe"; do
    echo "--- $(basename "$program")"
    osslsigncode verify -CAfile "$keys/cert.pem" -in "$program" |
      grep -E "^(Signature verification|Subject|Message digest algorithm|Number of verified)"
  done
}

"$1"
