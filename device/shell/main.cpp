// The handheld dictionary program: the window on the emulated handheld, or, with
// --query, a lookup on the command line.
#include "device/shell/command_line.h"
#include "device/shell/start_up.h"
#include "platform/platform.h"

int main(int argc, char** argv) {
  if (HasQueryOption(argc, argv)) return RunQueryCommand(argc, argv);
  return platform::RunProgram(argc, argv, platform::ScreenKind::Handheld, DictionaryMain);
}
