// Draws the skin pictures of the controls, the message pictures and the interface
// sounds, in one look: navy and grey on white. Run at build time:
//   skin-generator OUTPUT_DIR
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "canvas.h"

using skins::Canvas;
using skins::Mix;
using skins::Rgb;

namespace {

const Rgb kWhite{255, 255, 255};
const Rgb kNavy{0, 0, 128};
const Rgb kBlue{0, 0, 192};
const Rgb kGrey{128, 128, 128};
const Rgb kHatch{220, 220, 220};

// ---- text button faces -------------------------------------------------------------

struct FaceStyle {
  Rgb border, top, bottom;
};
const FaceStyle kReady{{150, 156, 180}, {255, 255, 255}, {222, 226, 240}};
const FaceStyle kNormal{{112, 122, 172}, {255, 255, 255}, {224, 229, 246}};
const FaceStyle kHover{{0, 0, 192}, {255, 255, 255}, {228, 235, 255}};
const FaceStyle kPressed{{0, 0, 128}, {196, 205, 236}, {238, 241, 252}};
const FaceStyle kDisabled{{214, 214, 214}, {250, 250, 250}, {246, 246, 246}};

// A pill-shaped face; `hatchOnOdd` says on which rows the background's lines fall where
// the button sits (the faces' corners show the background).
void ButtonFace(Canvas& c, int ox, int w, int h, const FaceStyle& s, bool hatchOnOdd) {
  for (int y = 0; y < h; ++y)
    for (int x = ox; x < ox + w; ++x) c.set(x, y, (y % 2 == 1) == hatchOnOdd ? kHatch : kWhite);
  double r = 6.5;
  c.Shape(ox, 0, ox + w, h, [=](double x, double y) { return skins::InRoundRect(x, y, ox, 0, ox + w, h, r); },
          s.border);
  c.Shape(ox, 0, ox + w, h,
          [=](double x, double y) { return skins::InRoundRect(x, y, ox + 1, 1, ox + w - 1, h - 1, r - 1); },
          [=](double, double y) { return Mix(s.top, s.bottom, (y - 1) / (h - 2)); });
}

Canvas DeviceButtonStrip() {
  Canvas c(150, 22);
  const FaceStyle* faces[5] = {&kReady, &kNormal, &kPressed, &kDisabled, &kReady};
  for (int i = 0; i < 5; ++i) ButtonFace(c, i * 30, 30, 22, *faces[i], true);
  return c;
}

Canvas InstallerButtonStrip() {
  Canvas c(136, 24);
  const FaceStyle* faces[4] = {&kReady, &kHover, &kPressed, &kDisabled};
  for (int i = 0; i < 4; ++i) ButtonFace(c, i * 34, 34, 24, *faces[i], false);
  return c;
}

// ---- frame corners 610 / 620 -------------------------------------------------------
// Rounded corners over the bevel rings: outer ring 153/228/249/143, inner 180/225/242/198.

Rgb Grey(int v) { return {v, v, v}; }

Canvas Corners(bool hatched) {
  Canvas c(29, 7);
  auto background = [&](int y) { return hatched && y % 2 == 0 ? Grey(240) : kWhite; };
  for (int y = 0; y < 7; ++y)
    for (int x = 0; x < 29; ++x) c.set(x, y, background(y));
  struct Piece {
    int sx, w, h;
    double cx, cy;  // arc centre inside the piece
    Rgb outer1, outer2, inner1, inner2;  // ring colours on the two sides the corner joins
  };
  const Piece pieces[4] = {
      {0, 7, 7, 5.0, 5.0, Grey(153), Grey(143), Grey(180), Grey(198)},  // top left: top, left
      {8, 7, 6, 2.0, 5.0, Grey(153), Grey(228), Grey(180), Grey(225)},  // top right: top, right
      {16, 6, 6, 1.0, 1.0, Grey(249), Grey(228), Grey(242), Grey(225)}, // bottom right: bottom, right
      {23, 6, 6, 5.0, 1.0, Grey(249), Grey(143), Grey(242), Grey(198)}, // bottom left: bottom, left
  };
  for (const Piece& p : pieces) {
    const double radius = 5.0;
    for (int y = 0; y < p.h; ++y)
      for (int x = 0; x < p.w; ++x) {
        double sr = 0, sg = 0, sb = 0;
        for (int s = 0; s < 16; ++s) {
          double px = x + (s % 4 + 0.5) / 4, py = y + (s / 4 + 0.5) / 4;
          double dx = px - p.cx, dy = py - p.cy;
          double d = std::sqrt(dx * dx + dy * dy);
          double depth = radius - d;  // 0 at the rounded edge, growing inwards
          bool vertical = std::fabs(dx) > std::fabs(dy);
          Rgb col = depth < 0 ? background(y) : depth < 1 ? (vertical ? p.outer2 : p.outer1)
                                : depth < 2 ? (vertical ? p.inner2 : p.inner1) : kWhite;
          sr += col.r;
          sg += col.g;
          sb += col.b;
        }
        c.set(p.sx + x, y, {static_cast<int>(sr / 16 + 0.5), static_cast<int>(sg / 16 + 0.5),
                            static_cast<int>(sb / 16 + 0.5)});
      }
  }
  return c;
}

// ---- picture buttons 800 (next) / 801 (previous) -----------------------------------

Canvas ArrowButtons(bool pointsRight) {
  Canvas c(72, 15);
  struct Look {
    Rgb border, fill, arrow;
  };
  const Look looks[4] = {{{176, 180, 200}, {250, 250, 253}, kNavy},
                         {kBlue, {232, 238, 255}, kBlue},
                         {kNavy, kNavy, kWhite},
                         {{222, 222, 222}, kWhite, {212, 212, 212}}};
  for (int i = 0; i < 4; ++i) {
    int ox = i * 18;
    const Look& l = looks[i];
    c.Shape(ox, 0, ox + 18, 15, [=](double x, double y) { return skins::InRoundRect(x, y, ox + 0.5, 0.5, ox + 17.5, 14.5, 3.5); },
            l.border);
    c.Shape(ox, 0, ox + 18, 15, [=](double x, double y) { return skins::InRoundRect(x, y, ox + 1.5, 1.5, ox + 16.5, 13.5, 2.5); },
            l.fill);
    double tip = pointsRight ? ox + 12.0 : ox + 6.0, back = pointsRight ? ox + 7.0 : ox + 11.0;
    c.Shape(ox, 0, ox + 18, 15, [=](double x, double y) { return skins::InTriangle(x, y, back, 3.5, back, 11.5, tip, 7.5); },
            l.arrow);
  }
  return c;
}

// ---- caption band 810, close boxes 820, title icons 850 ----------------------------

Rgb Band(double y) {
  if (y >= 19) return {176, 182, 206};
  return Mix({252, 252, 255}, {218, 223, 240}, y / 19.0);
}

Canvas CaptionBand() {
  Canvas c(9, 20);
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 9; ++x) c.set(x, y, x == 0 || x == 8 ? kGrey : Band(y));
  return c;
}

Canvas CloseBoxes() {
  Canvas c(57, 14);
  struct Look {
    Rgb border, fill, cross;
  };
  const Look looks[3] = {{{160, 166, 190}, {244, 245, 252}, kGrey}, {kBlue, {232, 238, 255}, kBlue}, {kNavy, kNavy, kWhite}};
  for (int i = 0; i < 3; ++i) {
    int ox = i * 19;
    for (int y = 0; y < 14; ++y)
      for (int x = ox; x < ox + 19; ++x) c.set(x, y, Band(y + 4));
    const Look& l = looks[i];
    c.Shape(ox, 0, ox + 19, 14, [=](double x, double y) { return skins::InRoundRect(x, y, ox + 0.5, 0.5, ox + 18.5, 13.5, 3); }, l.border);
    c.Shape(ox, 0, ox + 19, 14, [=](double x, double y) { return skins::InRoundRect(x, y, ox + 1.5, 1.5, ox + 17.5, 12.5, 2); }, l.fill);
    c.Shape(ox, 0, ox + 19, 14, [=](double x, double y) {
      return skins::InCapsule(x, y, ox + 6.5, 4, ox + 12.5, 10, 0.85) || skins::InCapsule(x, y, ox + 12.5, 4, ox + 6.5, 10, 0.85);
    }, l.cross);
  }
  return c;
}

Canvas TitleIcons() {
  Canvas c(24, 12);
  for (int i = 0; i < 2; ++i) {
    int ox = i * 12;
    Rgb ink = i == 0 ? kGrey : kBlue;
    for (int y = 0; y < 12; ++y)
      for (int x = ox; x < ox + 12; ++x) c.set(x, y, Band(y + 5));
    // An open book: two pages and a spine.
    c.Shape(ox, 0, ox + 12, 12, [=](double x, double y) { return skins::InRoundRect(x, y, ox + 0.5, 1.5, ox + 11.5, 10.5, 1.5); }, ink);
    c.Shape(ox, 0, ox + 12, 12, [=](double x, double y) {
      return skins::InRoundRect(x, y, ox + 1.5, 2.5, ox + 5.5, 9.5, 0.5) || skins::InRoundRect(x, y, ox + 6.5, 2.5, ox + 10.5, 9.5, 0.5);
    }, kWhite);
    c.Shape(ox, 0, ox + 12, 12, [=](double x, double y) {
      return skins::InCapsule(x, y, ox + 2.5, 4.5, ox + 4.5, 4.5, 0.4) || skins::InCapsule(x, y, ox + 2.5, 6.5, ox + 4.5, 6.5, 0.4) ||
             skins::InCapsule(x, y, ox + 7.5, 4.5, ox + 9.5, 4.5, 0.4) || skins::InCapsule(x, y, ox + 7.5, 6.5, ox + 9.5, 6.5, 0.4);
    }, Mix(ink, kWhite, 0.35));
  }
  return c;
}

// ---- titled frame skin 7000 --------------------------------------------------------
// A 3-pixel band (light, dark, light) with rounded 13 x 13 corners over the hatched
// background; the left half is the active look, the right half the inactive one.

Canvas FrameSkin() {
  Canvas c(27, 59);
  for (int half = 0; half < 2; ++half) {
    int ox = half * 14;
    Rgb line = half == 0 ? kHatch : Grey(240);
    Rgb light = half == 0 ? Rgb{150, 162, 214} : Grey(214);
    Rgb dark = half == 0 ? kNavy : Grey(150);
    auto profile = [&](double depth, int row) {
      if (depth < 0 || depth >= 3) return row % 2 == 0 ? line : kWhite;
      return depth < 1 || depth >= 2 ? light : dark;
    };
    // Corners: top-left, top-right, bottom-left, bottom-right, each 13 x 13.
    for (int k = 0; k < 4; ++k) {
      int oy = k * 14;
      bool right = k == 1 || k == 3, bottom = k >= 2;
      for (int y = 0; y < 13; ++y)
        for (int x = 0; x < 13; ++x) {
          double sr = 0, sg = 0, sb = 0;
          for (int s = 0; s < 16; ++s) {
            double px = x + (s % 4 + 0.5) / 4, py = y + (s / 4 + 0.5) / 4;
            // Mirror into the top-left corner's frame of reference.
            double mx = right ? 13 - px : px, my = bottom ? 13 - py : py;
            const double R = 10;
            double qx = mx < R ? R : mx, qy = my < R ? R : my;
            double depth = R - std::sqrt((mx - qx) * (mx - qx) + (my - qy) * (my - qy));
            if (mx >= R && my >= R) depth = 99;
            Rgb col = profile(depth, y);
            sr += col.r;
            sg += col.g;
            sb += col.b;
          }
          c.set(ox + x, oy + y, {static_cast<int>(sr / 16 + 0.5), static_cast<int>(sg / 16 + 0.5), static_cast<int>(sb / 16 + 0.5)});
        }
    }
    // Side edge (3 x 2) and top/bottom edge (1 x 3).
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < 3; ++x) c.set(ox + 3 + x, 56 + y, profile(x + 0.5, 1));
    for (int y = 0; y < 3; ++y) c.set(ox, 56 + y, profile(y + 0.5, 1));
    c.set(ox + 1, 56, line);
  }
  return c;
}

// ---- combo box arrows 7200 ---------------------------------------------------------

Canvas ComboArrows() {
  Canvas c(48, 15);
  struct Look {
    Rgb border, fill, arrow;
  };
  const Look looks[3] = {{{200, 204, 220}, {246, 247, 252}, kGrey}, {kBlue, {232, 238, 255}, kBlue}, {kNavy, kNavy, kWhite}};
  for (int i = 0; i < 3; ++i) {
    int ox = i * 16;
    const Look& l = looks[i];
    c.Shape(ox, 0, ox + 16, 15, [=](double x, double y) { return skins::InRoundRect(x, y, ox + 0.5, 0.5, ox + 15.5, 14.5, 2.5); }, l.border);
    c.Shape(ox, 0, ox + 16, 15, [=](double x, double y) { return skins::InRoundRect(x, y, ox + 1.5, 1.5, ox + 14.5, 13.5, 1.5); }, l.fill);
    c.Shape(ox, 0, ox + 16, 15, [=](double x, double y) { return skins::InTriangle(x, y, ox + 4, 5.5, ox + 12, 5.5, ox + 8, 10); }, l.arrow);
  }
  return c;
}

// ---- message pictures 13465 (question) / 13466 (information) -----------------------

Canvas MessagePicture(bool question) {
  Canvas c(32, 32);
  c.Hatch(0, 0, 32, 32);
  Rgb rim = question ? kNavy : kBlue;
  c.Shape(0, 0, 32, 32, [](double x, double y) { return (x - 16) * (x - 16) + (y - 16) * (y - 16) <= 14.5 * 14.5; },
          [&](double, double y) { return Mix(Mix(rim, kWhite, 0.25), rim, y / 32); });
  c.Shape(0, 0, 32, 32, [](double x, double y) { return (x - 16) * (x - 16) + (y - 16) * (y - 16) <= 12.6 * 12.6; },
          [&](double, double y) { return Mix(Mix(rim, kWhite, 0.55), Mix(rim, kWhite, 0.1), y / 32); });
  if (question) {
    c.Shape(0, 0, 32, 32, [](double x, double y) {
      double dx = x - 16, dy = y - 12.5, d = std::sqrt(dx * dx + dy * dy);
      bool arc = d >= 3.0 && d <= 5.8 && !(dx < 0 && dy > 0.5);
      return arc || skins::InCapsule(x, y, 17.3, 16.8, 16, 20.2, 1.45);
    }, kWhite);
    c.Shape(0, 0, 32, 32, [](double x, double y) { return (x - 16) * (x - 16) + (y - 24.2) * (y - 24.2) <= 2.0 * 2.0; }, kWhite);
  } else {
    c.Shape(0, 0, 32, 32, [](double x, double y) { return (x - 16) * (x - 16) + (y - 9.5) * (y - 9.5) <= 2.1 * 2.1; }, kWhite);
    c.Shape(0, 0, 32, 32, [](double x, double y) { return skins::InCapsule(x, y, 16, 14.5, 16, 23.5, 1.7); }, kWhite);
  }
  return c;
}

// ---- interface sounds: short, quiet clicks ----------------------------------------

bool WriteClick(const std::string& path, double frequency, double milliseconds, double volume) {
  const int rate = 22050;
  int samples = static_cast<int>(rate * milliseconds / 1000);
  std::vector<short> pcm(static_cast<size_t>(samples));
  for (int i = 0; i < samples; ++i) {
    double t = static_cast<double>(i) / rate;
    double envelope = std::exp(-t * 1000 / (milliseconds / 4)) * std::min(1.0, i / 20.0);
    pcm[static_cast<size_t>(i)] = static_cast<short>(32767 * volume * envelope * std::sin(2 * M_PI * frequency * t));
  }
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  auto put32 = [f](unsigned v) { std::fwrite(&v, 4, 1, f); };
  auto put16 = [f](unsigned short v) { std::fwrite(&v, 2, 1, f); };
  unsigned bytes = static_cast<unsigned>(samples) * 2;
  std::fwrite("RIFF", 1, 4, f);
  put32(36 + bytes);
  std::fwrite("WAVEfmt ", 1, 8, f);
  put32(16);
  put16(1);
  put16(1);
  put32(rate);
  put32(rate * 2);
  put16(2);
  put16(16);
  std::fwrite("data", 1, 4, f);
  put32(bytes);
  std::fwrite(pcm.data(), 2, pcm.size(), f);
  return std::fclose(f) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: skin-generator OUTPUT_DIR\n");
    return 2;
  }
  std::string out = argv[1];
  struct Item {
    const char* name;
    Canvas canvas;
  };
  std::vector<Item> items = {
      {"button_faces.bmp", DeviceButtonStrip()},
      {"button_faces_installer.bmp", InstallerButtonStrip()},
      {"corners_610.bmp", Corners(false)},
      {"corners_620.bmp", Corners(true)},
      {"next_800.bmp", ArrowButtons(true)},
      {"previous_801.bmp", ArrowButtons(false)},
      {"caption_810.bmp", CaptionBand()},
      {"close_820.bmp", CloseBoxes()},
      {"icons_850.bmp", TitleIcons()},
      {"frame_7000.bmp", FrameSkin()},
      {"arrows_7200.bmp", ComboArrows()},
      {"question_13465.bmp", MessagePicture(true)},
      {"information_13466.bmp", MessagePicture(false)},
  };
  for (const Item& item : items)
    if (!item.canvas.WriteBmp(out + "/" + item.name)) {
      std::fprintf(stderr, "skin-generator: cannot write %s/%s\n", out.c_str(), item.name);
      return 1;
    }
  bool sounds = WriteClick(out + "/0.wav", 880, 90, 0.18) && WriteClick(out + "/2.wav", 1900, 14, 0.12) &&
                WriteClick(out + "/6.wav", 1400, 12, 0.10);
  if (!sounds) {
    std::fprintf(stderr, "skin-generator: cannot write the sounds in %s\n", out.c_str());
    return 1;
  }
  return 0;
}
