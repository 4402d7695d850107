#include "device/shell/command_line.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "device/dictionary/database.h"
#include "device/dictionary/search_engine.h"
#include "device/dictionary/search_text.h"
#include "device/shell/program_folder.h"
#include "platform/platform.h"
#include "platform/utf.h"
#include "platform/windows.h"

const char QueryUsage[] =
    "usage: orlend-dict --query TEXT [--match-case] [--whole-word] [--pinyin] [--database gb|b5] [--folder DIR]\n";

static int ResultCount;

int HasQueryOption(int argc, char** argv)
{
  for (int i = 1; i < argc; i++)
    if (strcmp(argv[i], "--query") == 0) return 1;
  return 0;
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

static void PutUtf8(const WCHAR* text, int length)
{
  char bytes[ROW_TEXT_SIZE * 3 + 4];
  int size = length > 0 ? WideCharToMultiByte(CP_UTF8, 0, text, length, bytes, sizeof bytes, nullptr, nullptr) : 0;
  if (size > 0) fwrite(bytes, 1, size, stdout);
}

static void PrintResult(int code, int length, const WCHAR* text)
{
  if (code < 0) return;
  WCHAR left[ROW_TEXT_SIZE], right[ROW_TEXT_SIZE];
  int leftLength = HeadwordRowText(text, length, left);
  int rightLength = DefinitionRowText(text, length, right);
  printf("%d\t", code);
  PutUtf8(left, leftLength);
  putchar('\t');
  PutUtf8(right, rightLength);
  putchar('\n');
  ResultCount++;
}

static int Fail(const char* message, const char* detail)
{
  fprintf(stderr, "orlend-dict: %s%s\n", message, detail ? detail : "");
  return 2;
}

int RunQueryCommand(int argc, char** argv)
{
  const char* query = nullptr;
  const char* folder = nullptr;
  const WCHAR* fileName = u"cedict.gb.dat";
  int matchCase = 0, wholeWord = 0, pinyin = 0;
  for (int i = 1; i < argc; i++) {
    const char* arg = argv[i];
    bool hasValue = i + 1 < argc;
    if (strcmp(arg, "--query") == 0 && hasValue) {
      query = argv[++i];
    } else if (strcmp(arg, "--folder") == 0 && hasValue) {
      folder = argv[++i];
    } else if (strcmp(arg, "--database") == 0 && hasValue) {
      const char* which = argv[++i];
      if (strcmp(which, "gb") == 0)
        fileName = u"cedict.gb.dat";
      else if (strcmp(which, "b5") == 0)
        fileName = u"cedict.b5.dat";
      else
        return Fail("--database takes gb or b5, not ", which);
    } else if (strcmp(arg, "--match-case") == 0) {
      matchCase = 1;
    } else if (strcmp(arg, "--whole-word") == 0) {
      wholeWord = 1;
    } else if (strcmp(arg, "--pinyin") == 0) {
      pinyin = 1;
    } else {
      fputs(QueryUsage, stderr);
      return 2;
    }
  }
  if (!query) {
    fputs(QueryUsage, stderr);
    return 2;
  }
  if (!platform::KeepStandardStreams()) return Fail("standard output is closed: the results could not be written", nullptr);

  if (folder) {
    // A path is bytes: a folder name that is no UTF-8 is still that folder.
    SetProgramFolder(platform::Utf16FromNativePath(folder).c_str());
  } else {
    InitProgramFolder();
  }

  WCHAR path[MAX_PATH];
  char shownPath[MAX_PATH * 3];
  if (!ProgramFolderPath(fileName, path)) return Fail("the folder name is too long", nullptr);
  if (WideCharToMultiByte(CP_UTF8, 0, path, -1, shownPath, sizeof shownPath, nullptr, nullptr) <= 0) shownPath[0] = 0;

  DWORD attributes = GetFileAttributesW(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) return Fail("cannot find the dictionary database ", shownPath);
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return Fail("cannot read the dictionary database ", shownPath);

  LoadDictionary(fileName);
  switch (LoadDictionaryStatus()) {
    case LOAD_UNREADABLE:
      return Fail("cannot read the dictionary database ", shownPath);
    case LOAD_NO_MEMORY:
      return Fail("not enough memory to load the dictionary database ", shownPath);
    case LOAD_DAMAGED:
      fprintf(stderr, "orlend-dict: the dictionary database %s is damaged; searching the entries that could be read\n",
              shownPath);
      break;
  }
  InitMatchWeights();

  WCHAR* text = Widen(query);
  if (!text) return Fail("the query is not valid UTF-8", nullptr);
  TrimQuery(text);
  ResultCount = 0;
  static char outputBuffer[1 << 16];
  setvbuf(stdout, outputBuffer, _IOFBF, sizeof outputBuffer);
  SearchDictionary(text, matchCase, wholeWord, pinyin, PrintResult);
  free(text);
  // Results that did not reach their reader (a full disk, a closed output) are no success.
  if (fflush(stdout) != 0 || ferror(stdout)) return Fail("cannot write the results: ", strerror(errno));
  return ResultCount > 0 ? 0 : 1;
}
