#include "platform/platform.h"
#include "setup/setup_launcher.h"

int main(int argc, char** argv) {
  // The launcher always ends with 0, also where no screen opens (it says why).
  return platform::RunProgram(argc, argv, platform::ScreenKind::Desktop, SetupLauncherMain, 0);
}
