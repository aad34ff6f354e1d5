#!/bin/bash
# The main job: installs what is missing, builds dist/TesseraSetup.exe and
# starts it under Wine. On the user's display it simply runs; with no display
# it runs on a virtual one, installs with the default choices as a user would,
# saves a screenshot of every page under build/run/shots and prints what it did
# and what the installation made.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
source scripts/xvfb.sh

bash scripts/deps.sh
cmake --preset win64 >/dev/null
cmake --build --preset win64 -j2 --target TesseraSetup wizard_driver
mkdir -p dist
cp build/win64/app/TesseraSetup.exe dist/TesseraSetup.exe
echo "Built dist/TesseraSetup.exe ($(stat -c %s dist/TesseraSetup.exe) bytes)"

prefix=$root/build/run/wineprefix
if [ -n "${DISPLAY:-}" ]; then
  tessera_start_wine "$prefix"
  wine dist/TesseraSetup.exe
  exit 0
fi

tessera_start_xvfb
tessera_start_wine "$prefix"
shots=$root/build/run/shots
rm -rf "$shots"
mkdir -p "$shots"
echo "No display: walking through the wizard on virtual display $DISPLAY"
wine build/win64/app/tests/wizard_driver.exe walk "$(winepath -w dist/TesseraSetup.exe)" "$(winepath -w "$shots")"
sysdir=$prefix/drive_c/windows/system32
grep '^system ' payload/files/stpack.manifest | cut -d' ' -f2- | while read -r f; do
  if [ -f "$sysdir/$f" ]; then
    echo "In the system directory: C:\\windows\\system32\\$f  $(stat -c %s "$sysdir/$f") bytes"
  fi
done
echo "Screenshots:"
ls -1 "$shots"/*.png | sed "s|^$root/|  |"
