// One way of reading a command line for every program of the project: getopt_long
// (glibc) does the parsing, a table of options gives the GNU-style --help text from
// the same entries, and --help/--version are answered the same everywhere.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace cli {

// One option of a program. `value` names its argument ("TEXT") or is null for a switch.
struct Option {
  const char* name;   // long name, without the dashes
  char shortName;     // 0 when it has none
  const char* value;  // the argument's name in the help, or null
  const char* help;   // one line; may hold '\n' for a continuation line
  int id;             // what the program calls it; ids below 0 are reserved here
};

// A titled group of options in the help text.
struct Section {
  const char* title;  // "Lookup options:"
  std::vector<Option> options;
};

struct Program {
  const char* name;                   // as shown: "orlend-dict"
  std::vector<const char*> usages;    // the lines after "Usage: NAME "
  const char* description;            // what it does, one paragraph (may hold '\n')
  std::vector<Section> sections;      // --help and --version are added after them
  const char* operands = nullptr;     // null: operands are refused
  const char* epilogue = nullptr;     // exit status and the like, after the options
};

struct Given {
  int id;
  std::string value;  // empty for a switch
};

struct Parsed {
  std::vector<Given> options;          // in the order given
  std::vector<std::string> operands;   // what is not an option (after "--" too)
  bool Has(int id) const;
  const std::string* Value(int id) const;  // the last one given, or null
};

enum Outcome {
  kRun = 0,      // go on with what was parsed
  kExitOk = 1,   // --help or --version was answered: exit 0
  kExitUsage = 2 // a usage error was reported (one line and the hint): exit 2
};

// Parses argv (argv[0] is skipped). --help and --version print to `out`; errors go to `err`.
Outcome Parse(const Program& program, int argc, char** argv, Parsed* parsed, FILE* out = stdout,
              FILE* err = stderr);

// Reports a usage error found after parsing: "NAME: MESSAGE" and the hint. Returns kExitUsage.
Outcome UsageError(const Program& program, const std::string& message, FILE* err = stderr);

// The help and version texts, as Parse prints them.
std::string HelpText(const Program& program);
std::string VersionText(const Program& program);

const char* Version();

}  // namespace cli
