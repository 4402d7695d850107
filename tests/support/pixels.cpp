#include "tests/support/pixels.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "platform/platform.h"
#include "platform/png.h"

namespace test {

namespace {

std::string Hex(uint32_t p) {
  char b[16];
  std::snprintf(b, sizeof b, "#%06x", p & 0xFFFFFF);
  return b;
}

bool Updating() {
  const char* v = std::getenv("ORLEND_UPDATE_GOLDENS");
  return v && *v && *v != '0';
}

}  // namespace

COLORREF PixelAt(int x, int y) {
  platform::Surface s = platform::headless::Snapshot();
  return platform::ColorrefFromPixel(s.pixel(x, y));
}

::testing::AssertionResult PixelIs(int x, int y, COLORREF expected) {
  platform::Surface s = platform::headless::Snapshot();
  if (!s.contains(x, y)) return ::testing::AssertionFailure() << "(" << x << ", " << y << ") is off the screen";
  COLORREF got = platform::ColorrefFromPixel(s.pixel(x, y));
  if (got == expected) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << ") is RGB(" << int(GetRValue(got)) << ", "
                                       << int(GetGValue(got)) << ", " << int(GetBValue(got)) << "), expected RGB("
                                       << int(GetRValue(expected)) << ", " << int(GetGValue(expected)) << ", "
                                       << int(GetBValue(expected)) << ")";
}

std::string GoldenOutputFolder() { return ORLEND_GOLDEN_OUTPUT_DIR; }

::testing::AssertionResult MatchesGolden(const std::string& name) {
  return MatchesGolden(name, platform::headless::Snapshot());
}

::testing::AssertionResult MatchesGolden(const std::string& name, const platform::Surface& image) {
  namespace fs = std::filesystem;
  fs::path golden = fs::path(ORLEND_GOLDEN_DIR) / name;
  std::string error;
  if (Updating()) {
    fs::create_directories(golden.parent_path());
    if (!platform::WritePng(image, golden.string(), &error))
      return ::testing::AssertionFailure() << "cannot write " << golden << ": " << error;
    return ::testing::AssertionSuccess() << "golden " << golden << " rewritten";
  }
  platform::Surface expected;
  if (!platform::ReadPng(golden.string(), &expected, &error))
    return ::testing::AssertionFailure() << "golden " << golden << ": " << error
                                         << " (ORLEND_UPDATE_GOLDENS=1 makes it)";
  bool sameSize = expected.width() == image.width() && expected.height() == image.height();
  int firstX = -1, firstY = -1, count = 0;
  platform::Surface diff(image.width(), image.height(), 0);
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      uint32_t a = image.pixel(x, y);
      bool differs = !sameSize || !expected.contains(x, y) || expected.pixel(x, y) != a;
      if (differs) {
        if (firstX < 0) {
          firstX = x;
          firstY = y;
        }
        ++count;
        diff.set_pixel(x, y, 0xFF0000);
      } else {
        // A faded copy, so the red stands out where the images differ.
        uint32_t r = (a >> 16) & 0xFF, g = (a >> 8) & 0xFF, b = a & 0xFF;
        uint32_t grey = (r * 30 + g * 59 + b * 11) / 100;
        uint32_t f = 192 + grey / 4;
        diff.set_pixel(x, y, (f << 16) | (f << 8) | f);
      }
    }
  }
  if (sameSize && count == 0) return ::testing::AssertionSuccess();
  fs::path out = fs::path(GoldenOutputFolder()) / name;
  fs::create_directories(out.parent_path());
  std::string stem = (out.parent_path() / out.stem()).string();
  platform::WritePng(image, stem + ".actual.png", &error);
  platform::WritePng(diff, stem + ".diff.png", &error);
  auto failure = ::testing::AssertionFailure();
  failure << "screen differs from " << golden;
  if (!sameSize)
    failure << ": size " << image.width() << "x" << image.height() << ", golden " << expected.width() << "x"
            << expected.height();
  else
    failure << ": " << count << " pixels; first at (" << firstX << ", " << firstY << "): " << Hex(image.pixel(firstX, firstY))
            << ", golden " << Hex(expected.pixel(firstX, firstY));
  failure << "; wrote " << stem << ".actual.png and .diff.png";
  return failure;
}

SIZE TextExtent(const char16_t* face, int height, int weight, const std::u16string& text) {
  HDC dc = GetDC(nullptr);
  HFONT font = CreateFontW(height, 0, 0, 0, weight, 0, 0, 0, DEFAULT_CHARSET, 0, 0, ANTIALIASED_QUALITY, 0, face);
  HGDIOBJ old = SelectObject(dc, font);
  SIZE size{};
  GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
  SelectObject(dc, old);
  DeleteObject(font);
  ReleaseDC(nullptr, dc);
  return size;
}

}  // namespace test
