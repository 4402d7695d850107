// Dictionary lookups from the command line, without the window:
//   orlend-dict --query TEXT [--match-case] [--whole-word] [--pinyin]
//               [--database gb|b5] [--folder DIR]
// prints one line per result, best first: entry index, TAB, the result list's
// left text, TAB, its right text (UTF-8). Exit code 0 with results, 1 with
// none, 2 for a usage error or a missing or unreadable database.
#pragma once

// Non-zero when the arguments ask for a lookup (--query is among them).
int HasQueryOption(int argc, char** argv);

// Runs the lookup and returns the exit code.
int RunQueryCommand(int argc, char** argv);

// The one-line usage text.
extern const char QueryUsage[];
