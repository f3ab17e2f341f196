#!/usr/bin/env bash
# fuzz/run.sh [--all-sizes] SECONDS [TARGET...]
#
# Builds the fuzz configuration (clang, libFuzzer, ASan + UBSan) if needed, writes the seed
# corpora and runs each target (default: all) for SECONDS, as many at once as there are cores.
# Prints executions, corpus size and findings per target; exits 1 when any target found something
# (a crash, a broken property, an allocation over the limit, a leak, a hang). SECONDS 0 sets no
# time limit, for runs capped by ORVANEL_FUZZ_RUNS instead.
#
#   TARGET         catalogue file-header picture-codec notation command-receive
#                  read-bmp read-jpeg read-tiff read-gif
#   --all-sizes    the image targets also decode files that claim large but allowed sizes
#                  (see fuzz/ClaimedSize.h); slow, for a deliberate run
#
# Environment: ORVANEL_FUZZ_BUILD_DIR (default build-fuzz in the repository), ORVANEL_FUZZ_JOBS
# (default: the number of cores), ORVANEL_FUZZ_RUNS (stop each target after that many executions,
# e.g. 10000000 for a long run; default: no cap), ORVANEL_FUZZ_SANITIZERS (default
# address,undefined; read when a build directory is first configured: "undefined" alone runs the
# slow targets several times faster, for long runs after one with both). The corpora grow in
# BUILD/fuzz/corpus/TARGET across runs; findings land in BUILD/fuzz/findings/TARGET, with the log
# of the run in BUILD/fuzz/logs.
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"

all_targets=(catalogue file-header picture-codec notation command-receive
             read-bmp read-jpeg read-tiff read-gif)

if [ "${1:-}" = "--all-sizes" ]; then
  export ORVANEL_FUZZ_ALL_SIZES=1
  shift
fi
if [ $# -lt 1 ] || ! [[ "$1" =~ ^[0-9]+$ ]]; then
  # The usage is the comment block at the top of this file.
  sed -n '2,/^[^#]/{/^#/s/^# \{0,1\}//p}' "$0"
  exit 2
fi
seconds="$1"
shift
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=("${all_targets[@]}")
for t in "${targets[@]}"; do
  if ! printf '%s\n' "${all_targets[@]}" | grep -qx -- "$t"; then
    echo "run.sh: no target '$t' (targets: ${all_targets[*]})" >&2
    exit 2
  fi
done

build="${ORVANEL_FUZZ_BUILD_DIR:-$repo/build-fuzz}"
jobs="${ORVANEL_FUZZ_JOBS:-$(nproc)}"
runs="${ORVANEL_FUZZ_RUNS:--1}"
if ! [[ "$runs" =~ ^-1$|^[0-9]+$ ]]; then
  echo "run.sh: ORVANEL_FUZZ_RUNS must be a number of executions, not '$runs'" >&2
  exit 2
fi
if [ "$seconds" -eq 0 ] && [ "$runs" = "-1" ]; then
  echo "run.sh: SECONDS 0 runs without end; set ORVANEL_FUZZ_RUNS to cap the run" >&2
  exit 2
fi

start=$(date +%s)
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$repo" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORVANEL_FUZZ=ON \
    -DORVANEL_FUZZ_SANITIZERS="${ORVANEL_FUZZ_SANITIZERS:-address,undefined}" \
    -DCMAKE_CXX_COMPILER=clang++-14 >/dev/null
fi
cmake --build "$build" -j"$(nproc)" >"$build/fuzz-build.log" 2>&1 || {
  tail -50 "$build/fuzz-build.log"
  exit 1
}
echo "fuzz build ready in $(($(date +%s) - start)) s"

out="$build/fuzz"
rm -rf "$out/seeds"
"$out/make-seeds" "$out/seeds"
mkdir -p "$out/logs"

# A small quarantine keeps ASan reusing warm memory: on this kind of machine every fresh page
# costs more than most inputs. Freed memory is still poisoned; only reuse comes sooner.
export ASAN_OPTIONS="${ASAN_OPTIONS:-quarantine_size_mb=16}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1}"

run_one() {
  local t="$1"
  mkdir -p "$out/corpus/$t" "$out/findings/$t"
  # The readers refuse anything above kMaxImagePixels before allocating, so no single
  # allocation may pass 1 GiB, nor the process 2 GiB; one input may take 30 s at most.
  "$out/fuzz-$t" -max_total_time="$seconds" -runs="$runs" -rss_limit_mb=2048 \
    -malloc_limit_mb=1024 -timeout=30 -print_final_stats=1 -artifact_prefix="$out/findings/$t/" \
    "$out/corpus/$t" "$out/seeds/$t" >"$out/logs/$t.log" 2>&1 || true
}

running=0
for t in "${targets[@]}"; do
  rm -f "$out/findings/$t"/* 2>/dev/null || true
  run_one "$t" &
  running=$((running + 1))
  if [ "$running" -ge "$jobs" ]; then
    wait -n
    running=$((running - 1))
  fi
done
wait

failed=0
printf '%-16s %12s %8s %8s %8s\n' target executions seconds corpus findings
for t in "${targets[@]}"; do
  log="$out/logs/$t.log"
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  secs=$(sed -n 's/^Done [0-9]* runs in \([0-9]*\) second.*/\1/p' "$log" | tail -1)
  corpus=$(find "$out/corpus/$t" -type f | wc -l)
  findings=$(find "$out/findings/$t" -type f ! -name 'slow-unit-*' | wc -l)
  # A run that died without its final statistics found something too.
  if [ -z "$execs" ] && [ "$findings" -eq 0 ]; then findings=1; fi
  printf '%-16s %12s %8s %8s %8s\n' "$t" "${execs:-?}" "${secs:-?}" "$corpus" "$findings"
  if [ "$findings" -gt 0 ]; then
    failed=$((failed + 1))
    grep -m1 -E 'ERROR|property broken|runtime error' "$log" | sed "s/^/  $t: /" || true
    find "$out/findings/$t" -type f ! -name 'slow-unit-*' | sed "s/^/  $t: input /"
    echo "  $t: log $log"
  fi
done
echo "fuzz step took $(($(date +%s) - start)) s"
echo "fuzz: $((${#targets[@]} - failed)) passed, $failed failed"
[ "$failed" -eq 0 ]
