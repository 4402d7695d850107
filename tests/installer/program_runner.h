// Runs one of the built programs as its own process, for the tests that need a whole run
// (a process that ends itself, the desktop flow from program to program).
#pragma once

#include <string>
#include <vector>

namespace installer_test {

struct ProgramRun {
  int code = -1;  // exit code; -1 when it did not end in time (it is then killed) or crashed
  std::string out, err;
};

// `env` entries are NAME=VALUE (added or replaced); "NAME=" alone removes NAME.
ProgramRun RunProgram(const std::string& program, const std::vector<std::string>& args, const std::string& folder,
               const std::vector<std::string>& env = {}, int seconds = 120);

// build/bin/<name>
std::string BuiltProgram(const std::string& name);

}  // namespace installer_test
