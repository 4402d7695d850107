#include "device/shell/command_line.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "device/dictionary/database.h"
#include "device/dictionary/find_entries.h"
#include "device/dictionary/headword_counts.h"
#include "device/dictionary/lookup_index.h"
#include "device/dictionary/pinyin_input.h"
#include "device/dictionary/script_convert.h"
#include "device/dictionary/script_keys.h"
#include "device/dictionary/search_engine.h"
#include "device/dictionary/search_text.h"
#include "device/dictionary/table_search.h"
#include "device/shell/program_folder.h"
#include "device/shell/word_list.h"
#include "platform/platform.h"
#include "platform/utf.h"
#include "platform/windows.h"

static int ResultCount;
// The database as the messages name it.
static char ShownPath[MAX_PATH * 3];

const cli::Program& DictionaryProgram()
{
  static const cli::Program program = {
      "orlend-dict",
      {"[WINDOW OPTION]...", "--query=TEXT [--pinyin] [--whole-word] [--match-case] [--best] [--database=gb|b5] [--folder=DIR]",
       "--word-list [--folder=DIR]"},
      "The Chinese-English dictionary of the emulated handheld. Without --query it opens the\n"
      "handheld's screen in a window; with --query it looks TEXT up (Chinese, English, or\n"
      "pinyin with --pinyin) and prints one line per result, best first: the entry number,\n"
      "the headword and the definitions, separated by tabs.",
      {{"Lookup options:",
        {{"query", 'q', "TEXT", "look TEXT up and print the results", kQuery},
         {"pinyin", 'p', nullptr, "TEXT is pronunciation, with or without tone digits", kPinyin},
         {"whole-word", 'w', nullptr, "match whole words only", kWholeWord},
         {"match-case", 'c', nullptr, "match upper and lower case exactly", kMatchCase},
         {"best", 'b', nullptr, "best matches first: the word itself, words starting\nwith it, then common words before rare ones", kBest},
         {"database", 'd', "gb|b5", "the Simplified (gb, default) or Traditional (b5)\ndatabase", kDatabase},
         {"folder", 'f', "DIR", "where the databases are (default: the program's folder)", kFolder},
         {"word-list", 0, nullptr, "print the kept word list: headword, pinyin and\ndefinitions, tab-separated", kWordList}}},
       cli::WindowSection(platform::ScreenKind::Handheld)},
      nullptr,
      "Exit status: 0 with results, 1 with none, 2 on a usage error or a missing database.\n"
      "The databases are cedict.gb.dat and cedict.b5.dat, made by orlend-dict-installer."};
  return program;
}

bool ReadDictionaryCommandLine(int argc, char** argv, cli::Parsed* parsed, int* exitCode)
{
  cli::Outcome outcome = cli::Parse(DictionaryProgram(), argc, argv, parsed);
  *exitCode = outcome == cli::kExitOk ? 0 : 2;
  return outcome == cli::kRun;
}

// A UTF-8 argument as a new UTF-16 text (malloc), or null, also when it is no UTF-8.
static WCHAR* Widen(const char* text)
{
  int units = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text, -1, nullptr, 0);
  if (units <= 0) return nullptr;
  WCHAR* wide = static_cast<WCHAR*>(malloc(units * sizeof(WCHAR)));
  if (wide && MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text, -1, wide, units) <= 0) {
    free(wide);
    return nullptr;
  }
  return wide;
}

// A row text in UTF-8 into out (ROW_UTF8_SIZE bytes): straight from the entry's text, or
// through the row's UTF-16 text where that way leaves it. Returns the bytes.
static int RowUtf8(int (*utf8)(const WCHAR*, int, char*), int (*wide)(const WCHAR*, int, WCHAR*), const WCHAR* text,
                   int length, char* out)
{
  int size = utf8(text, length, out);
  if (size >= 0) return size;
  WCHAR row[ROW_TEXT_SIZE];
  int units = wide(text, length, row);
  size = units > 0 ? WideCharToMultiByte(CP_UTF8, 0, row, units, out, ROW_UTF8_SIZE, nullptr, nullptr) : 0;
  return size > 0 ? size : 0;
}

// The damage warning: said once, however many ways the database is read. Held back while a
// lookup may still be handed over (whose new process says it again), until the first result,
// a failure or the end.
static bool DamageFound, DamageSaid, DamageHeldBack;

static void SayDamage()
{
  if (DamageFound && !DamageSaid) {
    DamageSaid = true;
    fprintf(stderr, "orlend-dict: the dictionary database %s is damaged; searching the entries that could be read\n",
            ShownPath);
  }
}

void PrintResult(int code, int length, const WCHAR* text)
{
  if (code < 0) return;
  SayDamage();
  // The entry number, a tab, the headword, a tab, the definitions, written as one line.
  char line[12 + 2 * ROW_UTF8_SIZE + 3];
  char digits[12];
  int count = 0;
  for (unsigned value = (unsigned)code; count == 0 || value > 0; value /= 10) digits[count++] = (char)('0' + value % 10);
  int at = 0;
  while (count > 0) line[at++] = digits[--count];
  line[at++] = '\t';
  at += RowUtf8(HeadwordRowUtf8, HeadwordRowText, text, length, line + at);
  line[at++] = '\t';
  at += RowUtf8(DefinitionRowUtf8, DefinitionRowText, text, length, line + at);
  line[at++] = '\n';
  fwrite_unlocked(line, 1, at, stdout);
  ResultCount++;
}

void ReportDamage(int status)
{
  if (status != LOAD_DAMAGED) return;
  DamageFound = true;
  if (!DamageHeldBack) SayDamage();
}

int Fail(const char* message, const char* detail)
{
  SayDamage();
  fprintf(stderr, "orlend-dict: %s%s\n", message, detail ? detail : "");
  return 2;
}

int PrintWordListCommand(const cli::Parsed& parsed)
{
  for (const cli::Given& given : parsed.options)
    if (given.id > 0 && given.id != kWordList && given.id != kFolder)
      return cli::UsageError(DictionaryProgram(), "--word-list takes only --folder");
  if (!platform::KeepStandardStreams()) return Fail("standard output is closed: the list could not be written", nullptr);
  const std::string* folder = parsed.Value(kFolder);
  if (folder) SetProgramFolder(platform::Utf16FromNativePath(folder->c_str()).c_str());
  else InitProgramFolder();
  ReadWordList();
  std::string text = WordListTsv();
  fwrite(text.data(), 1, text.size(), stdout);
  if (fflush(stdout) != 0 || ferror(stdout)) return Fail("cannot write the word list: ", strerror(errno));
  return WordCount() > 0 ? 0 : 1;
}

const char* ShownDatabase() { return ShownPath; }

int RunQueryCommand(const cli::Parsed& parsed, const LookupServices& services)
{
  const cli::Program& program = DictionaryProgram();
  const char* query = parsed.Value(kQuery)->c_str();
  const std::string* folderValue = parsed.Value(kFolder);
  const char* folder = folderValue ? folderValue->c_str() : nullptr;
  const WCHAR* fileName = u"cedict.gb.dat";
  int database = 1;
  int matchCase = parsed.Has(kMatchCase), wholeWord = parsed.Has(kWholeWord), pinyin = parsed.Has(kPinyin);
  if (const std::string* which = parsed.Value(kDatabase)) {
    if (*which == "gb")
      fileName = u"cedict.gb.dat";
    else if (*which == "b5")
      fileName = u"cedict.b5.dat", database = 2;
    else
      return cli::UsageError(program, "--database takes gb or b5, not '" + *which + "'");
  }
  if (!platform::KeepStandardStreams()) return Fail("standard output is closed: the results could not be written", nullptr);

  if (folder) {
    // A path is bytes: a folder name that is no UTF-8 is still that folder.
    SetProgramFolder(platform::Utf16FromNativePath(folder).c_str());
  } else {
    InitProgramFolder();
  }

  WCHAR path[MAX_PATH];
  char* shownPath = ShownPath;
  if (!ProgramFolderPath(fileName, path)) return Fail("the folder name is too long", nullptr);
  if (WideCharToMultiByte(CP_UTF8, 0, path, -1, shownPath, sizeof ShownPath, nullptr, nullptr) <= 0) shownPath[0] = 0;

  DWORD attributes = GetFileAttributesW(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) return Fail("cannot find the dictionary database ", shownPath);
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return Fail("cannot read the dictionary database ", shownPath);

  InitMatchWeights();
  ResultCount = 0;
  DamageHeldBack = !services.lookUpLoaded;
  static char outputBuffer[1 << 14];
  setvbuf(stdout, outputBuffer, _IOFBF, sizeof outputBuffer);
  WCHAR* text = Widen(query);
  if (text) TrimQuery(text);
  // A few Chinese characters are looked up through the kept table's index, which reads only
  // the entries holding them; so are Latin queries whose three-unit pieces few entries hold.
  // Other queries read the kept table's file through once. Either needs a kept table, and the
  // index one made from it. A new database's table is kept as the
  // database is parsed, and searched piece by piece as it is written; its index is made once
  // the results are out. PinYin's rewrites are searched in the same reading as the text as
  // typed. Chinese that the script converter would change (found nothing as typed, or with best
  // matches first) loads the table. What needs the loaded table or the script converter the
  // services do, or the lookup is handed over.
  //
  // Whether the typed text is the only form searched: for Chinese the script converter tells,
  // or without one the table of its keys, when converting would change nothing; -1 when
  // neither can tell. Asked once.
  int onlyTypedKnown = 2;
  auto onlyTyped = [&]() -> int {
    if (onlyTypedKnown != 2) return onlyTypedKnown;
    const int length = lstrlenW(text);
    if (pinyin) onlyTypedKnown = 0;
    else if (!HasChineseUnits(text, length)) onlyTypedKnown = 1;
    else if (services.findsOnlyTyped) onlyTypedKnown = services.findsOnlyTyped(text, pinyin, database);
    else onlyTypedKnown = ConversionKeepsText(text, length, database == 1 ? SCRIPT_TO_SIMPLIFIED : SCRIPT_TO_TRADITIONAL) ? 1 : -1;
    return onlyTypedKnown;
  };
  int answered = -1;
  bool makeIndex = false;
  bool makeCounts = false;  // best matches ordered without kept headword counts: kept once the results are out
  const bool best = parsed.Has(kBest);
  const int indexKind = text && !pinyin ? IndexAnswers(text, wholeWord) : 0;
  const bool indexed = indexKind == INDEX_CHINESE, latin = indexKind == INDEX_LATIN;
  std::vector<std::u16string> forms;
  int typedOnly = 0;
  bool searches = text && (!best || BestMatchForms(text, pinyin, &forms));
  if (text && !searches) {
    typedOnly = onlyTyped();
    if (typedOnly < 0) {
      free(text);
      return LOOKUP_HAND_OVER;
    }
    searches = typedOnly > 0;
  }
  if (searches) {
    // Best matches first: the results are kept, ordered once they are all in, then printed.
    const ResultSink sink = best ? BestMatchSink : PrintResult;
    // PinYin with Best matches off: its rewrites are searched in the same reading of the table,
    // and answer only when the text as typed finds nothing, as the loaded table's search does.
    const bool firstAlone = pinyin && !best;
    if (forms.empty()) {
      forms.push_back(text);
      if (firstAlone) {
        std::vector<std::u16string> rewrites = PinyinRewrites(text, lstrlenW(text));
        forms.insert(forms.end(), rewrites.begin(), rewrites.end());
      }
    }
    if (best) BeginBestMatches(forms, matchCase, pinyin, PrintResult);
    auto lookUp = [&]() {
      if (indexed) return FindThroughIndex(fileName, text, matchCase, wholeWord, best, ReportDamage, sink);
      if (latin) {
        int through = FindThroughIndex(fileName, text, matchCase, wholeWord, best, ReportDamage, sink);
        if (through >= 0) return through;
        if (through == -1) makeIndex = true;  // none for this table yet: made once the results are out
      }
      return FindFormsThroughTableFile(fileName, forms, matchCase, wholeWord, pinyin, ReportDamage, sink, firstAlone);
    };
    answered = lookUp();
    if (answered < 0) {
      // A search while the table is kept lists no headwords: best matches of Chinese wait for
      // the index.
      if (!(best && indexed))
        answered = FindFormsWhileKeepingTable(fileName, forms, matchCase, wholeWord, pinyin, ReportDamage, sink, firstAlone);
      if (answered >= 0)
        makeIndex = indexed || latin;
      else if (indexed && KeepLookupIndex(fileName))
        answered = lookUp();
    }
    // PinYin as typed was searched in every form it has: nothing is left to hand over for.
    const bool allForms = firstAlone && answered >= 0;
    // Chinese the index found nothing for (nor, with best matches first, a headword holding
    // it): final when converting it would change nothing.
    if (answered == 0 && !allForms) {
      typedOnly = onlyTyped();
      if (typedOnly < 0) {
        free(text);
        return LOOKUP_HAND_OVER;
      }
    }
    if (answered == 0 && !typedOnly && !allForms) answered = -1;  // the other forms need the table
    if (best && answered >= 0) {
      // Each result's headword count from the counts kept beside the table, when they hold:
      // else the word-frequency list is read and searched for each.
      HEADWORD_COUNTS counts{};
      const bool counted = answered > 0 && OpenHeadwordCounts(fileName, &counts);
      const bool ordered = EndBestMatches(counts.Counts, counts.Count);
      CloseHeadwordCounts(&counts);
      if (!ordered) {
        free(text);
        return Fail("not enough memory to order the results", nullptr);
      }
      makeCounts = answered > 0 && !counted;
    }
  }
  if (answered < 0) {
    int code = services.lookUpLoaded
                   ? services.lookUpLoaded(LoadedLookup{fileName, text, matchCase, wholeWord, pinyin, best, database})
                   : LOOKUP_HAND_OVER;
    free(text);
    if (code != 0) return code;
  } else {
    free(text);
  }
  SayDamage();
  // Results that did not reach their reader (a full disk, a closed output) are no success.
  if (fflush(stdout) != 0 || ferror(stdout)) return Fail("cannot write the results: ", strerror(errno));
  if (makeIndex) {
    FreeDictionary();  // done with: the index is made from the kept table's file, read in pieces
    KeepLookupIndex(fileName);
  }
  if (makeCounts) KeepHeadwordCounts(fileName);
  return ResultCount > 0 ? 0 : 1;
}
