#include "widgets/caption_bar.h"

#include "device/shell/services.h"
#include "widgets/skin_image.h"
#include "widgets/variant.h"

static SkinImage g_band;   // 810: 20 rows; left part, stretchable column 5, right part
static SkinImage g_close;  // 820: 19 x 14 close boxes for states 0, 1, 2

#if ORLEND_INSTALLER_VARIANT
static const int kTitleX = 8;  // no icon
#else
static SkinImage g_icons;  // 850: 12 x 12 title icons, normal and lit
static const int kTitleX = 22;
#endif

void InitCaptionBar(HMODULE imageLibrary) {
  LoadSkinImage(&g_band, imageLibrary, 810, 9, 20);
  LoadSkinImage(&g_close, imageLibrary, 820, 57, 14);
#if !ORLEND_INSTALLER_VARIANT
  LoadSkinImage(&g_icons, imageLibrary, 850, 24, 12);
#endif
}

CaptionBar::CaptionBar(HWND owner_, int width_, int captionHeight_, const WCHAR* title_)
    : width(width_), captionHeight(captionHeight_), titleState(0), closeState(0), owner(owner_) {
  lstrcpynW(title, title_ ? title_ : u"", CAPTION_TITLE_UNITS);
  SetRect(&closeBox, width - 25, 4, width - 6, 18);
}

static POINT Unpack(LPARAM point) { return POINT{GET_X_LPARAM(point), GET_Y_LPARAM(point)}; }

// The band's middle column stretched over [x, x + w).
static void StretchBand(HDC dc, int x, int w) {
  if (w <= 0) return;
  if (g_band.dc) {
    StretchBlt(dc, x, 0, w, 20, g_band.dc, 5, 0, 1, 20, SRCCOPY);
  } else {
    PatBlt(dc, x, 0, w, 19, WHITENESS);
    HPEN pen = CreatePen(PS_SOLID, 1, RGB(192, 192, 192));
    HGDIOBJ old = SelectObject(dc, pen);
    MoveToEx(dc, x, 19, nullptr);
    LineTo(dc, x + w, 19);
    SelectObject(dc, old);
    DeleteObject(pen);
  }
}

void CaptionBar::Draw(HDC dc) {
  HDC own = nullptr;
  if (!dc && !owner) return;  // GetDC(null) would draw on the whole screen
  if (!dc) dc = own = GetDC(owner);
  if (!dc) return;
#if ORLEND_INSTALLER_VARIANT
  if (g_band.dc) {
    BitBlt(dc, 0, 0, 5, 20, g_band.dc, 0, 0, SRCCOPY);
    StretchBand(dc, 5, width - 9);
    BitBlt(dc, width - 4, 0, 4, 20, g_band.dc, 5, 0, SRCCOPY);
  } else {
    StretchBand(dc, 0, width);
  }
#else
  if (g_band.dc) {
    BitBlt(dc, 2, 0, 5, 20, g_band.dc, 2, 0, SRCCOPY);
    StretchBand(dc, 5, width - 9);
    BitBlt(dc, width - 6, 0, 4, 20, g_band.dc, 3, 0, SRCCOPY);
  } else {
    StretchBand(dc, 2, width - 4);  // columns 0, 1 and the last two are the owner's frame
  }
#endif
  DrawTitle(dc);
  DrawCloseBox(dc);
  if (own) ReleaseDC(owner, own);
}

void CaptionBar::DrawTitle(HDC dc) {
  // Drawn alone on a state change, so the band behind the title is restored first;
  // antialiased text drawn over itself would thicken.
  StretchBand(dc, 5, closeBox.left - 5);
  HFONT font = CreateFontW(-11, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, ANTIALIASED_QUALITY, 0,
                           u"Arial");
  HGDIOBJ oldFont = SelectObject(dc, font);
  SetBkMode(dc, TRANSPARENT);
  static const COLORREF kColours[3] = {RGB(128, 128, 128), RGB(0, 0, 192), RGB(0, 0, 255)};
  SetTextColor(dc, kColours[titleState >= 0 && titleState <= 2 ? titleState : 0]);
  // Nothing may spill into the close box.
  RECT clip{kTitleX, 0, closeBox.left, 20};
  ExtTextOutW(dc, kTitleX, 4, ETO_CLIPPED, &clip, title, static_cast<UINT>(lstrlenW(title)), nullptr);
  SelectObject(dc, oldFont);
  DeleteObject(font);
#if !ORLEND_INSTALLER_VARIANT
  if (g_icons.dc) BitBlt(dc, 5, 5, 12, 12, g_icons.dc, titleState == 0 ? 0 : 12, 0, SRCCOPY);
#endif
}

void CaptionBar::DrawCloseBox(HDC dc) {
  int state = closeState >= 0 && closeState <= 2 ? closeState : 0;
  if (g_close.dc) {
    BitBlt(dc, closeBox.left, closeBox.top, 19, 14, g_close.dc, state * 19, 0, SRCCOPY);
    return;
  }
  // Plain: a framed box with a cross, in the state's colour.
  static const COLORREF kInk[3] = {RGB(128, 128, 128), RGB(0, 0, 192), RGB(0, 0, 128)};
  HPEN pen = CreatePen(PS_SOLID, 1, kInk[state]);
  HGDIOBJ oldPen = SelectObject(dc, pen);
  HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(WHITE_BRUSH));
  Rectangle(dc, closeBox.left, closeBox.top, closeBox.right, closeBox.bottom);
  int cx = closeBox.left + 6, cy = closeBox.top + 4;
  MoveToEx(dc, cx, cy, nullptr);
  LineTo(dc, cx + 7, cy + 7);
  MoveToEx(dc, cx + 6, cy, nullptr);
  LineTo(dc, cx - 1, cy + 7);
  SelectObject(dc, oldBrush);
  SelectObject(dc, oldPen);
  DeleteObject(pen);
}

enum { kTitlePart = 1, kClosePart = 2 };

void CaptionBar::Redraw(int part) {
  if (!owner) return;
  HDC dc = GetDC(owner);
  if (!dc) return;
  if (part & kTitlePart) DrawTitle(dc);
  if (part & kClosePart) DrawCloseBox(dc);
  ReleaseDC(owner, dc);
}

int CaptionBar::MouseMove(LPARAM point) {
  POINT p = Unpack(point);
  int title = p.y < captionHeight ? 1 : 0;
  if (title != titleState) {
    titleState = title;
    Redraw(kTitlePart);
  }
  if (PtInRect(&closeBox, p)) {
    if (closeState != 0) return 1;
    closeState = 1;
    Redraw(kClosePart);
    return 1;
  }
  if (closeState != 0) {
    closeState = 0;
    Redraw(kClosePart);
  }
  return 0;
}

void CaptionBar::ButtonDown(LPARAM point) {
  POINT p = Unpack(point);
  if (PtInRect(&closeBox, p)) {
    closeState = 2;
    Redraw(kClosePart);
    return;
  }
  if (p.y >= captionHeight) return;
  if (titleState != 2) {
    titleState = 2;
    Redraw(kTitlePart);
  }
  ReleaseCapture();
#if ORLEND_INSTALLER_VARIANT
  // The desktop drags the window by its caption.
  POINT screen = p;
  ClientToScreen(owner, &screen);
  SendMessageW(owner, WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(screen.x, screen.y));
#else
  PumpMessages();  // the handheld's boxes are not dragged
#endif
}

int CaptionBar::ButtonUp(LPARAM point) {
  POINT p = Unpack(point);
  titleState = p.y < captionHeight ? 1 : 0;
  Redraw(kTitlePart);
  if (PtInRect(&closeBox, p)) return 1;
  if (closeState != 0) {
    closeState = 0;
    Redraw(kClosePart);
  }
  return 0;
}
