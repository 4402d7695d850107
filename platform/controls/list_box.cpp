// The "listbox" control: a single-selection list of strings, rows as high as the font, a
// vertical scroll bar that shows when the rows do not fit, LBN_SELCHANGE on a tap.
#include <algorithm>
#include <vector>

#include "controls/control_classes.h"
#include "controls/control_common.h"
#include "user/system_classes.h"

namespace platform::controls {

namespace {

constexpr int kTextIndent = 2;

struct ListBox {
  struct Item {
    std::u16string text;
    LPARAM data = 0;
  };
  std::vector<Item> items;
  int selected = -1;
  int top = 0;
  HFONT font = nullptr;
  int itemHeight = 0;
  bool customHeight = false;
  bool wantsBar = false;  // created with WS_VSCROLL
  bool redraw = true;
  bool changedWhileOff = false;
  bool tracking = false;
  bool pressedOnItem = false;
};

ListBox* Of(HWND hwnd) { return StateOf<ListBox>(hwnd); }

int Count(const ListBox& lb) { return static_cast<int>(lb.items.size()); }

int ClientHeight(HWND hwnd) {
  RECT r{};
  GetClientRect(hwnd, &r);
  return r.bottom;
}

// Rows that fit whole (at least one).
int PageRows(HWND hwnd, const ListBox& lb) { return std::max(1, ClientHeight(hwnd) / std::max(1, lb.itemHeight)); }

int MaxTop(HWND hwnd, const ListBox& lb) { return std::max(0, Count(lb) - PageRows(hwnd, lb)); }

void UpdateScrollBar(HWND hwnd, ListBox& lb) {
  lb.top = std::clamp(lb.top, 0, MaxTop(hwnd, lb));
  if (!lb.wantsBar) return;
  bool need = Count(lb) > PageRows(hwnd, lb);
  bool shown = GetWindowLongW(hwnd, GWL_STYLE) & WS_VSCROLL;
  if (need != shown) {
    ShowScrollBar(hwnd, SB_VERT, need);
    if (!(Of(hwnd))) return;
  }
  if (!need) return;
  SCROLLINFO si{sizeof si, SIF_RANGE | SIF_PAGE | SIF_POS, 0, Count(lb) - 1,
                static_cast<UINT>(PageRows(hwnd, lb)), lb.top, 0};
  SetScrollInfo(hwnd, SB_VERT, &si, TRUE);
}

// Something shown changed: repaint now, or once redraw is switched back on.
void Changed(HWND hwnd, ListBox& lb) {
  if (!lb.redraw) {
    lb.changedWhileOff = true;
    return;
  }
  UpdateScrollBar(hwnd, lb);
  InvalidateRect(hwnd, nullptr, TRUE);
}

void SetTop(HWND hwnd, ListBox& lb, int top) {
  top = std::clamp(top, 0, MaxTop(hwnd, lb));
  if (top == lb.top) return;
  lb.top = top;
  Changed(hwnd, lb);
}

void EnsureVisible(HWND hwnd, ListBox& lb, int index) {
  if (index < 0) return;
  if (index < lb.top) SetTop(hwnd, lb, index);
  else if (index >= lb.top + PageRows(hwnd, lb)) SetTop(hwnd, lb, index - PageRows(hwnd, lb) + 1);
}

void Select(HWND hwnd, ListBox& lb, int index) {
  if (index == lb.selected) return;
  lb.selected = index;
  EnsureVisible(hwnd, lb, index);
  Changed(hwnd, lb);
}

int IndexAt(const ListBox& lb, int y) {
  if (y < 0) return -1;
  int index = lb.top + y / std::max(1, lb.itemHeight);
  return index < Count(lb) ? index : -1;
}

void MeasureItems(ListBox& lb) {
  if (!lb.customHeight) lb.itemHeight = FontHeight(lb.font);
}

void Paint(HWND hwnd, ListBox& lb) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  if (!dc) return;
  RECT client{};
  GetClientRect(hwnd, &client);
  HWND parent = GetParent(hwnd);
  auto brush = reinterpret_cast<HBRUSH>(
      parent ? SendMessageW(parent, WM_CTLCOLORLISTBOX, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(hwnd))
             : DefWindowProcW(hwnd, WM_CTLCOLORLISTBOX, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(hwnd)));
  if (!Of(hwnd)) {
    EndPaint(hwnd, &ps);
    return;
  }
  FillRect(dc, &client, brush ? brush : GetSysColorBrush(COLOR_WINDOW));
  COLORREF textColour = IsWindowEnabled(hwnd) ? GetTextColor(dc) : GetSysColor(COLOR_GRAYTEXT);
  HGDIOBJ oldFont = SelectObject(dc, FontOrDefault(lb.font));
  SetBkMode(dc, TRANSPARENT);
  int rows = client.bottom / std::max(1, lb.itemHeight) + 1;
  for (int i = lb.top; i < Count(lb) && i < lb.top + rows; ++i) {
    int y = (i - lb.top) * lb.itemHeight;
    RECT row{0, y, client.right, y + lb.itemHeight};
    if (i == lb.selected) {
      FillRect(dc, &row, GetSysColorBrush(COLOR_HIGHLIGHT));
      SetTextColor(dc, GetSysColor(COLOR_HIGHLIGHTTEXT));
    } else {
      SetTextColor(dc, textColour);
    }
    RECT text{row.left + kTextIndent, row.top, row.right - kTextIndent, row.bottom};
    const std::u16string& s = lb.items[static_cast<size_t>(i)].text;
    DrawTextW(dc, s.c_str(), static_cast<int>(s.size()), &text, DT_SINGLELINE | DT_NOPREFIX | DT_VCENTER);
  }
  SelectObject(dc, oldFont);
  EndPaint(hwnd, &ps);
}

void Notify(HWND hwnd, WORD code) {
  if (GetWindowLongW(hwnd, GWL_STYLE) & LBS_NOTIFY) NotifyCommand(hwnd, code);
}

void KeyDown(HWND hwnd, ListBox& lb, UINT key) {
  if (lb.items.empty()) return;
  int page = PageRows(hwnd, lb);
  int at = lb.selected;
  switch (key) {
    case VK_UP: at = at < 0 ? 0 : at - 1; break;
    case VK_DOWN: at = at < 0 ? 0 : at + 1; break;
    case VK_PRIOR: at = at < 0 ? 0 : at - (page - 1); break;
    case VK_NEXT: at = at < 0 ? 0 : at + (page - 1); break;
    case VK_HOME: at = 0; break;
    case VK_END: at = Count(lb) - 1; break;
    default: return;
  }
  at = std::clamp(at, 0, Count(lb) - 1);
  if (at == lb.selected) return;
  Select(hwnd, lb, at);
  Notify(hwnd, LBN_SELCHANGE);
}

void Scroll(HWND hwnd, ListBox& lb, WORD code, int position) {
  int page = PageRows(hwnd, lb);
  switch (code) {
    case SB_LINEUP: SetTop(hwnd, lb, lb.top - 1); break;
    case SB_LINEDOWN: SetTop(hwnd, lb, lb.top + 1); break;
    case SB_PAGEUP: SetTop(hwnd, lb, lb.top - page); break;
    case SB_PAGEDOWN: SetTop(hwnd, lb, lb.top + page); break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: SetTop(hwnd, lb, position); break;
    case SB_TOP: SetTop(hwnd, lb, 0); break;
    case SB_BOTTOM: SetTop(hwnd, lb, MaxTop(hwnd, lb)); break;
  }
}

bool ValidIndex(const ListBox& lb, WPARAM index) { return static_cast<int>(index) >= 0 && static_cast<int>(index) < Count(lb); }

LRESULT Insert(HWND hwnd, ListBox& lb, int index, LPARAM text) {
  if (index < 0) index = Count(lb);
  if (index > Count(lb)) return LB_ERR;
  auto* s = reinterpret_cast<LPCWSTR>(text);
  lb.items.insert(lb.items.begin() + index, ListBox::Item{s ? std::u16string(s) : std::u16string(), 0});
  if (lb.selected >= index) ++lb.selected;
  Changed(hwnd, lb);
  return index;
}

LRESULT CALLBACK ListBoxProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* lb = new ListBox();
    auto* cs = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    lb->wantsBar = cs && (static_cast<DWORD>(cs->style) & WS_VSCROLL);
    MeasureItems(*lb);
    SetState(hwnd, lb);
    return DefWindowProcW(hwnd, message, wParam, lParam);
  }
  ListBox* lb = Of(hwnd);
  if (!lb) return DefWindowProcW(hwnd, message, wParam, lParam);
  switch (message) {
    case WM_NCDESTROY:
      SetState<ListBox>(hwnd, nullptr);
      delete lb;
      return DefWindowProcW(hwnd, message, wParam, lParam);
    case WM_CREATE:
      UpdateScrollBar(hwnd, *lb);
      return 0;
    case WM_PAINT:
      Paint(hwnd, *lb);
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_SIZE:
      if (lb->redraw) UpdateScrollBar(hwnd, *lb);
      InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    case WM_SETREDRAW:
      DefWindowProcW(hwnd, message, wParam, lParam);
      lb->redraw = wParam != 0;
      if (lb->redraw && lb->changedWhileOff) {
        lb->changedWhileOff = false;
        Changed(hwnd, *lb);
      }
      return 0;
    case WM_SETFONT:
      lb->font = reinterpret_cast<HFONT>(wParam);
      MeasureItems(*lb);
      if (lb->redraw) UpdateScrollBar(hwnd, *lb);
      if (LOWORD(lParam)) InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(lb->font);
    case WM_GETDLGCODE:
      return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_SETFOCUS:
      Notify(hwnd, LBN_SETFOCUS);
      return 0;
    case WM_KILLFOCUS:
      lb->tracking = false;
      Notify(hwnd, LBN_KILLFOCUS);
      return 0;

    case WM_LBUTTONDOWN: {
      if (GetFocus() != hwnd) SetFocus(hwnd);
      if (!(lb = Of(hwnd))) return 0;
      int index = IndexAt(*lb, GET_Y_LPARAM(lParam));
      lb->pressedOnItem = index >= 0;
      if (index >= 0) Select(hwnd, *lb, index);
      lb->tracking = true;
      SetCapture(hwnd);
      return 0;
    }
    case WM_MOUSEMOVE:
      if (lb->tracking && (wParam & MK_LBUTTON) && lb->pressedOnItem && !lb->items.empty()) {
        int y = GET_Y_LPARAM(lParam);
        int index = y < 0 ? lb->top - 1 : lb->top + y / std::max(1, lb->itemHeight);
        Select(hwnd, *lb, std::clamp(index, 0, Count(*lb) - 1));
      }
      return 0;
    case WM_LBUTTONUP:
      if (lb->tracking) {
        lb->tracking = false;
        if (GetCapture() == hwnd) ReleaseCapture();
        // The parent may close the list in its answer: nothing follows.
        if (lb->pressedOnItem && lb->selected >= 0) Notify(hwnd, LBN_SELCHANGE);
      }
      return 0;
    case WM_CAPTURECHANGED:
      lb->tracking = false;
      return 0;
    case WM_KEYDOWN:
      KeyDown(hwnd, *lb, static_cast<UINT>(wParam));
      return 0;
    case WM_VSCROLL:
      Scroll(hwnd, *lb, LOWORD(wParam), static_cast<short>(HIWORD(wParam)));
      return 0;

    case LB_ADDSTRING:
      return Insert(hwnd, *lb, -1, lParam);
    case LB_INSERTSTRING:
      return Insert(hwnd, *lb, static_cast<int>(wParam), lParam);
    case LB_DELETESTRING: {
      if (!ValidIndex(*lb, wParam)) return LB_ERR;
      int index = static_cast<int>(wParam);
      lb->items.erase(lb->items.begin() + index);
      if (lb->selected == index) lb->selected = -1;
      else if (lb->selected > index) --lb->selected;
      Changed(hwnd, *lb);
      return Count(*lb);
    }
    case LB_RESETCONTENT:
      lb->items.clear();
      lb->selected = -1;
      lb->top = 0;
      Changed(hwnd, *lb);
      return 0;
    case LB_GETCOUNT:
      return Count(*lb);
    case LB_GETCURSEL:
      return lb->selected >= 0 ? lb->selected : LB_ERR;
    case LB_SETCURSEL:
      if (static_cast<int>(wParam) == -1) {
        Select(hwnd, *lb, -1);
        return LB_ERR;
      }
      if (!ValidIndex(*lb, wParam)) return LB_ERR;
      Select(hwnd, *lb, static_cast<int>(wParam));
      return static_cast<int>(wParam);
    case LB_GETTEXT: {
      if (!ValidIndex(*lb, wParam) || !lParam) return LB_ERR;
      const std::u16string& s = lb->items[wParam].text;
      auto* buffer = reinterpret_cast<LPWSTR>(lParam);
      std::copy(s.begin(), s.end(), buffer);
      buffer[s.size()] = 0;
      return static_cast<LRESULT>(s.size());
    }
    case LB_GETTEXTLEN:
      return ValidIndex(*lb, wParam) ? static_cast<LRESULT>(lb->items[wParam].text.size()) : LB_ERR;
    case LB_GETITEMDATA:
      return ValidIndex(*lb, wParam) ? lb->items[wParam].data : LB_ERR;
    case LB_SETITEMDATA:
      if (!ValidIndex(*lb, wParam)) return LB_ERR;
      lb->items[wParam].data = lParam;
      return TRUE;
    case LB_GETTOPINDEX:
      return lb->top;
    case LB_SETTOPINDEX:
      if (static_cast<int>(wParam) < 0 || (static_cast<int>(wParam) >= Count(*lb) && wParam != 0)) return LB_ERR;
      SetTop(hwnd, *lb, static_cast<int>(wParam));
      return 0;
    case LB_GETITEMHEIGHT:
      return lb->itemHeight;
    case LB_SETITEMHEIGHT:
      if (LOWORD(lParam) == 0 || LOWORD(lParam) > 255) return LB_ERR;
      lb->itemHeight = LOWORD(lParam);
      lb->customHeight = true;
      Changed(hwnd, *lb);
      return 0;
    case LB_GETITEMRECT: {
      if (!ValidIndex(*lb, wParam) || !lParam) return LB_ERR;
      RECT client{};
      GetClientRect(hwnd, &client);
      int y = (static_cast<int>(wParam) - lb->top) * lb->itemHeight;
      *reinterpret_cast<RECT*>(lParam) = RECT{0, y, client.right, y + lb->itemHeight};
      return 1;
    }
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace

void RegisterListBoxClass() {
  WNDCLASSW wc{};
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = ListBoxProc;
  wc.cbWndExtra = kStateBytes;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = u"ListBox";
  RegisterSystemClass(wc);
}

}  // namespace platform::controls
