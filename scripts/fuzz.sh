#!/bin/bash
# Builds the libFuzzer targets and runs each for a bounded time, two at a
# time. Usage: fuzz.sh [SECONDS]   (default 60; e.g. 3600 for a long run by hand)
# Each target starts from its seed corpus in the repository (and its
# dictionary NAME.dict beside it, if there); what it finds is kept under
# build/fuzz/corpus, crashes under build/fuzz/crashes. Exits non-zero when a
# target fails.
set -uo pipefail
seconds=${1:-60}
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

cmake --preset fuzz >/dev/null || exit 1
list=build/fuzz/fuzzers.txt
if [ ! -s "$list" ] || ! grep -q = "$list"; then
  echo "no fuzz targets"
  exit 0
fi
mapfile -t targets < <(cut -d= -f1 "$list" | grep .)
cmake --build --preset fuzz -j2 --target "${targets[@]}" || exit 1

# Scratch files of the targets that write (the extractor's) go to memory when
# it can, and go away with the run.
scratch=$(mktemp -d /dev/shm/tessera-fuzz.XXXXXX 2>/dev/null || mktemp -d)
export TMPDIR=$scratch

pids=()
stop_all() {
  local pid
  for pid in "${pids[@]}"; do
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
  done
  rm -rf "$scratch"
}
trap stop_all EXIT

run_one() {
  local name=$1 seeds=$2
  local corpus=build/fuzz/corpus/$name crashes=build/fuzz/crashes/$name
  mkdir -p "$corpus" "$crashes"
  local log=build/fuzz/$name.log
  local exe
  exe=$(find build/fuzz -type f -name "$name" -perm -u+x | head -1)
  local args=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1
              -artifact_prefix="$crashes/" "$corpus")
  [ -d "$seeds" ] && args+=("$seeds")
  [ -f "$seeds.dict" ] && args=(-dict="$seeds.dict" "${args[@]}")
  # The fuzzer is stopped with this job.
  "$exe" "${args[@]}" >"$log" 2>&1 &
  local fuzzer=$!
  trap 'kill $fuzzer 2>/dev/null' TERM
  wait $fuzzer
  local rc=$?
  local execs cov ft
  execs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$')
  cov=$(grep -o 'cov: [0-9]*' "$log" | tail -1 | grep -o '[0-9]*')
  ft=$(grep -o 'ft: [0-9]*' "$log" | tail -1 | grep -o '[0-9]*')
  if [ $rc -eq 0 ]; then
    echo "$name: ok, ${execs:-?} runs, cov ${cov:-?} ft ${ft:-?}"
  else
    echo "$name: FAILED (exit $rc), see $log"
    grep -m5 -E 'ERROR|SUMMARY|Test unit written' "$log"
  fi
  return $rc
}

status=0
while IFS='=' read -r name seeds; do
  [ -n "$name" ] || continue
  run_one "$name" "$seeds" &
  pids+=($!)
  if [ ${#pids[@]} -ge 2 ]; then
    wait "${pids[0]}" || status=1
    pids=("${pids[@]:1}")
  fi
done <"$list"
for pid in "${pids[@]}"; do
  wait "$pid" || status=1
done
pids=()
exit $status
