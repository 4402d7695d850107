#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, AddressSanitizer + UndefinedBehaviorSanitizer)
# in build-fuzz/ and runs each for a while, printing executions, coverage and findings.
#
#   tools/fuzz.sh                 every target, 30 s each
#   tools/fuzz.sh 300             every target, 300 s each
#   tools/fuzz.sh 60 search       only the named targets
#
# Each target starts from its seeds (tests/fuzz/corpus/<target>) and keeps what it
# learns in build-fuzz/fuzz-corpus/<target>; inputs that fail land in
# build-fuzz/findings/<target>/. Exit: 0 when nothing was found, 1 otherwise.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
seconds=${1:-30}
shift || true
build_dir=${FUZZ_BUILD_DIR:-build-fuzz}
jobs=${JOBS:-2}
all_targets=(database_loader search options conversion resources)
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=("${all_targets[@]}")

if ! command -v clang++ >/dev/null; then
  echo "fuzz: clang++ is needed (tools/setup.sh installs it)" >&2
  exit 2
fi
if [ ! -f "$build_dir/build.ninja" ]; then
  CC=clang CXX=clang++ cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DORLEND_FUZZ=ON -DORLEND_SANITIZE=ON -DORLEND_BENCHMARKS=OFF >/dev/null
fi
names=()
for t in "${targets[@]}"; do names+=("fuzz_$t"); done
nice -n 10 cmake --build "$build_dir" --target "${names[@]}" -j"$jobs"

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:allocator_may_return_null=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy

status=0
printf '\n%-16s %10s %8s %8s %8s %9s  %s\n' target executions cov ft corpus exec/s findings
for t in "${targets[@]}"; do
  corpus="$build_dir/fuzz-corpus/$t"
  findings="$build_dir/findings/$t"
  log="$build_dir/findings/$t.log"
  mkdir -p "$corpus" "$findings"
  seeds="tests/fuzz/corpus/$t"
  set +e
  nice -n 10 "$build_dir/bin/fuzz_$t" -max_total_time="$seconds" -print_final_stats=1 -timeout=25 \
    -rss_limit_mb=2048 -artifact_prefix="$findings/" "$corpus" "$seeds" >"$log" 2>&1
  rc=$?
  set -e
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  speed=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
  last=$(grep -E '^#[0-9]+' "$log" | tail -1 || true)
  cov=$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<<"$last")
  ft=$(sed -n 's/.* ft: \([0-9]*\).*/\1/p' <<<"$last")
  corp=$(sed -n 's/.* corp: \([0-9]*\).*/\1/p' <<<"$last")
  found=$(find "$findings" -maxdepth 1 -type f \( -name 'crash-*' -o -name 'leak-*' -o -name 'timeout-*' -o -name 'oom-*' \) | wc -l)
  if [ "$rc" -ne 0 ] || [ "$found" -ne 0 ]; then
    status=1
    found="$found (exit $rc; see $root/$log)"
  fi
  printf '%-16s %10s %8s %8s %8s %9s  %s\n' "$t" "${execs:-?}" "${cov:-?}" "${ft:-?}" "${corp:-?}" "${speed:-?}" "$found"
done
exit $status
