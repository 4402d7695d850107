// Draws the installer's banner (graphic.bmp, 340 x 102) and its program icon
// (installer.ico: 32 x 32 and 16 x 16 in 16 colours), in the skins' look: navy and grey
// on white. Shapes come from the skin painter, texts from the platform's own
// rasteriser, so the banner's lettering matches the window's. Run at build time:
//   installer-art OUTPUT_DIR
#include <cstdio>
#include <string>
#include <vector>

#include "canvas.h"
#include "platform/gdi_bridge.h"
#include "platform/platform.h"
#include "platform/windows.h"

using skins::Canvas;
using skins::Rgb;

namespace {

const Rgb kWhite{255, 255, 255};
const Rgb kNavy{0, 0, 128};
const Rgb kRule{192, 192, 192};
const Rgb kShadow{214, 214, 222};

struct Text {
  const WCHAR* text;
  const WCHAR* face;
  int size;
  int weight;
  COLORREF colour;
  int x, y;
};

// Draws the texts over the canvas with the platform's fonts (grayscale antialiasing).
void DrawTexts(Canvas& canvas, const std::vector<Text>& texts) {
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, canvas.width(), canvas.height());
  ReleaseDC(nullptr, screen);
  HGDIOBJ previous = SelectObject(dc, bitmap);
  platform::Surface* surface = platform::SurfaceOfBitmap(bitmap);
  for (int y = 0; y < canvas.height(); ++y)
    for (int x = 0; x < canvas.width(); ++x) {
      Rgb c = canvas.at(x, y);
      surface->set_pixel(x, y, (uint32_t)(c.r << 16 | c.g << 8 | c.b));
    }
  SetBkMode(dc, TRANSPARENT);
  for (const Text& t : texts) {
    HFONT font = CreateFontW(-t.size, 0, 0, 0, t.weight, 0, 0, 0, DEFAULT_CHARSET, 0, 0, ANTIALIASED_QUALITY, 0,
                             t.face);
    HGDIOBJ old = SelectObject(dc, font);
    SetTextColor(dc, t.colour);
    TextOutW(dc, t.x, t.y, t.text, lstrlenW(t.text));
    SelectObject(dc, old);
    DeleteObject(font);
  }
  for (int y = 0; y < canvas.height(); ++y)
    for (int x = 0; x < canvas.width(); ++x) {
      uint32_t p = surface->pixel(x, y);
      canvas.set(x, y, Rgb{(int)(p >> 16 & 0xFF), (int)(p >> 8 & 0xFF), (int)(p & 0xFF)});
    }
  SelectObject(dc, previous);
  DeleteObject(bitmap);
  DeleteDC(dc);
}

// The logo: a navy tile with the character for "word" in white.
void Tile(Canvas& c, double left, double top, double size, double radius, bool shadow) {
  if (shadow) {
    c.Shape(0, 0, c.width(), c.height(), [=](double x, double y) {
      return skins::InRoundRect(x, y, left + 2, top + 2, left + size + 2, top + size + 2, radius);
    }, kShadow);
  }
  c.Shape(0, 0, c.width(), c.height(), [=](double x, double y) {
    return skins::InRoundRect(x, y, left, top, left + size, top + size, radius);
  }, [=](double, double y) { return skins::Mix(Rgb{0, 0, 160}, kNavy, (y - top) / size); });
}

Canvas Banner() {
  Canvas c(340, 102, kWhite);
  for (int x = 0; x < 340; ++x) {
    c.set(x, 0, kRule);
    c.set(x, 101, kRule);
  }
  for (int y = 0; y < 102; ++y) {
    c.set(0, y, kRule);
    c.set(339, y, kRule);
  }
  Tile(c, 14, 14, 72, 11, true);
  c.FillRect(106, 73, 218, 1, kRule);
  DrawTexts(c, {
                   {u"\u8bcd", u"MS Song", 54, FW_NORMAL, RGB(255, 255, 255), 23, 22},
                   {u"WENLU", u"Arial", 34, FW_BOLD, RGB(0, 0, 128), 104, 10},
                   {u"Chinese-English Dictionary", u"Arial", 16, FW_BOLD, RGB(96, 96, 96), 106, 50},
                   {u"Installer for Pocket PC handhelds", u"Arial", 12, FW_NORMAL, RGB(128, 128, 128), 106, 80},
               });
  return c;
}

// The picture on navy, and which pixels the rounded tile covers at least half of: the
// rest are transparent, so no blend with a background colour reaches the 16 colours.
struct IconPicture {
  Canvas colours;
  Canvas coverage;
};

IconPicture DrawIcon(int size) {
  IconPicture icon{Canvas(size, size, kNavy), Canvas(size, size, Rgb{0, 0, 0})};
  double inset = size == 32 ? 1 : 0;
  icon.coverage.Shape(0, 0, size, size, [=](double x, double y) {
    return skins::InRoundRect(x, y, inset, inset, size - inset, size - inset, size / 6.0);
  }, kWhite);
  int glyph = size == 32 ? 24 : 14;
  DrawTexts(icon.colours,
            {{u"\u8bcd", u"MS Song", glyph, FW_BOLD, RGB(255, 255, 255), (size - glyph) / 2, (size - glyph) / 2}});
  return icon;
}

// The 16 colours of the classic palette, as the icon's colour table.
const Rgb kPalette[16] = {{0, 0, 0},       {128, 0, 0},   {0, 128, 0},   {128, 128, 0},
                          {0, 0, 128},     {128, 0, 128}, {0, 128, 128}, {192, 192, 192},
                          {128, 128, 128}, {255, 0, 0},   {0, 255, 0},   {255, 255, 0},
                          {0, 0, 255},     {255, 0, 255}, {0, 255, 255}, {255, 255, 255}};

int Nearest(Rgb c) {
  int best = 0, bestDistance = 1 << 30;
  for (int i = 0; i < 16; ++i) {
    int dr = c.r - kPalette[i].r, dg = c.g - kPalette[i].g, db = c.b - kPalette[i].b;
    int d = dr * dr + dg * dg + db * db;
    if (d < bestDistance) bestDistance = d, best = i;
  }
  return best;
}

void Put16(std::vector<unsigned char>& out, unsigned v) {
  out.push_back(v & 0xFF);
  out.push_back((v >> 8) & 0xFF);
}
void Put32(std::vector<unsigned char>& out, unsigned v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

// One icon image: header (height doubled for the mask), colour table, 4-bit colours,
// 1-bit transparency mask; rows bottom-up, each padded to 4 bytes.
std::vector<unsigned char> IconImage(const IconPicture& icon) {
  const Canvas& c = icon.colours;
  int size = c.width();
  unsigned colourStride = ((unsigned)size / 2 + 3) & ~3u, maskStride = ((unsigned)size / 8 + 3) & ~3u;
  std::vector<unsigned char> out;
  Put32(out, 40);
  Put32(out, (unsigned)size);
  Put32(out, (unsigned)size * 2);
  Put16(out, 1);
  Put16(out, 4);
  Put32(out, 0);
  Put32(out, (colourStride + maskStride) * (unsigned)size);
  Put32(out, 0);
  Put32(out, 0);
  Put32(out, 16);
  Put32(out, 0);
  for (const Rgb& p : kPalette) {
    out.push_back((unsigned char)p.b);
    out.push_back((unsigned char)p.g);
    out.push_back((unsigned char)p.r);
    out.push_back(0);
  }
  auto transparent = [&](int x, int y) { return icon.coverage.at(x, y).r < 128; };
  for (int y = size - 1; y >= 0; --y) {
    std::vector<unsigned char> row(colourStride, 0);
    for (int x = 0; x < size; ++x) {
      int index = transparent(x, y) ? 0 : Nearest(c.at(x, y));
      row[x / 2] |= (unsigned char)(x % 2 == 0 ? index << 4 : index);
    }
    out.insert(out.end(), row.begin(), row.end());
  }
  for (int y = size - 1; y >= 0; --y) {
    std::vector<unsigned char> row(maskStride, 0);
    for (int x = 0; x < size; ++x)
      if (transparent(x, y)) row[x / 8] |= (unsigned char)(0x80 >> (x % 8));
    out.insert(out.end(), row.begin(), row.end());
  }
  return out;
}

bool WriteIcon(const std::string& path) {
  std::vector<std::vector<unsigned char>> images = {IconImage(DrawIcon(32)), IconImage(DrawIcon(16))};
  const int sizes[2] = {32, 16};
  std::vector<unsigned char> out;
  Put16(out, 0);
  Put16(out, 1);
  Put16(out, 2);
  unsigned offset = 6 + 16 * 2;
  for (int i = 0; i < 2; ++i) {
    out.push_back((unsigned char)sizes[i]);
    out.push_back((unsigned char)sizes[i]);
    out.push_back(16);
    out.push_back(0);
    Put16(out, 1);
    Put16(out, 4);
    Put32(out, (unsigned)images[i].size());
    Put32(out, offset);
    offset += (unsigned)images[i].size();
  }
  for (const auto& image : images) out.insert(out.end(), image.begin(), image.end());
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  bool ok = std::fwrite(out.data(), 1, out.size(), f) == out.size();
  return std::fclose(f) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: installer-art OUTPUT_DIR\n");
    return 2;
  }
  platform::Options options;
  options.backend = platform::BackendKind::Headless;
  options.screen = platform::ScreenKind::Desktop;
  if (!platform::Start(options)) {
    std::fprintf(stderr, "installer-art: the drawing layer does not start\n");
    return 1;
  }
  std::string out = argv[1];
  bool ok = Banner().WriteBmp(out + "/graphic.bmp") && WriteIcon(out + "/installer.ico");
  platform::Shutdown();
  if (!ok) {
    std::fprintf(stderr, "installer-art: cannot write into %s\n", out.c_str());
    return 1;
  }
  return 0;
}
