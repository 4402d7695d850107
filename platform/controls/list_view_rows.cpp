// The list view's rows: geometry, scrolling, item states and callback texts.
#include <algorithm>

#include "controls/control_common.h"
#include "controls/list_view.h"

namespace platform::controls {

namespace {

// What the parent may write into for a callback text, terminator included.
constexpr int kDisplayText = 260;

RECT Client(HWND hwnd) {
  RECT r{};
  GetClientRect(hwnd, &r);
  return r;
}

}  // namespace

ListView* ListViewOf(HWND hwnd) { return StateOf<ListView>(hwnd); }

int HeaderHeight(HWND hwnd, const ListView& lv) {
  if (GetWindowLongW(hwnd, GWL_STYLE) & LVS_NOCOLUMNHEADER) return 0;
  return FontHeight(lv.font) + 6;
}

int PageRows(HWND hwnd, const ListView& lv) {
  int height = Client(hwnd).bottom - HeaderHeight(hwnd, lv);
  return std::max(1, height / std::max(1, lv.rowHeight));
}

int MaxTop(HWND hwnd, const ListView& lv) { return std::max(0, ItemCount(lv) - PageRows(hwnd, lv)); }

int ColumnsWidth(const ListView& lv) {
  int width = 0;
  for (const auto& c : lv.columns) width += c.width;
  return width;
}

RECT RowRect(HWND hwnd, const ListView& lv, int item) {
  int y = HeaderHeight(hwnd, lv) + (item - lv.top) * lv.rowHeight;
  return RECT{0, y, std::max<int>(Client(hwnd).right, ColumnsWidth(lv)), y + lv.rowHeight};
}

HitResult HitTest(HWND hwnd, const ListView& lv, POINT p) {
  HitResult hit;
  RECT client = Client(hwnd);
  int header = HeaderHeight(hwnd, lv);
  if (p.x < 0 || p.y < header || p.x >= client.right || p.y >= client.bottom) return hit;
  int item = lv.top + (p.y - header) / std::max(1, lv.rowHeight);
  int x = 0;
  hit.subItem = -1;
  for (size_t c = 0; c < lv.columns.size(); ++c) {
    if (p.x >= x && p.x < x + lv.columns[c].width) hit.subItem = static_cast<int>(c);
    x += lv.columns[c].width;
  }
  if (item >= ItemCount(lv)) {
    hit.flags = LVHT_NOWHERE | LVHT_BELOW;
    hit.subItem = 0;
    return hit;
  }
  // A full-row list takes the whole row; otherwise only the first column is the item.
  bool fullRow = lv.exStyle & LVS_EX_FULLROWSELECT;
  if (fullRow || hit.subItem == 0) {
    hit.item = item;
    hit.flags = LVHT_ONITEMLABEL;
  }
  if (hit.subItem < 0) hit.subItem = 0;
  return hit;
}

void UpdateScrollBar(HWND hwnd, ListView& lv) {
  lv.top = std::clamp(lv.top, 0, MaxTop(hwnd, lv));
  if (!lv.redraw || !lv.wantsBar) return;
  bool need = ItemCount(lv) > PageRows(hwnd, lv);
  bool shown = GetWindowLongW(hwnd, GWL_STYLE) & WS_VSCROLL;
  if (need != shown) {
    ShowScrollBar(hwnd, SB_VERT, need);
    InvalidateRect(hwnd, nullptr, FALSE);
  }
  if (!need) return;
  SCROLLINFO si{sizeof si, SIF_RANGE | SIF_PAGE | SIF_POS, 0, ItemCount(lv) - 1,
                static_cast<UINT>(PageRows(hwnd, lv)), lv.top, 0};
  SetScrollInfo(hwnd, SB_VERT, &si, TRUE);
}

void InvalidateItems(HWND hwnd, ListView& lv, int first, int last) {
  if (!lv.redraw) return;
  int lastVisible = lv.top + PageRows(hwnd, lv);
  if (last < 0 || last > lastVisible) last = lastVisible;
  first = std::max(first, lv.top);
  if (first > last) return;
  RECT a = RowRect(hwnd, lv, first), b = RowRect(hwnd, lv, last);
  RECT r{0, a.top, std::max<int>(a.right, Client(hwnd).right), b.bottom};
  InvalidateRect(hwnd, &r, FALSE);
}

void InvalidateAll(HWND hwnd, ListView& lv) {
  if (lv.redraw) InvalidateRect(hwnd, nullptr, FALSE);
}

void SetTop(HWND hwnd, ListView& lv, int top) {
  top = std::clamp(top, 0, MaxTop(hwnd, lv));
  if (top == lv.top) return;
  lv.top = top;
  UpdateScrollBar(hwnd, lv);
  InvalidateAll(hwnd, lv);
}

void EnsureVisible(HWND hwnd, ListView& lv, int item, bool partialOk) {
  if (item < 0 || item >= ItemCount(lv)) return;
  int page = PageRows(hwnd, lv);
  if (item < lv.top) {
    SetTop(hwnd, lv, item);
  } else if (item >= lv.top + page) {
    // The row just below the last whole one shows in part.
    if (partialOk && item == lv.top + page &&
        RowRect(hwnd, lv, item).top < Client(hwnd).bottom)
      return;
    SetTop(hwnd, lv, item - page + 1);
  }
}

namespace {

bool ChangeOne(HWND hwnd, int item, UINT state, UINT mask) {
  ListView* lv = ListViewOf(hwnd);
  if (!lv || item < 0 || item >= ItemCount(*lv)) return lv != nullptr;
  ListView::Item& it = lv->items[static_cast<size_t>(item)];
  UINT old = it.state;
  UINT now = (old & ~mask) | (state & mask);
  if (now == old) return true;
  it.state = now;
  if ((now & LVIS_FOCUSED) && !(old & LVIS_FOCUSED)) lv->focusItem = item;
  if (!(now & LVIS_FOCUSED) && (old & LVIS_FOCUSED) && lv->focusItem == item) lv->focusItem = -1;
  InvalidateItems(hwnd, *lv, item, item);
  NMLISTVIEW nm{};
  nm.iItem = item;
  nm.uNewState = now;
  nm.uOldState = old;
  nm.uChanged = LVIF_STATE;
  nm.lParam = it.param;
  NotifyParent(hwnd, &nm.hdr, LVN_ITEMCHANGED);
  return ListViewOf(hwnd) != nullptr;
}

// Clears `bits` on every item but `except`.
bool ClearOthers(HWND hwnd, int except, UINT bits) {
  for (int i = 0;; ++i) {
    ListView* lv = ListViewOf(hwnd);
    if (!lv) return false;
    if (i >= ItemCount(*lv)) return true;
    if (i != except && (lv->items[static_cast<size_t>(i)].state & bits))
      if (!ChangeOne(hwnd, i, 0, bits)) return false;
  }
}

}  // namespace

bool SetItemState(HWND hwnd, int item, UINT state, UINT mask) {
  ListView* lv = ListViewOf(hwnd);
  if (!lv) return false;
  mask &= LVIS_FOCUSED | LVIS_SELECTED;
  if (item < 0) {
    // Every item; focus can only be taken away from all of them.
    if ((mask & LVIS_FOCUSED) && (state & LVIS_FOCUSED)) mask &= ~LVIS_FOCUSED;
    if ((mask & LVIS_SELECTED) && (state & LVIS_SELECTED) && (GetWindowLongW(hwnd, GWL_STYLE) & LVS_SINGLESEL))
      mask &= ~LVIS_SELECTED;
    for (int i = 0;; ++i) {
      if (!(lv = ListViewOf(hwnd))) return false;
      if (i >= ItemCount(*lv)) return true;
      if (!ChangeOne(hwnd, i, state, mask)) return false;
    }
  }
  if (item >= ItemCount(*lv)) return true;
  if ((mask & LVIS_FOCUSED) && (state & LVIS_FOCUSED) && lv->focusItem >= 0 && lv->focusItem != item)
    if (!ChangeOne(hwnd, lv->focusItem, 0, LVIS_FOCUSED)) return false;
  if ((mask & LVIS_SELECTED) && (state & LVIS_SELECTED) && (GetWindowLongW(hwnd, GWL_STYLE) & LVS_SINGLESEL))
    if (!ClearOthers(hwnd, item, LVIS_SELECTED)) return false;
  return ChangeOne(hwnd, item, state, mask);
}

bool SelectOnly(HWND hwnd, int item) {
  if (!ClearOthers(hwnd, item, LVIS_SELECTED)) return false;
  if (item < 0) return true;
  return SetItemState(hwnd, item, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
}

std::u16string CellText(HWND hwnd, int item, int subItem) {
  ListView* lv = ListViewOf(hwnd);
  if (!lv || item < 0 || item >= ItemCount(*lv) || subItem < 0) return std::u16string();
  const ListView::Item& it = lv->items[static_cast<size_t>(item)];
  const ListView::Cell* cell = nullptr;
  if (subItem == 0) cell = &it.label;
  else if (static_cast<size_t>(subItem) <= it.subItems.size()) cell = &it.subItems[static_cast<size_t>(subItem - 1)];
  if (cell && !cell->callback) return cell->text;

  WCHAR buffer[kDisplayText] = {};
  NMLVDISPINFOW info{};
  info.item.mask = LVIF_TEXT;
  info.item.iItem = item;
  info.item.iSubItem = subItem;
  info.item.state = it.state;
  info.item.lParam = it.param;
  info.item.pszText = buffer;
  info.item.cchTextMax = kDisplayText;
  NotifyParent(hwnd, &info.hdr, LVN_GETDISPINFOW);
  // The parent writes into the buffer, or points at a text of its own; either way no more
  // than the buffer's size is read.
  const WCHAR* text = info.item.pszText;
  if (!text || text == LPSTR_TEXTCALLBACKW) return std::u16string();
  size_t n = 0;
  while (n < kDisplayText - 1 && text[n]) ++n;
  return std::u16string(text, n);
}

}  // namespace platform::controls
