#include "widgets/list_view.h"

#include "device/shell/drawing.h"
#include "platform/commctrl.h"

static const WCHAR kClassName[] = u"LVCW2";

// Class-wide fonts, made once at registration.
static HFONT g_gbFont;          // headwords, Simplified
static HFONT g_big5Font;        // headwords, Traditional
static HFONT g_gbDefinitionFont;    // the right column; Chinese inside it in the Song face
static HFONT g_big5DefinitionFont;  // the same with the Ming face

static HFONT BoldFont(int height, BYTE charset, const WCHAR* face) {
  LOGFONTW lf{};
  lf.lfHeight = height;
  lf.lfWeight = FW_BOLD;
  lf.lfCharSet = charset;
  lf.lfQuality = ANTIALIASED_QUALITY;
  lstrcpynW(lf.lfFaceName, face, LF_FACESIZE);
  return CreateFontIndirectW(&lf);
}

static ListViewControl* ControlOf(HWND window) {
  return reinterpret_cast<ListViewControl*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

static void PaintFrame(HWND window, ListViewControl* c) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(window, &ps);
  int w = c->width, h = c->height;
  // Hatched corners outside the rounded frame merge it with the window behind.
  FillHatched(dc, 0, 0, 20, 20, 1);
  FillHatched(dc, w - 20, 0, 20, 20, 1);
  FillHatched(dc, w - 20, h - 15, 20, 20, 1);
  FillHatched(dc, 0, h - 15, 20, 20, 1);
  HPEN pen = CreatePen(PS_SOLID, 1, RGB(192, 192, 192));
  SelectObject(dc, GetStockObject(WHITE_BRUSH));
  SelectObject(dc, pen);
  RoundRect(dc, 0, 0, w, h, 20, 20);
  SelectObject(dc, GetStockObject(WHITE_PEN));
  DeleteObject(pen);
  EndPaint(window, &ps);
}

static LRESULT CALLBACK FrameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  ListViewControl* c = ControlOf(window);
  if (!c) return DefWindowProcW(window, message, wParam, lParam);
  switch (message) {
    case WM_PAINT:
      PaintFrame(window, c);
      return 0;
    case WM_NOTIFY: {
      NMHDR* header = reinterpret_cast<NMHDR*>(lParam);
      if (header && header->hwndFrom == c->innerList) return c->OnNotify(header);
      break;
    }
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

static LRESULT CALLBACK KeyboardFilter(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  ListViewControl* c = ControlOf(window);
  if (!c) return DefWindowProcW(window, message, wParam, lParam);
  return c->FilterMessage(window, message, wParam, lParam);
}

void RegisterListViewClass() {
  WNDCLASSW wc{};
  wc.lpfnWndProc = FrameProc;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = kClassName;
  RegisterClassW(&wc);
  if (!g_gbFont) g_gbFont = BoldFont(-12, GB2312_CHARSET, u"MS Song");
  if (!g_big5Font) g_big5Font = BoldFont(-11, CHINESEBIG5_CHARSET, u"MingLiU");
  if (!g_gbDefinitionFont) g_gbDefinitionFont = BoldFont(-11, GB2312_CHARSET, u"Arial");
  if (!g_big5DefinitionFont) g_big5DefinitionFont = BoldFont(-11, CHINESEBIG5_CHARSET, u"Arial");
}

ListViewControl::ListViewControl(HWND owner, int x_, int y_, int width_, int height_, ListViewCallback callback_)
    : frameWindow(nullptr), x(x_), y(y_), width(width_), height(height_), texts(new TextList), rowTags(new ValueList),
      palette(new ValueList), callback(callback_), innerList(nullptr), listFont(nullptr), previousListProc(nullptr),
      redraw(1), gbMode(1) {
  palette->Append(RGB(0, 0, 128));
  frameWindow = CreateWindowExW(0, kClassName, u"", WS_CHILD | WS_CLIPSIBLINGS, x, y, width, height, owner, nullptr,
                                nullptr, nullptr);
  SetWindowLongPtrW(frameWindow, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  listFont = BoldFont(-12, GB2312_CHARSET, u"MS Song");
  innerList = CreateWindowExW(0, WC_LISTVIEWW, u"",
                              WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_SHOWSELALWAYS | LVS_NOCOLUMNHEADER |
                                  LVS_NOSORTHEADER,
                              5, 6, width - 12, height - 12, frameWindow, nullptr, nullptr, nullptr);
  SetWindowLongPtrW(innerList, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  SendMessageW(innerList, WM_SETREDRAW, FALSE, 0);
  SendMessageW(innerList, WM_SETFONT, reinterpret_cast<WPARAM>(listFont), 0);
  SendMessageW(innerList, LVM_SETTEXTBKCOLOR, 0, RGB(255, 255, 255));
  SendMessageW(innerList, LVM_SETBKCOLOR, 0, RGB(255, 255, 255));
  // One call: each call with a zero mask replaces every extended style.
  SendMessageW(innerList, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT | LVS_EX_ONECLICKACTIVATE);

  LVCOLUMNW column{};
  column.mask = LVCF_FMT | LVCF_WIDTH;
  column.fmt = LVCFMT_LEFT;
  column.cx = 80;
  SendMessageW(innerList, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&column));
  column.cx = width - GetSystemMetrics(SM_CXVSCROLL) - 80 - 12;
  SendMessageW(innerList, LVM_INSERTCOLUMNW, 1, reinterpret_cast<LPARAM>(&column));
  ShowWindow(frameWindow, SW_SHOW);
}

ListViewControl::~ListViewControl() {
  if (innerList && previousListProc)
    SetWindowLongPtrW(innerList, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previousListProc));
  SetWindowLongPtrW(innerList, GWLP_USERDATA, 0);
  SetWindowLongPtrW(frameWindow, GWLP_USERDATA, 0);
  DestroyWindow(frameWindow);
  if (listFont) DeleteObject(listFont);
  delete texts;
  delete rowTags;
  delete palette;
}

const WCHAR* ListViewControl::LeftText(int row) {
  if (row < 0 || row >= rowTags->count) return nullptr;
  return texts->At(2 * row);
}

static void RedrawNow(HWND list) {
  InvalidateRect(list, nullptr, TRUE);
  UpdateWindow(list);
}

void ListViewControl::AddRow(const WCHAR* left, const WCHAR* right, int tag) {
  texts->Append(left ? left : u"");
  texts->Append(right ? right : u"");
  rowTags->Append(tag);
  if (redraw) SendMessageW(innerList, WM_SETREDRAW, FALSE, 0);
  LVITEMW item{};
  item.mask = LVIF_TEXT | LVIF_STATE | LVIF_PARAM;
  item.iItem = ListView_GetItemCount(innerList);
  item.pszText = LPSTR_TEXTCALLBACKW;
  SendMessageW(innerList, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
  if (redraw) {
    SendMessageW(innerList, WM_SETREDRAW, TRUE, 0);
    RedrawNow(innerList);
  }
}

void ListViewControl::Clear() {
  SendMessageW(innerList, LVM_DELETEALLITEMS, 0, 0);
  while (texts->count > 0) texts->RemoveAt(0);
  while (rowTags->count > 0) rowTags->Remove(rowTags->first->value);
}

void ListViewControl::SetRedraw(int flag) {
  redraw = flag;
  SendMessageW(innerList, WM_SETREDRAW, flag ? TRUE : FALSE, 0);
  if (flag) RedrawNow(innerList);
}

int ListViewControl::AddColour(COLORREF colour) { return palette->Append(static_cast<LONG>(colour)); }

void ListViewControl::SetGbMode(int flag) { gbMode = flag; }

void ListViewControl::EnableKeyboardFilter() {
  if (previousListProc) return;  // filtering twice would call itself
  previousListProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(innerList, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(KeyboardFilter)));
}

LRESULT ListViewControl::OnNotify(NMHDR* header) {
  if (header->code == LVN_GETDISPINFOW) {
    LVITEMW& item = reinterpret_cast<NMLVDISPINFOW*>(header)->item;
    if ((item.mask & LVIF_TEXT) && item.pszText && item.cchTextMax > 0) {
      const WCHAR* text = nullptr;
      if (item.iItem >= 0 && item.iItem < rowTags->count && (item.iSubItem == 0 || item.iSubItem == 1))
        text = texts->At(2 * item.iItem + item.iSubItem);
      lstrcpynW(item.pszText, text ? text : u"", item.cchTextMax);
    }
    return 0;
  }
  if (header->code == NM_CUSTOMDRAW) {
    NMLVCUSTOMDRAW* draw = reinterpret_cast<NMLVCUSTOMDRAW*>(header);
    DWORD stage = draw->nmcd.dwDrawStage;
    if (stage == CDDS_PREPAINT || stage == CDDS_ITEMPREPAINT) return CDRF_NOTIFYSUBITEMDRAW;
    if (stage == (CDDS_ITEMPREPAINT | CDDS_SUBITEM)) {
      int row = static_cast<int>(draw->nmcd.dwItemSpec);
      int tag = row >= 0 && row < rowTags->count ? rowTags->At(row) : 0;
      // A tag without its colour falls back to the first one.
      COLORREF colour = static_cast<COLORREF>(palette->At(tag >= 0 && tag < palette->count ? tag : 0));
      int right = draw->iSubItem == 1;
      if (right && tag == 0) colour = RGB(128, 128, 128);
      draw->clrText = colour;
      HFONT definitionFont = gbMode ? g_gbDefinitionFont : g_big5DefinitionFont;
      SelectObject(draw->nmcd.hdc, right ? definitionFont : gbMode ? g_gbFont : g_big5Font);
      return CDRF_NEWFONT;
    }
    return 0;
  }
  if (header->code == NM_CLICK) {
    int row = reinterpret_cast<NMITEMACTIVATE*>(header)->iItem;
    const WCHAR* text = LeftText(row);
    if (callback) {
      if (row < 0 || !text) callback(-1, nullptr);
      else callback(row, text);
    }
    return 0;
  }
  return DefWindowProcW(frameWindow, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(header));
}

// Set while an empty list hands the focus it was given straight back: not a loss to report.
static int g_givingFocusAway;

static int FirstSelected(HWND list) { return ListView_GetNextItem(list, -1, LVNI_SELECTED); }

static void SelectAndFocus(HWND list, int row) {
  ListView_SetItemState(list, row, LVIS_SELECTED, LVIS_SELECTED);
  ListView_SetItemState(list, row, LVIS_FOCUSED, LVIS_FOCUSED);
}

// The keys with which the list moves its selection; each shows the new row's entry.
static bool MovesSelection(WPARAM key) {
  return key == VK_UP || key == VK_DOWN || key == VK_PRIOR || key == VK_NEXT || key == VK_HOME || key == VK_END;
}

LRESULT ListViewControl::FilterMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SETFOCUS: {
      if (ListView_GetItemCount(window) == 0) {
        g_givingFocusAway = 1;
        SetFocus(nullptr);
        g_givingFocusAway = 0;
        return 0;
      }
      int row = FirstSelected(window);
      if (row >= 0) {
        SelectAndFocus(window, row);
        return 0;
      }
      SelectAndFocus(window, 0);
      break;
    }
    case WM_KILLFOCUS:
      if (callback && !g_givingFocusAway) callback(-2, nullptr);
      break;
    case WM_KEYUP:
      if (MovesSelection(wParam) && ListView_GetItemCount(window) > 0) {
        int row = FirstSelected(window);
        if (row >= 0) {
          SelectAndFocus(window, row);
          if (callback) callback(row, LeftText(row));
        }
      }
      break;
  }
  return CallWindowProcW(previousListProc, window, message, wParam, lParam);
}
