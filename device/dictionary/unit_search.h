// Finding marker units in long UTF-16 texts, many units at a time where the
// processor allows. Reads only inside the range given.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/windows.h"

// Bit k is set when from[k] equals one of the four units, for k < count;
// count is at most 64.
uint64_t MarkerMask(const WCHAR* from, size_t count, const WCHAR units[4]);

// Which instructions MarkerMask uses: 0 the best available, 1 portable, 2 SSE2,
// 3 AVX2 (the same numbers as the search paths). Returns 0 when the processor
// lacks them, and changes nothing then.
int SetMarkerPath(int path);
