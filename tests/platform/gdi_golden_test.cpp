// A panel like the program's screens draw it (rounded frame, rules, blits, text in the
// Chinese and English faces), compared whole with a reviewed picture.
#include <gtest/gtest.h>

#include "gdi_test_util.h"
#include "tests/support/pixels.h"

namespace {

HFONT Font(const char16_t* face, int size, int weight, int charSet = DEFAULT_CHARSET) {
  return CreateFontW(-size, 0, 0, 0, weight, 0, 0, 0, charSet, 0, 0, ANTIALIASED_QUALITY, 0, face);
}

TEST(GdiGolden, DefinitionPanel) {
  gdi_test::Canvas c(224, 127);
  HDC dc = c.dc;
  HPEN hatch = CreatePen(PS_SOLID, 1, RGB(220, 220, 220));
  SelectObject(dc, hatch);
  for (int y = 0; y <= 127; y += 2) {
    MoveToEx(dc, 0, y, nullptr);
    LineTo(dc, 224, y);
  }
  HPEN frame = CreatePen(PS_SOLID, 1, RGB(194, 194, 194));
  SelectObject(dc, frame);
  DeleteObject(hatch);
  RoundRect(dc, 0, 0, 224, 127, 20, 20);
  HPEN rule = CreatePen(PS_SOLID, 1, RGB(192, 192, 192));
  SelectObject(dc, rule);
  DeleteObject(frame);
  MoveToEx(dc, 10, 32, nullptr);
  LineTo(dc, 214, 32);
  SelectObject(dc, GetStockObject(BLACK_PEN));
  DeleteObject(rule);

  SetBkMode(dc, TRANSPARENT);
  HFONT head = Font(u"MS Song", 25, FW_BOLD, GB2312_CHARSET);
  SelectObject(dc, head);
  SetTextColor(dc, RGB(0, 0, 128));
  TextOutW(dc, 10, 6, u"中国", 2);
  HFONT label = Font(u"Arial", 12, FW_NORMAL);
  SelectObject(dc, label);
  DeleteObject(head);
  SetTextColor(dc, RGB(128, 128, 128));
  TextOutW(dc, 12, 35, u"Pronun:", 7);
  HFONT bold = Font(u"Arial", 12, FW_BOLD);
  SelectObject(dc, bold);
  TextOutW(dc, 59, 35, u"zhong1 guo2", 11);
  SelectObject(dc, label);
  DeleteObject(bold);
  SetTextColor(dc, RGB(128, 0, 0));
  TextOutW(dc, 10, 51, u"1.", 2);
  SetTextColor(dc, RGB(0, 0, 192));
  RECT r{23, 51, 214, 117};
  DrawTextW(dc, u"China; Middle Kingdom, the country in the middle of the world", -1, &r, DT_WORDBREAK);

  // A picture copied in and stretched, as the buttons' faces are.
  gdi_test::Canvas face(3, 3, RGB(255, 255, 192));
  SetPixel(face.dc, 1, 1, RGB(0, 0, 192));
  BitBlt(dc, 181, 107, 3, 3, face.dc, 0, 0, SRCCOPY);
  StretchBlt(dc, 190, 107, 18, 12, face.dc, 0, 0, 3, 3, SRCCOPY);
  SelectObject(dc, GetStockObject(SYSTEM_FONT));
  DeleteObject(label);
  EXPECT_TRUE(test::MatchesGolden("gdi/definition_panel.png", c.surface()));
}

}  // namespace
