// orlend-platform-demo [--headless] [--scale N] [--screen WxH] [--script FILE] [--snapshot FILE]
#include "platform/demo/demo_window.h"
#include "platform/platform.h"

int main(int argc, char** argv) {
  return platform::RunProgram(argc, argv, platform::ScreenKind::Handheld, DemoMain);
}
