#!/bin/bash
# Runs every test: the formatting check, the native suite, the Windows build's
# suite under Wine on a virtual display, the sanitizer suite, bounded fuzzing,
# the i686 build, and the reproducible and signed release builds. Exits
# non-zero when anything fails.
# Usage: test.sh [GROUP...]; with groups (format, native, wine, sanitize, fuzz,
# i686, release), only their stages run.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
source scripts/xvfb.sh

bash scripts/deps.sh || exit 1

groups=("$@")
passed=0
failed=()
# stage GROUP NAME COMMAND...
stage() {
  local group=$1 name=$2
  shift 2
  if [ ${#groups[@]} -gt 0 ] && [[ " ${groups[*]} " != *" $group "* ]]; then
    return
  fi
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
  # Each test runs in a copy of this prefix of its own (cmake/wine-run.sh);
  # the copies that a killed test leaves are stopped and removed on exit.
  tessera_wine_copies "$root/build/win64/wineprefix"
  ctest --preset win64
}

# Every tracked C++ source in the project's own format.
format_check() {
  git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run -Werror
}

stage format "formatting" format_check
stage native "native build" build native
stage native "native tests" ctest --preset native
stage wine "windows tests under wine" wine_suite
stage sanitize "sanitizer build" build sanitize
stage sanitize "sanitizer tests" ctest --preset sanitize
if [ -x scripts/fuzz.sh ]; then
  stage fuzz "fuzzing" bash scripts/fuzz.sh "${TESSERA_FUZZ_SECONDS:-60}"
fi
stage i686 "i686 build" build win32
stage release "reproducible build" bash scripts/release_test.sh reproducible
stage release "signed build" bash scripts/release_test.sh signed

echo
if [ ${#failed[@]} -gt 0 ]; then
  echo "Failed stages: ${failed[*]}"
fi
echo "stages: $passed passed, ${#failed[@]} failed"
[ ${#failed[@]} -eq 0 ]
