// A set of pixels made of non-overlapping rectangles: clipping, update and
// visible regions of windows, and the HRGN objects of the drawing interface.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/windef.h"

namespace platform {

class Region {
 public:
  Region() = default;
  explicit Region(const RECT& r);
  static Region FromRect(LONG left, LONG top, LONG right, LONG bottom);

  bool empty() const { return rects_.empty(); }
  const std::vector<RECT>& rects() const { return rects_; }
  RECT bounds() const;  // empty rectangle (0,0,0,0) for an empty region
  bool contains(LONG x, LONG y) const;
  bool intersects(const RECT& r) const;
  bool operator==(const Region& other) const;  // same set of pixels

  void clear() { rects_.clear(); }
  void offset(LONG dx, LONG dy);
  void unite(const Region& other);
  void unite(const RECT& r) { unite(Region(r)); }
  void intersect(const Region& other);
  void intersect(const RECT& r) { intersect(Region(r)); }
  void subtract(const Region& other);
  void subtract(const RECT& r) { subtract(Region(r)); }

 private:
  void normalize();
  std::vector<RECT> rects_;  // disjoint, non-empty
};

inline bool RectEmpty(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }
RECT IntersectRects(const RECT& a, const RECT& b);

}  // namespace platform
