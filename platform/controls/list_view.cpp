// The report-style list view, "SysListView32": columns, items with their own or callback
// texts, selection and focus states, keys, the stylus (a tap chooses, a drag pans), the
// scroll bar, and the messages that reach all of these.
#include <algorithm>
#include <cstdlib>

#include "controls/control_classes.h"
#include "controls/control_common.h"
#include "controls/list_view.h"
#include "user/system_classes.h"

namespace platform::controls {

namespace {

constexpr int kPanThreshold = 6;  // pixels the stylus moves before a press becomes a drag

void Measure(ListView& lv) { lv.rowHeight = FontHeight(lv.font) + 2; }

void ItemsChanged(HWND hwnd, ListView& lv, int from) {
  UpdateScrollBar(hwnd, lv);
  InvalidateItems(hwnd, lv, from, -1);
}

ListView::Cell MakeCell(LPCWSTR text) {
  if (text == LPSTR_TEXTCALLBACKW) return ListView::Cell{std::u16string(), true};
  return ListView::Cell{text ? std::u16string(text) : std::u16string(), false};
}

// Copies a text into a caller's buffer of `size` units, cut and terminated.
int CopyOut(const std::u16string& text, LPWSTR buffer, int size) {
  if (!buffer || size <= 0) return 0;
  int n = std::min<int>(static_cast<int>(text.size()), size - 1);
  std::copy_n(text.data(), n, buffer);
  buffer[n] = 0;
  return n;
}

bool SetCellText(HWND hwnd, ListView& lv, int item, int subItem, LPCWSTR text) {
  if (item < 0 || item >= ItemCount(lv) || subItem < 0) return false;
  ListView::Item& it = lv.items[static_cast<size_t>(item)];
  if (subItem == 0) {
    it.label = MakeCell(text);
  } else {
    if (it.subItems.size() < static_cast<size_t>(subItem)) it.subItems.resize(static_cast<size_t>(subItem));
    it.subItems[static_cast<size_t>(subItem - 1)] = MakeCell(text);
  }
  InvalidateItems(hwnd, lv, item, item);
  return true;
}

LRESULT InsertItem(HWND hwnd, ListView& lv, const LVITEMW* in) {
  if (!in || in->iItem < 0 || in->iSubItem != 0) return -1;
  int index = std::min(in->iItem, ItemCount(lv));
  ListView::Item item;
  if (in->mask & LVIF_TEXT) item.label = MakeCell(in->pszText);
  if (in->mask & LVIF_PARAM) item.param = in->lParam;
  if (in->mask & LVIF_STATE) item.state = in->state & in->stateMask & (LVIS_SELECTED | LVIS_FOCUSED);
  lv.items.insert(lv.items.begin() + index, std::move(item));
  if (lv.focusItem >= index) ++lv.focusItem;
  // A new focused item takes the focus; a new selection in a single-selection list is alone.
  if (lv.items[static_cast<size_t>(index)].state & LVIS_FOCUSED) {
    if (lv.focusItem >= 0) lv.items[static_cast<size_t>(lv.focusItem)].state &= ~LVIS_FOCUSED;
    lv.focusItem = index;
  }
  if ((lv.items[static_cast<size_t>(index)].state & LVIS_SELECTED) && (GetWindowLongW(hwnd, GWL_STYLE) & LVS_SINGLESEL))
    for (int i = 0; i < ItemCount(lv); ++i)
      if (i != index) lv.items[static_cast<size_t>(i)].state &= ~LVIS_SELECTED;
  ItemsChanged(hwnd, lv, index);
  return index;
}

bool DeleteItem(HWND hwnd, ListView& lv, int index) {
  if (index < 0 || index >= ItemCount(lv)) return false;
  lv.items.erase(lv.items.begin() + index);
  if (lv.focusItem == index) lv.focusItem = -1;
  else if (lv.focusItem > index) --lv.focusItem;
  ItemsChanged(hwnd, lv, index);
  return true;
}

LRESULT GetItem(HWND hwnd, LVITEMW* out) {
  ListView* lv = ListViewOf(hwnd);
  if (!out || !lv || out->iItem < 0 || out->iItem >= ItemCount(*lv)) return FALSE;
  const ListView::Item& it = lv->items[static_cast<size_t>(out->iItem)];
  if (out->mask & LVIF_STATE) out->state = it.state & out->stateMask;
  if (out->mask & LVIF_PARAM) out->lParam = it.param;
  if (out->mask & LVIF_TEXT) CopyOut(CellText(hwnd, out->iItem, out->iSubItem), out->pszText, out->cchTextMax);
  return TRUE;
}

LRESULT SetItem(HWND hwnd, ListView& lv, const LVITEMW* in) {
  if (!in || in->iItem < 0 || in->iItem >= ItemCount(lv)) return FALSE;
  if (in->mask & LVIF_TEXT) SetCellText(hwnd, lv, in->iItem, in->iSubItem, in->pszText);
  if ((in->mask & LVIF_PARAM) && in->iSubItem == 0) lv.items[static_cast<size_t>(in->iItem)].param = in->lParam;
  if ((in->mask & LVIF_STATE) && in->iSubItem == 0) SetItemState(hwnd, in->iItem, in->state, in->stateMask);
  return TRUE;
}

int NextItem(const ListView& lv, int start, UINT flags) {
  UINT need = flags & (LVNI_SELECTED | LVNI_FOCUSED);
  bool up = flags & LVNI_ABOVE;
  int step = up ? -1 : 1;
  int i = start < 0 ? (up ? -1 : 0) : start + step;
  for (; i >= 0 && i < ItemCount(lv); i += step) {
    UINT state = lv.items[static_cast<size_t>(i)].state;
    if ((!(need & LVNI_SELECTED) || (state & LVIS_SELECTED)) && (!(need & LVNI_FOCUSED) || (state & LVIS_FOCUSED)))
      return i;
  }
  return -1;
}

LRESULT InsertColumn(HWND hwnd, ListView& lv, int index, const LVCOLUMNW* in) {
  if (!in || index < 0) return -1;
  index = std::min<int>(index, static_cast<int>(lv.columns.size()));
  ListView::Column c;
  if (in->mask & LVCF_WIDTH) c.width = std::max(0, in->cx);
  if (in->mask & LVCF_FMT) c.format = in->fmt & 3;
  if ((in->mask & LVCF_TEXT) && in->pszText && in->pszText != LPSTR_TEXTCALLBACKW) c.text = in->pszText;
  lv.columns.insert(lv.columns.begin() + index, c);
  InvalidateAll(hwnd, lv);
  return index;
}

void KeyDown(HWND hwnd, ListView& lv, UINT key) {
  int count = ItemCount(lv);
  if (!count) return;
  int page = PageRows(hwnd, lv);
  int at = lv.focusItem >= 0 ? lv.focusItem : NextItem(lv, -1, LVNI_SELECTED);
  int last = count - 1;
  switch (key) {
    case VK_UP: at = at < 0 ? 0 : at - 1; break;
    case VK_DOWN: at = at < 0 ? 0 : at + 1; break;
    case VK_HOME: at = 0; break;
    case VK_END: at = last; break;
    // Page keys go to the edge of the page first, then a page further.
    case VK_PRIOR: at = at < 0 ? 0 : (at != lv.top ? lv.top : at - (page - 1)); break;
    case VK_NEXT: {
      int bottom = std::min(last, lv.top + page - 1);
      at = at < 0 ? 0 : (at != bottom ? bottom : at + (page - 1));
      break;
    }
    default: return;
  }
  at = std::clamp(at, 0, last);
  if (!SelectOnly(hwnd, at)) return;
  if (ListView* now = ListViewOf(hwnd)) EnsureVisible(hwnd, *now, at, false);
}

void Scroll(HWND hwnd, ListView& lv, WORD code, int position) {
  int page = PageRows(hwnd, lv);
  switch (code) {
    case SB_LINEUP: SetTop(hwnd, lv, lv.top - 1); break;
    case SB_LINEDOWN: SetTop(hwnd, lv, lv.top + 1); break;
    case SB_PAGEUP: SetTop(hwnd, lv, lv.top - page); break;
    case SB_PAGEDOWN: SetTop(hwnd, lv, lv.top + page); break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: SetTop(hwnd, lv, position); break;
    case SB_TOP: SetTop(hwnd, lv, 0); break;
    case SB_BOTTOM: SetTop(hwnd, lv, MaxTop(hwnd, lv)); break;
  }
}

// A tap: the row under the stylus is chosen (a tap beside the rows chooses nothing), then
// NM_CLICK, and LVN_ITEMACTIVATE in a one-click list.
void Tap(HWND hwnd, POINT p) {
  ListView* lv = ListViewOf(hwnd);
  if (!lv) return;
  HitResult hit = HitTest(hwnd, *lv, p);
  if (!SelectOnly(hwnd, hit.item) || !(lv = ListViewOf(hwnd))) return;
  // The parent may have emptied the list while it heard of the change.
  if (hit.item >= ItemCount(*lv)) hit.item = -1;
  if (hit.item >= 0) EnsureVisible(hwnd, *lv, hit.item, false);
  NMITEMACTIVATE click{};
  click.iItem = hit.item;
  click.iSubItem = hit.subItem;
  click.ptAction = p;
  if (hit.item >= 0) {
    click.uNewState = lv->items[static_cast<size_t>(hit.item)].state;
    click.lParam = lv->items[static_cast<size_t>(hit.item)].param;
  }
  DWORD exStyle = lv->exStyle;
  NotifyParent(hwnd, &click.hdr, NM_CLICK);
  if (hit.item >= 0 && (exStyle & LVS_EX_ONECLICKACTIVATE) && ListViewOf(hwnd)) {
    NMITEMACTIVATE activate = click;
    NotifyParent(hwnd, &activate.hdr, LVN_ITEMACTIVATE);
  }
}

LRESULT CALLBACK ListViewProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* lv = new ListView();
    Measure(*lv);
    SetState(hwnd, lv);
    return DefWindowProcW(hwnd, message, wParam, lParam);
  }
  ListView* lv = ListViewOf(hwnd);
  if (!lv) return DefWindowProcW(hwnd, message, wParam, lParam);
  switch (message) {
    case WM_NCDESTROY:
      SetState<ListView>(hwnd, nullptr);
      delete lv;
      return DefWindowProcW(hwnd, message, wParam, lParam);
    case WM_CREATE:
      UpdateScrollBar(hwnd, *lv);
      return 0;
    case WM_PAINT:
      PaintListView(hwnd, *lv);
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_SIZE:
      UpdateScrollBar(hwnd, *lv);
      InvalidateAll(hwnd, *lv);
      return 0;
    case WM_SETREDRAW:
      DefWindowProcW(hwnd, message, wParam, lParam);
      lv->redraw = wParam != 0;
      if (lv->redraw) {
        UpdateScrollBar(hwnd, *lv);
        InvalidateRect(hwnd, nullptr, TRUE);
      }
      return 0;
    case WM_SETFONT:
      lv->font = reinterpret_cast<HFONT>(wParam);
      Measure(*lv);
      UpdateScrollBar(hwnd, *lv);
      if (LOWORD(lParam)) InvalidateAll(hwnd, *lv);
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(lv->font);
    case WM_GETDLGCODE:
      return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      if (message == WM_KILLFOCUS) lv->pressing = false;
      InvalidateAll(hwnd, *lv);
      return 0;

    case WM_LBUTTONDOWN:
      if (GetFocus() != hwnd) SetFocus(hwnd);
      if (!(lv = ListViewOf(hwnd))) return 0;
      lv->pressing = true;
      lv->panning = false;
      lv->pressPoint = POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      lv->pressTop = lv->top;
      SetCapture(hwnd);
      return 0;
    case WM_MOUSEMOVE:
      if (lv->pressing && (wParam & MK_LBUTTON)) {
        int dy = GET_Y_LPARAM(lParam) - lv->pressPoint.y;
        if (!lv->panning && std::abs(dy) > kPanThreshold) lv->panning = true;
        // The rows follow the stylus.
        if (lv->panning) SetTop(hwnd, *lv, lv->pressTop - dy / std::max(1, lv->rowHeight));
      }
      return 0;
    case WM_LBUTTONUP:
      if (lv->pressing) {
        lv->pressing = false;
        bool tap = !lv->panning;
        lv->panning = false;
        if (GetCapture() == hwnd) ReleaseCapture();
        if (tap) Tap(hwnd, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
      }
      return 0;
    case WM_CAPTURECHANGED:
      lv->pressing = false;
      lv->panning = false;
      return 0;
    case WM_KEYDOWN:
      KeyDown(hwnd, *lv, static_cast<UINT>(wParam));
      return 0;
    case WM_VSCROLL:
      Scroll(hwnd, *lv, LOWORD(wParam), static_cast<short>(HIWORD(wParam)));
      return 0;

    case LVM_GETITEMCOUNT:
      return ItemCount(*lv);
    case LVM_INSERTITEMW:
      return InsertItem(hwnd, *lv, reinterpret_cast<const LVITEMW*>(lParam));
    case LVM_DELETEITEM:
      return DeleteItem(hwnd, *lv, static_cast<int>(wParam));
    case LVM_DELETEALLITEMS:
      lv->items.clear();
      lv->focusItem = -1;
      lv->top = 0;
      ItemsChanged(hwnd, *lv, 0);
      return TRUE;
    case LVM_GETITEMW:
      return GetItem(hwnd, reinterpret_cast<LVITEMW*>(lParam));
    case LVM_SETITEMW:
      return SetItem(hwnd, *lv, reinterpret_cast<const LVITEMW*>(lParam));
    case LVM_SETITEMTEXTW: {
      auto* in = reinterpret_cast<const LVITEMW*>(lParam);
      return in && SetCellText(hwnd, *lv, static_cast<int>(wParam), in->iSubItem, in->pszText);
    }
    case LVM_GETITEMTEXTW: {
      auto* out = reinterpret_cast<LVITEMW*>(lParam);
      if (!out) return 0;
      return CopyOut(CellText(hwnd, static_cast<int>(wParam), out->iSubItem), out->pszText, out->cchTextMax);
    }
    case LVM_SETITEMSTATE: {
      auto* in = reinterpret_cast<const LVITEMW*>(lParam);
      if (!in) return FALSE;
      int item = static_cast<int>(wParam);
      if (item >= ItemCount(*lv)) return FALSE;
      SetItemState(hwnd, item, in->state, in->stateMask);
      return TRUE;
    }
    case LVM_GETITEMSTATE: {
      int item = static_cast<int>(wParam);
      if (item < 0 || item >= ItemCount(*lv)) return 0;
      return lv->items[static_cast<size_t>(item)].state & static_cast<UINT>(lParam);
    }
    case LVM_GETNEXTITEM:
      return NextItem(*lv, static_cast<int>(wParam), LOWORD(lParam));
    case LVM_GETSELECTEDCOUNT:
      return std::count_if(lv->items.begin(), lv->items.end(),
                           [](const ListView::Item& i) { return (i.state & LVIS_SELECTED) != 0; });
    case LVM_ENSUREVISIBLE:
      if (static_cast<int>(wParam) < 0 || static_cast<int>(wParam) >= ItemCount(*lv)) return FALSE;
      EnsureVisible(hwnd, *lv, static_cast<int>(wParam), LOWORD(lParam) != 0);
      return TRUE;
    case LVM_GETTOPINDEX:
      return lv->top;
    case LVM_GETCOUNTPERPAGE:
      return PageRows(hwnd, *lv);
    case LVM_GETITEMRECT: {
      auto* r = reinterpret_cast<RECT*>(lParam);
      int item = static_cast<int>(wParam);
      if (!r || item < 0 || item >= ItemCount(*lv)) return FALSE;
      RECT row = RowRect(hwnd, *lv, item);
      if (r->left == LVIR_LABEL && !lv->columns.empty()) row.right = lv->columns[0].width;
      *r = row;
      return TRUE;
    }
    case LVM_HITTEST: {
      auto* info = reinterpret_cast<LVHITTESTINFO*>(lParam);
      if (!info) return -1;
      HitResult hit = HitTest(hwnd, *lv, info->pt);
      info->flags = hit.flags;
      info->iItem = hit.item;
      info->iSubItem = hit.subItem;
      return hit.item;
    }

    case LVM_INSERTCOLUMNW:
      return InsertColumn(hwnd, *lv, static_cast<int>(wParam), reinterpret_cast<const LVCOLUMNW*>(lParam));
    case LVM_SETCOLUMNWIDTH: {
      size_t c = wParam;
      int cx = static_cast<short>(LOWORD(lParam));
      if (c >= lv->columns.size() || cx < 0) return FALSE;
      lv->columns[c].width = cx;
      InvalidateAll(hwnd, *lv);
      return TRUE;
    }
    case LVM_GETCOLUMNWIDTH:
      return wParam < lv->columns.size() ? lv->columns[wParam].width : 0;

    case LVM_SETEXTENDEDLISTVIEWSTYLE: {
      DWORD old = lv->exStyle;
      DWORD mask = wParam ? static_cast<DWORD>(wParam) : 0xFFFFFFFF;
      lv->exStyle = (old & ~mask) | (static_cast<DWORD>(lParam) & mask);
      InvalidateAll(hwnd, *lv);
      return old;
    }
    case LVM_GETEXTENDEDLISTVIEWSTYLE:
      return lv->exStyle;
    case LVM_SETTEXTCOLOR:
      lv->textColour = static_cast<COLORREF>(lParam);
      InvalidateAll(hwnd, *lv);
      return TRUE;
    case LVM_GETTEXTCOLOR:
      return lv->textColour == CLR_DEFAULT ? GetSysColor(COLOR_WINDOWTEXT) : lv->textColour;
    case LVM_SETTEXTBKCOLOR:
      lv->textBkColour = static_cast<COLORREF>(lParam);
      InvalidateAll(hwnd, *lv);
      return TRUE;
    case LVM_GETTEXTBKCOLOR:
      return lv->textBkColour == CLR_DEFAULT ? GetSysColor(COLOR_WINDOW) : lv->textBkColour;
    case LVM_SETBKCOLOR:
      lv->bkColour = static_cast<COLORREF>(lParam);
      InvalidateAll(hwnd, *lv);
      return TRUE;
    case LVM_GETBKCOLOR:
      return lv->bkColour == CLR_DEFAULT ? GetSysColor(COLOR_WINDOW) : lv->bkColour;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace

void RegisterListViewClass() {
  WNDCLASSW wc{};
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = ListViewProc;
  wc.cbWndExtra = kStateBytes;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = WC_LISTVIEWW;
  RegisterSystemClass(wc);
}

}  // namespace platform::controls
