// The handheld's menu bar: SHCreateMenuBar builds it from a menu-bar resource (RCDATA) and
// the menu resource it names, over the bottom strip of the screen. Drop-down buttons open
// their pop-up just above the bar; a choice goes to the owner as WM_COMMAND.
#include <algorithm>
#include <vector>

#include "controls/control_classes.h"
#include "controls/control_common.h"
#include "controls/menu_data.h"
#include "controls/popup_menu.h"
#include "platform/aygshell.h"
#include "platform/platform.h"
#include "platform/resource_templates.h"
#include "user/system_classes.h"

namespace platform::controls {

namespace {

constexpr COLORREF kBarFace = RGB(238, 238, 238);
constexpr COLORREF kBarEdge = RGB(150, 150, 150);
constexpr int kButtonPad = 9;
constexpr int kFirstButton = 2;
constexpr int kFixedButtonWidth = 56;

struct Button {
  WORD id = 0;
  BYTE style = 0;
  BYTE state = 0;
  HMENU popup = nullptr;
  std::u16string caption;
  RECT rect{};
};

struct MenuBar {
  HWND owner = nullptr;
  HMENU menu = nullptr;
  std::vector<Button> buttons;
  int pressed = -1;
  bool pressedIn = false;
  COLORREF face = kBarFace;
};

MenuBar* Of(HWND hwnd) { return StateOf<MenuBar>(hwnd); }

bool Enabled(const Button& b) { return b.state & TBSTATE_ENABLED; }
bool DropDown(const Button& b) { return (b.style & TBSTYLE_DROPDOWN) && b.popup; }

void LayoutButtons(MenuBar& bar, int height) {
  int widest = 0;
  for (const Button& b : bar.buttons) widest = std::max(widest, TextWidth(DefaultBoldFont(), b.caption));
  int x = kFirstButton;
  for (Button& b : bar.buttons) {
    int w = (b.style & TBSTYLE_AUTOSIZE) ? TextWidth(DefaultBoldFont(), b.caption) + 2 * kButtonPad
                                         : std::max(kFixedButtonWidth, widest + 2 * kButtonPad);
    b.rect = RECT{x, 1, x + w, height};
    x += w;
  }
}

int ButtonAt(const MenuBar& bar, POINT p) {
  for (size_t i = 0; i < bar.buttons.size(); ++i)
    if (PtInRect(&bar.buttons[i].rect, p)) return static_cast<int>(i);
  return -1;
}

void Paint(HWND hwnd, const MenuBar& bar) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  if (!dc) return;
  RECT client{};
  GetClientRect(hwnd, &client);
  FillSolid(dc, client, bar.face);
  HorizontalLine(dc, 0, client.right, 0, kBarEdge);
  HGDIOBJ oldFont = SelectObject(dc, DefaultBoldFont());
  SetBkMode(dc, TRANSPARENT);
  for (size_t i = 0; i < bar.buttons.size(); ++i) {
    const Button& b = bar.buttons[i];
    bool down = static_cast<int>(i) == bar.pressed && bar.pressedIn;
    if (down) FillSolid(dc, b.rect, kNavy);
    SetTextColor(dc, down ? kWhite : Enabled(b) ? kNavy : kGreyText);
    RECT r = b.rect;
    DrawTextW(dc, b.caption.c_str(), static_cast<int>(b.caption.size()), &r, DT_SINGLELINE | DT_VCENTER | DT_CENTER);
  }
  SelectObject(dc, oldFont);
  EndPaint(hwnd, &ps);
}

void Press(HWND hwnd, MenuBar& bar, int button) {
  bar.pressed = button;
  bar.pressedIn = button >= 0;
  InvalidateRect(hwnd, nullptr, FALSE);
  UpdateWindow(hwnd);
}

// Opens the drop-down of `button`; a press on another drop-down button while one is open
// moves to that one.
void OpenDropDown(HWND hwnd, int button) {
  for (;;) {
    MenuBar* bar = Of(hwnd);
    if (!bar) return;
    Press(hwnd, *bar, button);
    Button b = bar->buttons[static_cast<size_t>(button)];
    HWND owner = bar->owner;
    POINT corner{b.rect.left, 0};
    ClientToScreen(hwnd, &corner);
    TrackResult r = TrackMenu(b.popup, TPM_LEFTALIGN | TPM_BOTTOMALIGN | TPM_RETURNCMD, corner.x, corner.y, owner);
    if (!(bar = Of(hwnd))) return;
    Press(hwnd, *bar, -1);
    if (r.command) {
      PostMessageW(owner, WM_COMMAND, MAKEWPARAM(r.command, 0), 0);
      return;
    }
    if (!r.dismissedByPress) return;
    POINT p = r.pressPoint;
    ScreenToClient(hwnd, &p);
    int other = ButtonAt(*bar, p);
    if (other < 0 || other == button || !Enabled(bar->buttons[static_cast<size_t>(other)]) ||
        !DropDown(bar->buttons[static_cast<size_t>(other)]))
      return;
    button = other;
  }
}

LRESULT CALLBACK MenuBarProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  MenuBar* bar = Of(hwnd);
  if (!bar) return DefWindowProcW(hwnd, message, wParam, lParam);
  switch (message) {
    case WM_NCDESTROY:
      SetState<MenuBar>(hwnd, nullptr);
      if (bar->menu) DestroyMenu(bar->menu);
      delete bar;
      return DefWindowProcW(hwnd, message, wParam, lParam);
    case WM_PAINT:
      Paint(hwnd, *bar);
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_MOUSEACTIVATE:
      return MA_NOACTIVATE;
    case WM_LBUTTONDOWN: {
      int i = ButtonAt(*bar, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
      if (i < 0 || !Enabled(bar->buttons[static_cast<size_t>(i)])) return 0;
      if (DropDown(bar->buttons[static_cast<size_t>(i)])) {
        OpenDropDown(hwnd, i);
      } else {
        Press(hwnd, *bar, i);
        SetCapture(hwnd);
      }
      return 0;
    }
    case WM_MOUSEMOVE:
      if (bar->pressed >= 0 && GetCapture() == hwnd) {
        bool in = PtInRect(&bar->buttons[static_cast<size_t>(bar->pressed)].rect,
                           POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        if (in != bar->pressedIn) {
          bar->pressedIn = in;
          InvalidateRect(hwnd, nullptr, FALSE);
        }
      }
      return 0;
    case WM_LBUTTONUP:
      if (bar->pressed >= 0 && GetCapture() == hwnd) {
        const Button& b = bar->buttons[static_cast<size_t>(bar->pressed)];
        bool in = PtInRect(&b.rect, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        WORD id = b.id;
        HWND owner = bar->owner;
        ReleaseCapture();
        if ((bar = Of(hwnd))) Press(hwnd, *bar, -1);
        if (in) PostMessageW(owner, WM_COMMAND, MAKEWPARAM(id, 0), 0);
      }
      return 0;
    case WM_CAPTURECHANGED:
      if (bar->pressed >= 0 && reinterpret_cast<HWND>(lParam) != hwnd) {
        bar->pressed = -1;
        InvalidateRect(hwnd, nullptr, FALSE);
      }
      return 0;
    case SHCMBM_GETSUBMENU:
      for (const Button& b : bar->buttons)
        if (b.id == static_cast<WORD>(lParam)) return reinterpret_cast<LRESULT>(b.popup);
      return 0;
    case SHCMBM_GETMENU:
      return reinterpret_cast<LRESULT>(bar->menu);
    case TB_BUTTONCOUNT:
      return static_cast<LRESULT>(bar->buttons.size());
    case TB_GETRECT:
    case TB_GETBUTTONTEXTW:
      for (const Button& b : bar->buttons) {
        if (b.id != static_cast<WORD>(wParam)) continue;
        if (message == TB_GETRECT) {
          if (!lParam) return FALSE;
          *reinterpret_cast<RECT*>(lParam) = b.rect;
          return TRUE;
        }
        // The caller's buffer must hold the caption and its terminator.
        if (auto* buffer = reinterpret_cast<LPWSTR>(lParam)) {
          std::copy(b.caption.begin(), b.caption.end(), buffer);
          buffer[b.caption.size()] = 0;
        }
        return static_cast<LRESULT>(b.caption.size());
      }
      return message == TB_GETRECT ? FALSE : -1;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

// The caption of a button: its string resource, or the text of its pop-up in the menu.
std::u16string Caption(HINSTANCE instance, WORD stringId, HMENU menu, int index) {
  WCHAR text[128] = {};
  if (stringId && LoadStringW(instance, stringId, text, 128) > 0) return text;
  Menu* m = MenuFromHandle(menu);
  if (m && index >= 0 && static_cast<size_t>(index) < m->items.size()) return m->items[static_cast<size_t>(index)].text;
  return std::u16string();
}

bool ReadButtons(const SHMENUBARINFO& info, MenuBar& bar) {
  if (info.dwFlags & SHCMBF_EMPTYBAR) return true;
  if (info.dwFlags & SHCMBF_HMENU) {
    bar.menu = LoadMenuW(info.hInstRes, MAKEINTRESOURCEW(info.nToolBarId));
    Menu* m = MenuFromHandle(bar.menu);
    if (!m) return false;
    for (size_t i = 0; i < m->items.size(); ++i) {
      const MenuItem& item = m->items[i];
      Button b;
      b.id = static_cast<WORD>(item.flags & MF_POPUP ? i : item.id);
      b.style = (item.flags & MF_POPUP ? TBSTYLE_DROPDOWN : TBSTYLE_BUTTON) | TBSTYLE_AUTOSIZE;
      b.state = item.flags & (MF_GRAYED | MF_DISABLED) ? 0 : TBSTATE_ENABLED;
      b.popup = item.flags & MF_POPUP ? item.popup : nullptr;
      b.caption = item.text;
      bar.buttons.push_back(b);
    }
    return true;
  }
  const BYTE* data = nullptr;
  DWORD size = 0;
  MenuBarTemplate resource;
  if (!FindResourceBytes(info.hInstRes, RT_RCDATA, MAKEINTRESOURCEW(info.nToolBarId), &data, &size) ||
      !ParseMenuBarResource(data, size, resource))
    return false;
  WORD menuId = resource.menuId ? resource.menuId : static_cast<WORD>(info.nToolBarId);
  bar.menu = LoadMenuW(info.hInstRes, MAKEINTRESOURCEW(menuId));
  for (const MenuBarButton& r : resource.buttons) {
    Button b;
    b.id = r.command;
    b.style = static_cast<BYTE>(r.style);
    b.state = static_cast<BYTE>(r.state);
    if (b.style & TBSTYLE_DROPDOWN) {
      b.popup = GetSubMenu(bar.menu, r.menuIndex);
      if (!b.popup) return false;  // a drop-down without its menu cannot work
    }
    b.caption = Caption(info.hInstRes, r.stringId, bar.menu, r.menuIndex);
    bar.buttons.push_back(b);
  }
  return true;
}

}  // namespace

void RegisterMenuBarClass() {
  WNDCLASSW wc{};
  wc.lpfnWndProc = MenuBarProc;
  wc.cbWndExtra = kStateBytes;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = u"menu_worker";
  RegisterSystemClass(wc);
}

}  // namespace platform::controls

using namespace platform;
using namespace platform::controls;

BOOL SHCreateMenuBar(SHMENUBARINFO* info) {
  if (!info || info->cbSize < offsetof(SHMENUBARINFO, hwndMB) + sizeof(HWND) || !IsWindow(info->hwndParent)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  info->hwndMB = nullptr;
  auto* bar = new MenuBar();
  bar->owner = info->hwndParent;
  if ((info->dwFlags & SHCMBF_COLORBK) && info->cbSize >= sizeof(SHMENUBARINFO)) bar->face = info->clrBk;
  if (!ReadButtons(*info, *bar)) {
    if (bar->menu) DestroyMenu(bar->menu);
    delete bar;
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return FALSE;
  }
  RECT area = MenuBarArea();
  if (IsRectEmpty(&area)) {
    // No handheld strip (the desktop): along the bottom of the owner's window.
    GetWindowRect(GetAncestor(info->hwndParent, GA_ROOT), &area);
    area.top = area.bottom - kMenuBarHeight;
  }
  LayoutButtons(*bar, area.bottom - area.top);
  DWORD style = WS_POPUP | ((info->dwFlags & SHCMBF_HIDDEN) ? 0 : WS_VISIBLE);
  HWND hwnd = CreateWindowExW(WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW, u"menu_worker", u"", style, area.left, area.top,
                              area.right - area.left, area.bottom - area.top, info->hwndParent, nullptr, nullptr,
                              nullptr);
  if (!hwnd) {
    if (bar->menu) DestroyMenu(bar->menu);
    delete bar;
    return FALSE;
  }
  SetState(hwnd, bar);
  InvalidateRect(hwnd, nullptr, TRUE);
  info->hwndMB = hwnd;
  return TRUE;
}
