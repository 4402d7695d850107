#include "cli/window_options.h"

#include <string>

namespace cli {

Outcome ApplyWindowOptions(const Program& program, const Parsed& parsed, platform::Options* options, FILE* err) {
  platform::ApplyEnvironment(options);
  for (const Given& given : parsed.options) {
    const char* name = nullptr;
    switch (given.id) {
      case kHeadless: name = "headless"; break;
      case kScale: name = "scale"; break;
      case kScreen: name = "screen"; break;
      case kScript: name = "script"; break;
      case kSnapshot: name = "snapshot"; break;
      case kVerbose: name = "verbose"; break;
      default: continue;
    }
    std::string error;
    if (!platform::SetOption(options, name, given.value.c_str(), &error)) return UsageError(program, error, err);
  }
  return kRun;
}

}  // namespace cli
