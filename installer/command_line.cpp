#include "installer/command_line.h"

#include <stdio.h>
#include <string.h>
#include <unistd.h>

#include "installer/convert_cedict.h"
#include "installer/convert_dictionary.h"

#define BAR_WIDTH 30

struct TerminalProgress {
  int interactive;  // standard error is a terminal: redraw one line in place
  int shown;        // last position printed
};

static void PrintUtf16(FILE* stream, const WCHAR* text) {
  char bytes[4096];
  int n = WideCharToMultiByte(CP_UTF8, 0, text, lstrlenW(text), bytes, sizeof(bytes) - 1, nullptr,
                              nullptr);
  if (n < 0) n = 0;
  bytes[n] = 0;
  fputs(bytes, stream);
}

static void DrawBar(TerminalProgress* progress, int position) {
  if (position < 0) position = 0;
  if (position > 100) position = 100;
  if (progress->interactive) {
    char bar[BAR_WIDTH + 1];
    int filled = position * BAR_WIDTH / 100;
    for (int i = 0; i < BAR_WIDTH; i++) bar[i] = i < filled ? '#' : '-';
    bar[BAR_WIDTH] = 0;
    fputs("\r", stderr);
    PrintUtf16(stderr, CONVERTING_MESSAGE);
    fprintf(stderr, " [%s] %3d%%", bar, position);
  } else if (position / 10 > progress->shown / 10) {
    // A log gets a line per tenth, not a line per update.
    fprintf(stderr, " %d%%", position / 10 * 10);
  }
  fflush(stderr);
  progress->shown = position;
}

static void OpenBar(void* context, const WCHAR* message, int maximum) {
  TerminalProgress* progress = (TerminalProgress*)context;
  progress->shown = 0;
  if (progress->interactive) {
    DrawBar(progress, 0);
  } else {
    PrintUtf16(stderr, message);
    fflush(stderr);
  }
}

static void SetBar(void* context, int position) { DrawBar((TerminalProgress*)context, position); }

static void CloseBar(void* context) {
  if (!((TerminalProgress*)context)->interactive) fputs(" done", stderr);
  fputs("\n", stderr);
  fflush(stderr);
}

static void ReportFailure(void* context, const WCHAR* message) {
  fputs("orlend-dict-installer: ", stderr);
  PrintUtf16(stderr, message);
  fputs("\n", stderr);
}

static void Usage() {
  fputs("usage: orlend-dict-installer --convert SOURCE\n"
        "  SOURCE: cedict.gb (GB), cedict.b5 (Big5) or CC-CEDICT's cedict_ts.u8 (UTF-8)\n",
        stderr);
}

static int Convert(const char* source) {
  WCHAR path[CEDICT_PATH_SIZE];
  int length = MultiByteToWideChar(CP_UTF8, 0, source, -1, path, CEDICT_PATH_SIZE);
  if (length <= 0) {
    fprintf(stderr, "orlend-dict-installer: the path is too long or not valid text: %s\n", source);
    return COMMAND_LINE_FAILED;
  }
  TerminalProgress progress = {isatty(2), 0};
  ConversionHooks hooks = {&progress, OpenBar, SetBar, CloseBar, nullptr, ReportFailure};

  if (IsCedictUtf8Source(path)) {
    CedictConversion result;
    if (!ConvertCedictSource(path, &hooks, &result)) return COMMAND_LINE_FAILED;
    if (result.skipped > 0) {
      fprintf(stderr, "orlend-dict-installer: %d lines were not dictionary entries and were left out\n",
              (int)result.skipped);
    }
    PrintUtf16(stdout, result.simplifiedPath);
    printf("\t%d entries\n", (int)result.entries);
    PrintUtf16(stdout, result.traditionalPath);
    printf("\t%d entries\n", (int)result.entries);
    return COMMAND_LINE_OK;
  }

  if (length > MAX_PATH) {
    ReportFailure(nullptr, CONVERT_PATH_TOO_LONG);
    return COMMAND_LINE_FAILED;
  }
  WCHAR buffer[MAX_PATH];
  lstrcpyW(buffer, path);
  if (!ConvertDictionaryWith(buffer, &hooks)) return COMMAND_LINE_FAILED;
  PrintUtf16(stdout, ConvertedFilePath);
  printf("\n");
  return COMMAND_LINE_OK;
}

int RunInstallerCommandLine(int argc, char** argv) {
  if (argc == 3 && strcmp(argv[1], "--convert") == 0 && argv[2][0] != 0) return Convert(argv[2]);
  if (argc == 2 && (strcmp(argv[1], "--help") == 0 || strcmp(argv[1], "-h") == 0)) {
    Usage();
    return COMMAND_LINE_OK;
  }
  Usage();
  return COMMAND_LINE_USAGE;
}
