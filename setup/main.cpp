#include "platform/platform.h"
#include "setup/setup_launcher.h"

int main(int argc, char** argv) {
  return platform::RunProgram(argc, argv, platform::ScreenKind::Desktop, SetupLauncherMain);
}
