// Inside the report-style list view ("SysListView32"): its rows, columns, selection, scrolling
// and painting, shared by list_view*.cpp.
#pragma once

#include <string>
#include <vector>

#include "platform/commctrl.h"

namespace platform::controls {

struct ListView {
  struct Column {
    int width = 0;
    int format = LVCFMT_LEFT;
    std::u16string text;
  };
  struct Cell {
    std::u16string text;
    bool callback = true;  // a sub-item never set is asked of the parent
  };
  struct Item {
    Cell label{std::u16string(), false};
    std::vector<Cell> subItems;  // sub-item i at i - 1
    UINT state = 0;
    LPARAM param = 0;
  };
  std::vector<Column> columns;
  std::vector<Item> items;
  DWORD exStyle = 0;
  COLORREF textColour = CLR_DEFAULT;
  COLORREF textBkColour = CLR_DEFAULT;
  COLORREF bkColour = CLR_DEFAULT;
  HFONT font = nullptr;
  int rowHeight = 0;
  int top = 0;
  int focusItem = -1;
  bool redraw = true;
  bool wantsBar = true;
  // Stylus: a press becomes a tap, or a drag that pans the rows.
  bool pressing = false;
  bool panning = false;
  POINT pressPoint{};
  int pressTop = 0;
};

ListView* ListViewOf(HWND hwnd);
inline int ItemCount(const ListView& lv) { return static_cast<int>(lv.items.size()); }

// Geometry (client coordinates).
int HeaderHeight(HWND hwnd, const ListView& lv);
int PageRows(HWND hwnd, const ListView& lv);  // rows that fit whole, at least one
int MaxTop(HWND hwnd, const ListView& lv);
RECT RowRect(HWND hwnd, const ListView& lv, int item);
int ColumnsWidth(const ListView& lv);
struct HitResult {
  int item = -1;
  int subItem = 0;
  UINT flags = LVHT_NOWHERE;
};
HitResult HitTest(HWND hwnd, const ListView& lv, POINT p);

// Scroll bar and repainting; while redraw is off nothing is painted or measured again.
void UpdateScrollBar(HWND hwnd, ListView& lv);
void InvalidateItems(HWND hwnd, ListView& lv, int first, int last);  // inclusive; -1 last: to the end
void InvalidateAll(HWND hwnd, ListView& lv);
void SetTop(HWND hwnd, ListView& lv, int top);
void EnsureVisible(HWND hwnd, ListView& lv, int item, bool partialOk);

// Item state with LVN_ITEMCHANGED for every change; the parent's answers may change the
// list, so each returns whether the window still exists.
bool SetItemState(HWND hwnd, int item, UINT state, UINT mask);
// Selects and focuses one item alone (or nothing with -1).
bool SelectOnly(HWND hwnd, int item);

// A cell's text, asked of the parent through LVN_GETDISPINFOW when it is a callback.
std::u16string CellText(HWND hwnd, int item, int subItem);

void PaintListView(HWND hwnd, ListView& lv);

}  // namespace platform::controls
