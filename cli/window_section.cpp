// The help text's "Window options:" section, apart from the code that applies the options: a
// program that only prints its help or looks words up links no window system for it.
#include "cli/window_options.h"

namespace cli {

Section WindowSection(platform::ScreenKind screen) {
  Section section{"Window options:", {}};
  if (screen == platform::ScreenKind::Handheld) {
    section.options.push_back({"scale", 0, "N",
                               "show each screen pixel as NxN pixels (1 to 8;\n"
                               "default 2); a resized window keeps the aspect",
                               kScale});
    section.options.push_back({"screen", 0, "WxH", "the handheld's screen size (default 240x320)", kScreen});
  }
  section.options.push_back({"headless", 0, nullptr,
                             "run without a window on an off-screen screen\n"
                             "(also ORLEND_BACKEND=headless)",
                             kHeadless});
  section.options.push_back({"script", 0, "FILE", "play the input script FILE, headless", kScript});
  section.options.push_back({"snapshot", 0, "FILE", "write the last frame as a PNG image to FILE", kSnapshot});
  section.options.push_back({"verbose", 'v', nullptr, "say why sound or the display are not available", kVerbose});
  return section;
}

}  // namespace cli
