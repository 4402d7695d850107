#include "platform/surface.h"

namespace platform {

Surface::Surface(int width, int height, uint32_t fill) { resize(width, height, fill); }

void Surface::resize(int width, int height, uint32_t fill) {
  width_ = width > 0 ? width : 0;
  height_ = height > 0 ? height : 0;
  pixels_.assign(static_cast<size_t>(width_) * height_, fill);
}

}  // namespace platform
