// Runs of text in the DC's font: decoding, measuring and drawing one line.
#pragma once

#include <vector>

#include "fonts/font_instance.h"
#include "gdi/raster.h"

namespace platform::gdi {

struct Char {
  char32_t code;
  int unit;  // index of its first UTF-16 unit
};

// Longer runs are refused by the text calls (a failure, not an allocation of any size).
constexpr int kMaxTextUnits = 1 << 20;

// UTF-16 to code points; an unpaired surrogate stands for U+FFFD.
std::vector<Char> Decode(const WCHAR* text, int count);

// The font selected into the DC (the system font when the selection is unusable).
fonts::FontInstance& FontOf(DcObject* dc);
const LOGFONTW& LogFontOf(DcObject* dc);

int RunWidth(fonts::FontInstance& font, const Char* chars, int n);

// Draws glyphs with their cell's top-left corner at (x, top); `dx`, when given, holds the
// distance from each character to the next (one entry per character).
void DrawRun(Canvas& c, fonts::FontInstance& font, int x, int top, const Char* chars, int n,
             uint32_t pixel, const int* dx = nullptr);
// The underline across [x, x + width) of a line whose cell top is `top`.
void DrawUnderline(Canvas& c, fonts::FontInstance& font, int x, int top, int width, uint32_t pixel);
void DrawStrikeout(Canvas& c, fonts::FontInstance& font, int x, int top, int width, uint32_t pixel);

}  // namespace platform::gdi
