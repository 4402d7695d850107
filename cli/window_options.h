// The options every program with a window shares: how its screen is opened.
#pragma once

#include "cli/command_line.h"
#include "platform/platform.h"

namespace cli {

// Ids of the window options (negative: they never clash with a program's own).
enum WindowOption { kHeadless = -10, kScale = -11, kScreen = -12, kScript = -13, kSnapshot = -14, kVerbose = -15 };

// The "Window options:" section; the handheld's screen takes --scale and --screen too.
Section WindowSection(platform::ScreenKind screen);

// Moves the window options of `parsed` into `options`; a bad value is reported as a usage
// error (kExitUsage), else kRun.
Outcome ApplyWindowOptions(const Program& program, const Parsed& parsed, platform::Options* options,
                           FILE* err = stderr);

}  // namespace cli
