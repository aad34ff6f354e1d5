#!/bin/bash
# Runs a Windows program under Wine in a prefix of its own: a fresh copy of the
# build tree's prefix PREFIX, which is made and warmed once. Two programs that
# start at the same moment in one prefix can hang Wine's start-up, and a test
# must not see what another test left; the copy and its wineserver go when the
# program ends.
# Usage: wine-run.sh PREFIX PROGRAM [ARGS...]
set -euo pipefail
template=$1
shift
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko (their install prompts would block a fresh prefix), and no
# menu builder (it writes .desktop files for every shortcut into $HOME).
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=;winemenubuilder.exe=d}

# The prefix is ready once one program has run to its end in it (the first
# one finishes setting it up) and its wineserver has saved everything. The
# mark names the Wine that made it: another Wine would update every copy.
ready_mark=$template/tessera-ready
wine_version=$(wine --version)
if [ "$(cat "$ready_mark" 2>/dev/null)" != "$wine_version" ]; then
  mkdir -p "$(dirname "$template")"
  (
    flock 9
    if [ "$(cat "$ready_mark" 2>/dev/null)" != "$wine_version" ]; then
      WINEPREFIX=$template wineserver -k 2>/dev/null || true
      rm -rf "$template"
      mkdir -p "$template"
      WINEPREFIX=$template wineboot -i >/dev/null 2>&1
      WINEPREFIX=$template wineserver -w
      "$(dirname "$0")/wine-unlink-home.sh" "$template"
      WINEPREFIX=$template wine cmd /c exit >/dev/null 2>&1
      WINEPREFIX=$template wineserver -w
      echo "$wine_version" >"$ready_mark"
    fi
  ) 9>"$template.lock"
fi

run=$(mktemp -d "$template-run.XXXXXX")
finish() {
  WINEPREFIX=$run wineserver -k 2>/dev/null || true
  WINEPREFIX=$run wineserver -w 2>/dev/null || true
  rm -rf "$run"
}
trap finish EXIT
trap 'exit 143' TERM INT
cp -a "$template/." "$run/"
rm -f "$run/tessera-ready"
export WINEPREFIX=$run
wine "$@"
