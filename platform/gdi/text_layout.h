// Breaking text into lines for DrawTextW.
#pragma once

#include <vector>

#include "gdi/text_run.h"

namespace platform::gdi {

struct Line {
  int begin = 0;  // character indexes into the decoded text, end excluded
  int end = 0;
  int width = 0;
};

// Hard breaks at LF, CR and CR LF unless `singleLine`; with `wordBreak`, soft breaks so
// that no line is wider than `maxWidth` (spaces at a soft break are dropped; a word wider
// than the line is broken between characters, at least one character per line).
std::vector<Line> BreakLines(fonts::FontInstance& font, const std::vector<Char>& chars, bool singleLine,
                             bool wordBreak, int maxWidth);

}  // namespace platform::gdi
