#!/bin/bash
# Runs a Windows program under Wine in the build tree's own prefix.
# Usage: wine-run.sh PREFIX PROGRAM [ARGS...]
set -e
prefix=$1
shift
export WINEPREFIX=$prefix
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko (their install prompts would block a fresh prefix), and no
# menu builder (it writes .desktop files for every shortcut into $HOME).
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=;winemenubuilder.exe=d}
if [ ! -f "$prefix/system.reg" ]; then
  mkdir -p "$(dirname "$prefix")"
  (
    flock 9
    if [ ! -f "$prefix/system.reg" ]; then
      wineboot -i >/dev/null 2>&1
      wineserver -w
      "$(dirname "$0")/wine-unlink-home.sh" "$prefix"
    fi
  ) 9>"$prefix.lock"
fi
exec wine "$@"
