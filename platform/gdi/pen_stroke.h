// Stroking with the DC's pen, shared by lines and shape outlines.
#pragma once

#include "gdi/raster.h"

namespace platform::gdi {

struct PenStroke {
  bool visible = false;  // false for PS_NULL
  uint32_t pixel = 0;
  int width = 1;
};

PenStroke StrokeOf(const Canvas& c);
// One pen-sized dot centred on (x, y).
void Stamp(Canvas& c, const PenStroke& s, int x, int y);
// From (x0, y0) up to, not including, (x1, y1).
void StrokeLine(Canvas& c, const PenStroke& s, int x0, int y0, int x1, int y1);

}  // namespace platform::gdi
