// Painting the list view: only the rows in the update region, each through the parent's
// custom draw (pre-paint, item pre-paint, sub-item pre-paint) when it asks for it.
#include <algorithm>

#include "controls/control_common.h"
#include "controls/list_view.h"

namespace platform::controls {

namespace {

constexpr int kCellPadLeft = 3;
constexpr int kCellPadRight = 2;

COLORREF Resolve(COLORREF colour, int fallback) {
  return colour == CLR_DEFAULT ? GetSysColor(fallback) : colour;
}

struct Painter {
  HWND hwnd;
  HDC dc;
  HFONT listFont;
  bool alive = true;

  // Sends one custom-draw stage; false (and `alive` false) when the window went away.
  LRESULT Stage(NMLVCUSTOMDRAW& cd, DWORD stage) {
    cd.nmcd.dwDrawStage = stage;
    LRESULT r = NotifyParent(hwnd, &cd.nmcd.hdr, NM_CUSTOMDRAW);
    alive = ListViewOf(hwnd) != nullptr;
    return alive ? r : CDRF_SKIPDEFAULT;
  }
};

void DrawCell(HDC dc, const RECT& cell, const std::u16string& text, int format, COLORREF colour) {
  RECT r{cell.left + kCellPadLeft, cell.top, cell.right - kCellPadRight, cell.bottom};
  if (r.right <= r.left) return;
  std::u16string shown = FitWithEllipsis(dc, text, r.right - r.left);
  SetTextColor(dc, colour);
  UINT align = format == LVCFMT_RIGHT ? DT_RIGHT : format == LVCFMT_CENTER ? DT_CENTER : DT_LEFT;
  DrawTextW(dc, shown.c_str(), static_cast<int>(shown.size()), &r, align | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
}

void DrawHeader(HWND hwnd, HDC dc, const ListView& lv, int height) {
  RECT client{};
  GetClientRect(hwnd, &client);
  RECT band{0, 0, client.right, height};
  FillSolid(dc, band, kPaleGrey);
  HorizontalLine(dc, 0, client.right, height - 1, kFrameGrey);
  int x = 0;
  for (const auto& c : lv.columns) {
    RECT cell{x, 0, x + c.width, height - 1};
    DrawCell(dc, cell, c.text, c.format, kBlack);
    RECT divider{x + c.width - 1, 2, x + c.width, height - 3};
    FillSolid(dc, divider, kLineGrey);
    x += c.width;
  }
}

void PaintRow(Painter& p, int item, LRESULT prepaint) {
  ListView* lv = ListViewOf(p.hwnd);
  if (!lv || item >= ItemCount(*lv)) return;
  const UINT state = lv->items[static_cast<size_t>(item)].state;
  const LPARAM param = lv->items[static_cast<size_t>(item)].param;
  const bool fullRow = lv->exStyle & LVS_EX_FULLROWSELECT;
  // Asked of the window system: a subclass may keep WM_SETFOCUS from the list.
  const bool focusedList = GetFocus() == p.hwnd;
  const bool showSelection = focusedList || (GetWindowLongW(p.hwnd, GWL_STYLE) & LVS_SHOWSELALWAYS);
  const COLORREF bk = Resolve(lv->bkColour, COLOR_WINDOW);
  RECT row = RowRect(p.hwnd, *lv, item);

  NMLVCUSTOMDRAW cd{};
  cd.nmcd.hdc = p.dc;
  cd.nmcd.rc = row;
  cd.nmcd.dwItemSpec = static_cast<DWORD_PTR>(item);
  cd.nmcd.uItemState = ((state & LVIS_SELECTED) ? CDIS_SELECTED : 0) |
                       ((state & LVIS_FOCUSED) && focusedList ? CDIS_FOCUS : 0);
  cd.nmcd.lItemlParam = param;
  cd.clrText = Resolve(lv->textColour, COLOR_WINDOWTEXT);
  cd.clrTextBk = lv->textBkColour == CLR_DEFAULT ? bk : lv->textBkColour;

  SelectObject(p.dc, p.listFont);
  LRESULT itemAnswer = CDRF_DODEFAULT;
  if (prepaint & CDRF_NOTIFYITEMDRAW) {
    itemAnswer = p.Stage(cd, CDDS_ITEMPREPAINT);
    if (!p.alive || (itemAnswer & CDRF_SKIPDEFAULT)) return;
  }
  HFONT itemFont = (itemAnswer & CDRF_NEWFONT) ? static_cast<HFONT>(GetCurrentObject(p.dc, OBJ_FONT)) : p.listFont;
  const COLORREF itemText = cd.clrText, itemBk = cd.clrTextBk;
  const UINT itemState = cd.nmcd.uItemState;

  if (!(lv = ListViewOf(p.hwnd))) return;
  size_t columns = lv->columns.size();
  int x = 0;
  for (size_t c = 0; c < columns; ++c) {
    if (!(lv = ListViewOf(p.hwnd)) || c >= lv->columns.size()) return;
    const int width = lv->columns[c].width, format = lv->columns[c].format;
    RECT cell{x, row.top, x + width, row.bottom};
    x += width;
    if (width <= 0) continue;
    cd.nmcd.rc = cell;
    cd.nmcd.uItemState = itemState;
    cd.clrText = itemText;
    cd.clrTextBk = itemBk;
    cd.iSubItem = static_cast<int>(c);
    SelectObject(p.dc, itemFont);
    LRESULT cellAnswer = CDRF_DODEFAULT;
    if (itemAnswer & CDRF_NOTIFYSUBITEMDRAW) {
      cellAnswer = p.Stage(cd, CDDS_ITEMPREPAINT | CDDS_SUBITEM);
      if (!p.alive) return;
      if (cellAnswer & CDRF_SKIPDEFAULT) continue;
    }
    if (!(cellAnswer & CDRF_NEWFONT)) SelectObject(p.dc, itemFont);
    // The highlight wins over the parent's colours unless it cleared the selected state.
    bool highlighted = (cd.nmcd.uItemState & CDIS_SELECTED) && showSelection && (fullRow || c == 0);
    COLORREF text = cd.clrText, back = cd.clrTextBk;
    if (highlighted) {
      back = focusedList ? GetSysColor(COLOR_HIGHLIGHT) : kPaleGrey;
      text = focusedList ? GetSysColor(COLOR_HIGHLIGHTTEXT) : GetSysColor(COLOR_WINDOWTEXT);
    }
    if (back != CLR_NONE && back != bk) FillSolid(p.dc, cell, back);
    std::u16string content = CellText(p.hwnd, item, static_cast<int>(c));
    if (!ListViewOf(p.hwnd)) return;
    DrawCell(p.dc, cell, content, format, text);
    if (cellAnswer & CDRF_NOTIFYPOSTPAINT) {
      p.Stage(cd, CDDS_ITEMPOSTPAINT | CDDS_SUBITEM);
      if (!p.alive) return;
    }
  }
  // A full-row highlight reaches the right edge, past the last column.
  if (fullRow && (itemState & CDIS_SELECTED) && showSelection && x < row.right) {
    if (!(lv = ListViewOf(p.hwnd))) return;
    FillSolid(p.dc, RECT{x, row.top, row.right, row.bottom}, focusedList ? GetSysColor(COLOR_HIGHLIGHT) : kPaleGrey);
  }
  if (itemAnswer & CDRF_NOTIFYPOSTPAINT) {
    cd.nmcd.rc = row;
    cd.iSubItem = 0;
    p.Stage(cd, CDDS_ITEMPOSTPAINT);
  }
}

}  // namespace

void PaintListView(HWND hwnd, ListView& lvStart) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  if (!dc) return;
  RECT client{};
  GetClientRect(hwnd, &client);
  int saved = SaveDC(dc);
  FillSolid(dc, client, Resolve(lvStart.bkColour, COLOR_WINDOW));
  SetBkMode(dc, TRANSPARENT);
  Painter p{hwnd, dc, FontOrDefault(lvStart.font)};
  SelectObject(dc, p.listFont);

  NMLVCUSTOMDRAW cd{};
  cd.nmcd.hdc = dc;
  cd.nmcd.rc = client;
  LRESULT prepaint = p.Stage(cd, CDDS_PREPAINT);
  ListView* lv = ListViewOf(hwnd);
  if (p.alive && lv && !(prepaint & CDRF_SKIPDEFAULT)) {
    int header = HeaderHeight(hwnd, *lv);
    if (header) {
      SelectObject(dc, p.listFont);
      DrawHeader(hwnd, dc, *lv, header);
    }
    IntersectClipRect(dc, 0, header, client.right, client.bottom);
    // Only the rows the update region touches are drawn (and their texts asked for).
    int first = lv->top + std::max(0, static_cast<int>(ps.rcPaint.top) - header) / std::max(1, lv->rowHeight);
    int last = lv->top + std::max(0, static_cast<int>(ps.rcPaint.bottom) - header - 1) / std::max(1, lv->rowHeight);
    for (int item = first; item <= last; ++item) {
      if (!(lv = ListViewOf(hwnd)) || item >= ItemCount(*lv)) break;
      PaintRow(p, item, prepaint);
      if (!p.alive) break;
    }
    if (p.alive && (prepaint & CDRF_NOTIFYPOSTPAINT)) {
      cd.nmcd.rc = client;
      p.Stage(cd, CDDS_POSTPAINT);
    }
  }
  RestoreDC(dc, saved);
  EndPaint(hwnd, &ps);
}

}  // namespace platform::controls
