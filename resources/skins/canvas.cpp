#include "canvas.h"

#include <algorithm>
#include <cstdio>

namespace skins {

Canvas::Canvas(int width, int height, Rgb fill)
    : width_(width), height_(height), pixels_(static_cast<size_t>(width) * height, fill) {}

void Canvas::set(int x, int y, Rgb c) {
  if (x >= 0 && y >= 0 && x < width_ && y < height_) pixels_[static_cast<size_t>(y) * width_ + x] = c;
}

void Canvas::FillRect(int x, int y, int w, int h, Rgb c) {
  for (int j = y; j < y + h; ++j)
    for (int i = x; i < x + w; ++i) set(i, j, c);
}

void Canvas::Hatch(int x, int y, int w, int h, Rgb line) {
  for (int j = y; j < y + h; ++j)
    for (int i = x; i < x + w; ++i) set(i, j, (j - y) % 2 == 0 ? line : Rgb{255, 255, 255});
}

void Canvas::Shape(int x0, int y0, int x1, int y1, const std::function<bool(double, double)>& inside,
                   const std::function<Rgb(double, double)>& colour) {
  for (int y = std::max(0, y0); y < std::min(height_, y1); ++y)
    for (int x = std::max(0, x0); x < std::min(width_, x1); ++x) {
      int hits = 0;
      for (int sy = 0; sy < 4; ++sy)
        for (int sx = 0; sx < 4; ++sx)
          if (inside(x + (sx + 0.5) / 4, y + (sy + 0.5) / 4)) ++hits;
      if (hits) set(x, y, Mix(at(x, y), colour(x + 0.5, y + 0.5), hits / 16.0));
    }
}

void Canvas::Blit(const Canvas& from, int sx, int sy, int w, int h, int dx, int dy) {
  for (int j = 0; j < h; ++j)
    for (int i = 0; i < w; ++i) set(dx + i, dy + j, from.at(sx + i, sy + j));
}

static void Put16(std::vector<unsigned char>& out, unsigned v) {
  out.push_back(v & 0xFF);
  out.push_back((v >> 8) & 0xFF);
}
static void Put32(std::vector<unsigned char>& out, unsigned v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

bool Canvas::WriteBmp(const std::string& path) const {
  unsigned stride = (static_cast<unsigned>(width_) * 3 + 3) & ~3u;
  unsigned image = stride * static_cast<unsigned>(height_);
  std::vector<unsigned char> out;
  out.push_back('B');
  out.push_back('M');
  Put32(out, 54 + image);
  Put32(out, 0);
  Put32(out, 54);
  Put32(out, 40);
  Put32(out, static_cast<unsigned>(width_));
  Put32(out, static_cast<unsigned>(height_));
  Put16(out, 1);
  Put16(out, 24);
  Put32(out, 0);
  Put32(out, image);
  Put32(out, 2835);
  Put32(out, 2835);
  Put32(out, 0);
  Put32(out, 0);
  for (int y = height_ - 1; y >= 0; --y) {
    size_t start = out.size();
    for (int x = 0; x < width_; ++x) {
      Rgb c = at(x, y);
      out.push_back(static_cast<unsigned char>(std::clamp(c.b, 0, 255)));
      out.push_back(static_cast<unsigned char>(std::clamp(c.g, 0, 255)));
      out.push_back(static_cast<unsigned char>(std::clamp(c.r, 0, 255)));
    }
    while (out.size() - start < stride) out.push_back(0);
  }
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  bool ok = std::fwrite(out.data(), 1, out.size(), f) == out.size();
  return std::fclose(f) == 0 && ok;
}

bool InRoundRect(double x, double y, double left, double top, double right, double bottom, double radius) {
  if (x < left || x > right || y < top || y > bottom) return false;
  double cx = std::clamp(x, left + radius, right - radius);
  double cy = std::clamp(y, top + radius, bottom - radius);
  return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= radius * radius;
}

bool InCapsule(double x, double y, double ax, double ay, double bx, double by, double halfWidth) {
  double dx = bx - ax, dy = by - ay;
  double t = ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy + 1e-12);
  t = std::clamp(t, 0.0, 1.0);
  double px = ax + t * dx - x, py = ay + t * dy - y;
  return px * px + py * py <= halfWidth * halfWidth;
}

bool InTriangle(double x, double y, double ax, double ay, double bx, double by, double cx, double cy) {
  auto side = [](double x1, double y1, double x2, double y2, double x3, double y3) {
    return (x1 - x3) * (y2 - y3) - (x2 - x3) * (y1 - y3);
  };
  double d1 = side(x, y, ax, ay, bx, by), d2 = side(x, y, bx, by, cx, cy), d3 = side(x, y, cx, cy, ax, ay);
  bool negative = d1 < 0 || d2 < 0 || d3 < 0, positive = d1 > 0 || d2 > 0 || d3 > 0;
  return !(negative && positive);
}

}  // namespace skins
