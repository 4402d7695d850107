// orlend-setup: has the desktop link's application manager install the handheld program.
#include "cli/window_options.h"
#include "setup/setup_launcher.h"

int main(int argc, char** argv) {
  static const cli::Program program = {
      "orlend-setup",
      {"[OPTION]... [ARGUMENT]..."},
      "Starts the desktop link's application manager with the handheld program's package\n"
      "description, \"install.ini\" in the current folder, and ends without waiting. Any\n"
      "ARGUMENT given is handed to the application manager instead.",
      {cli::WindowSection(platform::ScreenKind::Desktop)},
      "ARGUMENT",
      "Exit status: 0, also when the application manager could not be started (a message\n"
      "says why); 2 on a usage error."};
  cli::Parsed parsed;
  cli::Outcome outcome = cli::Parse(program, argc, argv, &parsed);
  if (outcome != cli::kRun) return outcome == cli::kExitOk ? 0 : 2;
  platform::Options options;
  options.screen = platform::ScreenKind::Desktop;
  if (cli::ApplyWindowOptions(program, parsed, &options) != cli::kRun) return 2;
  // The launcher always ends with 0, also where no screen opens (it says why).
  return platform::RunProgram(program.name, options, parsed.operands, SetupLauncherMain, 0);
}
