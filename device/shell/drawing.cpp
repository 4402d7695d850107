#include "device/shell/drawing.h"

// The two corner surfaces: bitmap 610 (variant 0) and 620 (variant 1), each selected
// into its own memory DC for the whole run, so a frame paint is four plain copies.
static HDC g_cornerDc[2];
static HBITMAP g_cornerBitmap[2];
static HGDIOBJ g_cornerPrevious[2];

void FillHatched(HDC dc, int x, int y, int width, int height, int active) {
  PatBlt(dc, x, y, width, height, WHITENESS);
  HPEN pen = CreatePen(PS_SOLID, 1, active ? RGB(220, 220, 220) : RGB(240, 240, 240));
  SelectObject(dc, pen);
  for (int row = y; row <= y + height; row += 2) {
    MoveToEx(dc, x, row, nullptr);
    LineTo(dc, x + width, row);
  }
  SelectObject(dc, GetStockObject(BLACK_PEN));
  DeleteObject(pen);
}

static void Line(HDC dc, int x1, int y1, int x2, int y2) {
  MoveToEx(dc, x1, y1, nullptr);
  LineTo(dc, x2, y2);
}

void DrawTwoLineFrame(HWND window, HDC dc, COLORREF outerColour) {
  RECT client;
  GetClientRect(window, &client);
  int w = client.right - client.left, h = client.bottom - client.top;
  HPEN outer = CreatePen(PS_SOLID, 1, outerColour);
  SelectObject(dc, outer);
  Line(dc, 0, 0, w, 0);
  Line(dc, 0, 0, 0, h);
  Line(dc, 0, h - 1, w, h - 1);
  Line(dc, w - 1, 0, w - 1, h);
  HPEN inner = CreatePen(PS_SOLID, 1, RGB(255, 255, 255));
  SelectObject(dc, inner);
  DeleteObject(outer);
  Line(dc, 1, 1, w - 1, 1);
  Line(dc, 1, 1, 1, h - 1);
  Line(dc, 1, h - 2, w - 1, h - 2);
  Line(dc, w - 2, 1, w - 2, h - 1);
  SelectObject(dc, GetStockObject(BLACK_PEN));
  DeleteObject(inner);
}

void DrawDoubleFrame(HWND window, HDC dc, int active) {
  DrawTwoLineFrame(window, dc, active ? RGB(228, 228, 228) : RGB(0, 0, 192));
}

void LoadSkinCorners(HWND window, HMODULE imageLibrary) {
  static const int kBitmaps[2] = {610, 620};
  HDC windowDc = GetDC(window);
  for (int v = 0; v < 2; ++v) {
    // Loading again replaces the earlier corners rather than leaking them.
    if (g_cornerDc[v]) {
      SelectObject(g_cornerDc[v], g_cornerPrevious[v]);
      DeleteDC(g_cornerDc[v]);
      DeleteObject(g_cornerBitmap[v]);
      g_cornerDc[v] = nullptr;
      g_cornerBitmap[v] = nullptr;
    }
    HBITMAP bitmap = LoadBitmapW(imageLibrary, MAKEINTRESOURCEW(kBitmaps[v]));
    if (!bitmap) continue;  // no corners for this variant: nothing is drawn for them
    g_cornerDc[v] = CreateCompatibleDC(windowDc);
    g_cornerBitmap[v] = bitmap;
    g_cornerPrevious[v] = SelectObject(g_cornerDc[v], bitmap);
  }
  ReleaseDC(window, windowDc);
}

// Draws to `x`, `y` from the current position in a new pen of grey `level`; the pen drawn
// with before is deleted once the new one is selected.
static void GreyLineTo(HDC dc, int x, int y, int level, HPEN* current) {
  HPEN pen = CreatePen(PS_SOLID, 1, RGB(level, level, level));
  SelectObject(dc, pen);
  if (*current) DeleteObject(*current);
  *current = pen;
  LineTo(dc, x, y);
}

void DrawSkinFrame(HDC dc, int width, int height, int variant) {
  HPEN pen = nullptr;
  MoveToEx(dc, 0, 0, nullptr);
  GreyLineTo(dc, width - 1, 0, 153, &pen);
  GreyLineTo(dc, width - 1, height - 1, 228, &pen);
  GreyLineTo(dc, 0, height - 1, 249, &pen);
  GreyLineTo(dc, 0, 0, 143, &pen);
  MoveToEx(dc, 1, 1, nullptr);
  GreyLineTo(dc, width - 2, 1, 180, &pen);
  GreyLineTo(dc, width - 2, height - 2, 225, &pen);
  GreyLineTo(dc, 1, height - 2, 242, &pen);
  GreyLineTo(dc, 1, 1, 198, &pen);
  SelectObject(dc, GetStockObject(WHITE_PEN));
  DeleteObject(pen);

  HDC corners = g_cornerDc[variant == 0 ? 0 : 1];
  if (!corners) return;
  BitBlt(dc, 0, 0, 7, 7, corners, 0, 0, SRCCOPY);
  BitBlt(dc, width - 7, 0, 7, 6, corners, 8, 0, SRCCOPY);
  BitBlt(dc, width - 6, height - 6, 6, 6, corners, 16, 0, SRCCOPY);
  BitBlt(dc, 0, height - 6, 6, 6, corners, 23, 0, SRCCOPY);
}

void FillSkinFrame(HDC dc, int width, int height, int variant) {
  PatBlt(dc, 0, 0, width, height, WHITENESS);
  DrawSkinFrame(dc, width, height, variant);
}

struct TextStyle {
  const WCHAR* face;  // null: the platform's default face
  int weight;
};

static TextStyle StyleOf(int style) {
  switch (style) {
    case 0: return {u"Verdana", FW_NORMAL};
    case 1: return {u"Times New Roman", FW_NORMAL};
    case 2: return {u"Tahoma", FW_BOLD};
    case 3: return {u"Tahoma", FW_NORMAL};
    case 4: return {u"Tahoma", FW_BOLD};
    case 9: return {u"Arial", FW_NORMAL};
    case 10: return {u"Verdana", FW_BOLD};
    case 11: return {u"Times New Roman", FW_BOLD};
    default: return {nullptr, FW_NORMAL};  // 5 to 8 and any other
  }
}

void DrawStyledText(HDC dc, int x, int y, const WCHAR* text, int size, int style, int enabled) {
  if (!text) return;
  TextStyle s = StyleOf(style);
  LOGFONTW lf{};
  lf.lfHeight = -size;
  lf.lfWeight = s.weight;
  lf.lfQuality = ANTIALIASED_QUALITY;
  if (s.face) lstrcpynW(lf.lfFaceName, s.face, LF_FACESIZE);
  HFONT font = CreateFontIndirectW(&lf);
  SetBkMode(dc, TRANSPARENT);
  SelectObject(dc, font);
  int length = lstrlenW(text);
  if (style == 2 && enabled) {
    SetTextColor(dc, RGB(192, 192, 192));
    TextOutW(dc, x + 4, y + 2, text, length);
  }
  COLORREF colour = enabled ? RGB(0, 0, 128) : RGB(220, 220, 220);
  if (style == 9) colour = RGB(192, 192, 192);
  SetTextColor(dc, colour);
  // The second pass lies exactly on the first and darkens the antialiased edges.
  RECT r{x + 2, y, 1000, 1000};
  DrawTextW(dc, text, length, &r, DT_LEFT | DT_TOP);
  TextOutW(dc, x + 2, y, text, length);
  SelectObject(dc, GetStockObject(SYSTEM_FONT));
  DeleteObject(font);
}

int FitTextWithDots(HDC dc, int maxWidth, WCHAR* text) {
  if (!text) return 0;
  int length = lstrlenW(text);
  SIZE whole, dots;
  GetTextExtentPoint32W(dc, text, length, &whole);
  GetTextExtentPoint32W(dc, u"..", 2, &dots);
  if (whole.cx <= maxWidth) return 0;
  int n = 5;
  while (true) {
    if (n >= length) return 0;  // still too wide, but left as it is
    SIZE part;
    GetTextExtentPoint32W(dc, text, n, &part);
    if (part.cx + dots.cx > maxWidth) break;
    ++n;
  }
  // Keep the first n - 2 units, but never half of a surrogate pair.
  int kept = n - 2;
  if (text[kept - 1] >= 0xD800 && text[kept - 1] <= 0xDBFF) --kept;
  text[kept] = u'.';
  text[kept + 1] = u'.';
  text[kept + 2] = 0;
  return 1;
}
