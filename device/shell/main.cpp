// The handheld program: the window on the emulated handheld, or, with --query, a lookup on the
// command line that may load the table. orlend-dict, the command, hands it what it cannot do.
#include "device/shell/command_line.h"
#include "device/shell/start_up.h"
#include "platform/platform.h"

int DictionaryCommandLine(int argc, char** argv)
{
  const cli::Program& program = DictionaryProgram();
  cli::Parsed parsed;
  int exitCode;
  if (!ReadDictionaryCommandLine(argc, argv, &parsed, &exitCode)) return exitCode;
  if (parsed.Has(kQuery)) return RunQueryCommand(parsed, HandheldLookupServices());
  if (parsed.Has(kWordList)) return PrintWordListCommand(parsed);
  for (const cli::Given& given : parsed.options)
    if (given.id > 0) return cli::UsageError(program, "the lookup options need --query");
  platform::Options options;
  options.screen = platform::ScreenKind::Handheld;
  if (cli::ApplyWindowOptions(program, parsed, &options) != cli::kRun) return 2;
  return platform::RunProgram(program.name, options, parsed.operands, DictionaryMain);
}

int main(int argc, char** argv) { return DictionaryCommandLine(argc, argv); }
