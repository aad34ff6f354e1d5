#!/bin/bash
# Runs every test: the native suite, the sanitizer suite, bounded fuzzing, and
# the Windows build's suite under Wine on a virtual display; checks that the
# i686 build still builds. Exits non-zero when anything fails.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
source scripts/xvfb.sh

bash scripts/deps.sh || exit 1

passed=0
failed=()
stage() {
  local name=$1
  shift
  echo "=== $name"
  local start=$SECONDS
  if "$@"; then
    echo "--- $name: ok ($((SECONDS - start)) s)"
    passed=$((passed + 1))
  else
    echo "--- $name: FAILED ($((SECONDS - start)) s)"
    failed+=("$name")
  fi
}

build() {
  cmake --preset "$1" >/dev/null && cmake --build --preset "$1" -j2
}

wine_suite() {
  build win64 || return 1
  tessera_start_xvfb || return 1
  tessera_start_wine "$root/build/win64/wineprefix"
  # The first program in a new prefix finishes setting it up; let it do so
  # before the tests start two at a time.
  timeout 120 wine cmd /c exit >/dev/null 2>&1 || true
  # A rare Wine start-up hang must not fail the run: a failed test runs once more.
  ctest --preset win64 --repeat until-pass:2
}

stage "native build" build native
stage "native tests" ctest --preset native
stage "windows tests under wine" wine_suite
stage "sanitizer build" build sanitize
stage "sanitizer tests" ctest --preset sanitize
if [ -x scripts/fuzz.sh ]; then
  stage "fuzzing" bash scripts/fuzz.sh "${TESSERA_FUZZ_SECONDS:-60}"
fi
stage "i686 build" build win32
stage "reproducible build" bash scripts/release_test.sh reproducible
stage "signed build" bash scripts/release_test.sh signed

echo
if [ ${#failed[@]} -gt 0 ]; then
  echo "Failed stages: ${failed[*]}"
fi
echo "stages: $passed passed, ${#failed[@]} failed"
[ ${#failed[@]} -eq 0 ]
