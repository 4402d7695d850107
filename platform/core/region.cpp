#include "platform/region.h"

#include <algorithm>

namespace platform {

RECT IntersectRects(const RECT& a, const RECT& b) {
  RECT r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
         std::min(a.bottom, b.bottom)};
  if (RectEmpty(r)) r = RECT{0, 0, 0, 0};
  return r;
}

Region::Region(const RECT& r) {
  if (!RectEmpty(r)) rects_.push_back(r);
}

Region Region::FromRect(LONG left, LONG top, LONG right, LONG bottom) {
  return Region(RECT{left, top, right, bottom});
}

RECT Region::bounds() const {
  if (rects_.empty()) return RECT{0, 0, 0, 0};
  RECT b = rects_[0];
  for (const RECT& r : rects_) {
    b.left = std::min(b.left, r.left);
    b.top = std::min(b.top, r.top);
    b.right = std::max(b.right, r.right);
    b.bottom = std::max(b.bottom, r.bottom);
  }
  return b;
}

bool Region::contains(LONG x, LONG y) const {
  for (const RECT& r : rects_)
    if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) return true;
  return false;
}

bool Region::intersects(const RECT& rect) const {
  for (const RECT& r : rects_)
    if (!RectEmpty(IntersectRects(r, rect))) return true;
  return false;
}

void Region::offset(LONG dx, LONG dy) {
  for (RECT& r : rects_) {
    r.left += dx;
    r.right += dx;
    r.top += dy;
    r.bottom += dy;
  }
}

// Pieces of a that lie outside b: at most four rectangles.
static void SubtractRect(const RECT& a, const RECT& b, std::vector<RECT>& out) {
  RECT i = IntersectRects(a, b);
  if (RectEmpty(i)) {
    out.push_back(a);
    return;
  }
  if (a.top < i.top) out.push_back(RECT{a.left, a.top, a.right, i.top});
  if (i.bottom < a.bottom) out.push_back(RECT{a.left, i.bottom, a.right, a.bottom});
  if (a.left < i.left) out.push_back(RECT{a.left, i.top, i.left, i.bottom});
  if (i.right < a.right) out.push_back(RECT{i.right, i.top, a.right, i.bottom});
}

void Region::subtract(const Region& other) {
  for (const RECT& b : other.rects_) {
    std::vector<RECT> next;
    next.reserve(rects_.size() + 4);
    for (const RECT& a : rects_) SubtractRect(a, b, next);
    rects_.swap(next);
  }
  normalize();
}

void Region::unite(const Region& other) {
  Region extra = other;
  extra.subtract(*this);
  rects_.insert(rects_.end(), extra.rects_.begin(), extra.rects_.end());
  normalize();
}

void Region::intersect(const Region& other) {
  std::vector<RECT> next;
  for (const RECT& a : rects_)
    for (const RECT& b : other.rects_) {
      RECT i = IntersectRects(a, b);
      if (!RectEmpty(i)) next.push_back(i);
    }
  rects_.swap(next);
  normalize();
}

bool Region::operator==(const Region& other) const {
  Region a = *this;
  a.subtract(other);
  if (!a.empty()) return false;
  Region b = other;
  b.subtract(*this);
  return b.empty();
}

// Keeps the list short: merges rectangles that share a full edge.
void Region::normalize() {
  bool merged = true;
  while (merged && rects_.size() > 1) {
    merged = false;
    for (size_t i = 0; i < rects_.size() && !merged; ++i)
      for (size_t j = i + 1; j < rects_.size(); ++j) {
        RECT& a = rects_[i];
        const RECT& b = rects_[j];
        if (a.top == b.top && a.bottom == b.bottom && (a.right == b.left || b.right == a.left)) {
          a.left = std::min(a.left, b.left);
          a.right = std::max(a.right, b.right);
        } else if (a.left == b.left && a.right == b.right && (a.bottom == b.top || b.bottom == a.top)) {
          a.top = std::min(a.top, b.top);
          a.bottom = std::max(a.bottom, b.bottom);
        } else {
          continue;
        }
        rects_.erase(rects_.begin() + j);
        merged = true;
        break;
      }
  }
  std::sort(rects_.begin(), rects_.end(), [](const RECT& a, const RECT& b) {
    return a.top != b.top ? a.top < b.top : a.left < b.left;
  });
}

}  // namespace platform
