// Pop-up menus on the screen: TrackPopupMenu and TrackPopupMenuEx. The menu is a window of
// its own drawn by the layer (greyed items grey, check marks, separators); a modal loop
// takes the stylus and keys until a choice, a tap outside, or Escape.
#include <algorithm>
#include <cstdlib>
#include <vector>

#include "controls/control_classes.h"
#include "controls/control_common.h"
#include "controls/menu_data.h"
#include "controls/popup_menu.h"
#include "user/system_classes.h"
#include "user/window_system.h"

namespace platform::controls {

namespace {

constexpr COLORREF kMenuBorder = RGB(64, 64, 64);
constexpr int kBorder = 1;
constexpr int kCheckColumn = 20;
constexpr int kTextRight = 14;
constexpr int kSeparatorHeight = 7;
constexpr int kTapSlop = 4;  // a release this close to where the menu opened is not a choice

struct Row {
  int top = 0;
  int height = 0;
};

struct Popup {
  HMENU menu = nullptr;
  std::vector<Row> rows;
  int width = 0;
  int height = 0;
  int hot = -1;
};

Popup* Of(HWND hwnd) { return StateOf<Popup>(hwnd); }

// Narrower than the default face, so that the handheld's longest items fit its 240 pixels.
HFONT MenuFont() {
  static HFONT font = [] {
    LOGFONTW lf{};
    lf.lfHeight = -12;
    lf.lfWeight = FW_NORMAL;
    lf.lfQuality = ANTIALIASED_QUALITY;
    const char16_t face[] = u"Arial";
    std::copy(std::begin(face), std::end(face), lf.lfFaceName);
    return CreateFontIndirectW(&lf);
  }();
  return font;
}

int ItemHeight() { return std::max(20, FontHeight(MenuFont()) + 6); }

std::u16string Label(const std::u16string& text) { return text.substr(0, text.find(u'\t')); }
std::u16string Accelerator(const std::u16string& text) {
  size_t tab = text.find(u'\t');
  return tab == std::u16string::npos ? std::u16string() : text.substr(tab + 1);
}

void Layout(Popup& p, const Menu& menu) {
  int y = kBorder, widest = 0;
  p.rows.clear();
  for (const MenuItem& item : menu.items) {
    int h = (item.flags & MF_SEPARATOR) ? kSeparatorHeight : ItemHeight();
    p.rows.push_back(Row{y, h});
    y += h;
    if (!(item.flags & MF_SEPARATOR)) {
      int w = TextWidth(MenuFont(), Label(item.text));
      std::u16string accel = Accelerator(item.text);
      if (!accel.empty()) w += 16 + TextWidth(MenuFont(), accel);
      widest = std::max(widest, w);
    }
  }
  p.width = std::max(60, widest + kCheckColumn + kTextRight + 2 * kBorder);
  p.width = std::min(p.width, GetSystemMetrics(SM_CXSCREEN));
  p.height = y + kBorder;
}

int RowAt(const Popup& p, POINT client) {
  if (client.x < kBorder || client.x >= p.width - kBorder) return -1;
  for (size_t i = 0; i < p.rows.size(); ++i)
    if (client.y >= p.rows[i].top && client.y < p.rows[i].top + p.rows[i].height) return static_cast<int>(i);
  return -1;
}

void DrawCheck(HDC dc, int cx, int cy, COLORREF colour) {
  HPEN pen = CreatePen(PS_SOLID, 1, colour);
  HGDIOBJ old = SelectObject(dc, pen);
  for (int t = 0; t < 2; ++t) {
    MoveToEx(dc, cx - 4, cy - 1 + t, nullptr);
    LineTo(dc, cx - 1, cy + 2 + t);
    LineTo(dc, cx + 5, cy - 4 + t);
  }
  SelectObject(dc, old);
  DeleteObject(pen);
}

void DrawArrow(HDC dc, int right, int cy, COLORREF colour) {
  for (int i = 0; i < 4; ++i) FillSolid(dc, RECT{right - 8 + i, cy - 3 + i, right - 7 + i, cy + 4 - i}, colour);
}

void Paint(HWND hwnd, const Popup& p) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  if (!dc) return;
  RECT client{0, 0, p.width, p.height};
  FillSolid(dc, client, kWhite);
  FrameSolid(dc, client, kMenuBorder);
  const Menu* menu = MenuFromHandle(p.menu);
  HGDIOBJ oldFont = SelectObject(dc, MenuFont());
  SetBkMode(dc, TRANSPARENT);
  for (size_t i = 0; menu && i < menu->items.size() && i < p.rows.size(); ++i) {
    const MenuItem& item = menu->items[i];
    const Row& row = p.rows[i];
    if (item.flags & MF_SEPARATOR) {
      HorizontalLine(dc, kBorder + 4, p.width - kBorder - 4, row.top + row.height / 2, kLineGrey);
      continue;
    }
    bool enabled = !(item.flags & (MF_GRAYED | MF_DISABLED));
    bool hot = static_cast<int>(i) == p.hot && enabled;
    if (hot) FillSolid(dc, RECT{kBorder, row.top, p.width - kBorder, row.top + row.height}, kNavy);
    COLORREF colour = hot ? kWhite : enabled ? kBlack : kGreyText;
    int cy = row.top + row.height / 2;
    if (item.flags & MF_CHECKED) DrawCheck(dc, kBorder + kCheckColumn / 2, cy, colour);
    if (item.flags & MF_POPUP) DrawArrow(dc, p.width - kBorder - 2, cy, colour);
    SetTextColor(dc, colour);
    RECT text{kBorder + kCheckColumn, row.top, p.width - kBorder - kTextRight, row.top + row.height};
    std::u16string label = Label(item.text), accel = Accelerator(item.text);
    int room = text.right - text.left;
    if (!accel.empty()) room -= 16 + TextWidth(MenuFont(), accel);
    label = FitWithEllipsis(dc, label, std::max(0, room));
    DrawTextW(dc, label.c_str(), static_cast<int>(label.size()), &text, DT_SINGLELINE | DT_VCENTER | DT_LEFT);
    if (!accel.empty())
      DrawTextW(dc, accel.c_str(), static_cast<int>(accel.size()), &text, DT_SINGLELINE | DT_VCENTER | DT_RIGHT);
  }
  SelectObject(dc, oldFont);
  EndPaint(hwnd, &ps);
}

void SetHot(HWND hwnd, Popup& p, int row) {
  if (row == p.hot) return;
  p.hot = row;
  InvalidateRect(hwnd, nullptr, FALSE);
}

// The next row from `from` in `direction` that is not a separator, wrapping around.
int Step(const Menu& menu, int from, int direction) {
  int n = static_cast<int>(menu.items.size());
  int i = from;
  for (int k = 0; k < n; ++k) {
    i = i < 0 ? (direction > 0 ? 0 : n - 1) : (i + direction + n) % n;
    if (!(menu.items[static_cast<size_t>(i)].flags & MF_SEPARATOR)) return i;
  }
  return -1;
}

LRESULT CALLBACK PopupMenuProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  Popup* p = Of(hwnd);
  switch (message) {
    case WM_PAINT:
      if (p) {
        Paint(hwnd, *p);
        return 0;
      }
      break;
    case WM_ERASEBKGND:
      return 1;
    case WM_MOUSEACTIVATE:
      return MA_NOACTIVATE;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

POINT Place(const Popup& p, UINT flags, int x, int y) {
  int screenW = GetSystemMetrics(SM_CXSCREEN), screenH = GetSystemMetrics(SM_CYSCREEN);
  if (flags & TPM_CENTERALIGN) x -= p.width / 2;
  else if (flags & TPM_RIGHTALIGN) x -= p.width;
  if (flags & TPM_VCENTERALIGN) y -= p.height / 2;
  else if (flags & TPM_BOTTOMALIGN) y -= p.height;
  // Kept on the screen: a menu that would run off the bottom opens upwards from the point.
  if (y + p.height > screenH && !(flags & (TPM_BOTTOMALIGN | TPM_VCENTERALIGN)) && y - p.height >= 0) y -= p.height;
  x = std::clamp(x, 0, std::max(0, screenW - p.width));
  y = std::clamp(y, 0, std::max(0, screenH - p.height));
  return POINT{x, y};
}

bool IsPointer(UINT m) { return m >= WM_MOUSEFIRST && m <= WM_MOUSELAST; }
bool IsNonClientPointer(UINT m) { return m >= WM_NCMOUSEMOVE && m <= WM_NCRBUTTONUP; }
bool IsKey(UINT m) { return m >= WM_KEYFIRST && m <= WM_KEYLAST; }

}  // namespace

TrackResult TrackMenu(HMENU handle, UINT flags, int x, int y, HWND owner) {
  TrackResult result;
  Menu* menu = MenuFromHandle(handle);
  if (!menu || !IsWindow(owner)) return result;
  if (!(flags & TPM_NONOTIFY)) SendMessageW(owner, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(handle), 0);
  if (!(menu = MenuFromHandle(handle)) || menu->items.empty() || !IsWindow(owner)) return result;

  Popup popup;
  popup.menu = handle;
  Layout(popup, *menu);
  POINT at = Place(popup, flags, x, y);
  HWND hwnd = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, u"#32768", u"", WS_POPUP, at.x,
                              at.y, popup.width, popup.height, GetAncestor(owner, GA_ROOT), nullptr, nullptr,
                              nullptr);
  if (!hwnd) return result;
  SetState(hwnd, &popup);
  ShowWindow(hwnd, SW_SHOWNOACTIVATE);
  SetCapture(hwnd);

  // Opened by a press that is still down (a menu bar button, a hold): its release chooses
  // only after the stylus has travelled onto an item.
  POINT opened{};
  GetCursorPos(&opened);
  bool armed = !(GetKeyState(VK_LBUTTON) & 0x8000);
  bool done = false;
  while (!done) {
    if (!IsWindow(hwnd) || !(menu = MenuFromHandle(handle)) || GetCapture() != hwnd) break;
    MSG m;
    if (!PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
      if (!WaitForMore()) break;
      continue;
    }
    if (m.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(m.wParam));
      break;
    }
    if (IsPointer(m.message) || IsNonClientPointer(m.message)) {
      POINT client = m.pt;
      ScreenToClient(hwnd, &client);
      RECT bounds{0, 0, popup.width, popup.height};
      bool inside = PtInRect(&bounds, client);
      int row = inside ? RowAt(popup, client) : -1;
      if (!armed && (std::abs(m.pt.x - opened.x) > kTapSlop || std::abs(m.pt.y - opened.y) > kTapSlop)) armed = true;
      switch (m.message) {
        case WM_MOUSEMOVE:
          if (inside || (m.wParam & MK_LBUTTON)) SetHot(hwnd, popup, row);
          break;
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_NCLBUTTONDOWN:
          if (inside) {
            armed = true;
            SetHot(hwnd, popup, row);
          } else {
            result.dismissedByPress = true;
            result.pressPoint = m.pt;
            done = true;
          }
          break;
        case WM_LBUTTONUP:
        case WM_NCLBUTTONUP:
          if (!armed) {
            armed = true;  // the press that opened the menu is over
          } else if (row >= 0 && Choosable(menu->items[static_cast<size_t>(row)])) {
            result.command = static_cast<UINT>(menu->items[static_cast<size_t>(row)].id);
            done = true;
          }
          break;
      }
      continue;
    }
    if (IsKey(m.message)) {
      if (m.message != WM_KEYDOWN) continue;
      switch (m.wParam) {
        case VK_ESCAPE: done = true; break;
        case VK_UP: SetHot(hwnd, popup, Step(*menu, popup.hot, -1)); break;
        case VK_DOWN: SetHot(hwnd, popup, Step(*menu, popup.hot, 1)); break;
        case VK_HOME: SetHot(hwnd, popup, Step(*menu, -1, 1)); break;
        case VK_END: SetHot(hwnd, popup, Step(*menu, -1, -1)); break;
        case VK_RETURN:
          if (popup.hot >= 0 && Choosable(menu->items[static_cast<size_t>(popup.hot)])) {
            result.command = static_cast<UINT>(menu->items[static_cast<size_t>(popup.hot)].id);
            done = true;
          }
          break;
      }
      continue;
    }
    DispatchMessageW(&m);
  }
  if (IsWindow(hwnd)) {
    if (GetCapture() == hwnd) ReleaseCapture();
    SetState<Popup>(hwnd, nullptr);
    DestroyWindow(hwnd);
  }
  return result;
}

void RegisterPopupMenuClass() {
  WNDCLASSW wc{};
  wc.style = CS_SAVEBITS;
  wc.lpfnWndProc = PopupMenuProc;
  wc.cbWndExtra = kStateBytes;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = u"#32768";
  RegisterSystemClass(wc);
}

}  // namespace platform::controls

using namespace platform::controls;

BOOL TrackPopupMenuEx(HMENU menu, UINT flags, int x, int y, HWND owner, void*) {
  if (!MenuFromHandle(menu) || !IsWindow(owner)) {
    SetLastError(!IsWindow(owner) ? ERROR_INVALID_WINDOW_HANDLE : ERROR_INVALID_HANDLE);
    return FALSE;
  }
  TrackResult r = TrackMenu(menu, flags, x, y, owner);
  if (flags & TPM_RETURNCMD) return static_cast<BOOL>(r.command);
  if (r.command && !(flags & TPM_NONOTIFY) && IsWindow(owner))
    PostMessageW(owner, WM_COMMAND, MAKEWPARAM(r.command, 0), 0);
  return TRUE;
}

BOOL TrackPopupMenu(HMENU menu, UINT flags, int x, int y, int, HWND owner, const RECT*) {
  return TrackPopupMenuEx(menu, flags, x, y, owner, nullptr);
}
