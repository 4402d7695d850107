// Shared by the benchmark files: where the data is, timing whole processes, and
// the summary printed after the run from the medians of the repetitions.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

// The folder holding the fetched and converted data, with a trailing '/':
// $ORLEND_DATA_DIR when set, else data/ in the source tree.
std::string DataFolder();

// A folder of the benchmark's own holding a copy of cedict.gb.dat, where the loader may keep
// its table beside the database (never in the data folder); "" without the data.
std::string LookupFolder();

// The full path of a data file, or "" (with a note printed once) when missing.
std::string DataFile(const std::string& name);

// Runs a program with its output thrown away; returns its exit code, or -1
// when it could not be started. Adds the child's processor time (user and
// system, milliseconds) to *cpuMs when given.
int RunProcess(const std::vector<std::string>& arguments, double* cpuMs = nullptr);

// The counter through which a benchmark of whole processes reports their
// processor time per iteration (the benchmark's own CPU time is only the parent's).
#define CHILD_CPU_COUNTER "child_cpu_ms"

// The path of a program, or "" when it is not installed.
std::string FindProgram(const std::string& name);

// Median times in milliseconds of one benchmark: elapsed, and processor time
// (which the other jobs of a busy machine disturb far less).
struct Timing {
  double real;
  double cpu;
};
typedef std::map<std::string, Timing> Medians;

// A part of the summary; sections print in the order they were added.
void AddSummary(std::function<void(const Medians&)> section);

// Repetitions of every benchmark; the summary uses their median.
const int BenchRepetitions = 5;
