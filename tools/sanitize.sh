#!/usr/bin/env bash
# Builds everything with AddressSanitizer + UndefinedBehaviorSanitizer
# (-DORLEND_SANITIZE=ON) in build-asan/ and runs the whole test suite there,
# with LeakSanitizer on wherever the sanitizer runtime can run it.
#
#   tools/sanitize.sh                      build, then every test
#   tools/sanitize.sh -R 'Loader|Options'  extra arguments go to ctest (a subset)
#
# The build uses clang when it is installed (it compiles this code about three times
# faster than g++ with the sanitizers) at -O1 with line tables only: enough for exact
# file:line in every report, at a fraction of the cost of full debug information.
# SANITIZE_CXX=g++ picks another compiler. Benchmarks are not built here.
#
# Every process a test starts (the programs too) writes any sanitizer report to
# build-asan/sanitizer-reports/; a report fails the stage even when the test that
# started the process did not look at its exit code.
#
# Prints how long the build and the run took. Exit: 0 when every test passed and no
# process reported anything; otherwise 1 (or ctest's code).
. "$(dirname "$0")/lib/help.sh"; script_help "$@"
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build_dir=${SANITIZE_BUILD_DIR:-build-asan}
jobs=${JOBS:-$(nproc)}

# Elapsed and processor seconds (user + system, children included) of a command:
# on a busy machine the processor time says more about the cost than the clock.
TIMEFORMAT='%R %U %S'
timed() {
  local out=$1
  shift
  { time "$@" 2>&3; } 3>&2 2>"$out"
}
seconds() { awk '{ printf "%.0fs elapsed, %.0fs processor", $1, $2 + $3 }' "$1"; }

if [ -n "${SANITIZE_CXX:-}" ]; then
  cxx=$SANITIZE_CXX
  case "$cxx" in *clang++*) cc=${cxx/clang++/clang} ;; *g++*) cc=${cxx/g++/gcc} ;; *) cc=cc ;; esac
elif command -v clang++ >/dev/null; then
  cxx=clang++ cc=clang
else
  cxx=g++ cc=gcc
fi
case "$cxx" in
  *clang++*) flags="-O1 -gline-tables-only" ;;
  *) flags="-O1 -g1" ;;  # g++'s nearest to line tables only
esac
linker=()
if [[ "$cxx" == *clang++* ]] && command -v ld.lld >/dev/null; then
  linker=(-DCMAKE_EXE_LINKER_FLAGS=-fuse-ld=lld -DCMAKE_SHARED_LINKER_FLAGS=-fuse-ld=lld
    -DCMAKE_MODULE_LINKER_FLAGS=-fuse-ld=lld)
fi

# A build folder configured otherwise (another compiler, an older version of this
# script) is configured afresh.
signature="$cxx|$flags|${linker[*]}|v2"
if [ -f "$build_dir/build.ninja" ] && [ "$(cat "$build_dir/sanitize.config" 2>/dev/null)" != "$signature" ]; then
  echo "sanitize: $build_dir was configured otherwise; configuring it afresh"
  rm -rf "$build_dir"
fi
if [ ! -f "$build_dir/build.ninja" ]; then
  CC=$cc CXX=$cxx cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_FLAGS_RELWITHDEBINFO="$flags" -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="$flags" \
    "${linker[@]}" -DORLEND_SANITIZE=ON -DORLEND_BENCHMARKS=OFF >/dev/null
  echo "$signature" >"$build_dir/sanitize.config"
fi
echo "sanitize: building with $cxx $flags -fsanitize=address,undefined in $build_dir"
timed "$build_dir/sanitize-build.time" cmake --build "$build_dir" -j"$jobs"

# LeakSanitizer needs to stop the process's threads (ptrace); some containers
# forbid it, and then it aborts every program at exit. Probe once with a
# program of the same compiler.
probe="$build_dir/sanitize-probe"
leaks=1
if printf 'int main() { return 0; }\n' | "$cxx" -x c++ -fsanitize=address - -o "$probe" 2>/dev/null; then
  if ! ASAN_OPTIONS=detect_leaks=1 "$probe" >/dev/null 2>&1; then leaks=0; fi
else
  leaks=0
fi
rm -f "$probe"
if [ "$leaks" = 1 ]; then
  echo "sanitize: LeakSanitizer on"
else
  echo "sanitize: LeakSanitizer cannot run here; leaks are not checked"
fi

# Leaks inside system libraries that are not ours to fix: see the file for each.
suppressions=$root/tests/reliability/lsan.supp
reports=$root/$build_dir/sanitizer-reports
rm -rf "$reports"
mkdir -p "$reports"

export ASAN_OPTIONS="detect_leaks=$leaks:detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1:log_path=$reports/asan${ASAN_OPTIONS:+:$ASAN_OPTIONS}"
export LSAN_OPTIONS="suppressions=$suppressions:print_suppressions=0${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:log_path=$reports/ubsan${UBSAN_OPTIONS:+:$UBSAN_OPTIONS}"

set +e
timed "$build_dir/sanitize-tests.time" bash -c 'cd "$1" && shift && ctest "$@"' ctest "$build_dir" \
  -j"$jobs" --output-on-failure --timeout 900 "$@"
status=$?
set -e

found=$(find "$reports" -type f | wc -l)
if [ "$found" -ne 0 ]; then
  echo
  echo "sanitize: $found process(es) reported a finding:"
  for report in "$reports"/*; do
    echo "---- $report"
    cat "$report"
  done
  [ "$status" -ne 0 ] || status=1
fi
echo "sanitize: build $(seconds "$build_dir/sanitize-build.time"); tests $(seconds "$build_dir/sanitize-tests.time")" \
  "(load average $(cut -d' ' -f1-3 /proc/loadavg), $(nproc) processors)"
if [ "$status" -eq 0 ]; then
  echo "sanitize: every test passed, no sanitizer findings"
else
  echo "sanitize: FAILED (ctest or sanitizer findings above)"
fi
exit $status
