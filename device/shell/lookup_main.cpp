// orlend-dict, the command: a lookup through the kept files, which starts with nothing of the
// window system (and, where the toolchain allows, with no shared library at all). What it
// cannot do it hands to the handheld program beside it: the window, and a lookup that needs
// the script converter or the loaded table. The handheld program reads the same command line.
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "device/shell/command_line.h"
#include "platform/platform.h"

static int HandOver(char** argv)
{
  platform::ExecProgramBeside("orlend-dict-handheld", argv);
  std::fprintf(stderr, "orlend-dict: cannot start the handheld program orlend-dict-handheld: %s\n",
               std::strerror(errno));
  return 2;
}

int main(int argc, char** argv)
{
  cli::Parsed parsed;
  int exitCode;
  if (!ReadDictionaryCommandLine(argc, argv, &parsed, &exitCode)) return exitCode;
  if (parsed.Has(kQuery)) {
    int code = RunQueryCommand(parsed, LookupServices{nullptr, nullptr});
    return code == LOOKUP_HAND_OVER ? HandOver(argv) : code;
  }
  if (parsed.Has(kWordList)) return PrintWordListCommand(parsed);
  return HandOver(argv);
}
