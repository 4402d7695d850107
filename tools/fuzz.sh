#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, AddressSanitizer + UndefinedBehaviorSanitizer)
# in build-fuzz/ and runs each for a while, printing executions, coverage and findings.
#
#   tools/fuzz.sh                 every target, 30 s each
#   tools/fuzz.sh 300             every target, 300 s each
#   tools/fuzz.sh 60 search       only the named targets
#
# Targets run side by side, FUZZ_PARALLEL at a time (default: the number of
# processors), each in one process. Each starts from its seeds
# (tests/fuzz/corpus/<target>) and keeps what it learns in build-fuzz/fuzz-corpus/<target>;
# inputs that fail land in build-fuzz/findings/<target>/, with the run's log beside them
# (an earlier run's findings move to findings/<target>.earlier/).
# The code is built as for OSS-Fuzz: -O1 with line tables.
# Exit: 0 when nothing was found, 1 otherwise, 2 when clang is missing.
. "$(dirname "$0")/lib/help.sh"; script_help "$@"
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
seconds=${1:-30}
shift || true
build_dir=${FUZZ_BUILD_DIR:-build-fuzz}
jobs=${JOBS:-$(nproc)}
parallel=${FUZZ_PARALLEL:-$(nproc)}
all_targets=(database_loader search options conversion resources)
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=("${all_targets[@]}")
for t in "${targets[@]}"; do
  if [[ " ${all_targets[*]} " != *" $t "* ]]; then
    echo "fuzz: no target '$t' (targets: ${all_targets[*]})" >&2
    exit 2
  fi
done

if ! command -v clang++ >/dev/null; then
  echo "fuzz: clang++ is needed (tools/setup.sh installs it)" >&2
  exit 2
fi
flags="-O1 -gline-tables-only"
linker=()
if command -v ld.lld >/dev/null; then
  linker=(-DCMAKE_EXE_LINKER_FLAGS=-fuse-ld=lld -DCMAKE_SHARED_LINKER_FLAGS=-fuse-ld=lld
    -DCMAKE_MODULE_LINKER_FLAGS=-fuse-ld=lld)
fi
# A build folder configured otherwise (an older version of this script) is configured
# afresh; what the fuzzer learnt (fuzz-corpus) is kept.
signature="$flags|${linker[*]}|v2"
if [ -f "$build_dir/build.ninja" ] && [ "$(cat "$build_dir/fuzz.config" 2>/dev/null)" != "$signature" ]; then
  echo "fuzz: $build_dir was configured otherwise; configuring it afresh"
  find "$build_dir" -mindepth 1 -maxdepth 1 ! -name fuzz-corpus -exec rm -rf {} +
fi
if [ ! -f "$build_dir/build.ninja" ]; then
  CC=clang CXX=clang++ cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_FLAGS_RELWITHDEBINFO="$flags" -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="$flags" "${linker[@]}" \
    -DORLEND_FUZZ=ON -DORLEND_SANITIZE=ON -DORLEND_BENCHMARKS=OFF >/dev/null
  echo "$signature" >"$build_dir/fuzz.config"
fi
names=()
for t in "${targets[@]}"; do names+=("fuzz_$t"); done
nice -n 10 cmake --build "$build_dir" --target "${names[@]}" -j"$jobs"

# LeakSanitizer needs ptrace, which some containers forbid (see tools/sanitize.sh).
leaks=1
if ! ASAN_OPTIONS=detect_leaks=1 "$build_dir/bin/fuzz_${targets[0]}" -runs=0 >/dev/null 2>&1; then
  leaks=0
  echo "fuzz: LeakSanitizer cannot run here; leaks are not checked"
fi
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=$leaks:allocator_may_return_null=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$root/tests/reliability/lsan.supp:print_suppressions=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy

# One target: its run, then its line of figures in build-fuzz/findings/<target>.result.
run_target() {
  local t=$1
  local corpus="$build_dir/fuzz-corpus/$t" findings="$build_dir/findings/$t" log="$build_dir/findings/$t.log"
  # What an earlier run found is kept aside, so that only this run's findings count.
  if [ -n "$(ls -A "$findings" 2>/dev/null)" ]; then
    rm -rf "$findings.earlier"
    mv "$findings" "$findings.earlier"
  fi
  mkdir -p "$corpus" "$findings"
  local rc=0
  nice -n 10 "$build_dir/bin/fuzz_$t" -max_total_time="$seconds" -print_final_stats=1 -timeout=25 \
    -rss_limit_mb=2048 -artifact_prefix="$findings/" "$corpus" "tests/fuzz/corpus/$t" >"$log" 2>&1 || rc=$?
  local execs speed last cov ft corp found
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  speed=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
  last=$(grep -E '^#[0-9]+' "$log" | tail -1 || true)
  cov=$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<<"$last")
  ft=$(sed -n 's/.* ft: \([0-9]*\).*/\1/p' <<<"$last")
  corp=$(sed -n 's/.* corp: \([0-9]*\).*/\1/p' <<<"$last")
  found=$(find "$findings" -maxdepth 1 -type f \( -name 'crash-*' -o -name 'leak-*' -o -name 'timeout-*' -o -name 'oom-*' \) | wc -l)
  if [ "$rc" -ne 0 ] || [ "$found" -ne 0 ]; then
    found="$found FAILED (exit $rc; see $root/$log)"
  fi
  printf '%-16s %10s %8s %8s %8s %9s  %s\n' "$t" "${execs:-?}" "${cov:-?}" "${ft:-?}" "${corp:-?}" "${speed:-?}" \
    "$found" >"$build_dir/findings/$t.result"
}

echo "fuzz: ${#targets[@]} target(s), ${seconds}s each, $parallel at a time"
mkdir -p "$build_dir/findings"
running=0
for t in "${targets[@]}"; do
  rm -f "$build_dir/findings/$t.result"
  run_target "$t" &
  running=$((running + 1))
  if [ "$running" -ge "$parallel" ]; then
    wait -n || true
    running=$((running - 1))
  fi
done
wait

status=0
printf '\n%-16s %10s %8s %8s %8s %9s  %s\n' target executions cov ft corpus exec/s findings
for t in "${targets[@]}"; do
  result="$build_dir/findings/$t.result"
  if [ ! -f "$result" ]; then
    printf '%-16s %s\n' "$t" "no result (the run did not finish)"
    status=1
    continue
  fi
  cat "$result"
  if grep -q FAILED "$result"; then status=1; fi
done
exit $status
