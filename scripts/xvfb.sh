# Sourced by the scripts: starts a virtual display of our own and stops it,
# with everything else we started, by PID on exit.
# shellcheck shell=bash

tessera_pids=()
tessera_prefixes=()
tessera_copies=()

tessera_cleanup() {
  local prefix copy pid
  for prefix in "${tessera_prefixes[@]}"; do
    WINEPREFIX=$prefix wineserver -k 2>/dev/null || true
  done
  for prefix in "${tessera_copies[@]}"; do
    for copy in "$prefix"-run.*; do
      [ -d "$copy" ] || continue
      WINEPREFIX=$copy wineserver -k 2>/dev/null || true
      rm -rf "$copy"
    done
  done
  for pid in "${tessera_pids[@]}"; do
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
}
trap tessera_cleanup EXIT

# Starts Xvfb on a free display number and exports DISPLAY.
tessera_start_xvfb() {
  local fifo display
  fifo=$(mktemp -u)
  mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
  tessera_pids+=($!)
  read -r -t 20 display <"$fifo"
  rm -f "$fifo"
  if [ -z "${display:-}" ]; then
    echo "Xvfb did not start" >&2
    return 1
  fi
  export DISPLAY=":$display"
}

# Makes the Wine prefix PREFIX if needed and keeps its wineserver running
# until we exit.
tessera_start_wine() {
  local prefix=$1
  export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
  tessera_prefixes+=("$prefix")
  if [ ! -f "$prefix/system.reg" ]; then
    mkdir -p "$prefix"
    wineboot -i >/dev/null 2>&1
    wineserver -w
    cmake/wine-unlink-home.sh "$prefix"
  fi
  wineserver -p >/dev/null 2>&1 || true
}

# Stops and removes on exit what is left of the per-run copies of PREFIX that
# cmake/wine-run.sh makes.
tessera_wine_copies() {
  tessera_copies+=("$1")
}
