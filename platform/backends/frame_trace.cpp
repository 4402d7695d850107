#include "backends/frame_trace.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace platform {

namespace {
using Clock = std::chrono::steady_clock;
const Clock::time_point g_start = Clock::now();
}  // namespace

bool FrameTraceOn() {
  static const bool on = [] {
    const char* timing = std::getenv("ORLEND_TIMING");
    return timing && std::atoi(timing) >= 2;
  }();
  return on;
}

void TraceAt(const char* what) {
  if (!FrameTraceOn()) return;
  std::fprintf(stderr, "platform: %s at %.2f ms\n", what,
               std::chrono::duration<double, std::milli>(Clock::now() - g_start).count());
}

}  // namespace platform
