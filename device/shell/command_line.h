// The program's command line: the window, or a dictionary lookup without it:
//   orlend-dict --query TEXT [--match-case] [--whole-word] [--pinyin] [--best]
//               [--database gb|b5] [--folder DIR]
// prints one line per result, best first (the search's own order; --best the best-match order): entry index, TAB, the result list's
// left text, TAB, its right text (UTF-8). Exit code 0 with results, 1 with
// none, 2 for a usage error or a missing or unreadable database.
#pragma once

#include "cli/window_options.h"

// The options and help text of orlend-dict.
const cli::Program& DictionaryProgram();

// The whole program: reads argv, then runs the lookup or opens the window. Returns the exit code.
int DictionaryCommandLine(int argc, char** argv);

// Prints the word list (--word-list [--folder DIR]): one line per word, headword TAB
// pinyin TAB definitions; exit code 0 with words, 1 with none.
int PrintWordListCommand(const cli::Parsed& parsed);

// Runs the lookup of a command line that holds --query and returns the exit code.
int RunQueryCommand(const cli::Parsed& parsed);
