// Bitmaps from packed DIBs (resources) and .bmp files: every depth, both row orders, and
// bad or truncated input, which must give a null handle.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "gdi_test_util.h"

namespace {

using Bytes = std::vector<uint8_t>;

void Put16(Bytes& b, uint16_t v) {
  b.push_back(v & 0xFF);
  b.push_back(v >> 8);
}
void Put32(Bytes& b, uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back((v >> (8 * i)) & 0xFF);
}

// The expected colour of pixel (x, y) in the test pictures: 0x00RRGGBB.
uint32_t Expected(int x, int y) { return ((x * 40) << 16) | ((y * 50) << 8) | 0x30; }

// A packed DIB of `bpp` bits, `width` x |height| pixels (negative height: top-down rows).
Bytes MakeDib(int bpp, int width, int height, uint32_t compression = BI_RGB) {
  int rows = height < 0 ? -height : height;
  Bytes b;
  Put32(b, 40);
  Put32(b, width);
  Put32(b, static_cast<uint32_t>(height));
  Put16(b, 1);
  Put16(b, bpp);
  Put32(b, compression);
  Put32(b, 0);
  Put32(b, 0);
  Put32(b, 0);
  Put32(b, 0);  // all colours of the depth
  Put32(b, 0);
  std::vector<uint32_t> palette;
  if (bpp <= 8) {
    // The palette holds exactly the colours the picture uses, in raster order.
    for (int y = 0; y < rows; ++y)
      for (int x = 0; x < width; ++x) palette.push_back(Expected(x, y));
    palette.resize(1u << bpp, 0);
    for (uint32_t c : palette) Put32(b, c);
  }
  if (compression == BI_BITFIELDS) {
    Put32(b, bpp == 16 ? 0xF800 : 0xFF0000);
    Put32(b, bpp == 16 ? 0x07E0 : 0x00FF00);
    Put32(b, bpp == 16 ? 0x001F : 0x0000FF);
  }
  size_t stride = ((static_cast<size_t>(width) * bpp + 31) / 32) * 4;
  for (int r = 0; r < rows; ++r) {
    int y = height < 0 ? r : rows - 1 - r;
    Bytes row(stride, 0);
    for (int x = 0; x < width; ++x) {
      uint32_t c = Expected(x, y);
      uint32_t index = static_cast<uint32_t>(y * width + x);
      switch (bpp) {
        case 1: row[x / 8] |= (index & 1) << (7 - x % 8); break;
        case 4: row[x / 2] |= index << (x % 2 ? 0 : 4); break;
        case 8: row[x] = static_cast<uint8_t>(index); break;
        case 16: {
          uint16_t v = compression == BI_BITFIELDS
                           ? static_cast<uint16_t>(((c >> 19) << 11) | (((c >> 10) & 0x3F) << 5) | ((c & 0xFF) >> 3))
                           : static_cast<uint16_t>(((c >> 19) << 10) | (((c >> 11) & 0x1F) << 5) | ((c & 0xFF) >> 3));
          row[2 * x] = v & 0xFF;
          row[2 * x + 1] = v >> 8;
          break;
        }
        case 24:
          row[3 * x] = c & 0xFF;
          row[3 * x + 1] = (c >> 8) & 0xFF;
          row[3 * x + 2] = (c >> 16) & 0xFF;
          break;
        case 32:
          row[4 * x] = c & 0xFF;
          row[4 * x + 1] = (c >> 8) & 0xFF;
          row[4 * x + 2] = (c >> 16) & 0xFF;
          row[4 * x + 3] = 0x7F;  // ignored
          break;
      }
    }
    b.insert(b.end(), row.begin(), row.end());
  }
  return b;
}

Bytes MakeFile(const Bytes& dib) {
  Bytes f = {'B', 'M'};
  Put32(f, static_cast<uint32_t>(14 + dib.size()));
  Put32(f, 0);
  // The bits start after the header and the colour table.
  uint32_t header = 40;
  uint16_t bpp = static_cast<uint16_t>(dib[14] | (dib[15] << 8));
  uint32_t compression = dib[16];
  uint32_t table = bpp <= 8 ? (4u << bpp) : 0;
  if (compression == BI_BITFIELDS) table += 12;
  Put32(f, 14 + header + table);
  f.insert(f.end(), dib.begin(), dib.end());
  return f;
}

std::string WriteFile(const std::string& name, const Bytes& bytes) {
  std::string path = gdi_test::OutputPath(name);
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  return path;
}

HBITMAP LoadFile(const std::string& path) {
  std::u16string wide(path.begin(), path.end());
  return static_cast<HBITMAP>(LoadImageW(nullptr, wide.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
}

// Whether the bitmap holds the test picture; 16-bit pixels carry 5 or 6 bits per channel.
void ExpectPicture(HBITMAP bmp, int width, int height, int bpp) {
  ASSERT_NE(bmp, nullptr) << bpp;
  const platform::Surface* s = platform::SurfaceOfBitmap(bmp);
  ASSERT_EQ(s->width(), width);
  ASSERT_EQ(s->height(), height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      uint32_t want = Expected(x, y), got = s->pixel(x, y);
      if (bpp <= 8 && (1 << bpp) < width * height) continue;  // more pixels than colours
      for (int shift : {0, 8, 16}) {
        int a = (want >> shift) & 0xFF, b = (got >> shift) & 0xFF;
        EXPECT_NEAR(a, b, bpp == 16 ? 8 : 0) << "bpp " << bpp << " at " << x << "," << y;
      }
    }
}

TEST(GdiBitmapFile, EveryDepthInBothRowOrders) {
  struct Case {
    int bpp;
    int width, height;
  };
  // Odd widths exercise the row padding.
  for (Case k : {Case{1, 2, 1}, Case{4, 3, 5}, Case{8, 5, 3}, Case{16, 5, 3}, Case{24, 5, 3}, Case{32, 3, 2}}) {
    for (int order : {1, -1}) {
      Bytes dib = MakeDib(k.bpp, k.width, k.height * order);
      HBITMAP packed = platform::CreateBitmapFromPackedDib(dib.data(), dib.size());
      ExpectPicture(packed, k.width, k.height, k.bpp);
      DeleteObject(packed);
      std::string path = WriteFile("gdi-test-" + std::to_string(k.bpp) + ".bmp", MakeFile(dib));
      HBITMAP file = LoadFile(path);
      ExpectPicture(file, k.width, k.height, k.bpp);
      DeleteObject(file);
      std::remove(path.c_str());
    }
  }
  // 1-bit with both colours: pixel index = raster position, so the two pixels differ.
  Bytes mono = MakeDib(1, 2, 1);
  HBITMAP m = platform::CreateBitmapFromPackedDib(mono.data(), mono.size());
  ExpectPicture(m, 2, 1, 1);
  DeleteObject(m);
}

TEST(GdiBitmapFile, BitFieldsMasks) {
  for (int bpp : {16, 32}) {
    Bytes dib = MakeDib(bpp, 4, 2, BI_BITFIELDS);
    HBITMAP b = platform::CreateBitmapFromPackedDib(dib.data(), dib.size());
    ExpectPicture(b, 4, 2, bpp);
    DeleteObject(b);
  }
}

TEST(GdiBitmapFile, BadHeadersAreRefused) {
  Bytes good = MakeDib(24, 4, 4);
  auto with = [&](size_t offset, uint32_t value, int bytes = 4) {
    Bytes b = good;
    for (int i = 0; i < bytes; ++i) b[offset + i] = (value >> (8 * i)) & 0xFF;
    return b;
  };
  struct Case {
    const char* what;
    Bytes bytes;
  } cases[] = {
      {"header size too small", with(0, 12)},
      {"header size beyond the data", with(0, 100000)},
      {"zero width", with(4, 0)},
      {"negative width", with(4, 0xFFFFFFFF)},
      {"zero height", with(8, 0)},
      {"most negative height", with(8, 0x80000000)},
      {"huge", with(4, 30000)},
      {"two planes", with(12, 2, 2)},
      {"3 bits per pixel", with(14, 3, 2)},
      {"run-length compression", with(16, BI_RLE8)},
      {"bit fields at 24 bits", with(16, BI_BITFIELDS)},
      {"unknown compression", with(16, 77)},
  };
  for (const Case& c : cases)
    EXPECT_EQ(platform::CreateBitmapFromPackedDib(c.bytes.data(), c.bytes.size()), nullptr) << c.what;
  EXPECT_EQ(platform::CreateBitmapFromPackedDib(nullptr, 100), nullptr);
  // A colour table claiming more entries than the depth allows.
  Bytes pal = MakeDib(4, 2, 2);
  pal[32] = 17;
  EXPECT_EQ(platform::CreateBitmapFromPackedDib(pal.data(), pal.size()), nullptr);
  // Masks that are not one run of bits.
  Bytes masks = MakeDib(32, 2, 2, BI_BITFIELDS);
  masks[40] = 0x0F;
  masks[41] = 0xF0;
  masks[42] = 0x0F;
  EXPECT_EQ(platform::CreateBitmapFromPackedDib(masks.data(), masks.size()), nullptr);
}

TEST(GdiBitmapFile, EveryTruncationFailsCleanly) {
  for (int bpp : {4, 24}) {
    Bytes dib = MakeDib(bpp, 3, 3);
    for (size_t n = 0; n < dib.size(); ++n)
      EXPECT_EQ(platform::CreateBitmapFromPackedDib(dib.data(), n), nullptr) << bpp << " cut at " << n;
    Bytes file = MakeFile(dib);
    for (size_t n = 0; n < file.size(); n += (n < 60 ? 1 : 7)) {
      Bytes cut(file.begin(), file.begin() + n);
      std::string path = WriteFile("gdi-test-cut.bmp", cut);
      EXPECT_EQ(LoadFile(path), nullptr) << bpp << " cut at " << n;
    }
    std::remove(gdi_test::OutputPath("gdi-test-cut.bmp").c_str());
  }
}

TEST(GdiBitmapFile, FileProblemsGiveNull) {
  Bytes file = MakeFile(MakeDib(24, 2, 2));
  Bytes notBm = file;
  notBm[0] = 'X';
  Bytes badOffset = file;
  badOffset[10] = 0xFF;
  badOffset[11] = 0xFF;
  for (const Bytes& b : {notBm, badOffset}) {
    std::string path = WriteFile("gdi-test-bad.bmp", b);
    EXPECT_EQ(LoadFile(path), nullptr);
    std::remove(path.c_str());
  }
  EXPECT_EQ(LoadFile(gdi_test::OutputPath("no-such-file.bmp")), nullptr);
  std::string path = WriteFile("gdi-test-good.bmp", file);
  std::u16string wide(path.begin(), path.end());
  // Only files are loaded here, only as bitmaps.
  EXPECT_EQ(LoadImageW(nullptr, wide.c_str(), IMAGE_BITMAP, 0, 0, 0), nullptr);
  EXPECT_EQ(LoadImageW(nullptr, wide.c_str(), 1, 0, 0, LR_LOADFROMFILE), nullptr);
  // A requested size stretches the picture.
  HBITMAP big = static_cast<HBITMAP>(LoadImageW(nullptr, wide.c_str(), IMAGE_BITMAP, 4, 6, LR_LOADFROMFILE));
  ASSERT_NE(big, nullptr);
  BITMAP info;
  GetObjectW(big, sizeof info, &info);
  EXPECT_EQ(info.bmWidth, 4);
  EXPECT_EQ(info.bmHeight, 6);
  EXPECT_EQ(platform::SurfaceOfBitmap(big)->pixel(3, 5), Expected(1, 1));
  DeleteObject(big);
  std::remove(path.c_str());
}

}  // namespace
