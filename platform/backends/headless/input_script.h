// The text format of scripted input (see platform/README.md, "Scripts").
#pragma once

#include <string>
#include <vector>

#include "platform/platform.h"

namespace platform {

struct TimedEvent {
  DWORD at = 0;  // milliseconds after the script starts
  InputEvent event;
};

// False with "line N: reason" for the first bad line; nothing is returned then.
bool ParseScript(const std::string& text, std::vector<TimedEvent>* events, std::string* error);
// A key name of the script ("enter", "a", "f1", ...) as a virtual key, or 0.
UINT KeyFromName(const std::string& name);

}  // namespace platform
