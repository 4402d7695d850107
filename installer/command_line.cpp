#include "installer/command_line.h"

#include <errno.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

#include "installer/convert_cedict.h"
#include "installer/installer_window.h"
#include "installer/convert_dictionary.h"
#include "installer/device_transfer.h"
#include "installer/remote_api.h"
#include "platform/platform.h"
#include "platform/utf.h"

#define BAR_WIDTH 30

struct TerminalProgress {
  int interactive;  // standard error is a terminal: redraw one line in place
  int shown;        // last position printed
  const WCHAR* message;
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
    PrintUtf16(stderr, progress->message);
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
  progress->message = message;
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
  // The messages are written for a box: one line each here.
  WCHAR line[512];
  lstrcpynW(line, message, 512);
  for (WCHAR* c = line; *c; c++)
    if (*c == u'\n') *c = u' ';
  PrintUtf16(stderr, line);
  fputs("\n", stderr);
}

// A path argument into path (CEDICT_PATH_SIZE units) without loss: a path is bytes, and one
// that is no UTF-8 still names its file. The units with the terminator, or 0 when too long.
static int PathArgument(const char* argument, WCHAR* path) {
  std::u16string wide = platform::Utf16FromNativePath(argument);
  if (wide.size() + 1 > CEDICT_PATH_SIZE) return 0;
  memcpy(path, wide.c_str(), (wide.size() + 1) * sizeof(WCHAR));
  return (int)wide.size() + 1;
}

// The converted files, for the transfer that may follow.
struct Converted {
  int count;
  WCHAR paths[2][CEDICT_PATH_SIZE];
};

static int Convert(const char* source, Converted* converted) {
  converted->count = 0;
  WCHAR path[CEDICT_PATH_SIZE];
  int length = PathArgument(source, path);
  if (length <= 0) {
    fprintf(stderr, "orlend-dict-installer: the path is too long: %s\n", source);
    return COMMAND_LINE_FAILED;
  }
  TerminalProgress progress = {isatty(2), 0, u""};
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
    lstrcpyW(converted->paths[0], result.simplifiedPath);
    lstrcpyW(converted->paths[1], result.traditionalPath);
    converted->count = 2;
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
  lstrcpyW(converted->paths[0], ConvertedFilePath);
  converted->count = 1;
  return COMMAND_LINE_OK;
}

// The handheld's copy is named after the file (".dat" added when it has none).
static int DeviceNameFor(const WCHAR* path, WCHAR* deviceName) {
  const WCHAR* name = path;
  for (const WCHAR* c = path; *c; c++)
    if (*c == u'/' || *c == u'\\') name = c + 1;
  WCHAR stem[MAX_PATH];
  int length = lstrlenW(name);
  if (length >= MAX_PATH) return 0;
  lstrcpyW(stem, name);
  if (length > 4 && lstrcmpiW(stem + length - 4, u".dat") == 0) stem[length - 4] = 0;
  return stem[0] != 0 && FormDeviceFileName(stem, deviceName);
}

static int Transfer(const WCHAR* path) {
  WCHAR deviceName[MAX_PATH];
  if (!DeviceNameFor(path, deviceName)) {
    ReportFailure(nullptr, DEVICE_NAME_TOO_LONG);
    return COMMAND_LINE_FAILED;
  }
  TerminalProgress progress = {isatty(2), 0, u""};
  TransferHooks hooks = {&progress, OpenBar, SetBar, CloseBar, ReportFailure};
  if (!CopyToDeviceWith(path, deviceName, &hooks)) return COMMAND_LINE_FAILED;
  PrintUtf16(stdout, deviceName);
  printf("\n");
  return COMMAND_LINE_OK;
}

static int TransferFile(const char* file) {
  WCHAR path[CEDICT_PATH_SIZE];
  if (PathArgument(file, path) <= 0) {
    fprintf(stderr, "orlend-dict-installer: the path is too long: %s\n", file);
    return COMMAND_LINE_FAILED;
  }
  LoadRemoteApi();
  return Transfer(path);
}

static int ConvertAndTransfer(const char* source) {
  Converted converted;
  int code = Convert(source, &converted);
  if (code != COMMAND_LINE_OK) return code;
  LoadRemoteApi();
  for (int i = 0; i < converted.count; i++) {
    code = Transfer(converted.paths[i]);
    if (code != COMMAND_LINE_OK) return code;
  }
  return COMMAND_LINE_OK;
}

enum InstallerOption { kConvert = 1, kTransfer };

const cli::Program& InstallerProgram() {
  static const cli::Program program = {
      "orlend-dict-installer",
      {"[WINDOW OPTION]...", "--convert=SOURCE [--transfer]", "--transfer FILE.dat"},
      "Converts a Chinese-English word list into the handheld dictionary's database and\n"
      "copies it to the handheld. Without options it opens the installer's window (Locate,\n"
      "Process, Transfer); with --convert or --transfer it does the work on the command line,\n"
      "with progress on standard error and the files made on standard output.\n"
      "SOURCE is cedict.gb (GB), cedict.b5 (Big5) or CC-CEDICT's cedict_ts.u8 (UTF-8, which\n"
      "gives both databases); the database is written beside it as SOURCE.dat.",
      {{"Task options:",
        {{"convert", 'c', "SOURCE", "convert the word list SOURCE", kConvert},
         {"transfer", 't', nullptr,
          "copy the converted database (or FILE.dat) to the\nhandheld's program folder",
          kTransfer}}},
       cli::WindowSection(platform::ScreenKind::Desktop)},
      "FILE.dat",
      "Exit status: 0 on success, 1 when the work failed, 2 on a usage error."};
  return program;
}

// A task given on the command line, or -1 when there is none (the window opens).
static int RunTask(const cli::Program& program, const cli::Parsed& parsed) {
  const std::string* source = parsed.Value(kConvert);
  bool transfer = parsed.Has(kTransfer);
  if (source) {
    if (source->empty()) return cli::UsageError(program, "--convert needs a word list");
    if (!parsed.operands.empty()) return cli::UsageError(program, "unexpected argument '" + parsed.operands[0] + "'");
    if (transfer) return ConvertAndTransfer(source->c_str());
    Converted converted;
    return Convert(source->c_str(), &converted);
  }
  if (transfer) {
    if (parsed.operands.size() != 1 || parsed.operands[0].empty())
      return cli::UsageError(program, "--transfer needs one FILE.dat (or --convert SOURCE)");
    return TransferFile(parsed.operands[0].c_str());
  }
  if (!parsed.operands.empty()) return cli::UsageError(program, "unexpected argument '" + parsed.operands[0] + "'");
  return -1;
}

static bool HasTask(const cli::Parsed& parsed) {
  return parsed.Has(kConvert) || parsed.Has(kTransfer) || !parsed.operands.empty();
}

// The task, whose output must reach standard output to count.
static int RunTaskWithOutput(const cli::Program& program, const cli::Parsed& parsed) {
  if (!platform::KeepStandardStreams()) {
    fputs("orlend-dict-installer: standard output is closed: the task's result could not be written\n", stderr);
    return COMMAND_LINE_USAGE;
  }
  int code = RunTask(program, parsed);
  // The paths written are the task's result: lost on the way (a full disk, a closed output),
  // the task did not succeed.
  if (fflush(stdout) != 0 || ferror(stdout)) {
    fprintf(stderr, "orlend-dict-installer: cannot write to standard output: %s\n", strerror(errno));
    return COMMAND_LINE_USAGE;
  }
  return code;
}

// Reads argv; false with the exit code when --help, --version or a mistake ends the run.
static bool ReadCommandLine(int argc, char** argv, cli::Parsed* parsed, int* exitCode) {
  cli::Outcome outcome = cli::Parse(InstallerProgram(), argc, argv, parsed);
  *exitCode = outcome == cli::kExitOk ? COMMAND_LINE_OK : COMMAND_LINE_USAGE;
  return outcome == cli::kRun;
}

int RunInstallerCommandLine(int argc, char** argv) {
  const cli::Program& program = InstallerProgram();
  cli::Parsed parsed;
  int exitCode;
  if (!ReadCommandLine(argc, argv, &parsed, &exitCode)) return exitCode;
  if (!HasTask(parsed)) return cli::UsageError(program, "no task given: --convert or --transfer");
  return RunTaskWithOutput(program, parsed);
}

int InstallerCommandLine(int argc, char** argv) {
  const cli::Program& program = InstallerProgram();
  cli::Parsed parsed;
  int exitCode;
  if (!ReadCommandLine(argc, argv, &parsed, &exitCode)) return exitCode;
  if (HasTask(parsed)) return RunTaskWithOutput(program, parsed);
  platform::Options options;
  options.screen = platform::ScreenKind::Desktop;
  if (cli::ApplyWindowOptions(program, parsed, &options) != cli::kRun) return COMMAND_LINE_USAGE;
  return platform::RunProgram(program.name, options, parsed.operands, InstallerMain);
}
