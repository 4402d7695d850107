#include "widgets/text_button.h"

#include "device/shell/services.h"
#include "widgets/skin_image.h"

static const WCHAR kClassName[] = u"ButtonClassWndClass";

#if ORLEND_INSTALLER_VARIANT
static const int kHeight = 24;
static const int kPitch = 34;    // faces: normal, hovered, pressed, disabled
static const int kMiddle = 14;   // stretched between the 10-pixel caps
static const int kInitialState = 0;
static const UINT_PTR kTrackTimer = 1;
static const UINT_PTR kFlashTimer = 2;
#else
static const int kHeight = 22;
static const int kPitch = 30;    // faces: ready, normal, pressed, disabled
static const int kMiddle = 10;
static const int kInitialState = 1;
#endif
static const int kDisabledFace = 3 * kPitch;

static SkinImage g_faces;

static LRESULT CALLBACK TextButtonProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  TextButton* b = TextButtonOf(window);
  if (!b || b->window != window) return DefWindowProcW(window, message, wParam, lParam);
  POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(window, &ps);
      b->Compose();
      BitBlt(dc, 0, 0, b->width, b->height, b->offscreenDc, 0, 0, SRCCOPY);
      EndPaint(window, &ps);
      return 0;
    }
    case WM_LBUTTONDOWN:
      b->OnButtonDown();
      return 0;
    case WM_MOUSEMOVE:
      b->OnMouseMove(p);
      return 0;
    case WM_LBUTTONUP:
      b->OnButtonUp(p);
      return 0;
    case WM_KEYDOWN:
      if (wParam == VK_RETURN) b->OnEnter();
      return 0;  // other keys are swallowed
    case WM_SETFOCUS:
      if (!b->enabled) {
        SetFocus(b->focusTarget);
        return 0;
      }
      b->focused = 1;
      b->Repaint();
      return 0;
    case WM_KILLFOCUS:
      b->focused = 0;
      b->Repaint();
      return 0;
    case WM_RBUTTONUP:
      SetFocus(window);
      break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

void RegisterTextButtonClass(HMODULE imageLibrary) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = TextButtonProc;
  wc.cbClsExtra = 4;
  wc.cbWndExtra = 4;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = kClassName;
  RegisterClassW(&wc);
  LoadSkinImage(&g_faces, imageLibrary, 4, kDisabledFace + kPitch, kHeight);
}

TextButton* TextButtonOf(HWND window) {
  // The child id carries the button's address.
  return reinterpret_cast<TextButton*>(GetWindowLongPtrW(window, GWLP_ID));
}

static WCHAR* CopyText(const WCHAR* text) {
  if (!text) return nullptr;
  int length = lstrlenW(text);
  WCHAR* copy = new WCHAR[length + 1];
  lstrcpynW(copy, text, length + 1);
  return copy;
}

static HFONT CaptionFont(int size) {
  return CreateFontW(-size, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, ANTIALIASED_QUALITY, 0, u"Tahoma");
}

TextButton::TextButton(HWND owner, int x, int y, const WCHAR* caption_, int fontSize_, TextButtonHandler press_,
                       TextButtonHandler click_, const WCHAR* explanation_, int wide)
    : window(nullptr), offscreenDc(nullptr), offscreenBitmap(nullptr), state(kInitialState), width(0),
      height(kHeight), fontSize(fontSize_), flashPhase(0), enabled(1), focused(0), focusTarget(nullptr),
      sounds(ORLEND_INSTALLER_VARIANT ? 0 : 1), caption(CopyText(caption_ ? caption_ : u"")),
      explanation(CopyText(explanation_)), hover{}, press(press_), click(click_), font(nullptr),
      previousBitmap(nullptr), previousFont(nullptr) {
  ResetHoverTrack(&hover);
  HDC screen = GetDC(nullptr);
  HFONT measuring = CaptionFont(fontSize);
  HGDIOBJ old = SelectObject(screen, measuring);
  SIZE size{};
  GetTextExtentPoint32W(screen, caption, lstrlenW(caption), &size);
  SelectObject(screen, old);
  DeleteObject(measuring);
#if ORLEND_INSTALLER_VARIANT
  (void)wide;
  width = size.cx + 28;
#else
  width = size.cx + (wide ? 39 : 28);
#endif
  SetRect(&rectangle, x, y, x + width, y + height);

  offscreenBitmap = CreateCompatibleBitmap(screen, width, height);
  offscreenDc = CreateCompatibleDC(screen);
  ReleaseDC(nullptr, screen);
  previousBitmap = SelectObject(offscreenDc, offscreenBitmap);
  font = CaptionFont(fontSize);
  previousFont = SelectObject(offscreenDc, font);
  SetBkMode(offscreenDc, TRANSPARENT);
  Compose();

  window = CreateWindowExW(0, kClassName, u"", WS_CHILD | WS_CLIPSIBLINGS, 0, 0, 0, 0, owner,
                           reinterpret_cast<HMENU>(this), nullptr, nullptr);
  if (!window) return;
  MoveWindow(window, x, y, width, height, FALSE);
  UpdateWindow(window);
  ShowWindow(window, SW_SHOW);
}

TextButton::~TextButton() { Destroy(); }

void TextButton::Destroy() {
  if (window) {
#if ORLEND_INSTALLER_VARIANT
    KillTimer(window, kTrackTimer);
    KillTimer(window, kFlashTimer);
#endif
    DestroyExplanationPopup(&hover);
    if (GetCapture() == window) ReleaseCapture();
    HWND w = window;
    window = nullptr;
    DestroyWindow(w);
  }
  if (offscreenDc) {
    SelectObject(offscreenDc, previousFont);
    SelectObject(offscreenDc, previousBitmap);
    DeleteDC(offscreenDc);
    offscreenDc = nullptr;
  }
  if (offscreenBitmap) DeleteObject(offscreenBitmap);
  if (font) DeleteObject(font);
  offscreenBitmap = nullptr;
  font = nullptr;
  delete[] caption;
  delete[] explanation;
  caption = explanation = nullptr;
}

void TextButton::Compose() {
  if (!offscreenDc) return;
  int face;
  if (!enabled) face = kDisabledFace;
  else if (state == 2) face = 2 * kPitch;
#if ORLEND_INSTALLER_VARIANT
  else if (state == 1) face = kPitch;
  else face = 0;
#else
  else if (state == 0) face = 0;
  else face = kPitch;
#endif
  if (g_faces.dc) {
    BitBlt(offscreenDc, 0, 0, 10, height, g_faces.dc, face, 0, SRCCOPY);
    StretchBlt(offscreenDc, 10, 0, width - 20, height, g_faces.dc, face + 10, 0, kMiddle, height, SRCCOPY);
    BitBlt(offscreenDc, width - 10, 0, 10, height, g_faces.dc, face + 10 + kMiddle, 0, SRCCOPY);
  } else {
    // No skin: a white face framed in the state's tone.
    COLORREF frame = !enabled ? RGB(214, 214, 214) : face == 2 * kPitch ? RGB(0, 0, 128) : RGB(112, 122, 172);
    HPEN pen = CreatePen(PS_SOLID, 1, frame);
    HGDIOBJ oldPen = SelectObject(offscreenDc, pen);
    HGDIOBJ oldBrush = SelectObject(offscreenDc, GetStockObject(WHITE_BRUSH));
    Rectangle(offscreenDc, 0, 0, width, height);
    SelectObject(offscreenDc, oldBrush);
    SelectObject(offscreenDc, oldPen);
    DeleteObject(pen);
  }
  COLORREF colour;
  if (!enabled) colour = RGB(225, 225, 225);
#if ORLEND_INSTALLER_VARIANT
  else if (state == 1 || state == 2) colour = RGB(0, 0, 192);
#else
  else if (state == 2) colour = RGB(0, 0, 192);
#endif
  else colour = RGB(0, 0, 128);
  if (enabled && flashPhase >= 2) colour = RGB(0, 0, 255);
  SetTextColor(offscreenDc, colour);
  if (state == 2 && enabled) TextOutW(offscreenDc, 15, 5, caption, lstrlenW(caption));
  else TextOutW(offscreenDc, 14, 3, caption, lstrlenW(caption));
}

void TextButton::Repaint() {
  if (!window) return;
  InvalidateRect(window, nullptr, FALSE);
  UpdateWindow(window);
}

void TextButton::SetEnabled(int flag) {
  enabled = flag;
  state = flag ? 0 : -1;
  Repaint();
}

void TextButton::Focus() {
  if (window) SetFocus(window);
}

#if ORLEND_INSTALLER_VARIANT

static void CALLBACK TextButtonTimer(HWND window, UINT, UINT_PTR id, DWORD now) {
  if (TextButton* b = TextButtonOf(window)) b->OnTimer(id, now);
}

void TextButton::SetFlashing(int on) {
  if (!window) return;
  if (on) {
    // Enabled first: a disabled button passes the focus on to no window.
    SetEnabled(1);
    Focus();
    if (flashPhase == 0) {
      flashPhase = 1;
      SetTimer(window, kFlashTimer, 400, TextButtonTimer);
    }
  } else {
    KillTimer(window, kFlashTimer);
    flashPhase = 0;
    Repaint();
  }
}

void TextButton::OnTimer(UINT_PTR id, DWORD now) {
  if (id == kFlashTimer) {
    if (state <= 0) {
      flashPhase = flashPhase == 1 ? 2 : 1;
      Repaint();
    }
    return;
  }
  if (id != kTrackTimer) return;
  if (TrackHover(&hover, window, width, height, now, explanation, flashPhase == 0)) return;
  // The pointer has left: the hover ends.
  DestroyExplanationPopup(&hover);
  hover.popupUsed = 0;
  KillTimer(window, kTrackTimer);
  if (enabled) {
    state = 0;
    Repaint();
  }
}

void TextButton::OnButtonDown() {
  if (!enabled) return;
  state = 2;
  Repaint();
  hover.popupUsed = 1;
  DestroyExplanationPopup(&hover);
  if (press) {
    KillTimer(window, kFlashTimer);
    press();
  }
}

void TextButton::OnMouseMove(POINT) {
  if (!enabled || state != 0) return;
  state = 1;
  Repaint();
  SetTimer(window, kTrackTimer, 10, TextButtonTimer);
}

void TextButton::OnButtonUp(POINT) {
  if (!enabled) return;
  state = 1;
  KillTimer(window, kFlashTimer);
  flashPhase = 0;
  Repaint();
  if (click) click();
}

void TextButton::OnEnter() {
  // A click without the press; the face stays as the pointer left it.
  if (!enabled) return;
  KillTimer(window, kFlashTimer);
  flashPhase = 0;
  Repaint();
  if (click) click();
}

#else

void TextButton::OnTimer(UINT_PTR, DWORD) {}

void TextButton::OnButtonDown() {
  if (!enabled) return;
  if (sounds) PlayUiSound(2);
  SetCapture(window);
  state = 2;
  Repaint();
  DestroyExplanationPopup(&hover);
  if (press) press();
}

static bool Inside(const TextButton* b, POINT p) { return p.x >= 0 && p.y >= 0 && p.x < b->width && p.y < b->height; }

void TextButton::OnMouseMove(POINT p) {
  if (Inside(this, p)) return;
  // Sliding off lets go: moving back does not press again.
  state = 1;
  Repaint();
  if (GetCapture() == window) ReleaseCapture();
}

void TextButton::OnButtonUp(POINT p) {
  if (!enabled) return;
  if (!Inside(this, p)) {
    // Lifted outside with no move in between: still not a click.
    OnMouseMove(p);
    return;
  }
  if (sounds) PlayUiSound(6);
  if (GetCapture() == window) ReleaseCapture();
  state = 1;
  Repaint();
  if (click) click();
}

void TextButton::OnEnter() {
  // A disabled button may still hold the focus (the Search button while its search runs):
  // Enter must not start it again.
  if (!enabled || state == 2) return;
  state = 2;
  Repaint();
  Sleep(150);  // the whole program waits, so the pressed face is seen
  state = 0;
  Repaint();
  if (click) click();
}

#endif
