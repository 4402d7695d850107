// Small helpers for the drawing tests: an off-screen canvas, pixel probes and PNG output
// for looking at what was drawn.
#pragma once

#include <string>

#include "platform/gdi_bridge.h"
#include "platform/png.h"
#include "platform/windows.h"

namespace gdi_test {

// A memory DC holding a bitmap filled with one colour.
struct Canvas {
  HDC dc = nullptr;
  HBITMAP bitmap = nullptr;
  HGDIOBJ previous = nullptr;
  int width, height;

  Canvas(int w, int h, COLORREF fill = RGB(255, 255, 255)) : width(w), height(h) {
    dc = CreateCompatibleDC(nullptr);
    bitmap = CreateCompatibleBitmap(dc, w, h);
    previous = SelectObject(dc, bitmap);
    HBRUSH b = CreateSolidBrush(fill);
    RECT r{0, 0, w, h};
    FillRect(dc, &r, b);
    DeleteObject(b);
  }
  ~Canvas() {
    SelectObject(dc, previous);
    DeleteDC(dc);
    DeleteObject(bitmap);
  }
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  // Reads the bitmap itself, whatever the DC's clip.
  COLORREF at(int x, int y) const {
    const platform::Surface& s = surface();
    return s.contains(x, y) ? platform::ColorrefFromPixel(s.pixel(x, y)) : CLR_INVALID;
  }
  const platform::Surface& surface() const { return *platform::SurfaceOfBitmap(bitmap); }
  // Pixels in row y that are not `background`, as a string of '#' and '.'.
  std::string Row(int y, COLORREF background = RGB(255, 255, 255)) const {
    std::string s;
    for (int x = 0; x < width; ++x) s += at(x, y) == background ? '.' : '#';
    return s;
  }
  std::string Column(int x, COLORREF background = RGB(255, 255, 255)) const {
    std::string s;
    for (int y = 0; y < height; ++y) s += at(x, y) == background ? '.' : '#';
    return s;
  }
  // Number of pixels that differ from `background`.
  int Inked(COLORREF background = RGB(255, 255, 255)) const {
    int n = 0;
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) n += at(x, y) != background;
    return n;
  }
  // The bounding box of the inked pixels (empty when none).
  RECT InkBox(COLORREF background = RGB(255, 255, 255)) const {
    RECT r{width, height, 0, 0};
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x)
        if (at(x, y) != background) {
          if (x < r.left) r.left = x;
          if (y < r.top) r.top = y;
          if (x + 1 > r.right) r.right = x + 1;
          if (y + 1 > r.bottom) r.bottom = y + 1;
        }
    if (r.right == 0) r = RECT{0, 0, 0, 0};
    return r;
  }
};

// Writes a surface as a PNG, each pixel scaled up `scale` times.
inline bool WritePng(const platform::Surface& s, const std::string& path, int scale = 1) {
  platform::Surface big(s.width() * scale, s.height() * scale);
  for (int y = 0; y < big.height(); ++y)
    for (int x = 0; x < big.width(); ++x) big.row(y)[x] = s.row(y / scale)[x / scale];
  std::string error;
  return platform::WritePng(big, path, &error);
}

// Where tests may leave pictures for people to look at.
inline std::string OutputPath(const std::string& name) {
  return std::string(ORLEND_BINARY_DIR) + "/" + name;
}

}  // namespace gdi_test
