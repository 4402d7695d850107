#include "gdi/dib.h"

#include <bit>
#include <cstring>
#include <vector>

#include "platform/wingdi.h"

namespace platform::gdi {

namespace {

uint32_t Read32(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24); }
uint16_t Read16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

// One colour channel described by a bit mask, scaled to 8 bits.
struct Channel {
  uint32_t mask = 0;
  int shift = 0;
  uint32_t max = 0;
  bool Set(uint32_t m) {
    mask = m;
    if (!m) return true;
    shift = std::countr_zero(m);
    uint32_t bits = m >> shift;
    if ((bits & (bits + 1)) != 0) return false;  // not one contiguous run
    max = bits;
    return true;
  }
  uint32_t Get(uint32_t v) const {
    if (!mask) return 0;
    return static_cast<uint32_t>((1ULL * ((v & mask) >> shift) * 255 + max / 2) / max);
  }
};

}  // namespace

bool DecodeDib(const uint8_t* data, size_t size, size_t bitsOffset, Surface& out) {
  if (!data || size < 40) return false;
  uint32_t headerSize = Read32(data);
  if (headerSize < 40 || headerSize > size) return false;
  int32_t width = static_cast<int32_t>(Read32(data + 4));
  int32_t height = static_cast<int32_t>(Read32(data + 8));
  uint16_t planes = Read16(data + 12);
  uint16_t bpp = Read16(data + 14);
  uint32_t compression = Read32(data + 16);
  uint32_t colorsUsed = Read32(data + 32);
  if (planes != 1 || width <= 0 || height == 0 || height == INT32_MIN) return false;
  bool topDown = height < 0;
  int64_t rows = topDown ? -static_cast<int64_t>(height) : height;
  if (width > 32768 || rows > 32768 || width * rows > (1LL << 26)) return false;
  if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) return false;
  if (compression != BI_RGB && !(compression == BI_BITFIELDS && (bpp == 16 || bpp == 32))) return false;

  size_t pos = headerSize;
  Channel red, green, blue;
  if (compression == BI_BITFIELDS) {
    const uint8_t* masks = data + 40;  // inside V4/V5 headers, else right after the header
    if (headerSize < 52) {
      if (size - pos < 12) return false;
      masks = data + pos;
      pos += 12;
    }
    if (!red.Set(Read32(masks)) || !green.Set(Read32(masks + 4)) || !blue.Set(Read32(masks + 8))) return false;
  } else if (bpp == 16) {
    red.Set(0x7C00), green.Set(0x03E0), blue.Set(0x001F);
  }

  std::vector<uint32_t> palette;
  if (bpp <= 8) {
    uint32_t maxColors = 1u << bpp;
    uint32_t count = colorsUsed ? colorsUsed : maxColors;
    if (count > maxColors) return false;
    if ((size - pos) / 4 < count) return false;
    for (uint32_t i = 0; i < count; ++i) {
      const uint8_t* q = data + pos + 4 * i;
      palette.push_back((q[2] << 16) | (q[1] << 8) | q[0]);
    }
    pos += 4 * static_cast<size_t>(count);
  } else if (colorsUsed) {
    // A colour table that only advises the display; skipped.
    if (colorsUsed > 256 || (size - pos) / 4 < colorsUsed) return false;
    pos += 4 * static_cast<size_t>(colorsUsed);
  }
  if (bitsOffset) {
    if (bitsOffset < pos || bitsOffset > size) return false;
    pos = bitsOffset;
  }
  size_t stride = ((static_cast<size_t>(width) * bpp + 31) / 32) * 4;
  if ((size - pos) / stride < static_cast<size_t>(rows)) return false;

  Surface s(width, static_cast<int>(rows), 0);
  for (int64_t r = 0; r < rows; ++r) {
    const uint8_t* in = data + pos + static_cast<size_t>(r) * stride;
    uint32_t* px = s.row(static_cast<int>(topDown ? r : rows - 1 - r));
    for (int32_t x = 0; x < width; ++x) {
      uint32_t v = 0;
      switch (bpp) {
        case 1:
        case 4:
        case 8: {
          int perByte = 8 / bpp;
          int shift = 8 - bpp * (x % perByte + 1);
          uint32_t index = (in[x / perByte] >> shift) & ((1u << bpp) - 1);
          v = index < palette.size() ? palette[index] : 0;  // out-of-table indices are black
          break;
        }
        case 16: {
          uint32_t p = Read16(in + 2 * x);
          v = (red.Get(p) << 16) | (green.Get(p) << 8) | blue.Get(p);
          break;
        }
        case 24: v = (in[3 * x + 2] << 16) | (in[3 * x + 1] << 8) | in[3 * x]; break;
        case 32: {
          uint32_t p = Read32(in + 4 * x);
          v = compression == BI_BITFIELDS ? (red.Get(p) << 16) | (green.Get(p) << 8) | blue.Get(p)
                                          : p & 0xFFFFFF;
          break;
        }
      }
      px[x] = v;
    }
  }
  out = std::move(s);
  return true;
}

}  // namespace platform::gdi
