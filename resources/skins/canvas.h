// A small antialiased painter for the skin pictures: shapes are predicates, sampled
// 4 x 4 per pixel, so curves come out smooth at these tiny sizes.
#pragma once

#include <cmath>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace skins {

struct Rgb {
  int r, g, b;
};

inline Rgb Mix(Rgb a, Rgb b, double t) {
  return {static_cast<int>(std::lround(a.r + (b.r - a.r) * t)), static_cast<int>(std::lround(a.g + (b.g - a.g) * t)),
          static_cast<int>(std::lround(a.b + (b.b - a.b) * t))};
}

class Canvas {
 public:
  Canvas(int width, int height, Rgb fill = {255, 255, 255});
  int width() const { return width_; }
  int height() const { return height_; }
  Rgb at(int x, int y) const { return pixels_[static_cast<size_t>(y) * width_ + x]; }
  void set(int x, int y, Rgb c);
  void FillRect(int x, int y, int w, int h, Rgb c);
  // The hatched background of the program: white with grey lines on even rows.
  void Hatch(int x, int y, int w, int h, Rgb line = {220, 220, 220});
  // Paints `colour(x, y)` with the coverage of `inside` over the rectangle.
  void Shape(int x0, int y0, int x1, int y1, const std::function<bool(double, double)>& inside,
             const std::function<Rgb(double, double)>& colour);
  void Shape(int x0, int y0, int x1, int y1, const std::function<bool(double, double)>& inside, Rgb c) {
    Shape(x0, y0, x1, y1, inside, [c](double, double) { return c; });
  }
  void Blit(const Canvas& from, int sx, int sy, int w, int h, int dx, int dy);
  bool WriteBmp(const std::string& path) const;  // 24-bit, bottom-up

 private:
  int width_, height_;
  std::vector<Rgb> pixels_;
};

// Shape helpers in pixel coordinates (pixel centres at +0.5).
bool InRoundRect(double x, double y, double left, double top, double right, double bottom, double radius);
bool InCapsule(double x, double y, double ax, double ay, double bx, double by, double halfWidth);
bool InTriangle(double x, double y, double ax, double ay, double bx, double by, double cx, double cy);

}  // namespace skins
