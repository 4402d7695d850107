// The program's command line: the window, or a dictionary lookup without it:
//   orlend-dict --query TEXT [--match-case] [--whole-word] [--pinyin] [--best]
//               [--database gb|b5] [--folder DIR]
// prints one line per result, best first (the search's own order; --best the best-match order): entry index, TAB, the result list's
// left text, TAB, its right text (UTF-8). Exit code 0 with results, 1 with
// none, 2 for a usage error or a missing or unreadable database.
//
// Two programs share it. orlend-dict, the command, carries the lookups through the kept files
// and nothing of the window system, so that it starts fast; the handheld program
// (orlend-dict-handheld, beside it) has the window, the script converter and the loaded table.
// A lookup that needs either of those two, and every start without --query, is handed over
// to it (the same command line, the same process).
#pragma once

#include "cli/window_options.h"
#include "platform/windows.h"

enum QueryOption { kQuery = 1, kMatchCase, kWholeWord, kPinyin, kDatabase, kFolder, kWordList, kBest };

// The options and help text of orlend-dict.
const cli::Program& DictionaryProgram();

// Reads argv against DictionaryProgram: true to go on with parsed, else false with the exit
// code (0 after --help or --version, 2 after a usage error, both already printed).
bool ReadDictionaryCommandLine(int argc, char** argv, cli::Parsed* parsed, int* exitCode);

// The whole handheld program: reads argv, then runs the lookup or opens the window. Returns the
// exit code.
int DictionaryCommandLine(int argc, char** argv);

// Prints the word list (--word-list [--folder DIR]): one line per word, headword TAB
// pinyin TAB definitions; exit code 0 with words, 1 with none.
int PrintWordListCommand(const cli::Parsed& parsed);

// A lookup that needs the loaded table.
struct LoadedLookup {
  const WCHAR* fileName;
  const WCHAR* text;  // null when the query is no UTF-8
  int matchCase, wholeWord, pinyin, best, database;
};

// What a lookup may need beyond the kept files; a null one hands the lookup over.
struct LookupServices {
  // Whether the typed Chinese text is the only form searched (the script converter's answer).
  int (*findsOnlyTyped)(const WCHAR* query, int pinyin, int database);
  // Loads the table and looks the text up in it, printing the results: 0, or the exit code of
  // a failure already reported.
  int (*lookUpLoaded)(const LoadedLookup& lookup);
};

// The handheld program's services, which have everything.
const LookupServices& HandheldLookupServices();

// RunQueryCommand's answer when a service it needs is missing; nothing was printed.
#define LOOKUP_HAND_OVER (-1)

// Runs the lookup of a command line that holds --query and returns the exit code, or
// LOOKUP_HAND_OVER.
int RunQueryCommand(const cli::Parsed& parsed, const LookupServices& services);

// The output of a lookup, for the services: one result line (the sink), the damage warning
// (once), a failure's message (returns 2), the database as the messages name it.
void PrintResult(int code, int length, const WCHAR* text);
void ReportDamage(int status);
int Fail(const char* message, const char* detail);
const char* ShownDatabase();
