#!/usr/bin/env bash
# Builds the benchmarks and runs them; the summary tables come last. orlend-bench measures
# the dictionary code and the installer's conversion, orlend-bench-program the handheld
# program as a whole (start, a search from the tap to the painted list, memory), and
# whole_process.py a command-line lookup as a whole process beside grep, rg, the scan
# floor and sdcv (ratios from the same run; ROUNDS shuffled rounds, default 21), and
# real_window.py the program in a real window under Xvfb beside the same program headless
# (start to first frame, a tap on Search to the painted list; WINDOW_ROUNDS, default 9).
#   bench/run.sh                   everything
#   bench/run.sh 'search/china'    only the benchmarks whose names match
#   bench/run.sh window            only the real-window comparison
# The data (data/cedict.gb.dat, data/cedict_ts.u8) comes from tools/prepare-data.sh;
# ORLEND_DATA_DIR points elsewhere. BUILD_DIR picks the build folder (default build-bench).
. "$(dirname "$0")/../tools/lib/help.sh"; script_help "$@"
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${BUILD_DIR:-build-bench}
if [ ! -f "$build_dir/build.ninja" ]; then
  cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DORLEND_BENCHMARKS=ON >/dev/null
fi
cmake --build "$build_dir" --target orlend-bench orlend-bench-program orlend-bench-floor orlend-dict -j"$(nproc)"
if [ ! -x "$build_dir/bin/orlend-bench" ]; then
  echo "bench/run.sh: orlend-bench was not built; is Google Benchmark (libbenchmark-dev) installed?" >&2
  exit 1
fi
filter=${1:-.}
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) processors"
"$build_dir/bin/orlend-bench" --benchmark_filter="$filter" --benchmark_counters_tabular=true
"$build_dir/bin/orlend-bench-program" --benchmark_filter="$filter" --benchmark_counters_tabular=true
data_dir=${ORLEND_DATA_DIR:-data}
if [ -f "$data_dir/cedict.gb.dat" ] && [ -f "$data_dir/cedict_ts.u8" ] && { [ "$filter" = . ] || [[ process =~ $filter ]]; }; then
  python3 bench/whole_process.py "$build_dir" "$data_dir" "${ROUNDS:-21}"
fi
if [ -f "$data_dir/cedict.gb.dat" ] && { [ "$filter" = . ] || [[ window =~ $filter ]]; }; then
  python3 bench/real_window.py "$build_dir" "$data_dir" "${WINDOW_ROUNDS:-9}"
fi
