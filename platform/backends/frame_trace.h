// With ORLEND_TIMING=2 the backends write a line to stderr for every release of a tap, every
// frame that reaches the display and every wait for input, in milliseconds since the process
// started, so a benchmark can time a tap to the frame shown before the program next waits
// (its result painted) from the program's own clock.
#pragma once

namespace platform {

bool FrameTraceOn();
// "platform: <what> at <ms> ms"
void TraceAt(const char* what);

}  // namespace platform
