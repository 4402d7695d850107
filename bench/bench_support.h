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

// The full path of a data file, or "" (with a note printed once) when missing.
std::string DataFile(const std::string& name);

// Runs a program with its output thrown away; returns its exit code, or -1
// when it could not be started.
int RunProcess(const std::vector<std::string>& arguments);

// The path of a program, or "" when it is not installed.
std::string FindProgram(const std::string& name);

// Median real time in milliseconds of each benchmark, by name.
typedef std::map<std::string, double> Medians;

// A part of the summary; sections print in the order they were added.
void AddSummary(std::function<void(const Medians&)> section);

// Repetitions of every benchmark; the summary uses their median.
const int BenchRepetitions = 5;
