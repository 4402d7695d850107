// A 32-bit pixel buffer: every bitmap, memory context and screen draws into one.
// Pixels are 0x00RRGGBB (blue in the low byte), rows top to bottom.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace platform {

class Surface {
 public:
  Surface() = default;
  Surface(int width, int height, uint32_t fill = 0x00FFFFFF);

  int width() const { return width_; }
  int height() const { return height_; }
  uint32_t* row(int y) { return pixels_.data() + static_cast<size_t>(y) * width_; }
  const uint32_t* row(int y) const { return pixels_.data() + static_cast<size_t>(y) * width_; }
  uint32_t* data() { return pixels_.data(); }
  const uint32_t* data() const { return pixels_.data(); }
  bool contains(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }
  uint32_t pixel(int x, int y) const { return contains(x, y) ? row(y)[x] : 0; }
  void set_pixel(int x, int y, uint32_t value) {
    if (contains(x, y)) row(y)[x] = value;
  }
  void resize(int width, int height, uint32_t fill = 0x00FFFFFF);

 private:
  int width_ = 0;
  int height_ = 0;
  std::vector<uint32_t> pixels_;
};

// Colour conversions between COLORREF (0x00BBGGRR) and pixels (0x00RRGGBB).
inline uint32_t PixelFromColorref(uint32_t c) {
  return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}
inline uint32_t ColorrefFromPixel(uint32_t p) { return PixelFromColorref(p); }

}  // namespace platform
