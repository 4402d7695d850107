// The demo's window: the hatched background, a skin frame, styled English and Chinese
// texts, and a mark where the stylus last touched.
#pragma once

#include "platform/windows.h"

int DemoMain(HINSTANCE instance, LPWSTR commandLine, int show);
