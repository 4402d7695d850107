#!/usr/bin/env bash
# Builds everything with AddressSanitizer + UndefinedBehaviorSanitizer
# (-DORLEND_SANITIZE=ON) in build-asan/ and runs the whole test suite there,
# with LeakSanitizer on wherever the sanitizer runtime can run it.
#
#   tools/sanitize.sh                      build, then every test
#   tools/sanitize.sh -R 'Loader|Options'  extra arguments go to ctest (a subset)
#
# Prints how long the build and the run took. Exit: ctest's (0 when all pass).
set -euo pipefail
cd "$(dirname "$0")/.."
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

if [ ! -f "$build_dir/build.ninja" ]; then
  cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=${BUILD_TYPE:-RelWithDebInfo} \
    -DORLEND_SANITIZE=ON -DORLEND_BENCHMARKS=OFF >/dev/null
fi
mkdir -p "$build_dir"
timed "$build_dir/sanitize-build.time" cmake --build "$build_dir" -j"$jobs"

# LeakSanitizer needs to stop the process's threads (ptrace); some containers
# forbid it, and then it aborts every program at exit. Probe once with a
# program of the same compiler.
compiler=$(sed -n 's/^CMAKE_CXX_COMPILER:[A-Z]*=//p' "$build_dir/CMakeCache.txt")
probe="$build_dir/sanitize-probe"
leaks=1
if printf 'int main() { return 0; }\n' | "$compiler" -x c++ -fsanitize=address - -o "$probe" 2>/dev/null; then
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

# Leaks inside system libraries that are not ours to fix.
suppressions="$build_dir/lsan.supp"
cat >"$suppressions" <<'SUPP'
leak:libfontconfig.so
leak:libdbus-1.so
leak:libX11.so
leak:libSDL2
SUPP

export ASAN_OPTIONS="detect_leaks=$leaks:detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1${ASAN_OPTIONS:+:$ASAN_OPTIONS}"
export LSAN_OPTIONS="suppressions=$(pwd)/$suppressions:print_suppressions=0${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1${UBSAN_OPTIONS:+:$UBSAN_OPTIONS}"

set +e
timed "$build_dir/sanitize-tests.time" bash -c 'cd "$1" && shift && ctest "$@"' ctest "$build_dir" \
  -j"$jobs" --output-on-failure --timeout 900 "$@"
status=$?
set -e
echo "sanitize: build $(seconds "$build_dir/sanitize-build.time"); tests $(seconds "$build_dir/sanitize-tests.time")" \
  "(load average $(cut -d' ' -f1-3 /proc/loadavg), $(nproc) processors)"
exit $status
