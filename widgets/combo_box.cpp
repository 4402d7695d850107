#include "widgets/combo_box.h"

#include "platform/aygshell.h"
#include "platform/commctrl.h"
#include "widgets/skin_image.h"

static const WCHAR kComboClass[] = u"ComboBox";
static const WCHAR kDropDownClass[] = u"ComboBoxDropDownClass";

static SkinImage g_arrows;  // 7200: idle, released, pressed, 16 x 15 each

static ComboBoxControl* ComboOf(HWND window) {
  return reinterpret_cast<ComboBoxControl*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

static HFONT ChineseFont(int size, int gb) {
  LOGFONTW lf{};
  lf.lfHeight = -size;
  lf.lfWeight = FW_BOLD;
  lf.lfCharSet = gb ? GB2312_CHARSET : CHINESEBIG5_CHARSET;
  lf.lfQuality = ANTIALIASED_QUALITY;
  lstrcpynW(lf.lfFaceName, gb ? u"MS Song" : u"MingLiu", LF_FACESIZE);
  return CreateFontIndirectW(&lf);
}

static void DrawArrow(HDC dc, int state, int x, int y) {
  if (g_arrows.dc) {
    BitBlt(dc, x, y, 16, 15, g_arrows.dc, state * 16, 0, SRCCOPY);
    return;
  }
  // Plain: a small triangle pointing down.
  HPEN pen = CreatePen(PS_SOLID, 1, state ? RGB(0, 0, 192) : RGB(128, 128, 128));
  HGDIOBJ old = SelectObject(dc, pen);
  for (int row = 0; row < 4; ++row) {
    MoveToEx(dc, x + 4 + row, y + 6 + row, nullptr);
    LineTo(dc, x + 12 - row, y + 6 + row);
  }
  SelectObject(dc, old);
  DeleteObject(pen);
}

static LRESULT CALLBACK ComboProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  ComboBoxControl* c = ComboOf(window);
  if (!c) return DefWindowProcW(window, message, wParam, lParam);
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(window, &ps);
      HPEN pen = CreatePen(PS_SOLID, 1, c->arrowState == 0 ? RGB(192, 192, 192) : RGB(0, 0, 192));
      SelectObject(dc, pen);
      Rectangle(dc, 0, 0, c->width, c->height);
      SelectObject(dc, GetStockObject(BLACK_PEN));
      DeleteObject(pen);
      DrawArrow(dc, c->arrowState >= 0 && c->arrowState <= 2 ? c->arrowState : 0, c->width - 17, 5);
      EndPaint(window, &ps);
      return 0;
    }
    case WM_CTLCOLOREDIT:
      SetTextColor(reinterpret_cast<HDC>(wParam), c->textColour);
      return reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH));
    case WM_COMMAND:
      if (reinterpret_cast<HWND>(lParam) == c->editWindow && HIWORD(wParam) == EN_UPDATE) {
        c->textLength = GetWindowTextLengthW(c->editWindow);
        if (c->change) c->change(&c->textLength);
      }
      return 0;
    case WM_MOUSEMOVE:
      return 0;
    case WM_LBUTTONDOWN:
      if (c->arrowState != 2) {
        c->arrowState = 2;
        c->RepaintCombo();
      }
      c->pressOpened = 0;
      if (!c->dropDown) {
        c->OpenDropDown();
        c->pressOpened = c->dropDown != nullptr;
      }
      return 0;
    case WM_LBUTTONUP:
      if (c->arrowState == 2) {
        c->arrowState = 1;
        c->RepaintCombo();
        // The tap that opened the list leaves it open for a choice; the next one closes it.
        if (c->dropDown && !c->pressOpened) c->CloseDropDown();
      }
      c->pressOpened = 0;
      return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

static LRESULT CALLBACK DropDownProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  ComboBoxControl* c = ComboOf(window);
  if (!c) return DefWindowProcW(window, message, wParam, lParam);
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(window, &ps);
      HBRUSH brush = CreateSolidBrush(RGB(0, 0, 192));
      FillRect(dc, &ps.rcPaint, brush);  // the list covers all but a 1-pixel border
      DeleteObject(brush);
      EndPaint(window, &ps);
      return 0;
    }
    case WM_CTLCOLORLISTBOX:
      SetTextColor(reinterpret_cast<HDC>(wParam), RGB(0, 0, 192));
      return reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH));
    case WM_COMMAND:
      if (reinterpret_cast<HWND>(lParam) == c->dropDownList && HIWORD(wParam) == LBN_SELCHANGE) {
        int index = static_cast<int>(SendMessageW(c->dropDownList, LB_GETCURSEL, 0, 0));
        c->Choose(index);
      }
      return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

static void PasteMenu(ComboBoxControl* c, HWND edit, POINT tap) {
  HMENU menu = CreatePopupMenu();
  if (!OpenClipboard(edit)) {
    DestroyMenu(menu);
    return;
  }
  int haveText = IsClipboardFormatAvailable(CF_UNICODETEXT);
  AppendMenuW(menu, MF_STRING | (haveText ? MF_ENABLED : MF_GRAYED), haveText ? 1 : 0, u"Paste");
  // The menu opens where the stylus is held.
  POINT at = tap;
  ClientToScreen(edit, &at);
  int chosen = TrackPopupMenu(menu, TPM_RETURNCMD, at.x, at.y, 0, edit, nullptr);
  HANDLE data = chosen == 1 ? GetClipboardData(CF_UNICODETEXT) : nullptr;
  const WCHAR* text = data ? static_cast<const WCHAR*>(GlobalLock(data)) : nullptr;
  if (text) {
    SendMessageW(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text));
    GlobalUnlock(data);
    int end = GetWindowTextLengthW(edit);
    SendMessageW(edit, EM_SETSEL, end, end);
  } else {
    SendMessageW(edit, EM_SETSEL, 0, -1);
  }
  CloseClipboard();
  DestroyMenu(menu);
  (void)c;
}

static LRESULT CALLBACK EditFilter(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  ComboBoxControl* c = ComboOf(window);
  if (!c) return DefWindowProcW(window, message, wParam, lParam);
  if (message == WM_LBUTTONDOWN) {
    SHRGINFO info{};
    info.cbSize = sizeof(info);
    info.hwndClient = window;
    info.ptDown = POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    info.dwFlags = SHRG_RETURNCMD | SHRG_NOANIMATION;
    if (SHRecognizeGesture(&info) == GN_CONTEXTMENU) {
      // The stylus was lifted inside the menu: the field must not start a selection that
      // no release would end.
      PasteMenu(c, window, info.ptDown);
      return 0;
    }
    if (c->dropDown) c->CloseDropDown();
  }
  if (message == WM_KEYDOWN && wParam == VK_RETURN) {
    // Enter searches, as the Search button does. Not again from inside a search it started,
    // whose progress lets this key through.
    static int searching;
    if (c->search && c->textLength > 0 && !searching) {
      searching = 1;
      c->search();
      searching = 0;
    }
    return 0;
  }
  if (message == WM_CHAR && wParam == u'\r') return 0;
  return CallWindowProcW(c->previousEditProc, window, message, wParam, lParam);
}

void RegisterComboBoxClasses(HMODULE imageLibrary) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = ComboProc;
  wc.cbClsExtra = 4;
  wc.cbWndExtra = 4;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = kComboClass;
  RegisterClassW(&wc);
  wc.lpfnWndProc = DropDownProc;
  wc.lpszClassName = kDropDownClass;
  RegisterClassW(&wc);
  LoadSkinImage(&g_arrows, imageLibrary, 7200, 48, 15);
}

ComboBoxControl::ComboBoxControl(HWND owner, int x_, int y_, int width_, int height_, int fontSize_,
                                 DWORD extraEditStyles, ComboChangeCallback change_)
    : ownerWindow(owner), x(x_), y(y_), width(width_), height(height_ ? height_ : fontSize_ + 8), textFont(nullptr),
      textColour(RGB(0, 0, 255)), fontSize(fontSize_), change(change_), search(nullptr), previousEditProc(nullptr),
      maxTextLength(-1), arrowState(0), dropDown(nullptr), dropDownWidth(0), dropDownHeight(0),
      dropDownList(nullptr), dropDownFont(nullptr), history(new TextList), comboWindow(nullptr), editWindow(nullptr),
      textLength(0), pressOpened(0) {
  HMENU id = reinterpret_cast<HMENU>(this);
  comboWindow = CreateWindowExW(0, kComboClass, u"", WS_CHILD | WS_VISIBLE, x, y, width, height, owner, id, nullptr,
                                nullptr);
  SetWindowLongPtrW(comboWindow, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  editWindow = CreateWindowExW(0, WC_EDITW, u"", WS_CHILD | WS_VISIBLE | extraEditStyles, 1, 2, width - 19,
                               height - 4, comboWindow, id, nullptr, nullptr);
  SetWindowLongPtrW(editWindow, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  previousEditProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(editWindow, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(EditFilter)));
  textFont = ChineseFont(fontSize, 1);
  SendMessageW(editWindow, WM_SETFONT, reinterpret_cast<WPARAM>(textFont), TRUE);
  SendMessageW(editWindow, EM_SETMARGINS, EC_LEFTMARGIN, MAKELPARAM(3, 0));
}

ComboBoxControl::~ComboBoxControl() {
  CloseDropDown();
  if (editWindow && previousEditProc)
    SetWindowLongPtrW(editWindow, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previousEditProc));
  SetWindowLongPtrW(comboWindow, GWLP_USERDATA, 0);
  DestroyWindow(comboWindow);
  if (textFont) DeleteObject(textFont);
  delete history;
}

void ComboBoxControl::SetMaxLength(int n) { maxTextLength = n; }

void ComboBoxControl::SetSearchCallback(ComboSearchCallback search_) { search = search_; }

void ComboBoxControl::SetCharset(int gb) {
  HFONT font = ChineseFont(fontSize, gb == 1);
  SendMessageW(editWindow, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  if (textFont) DeleteObject(textFont);
  textFont = font;
}

void ComboBoxControl::Focus() { SetFocus(editWindow); }

void ComboBoxControl::SetText(const WCHAR* text) {
  if (text) {
    textLength = lstrlenW(text);
    SetWindowTextW(editWindow, text);
    SendMessageW(editWindow, EM_SETSEL, textLength, textLength);
  } else {
    textLength = 0;
    SetWindowTextW(editWindow, u"");
  }
}

void ComboBoxControl::GetText(WCHAR* buffer) {
  if (!buffer) return;
  if (textLength == 0) {
    buffer[0] = 0;
    return;
  }
  int got = GetWindowTextW(editWindow, buffer, maxTextLength == -1 ? 256 : maxTextLength);
  // A cut that falls inside a surrogate pair leaves the pair out rather than half of it.
  if (got > 0 && buffer[got - 1] >= 0xD800 && buffer[got - 1] <= 0xDBFF) buffer[got - 1] = 0;
}

int ComboBoxControl::GetTextLength() { return textLength; }

void ComboBoxControl::AddToHistory() {
  WCHAR text[260];
  // GetText reads up to the maximum length, which a caller may have set beyond this buffer.
  int saved = maxTextLength;
  if (maxTextLength == -1 || maxTextLength > 260) maxTextLength = 260;
  GetText(text);
  maxTextLength = saved;
  if (history->count > 0 && lstrcmpW(history->At(0), text) == 0) return;
  history->Prepend(text);
}

void ComboBoxControl::RepaintCombo() { InvalidateRect(comboWindow, nullptr, FALSE); }

void ComboBoxControl::OpenDropDown() {
  dropDownWidth = width;
  dropDownFont = CreateFontW(-15, 0, 0, 0, FW_BOLD, 0, 0, 0, 128, 0, 0, DEFAULT_QUALITY, 0, u"Arial");
  HDC dc = GetDC(comboWindow);
  HGDIOBJ old = SelectObject(dc, dropDownFont);
  SIZE size{};
  GetTextExtentPoint32W(dc, u"Tej", 3, &size);
  SelectObject(dc, old);
  ReleaseDC(comboWindow, dc);
  int lineHeight = size.cy;
  int n = history->count;
  dropDownHeight = n == 0 ? 3 * lineHeight : n < 6 ? n * lineHeight + 2 : 6 * lineHeight + 2;

  RECT combo;
  GetWindowRect(comboWindow, &combo);
  RECT work{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  int top = combo.top + height - 1;  // overlaps the combo's bottom border
  if (top + dropDownHeight > work.bottom) top = combo.top - dropDownHeight + 1;

  dropDown = CreateWindowExW(0, kDropDownClass, u"", WS_POPUP, combo.left, top, dropDownWidth, dropDownHeight,
                             GetAncestor(comboWindow, GA_ROOT), nullptr, nullptr, nullptr);
  if (!dropDown) {
    DeleteObject(dropDownFont);
    dropDownFont = nullptr;
    return;
  }
  SetWindowLongPtrW(dropDown, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  dropDownList = CreateWindowExW(0, WC_LISTBOXW, u"", WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_NOTIFY, 1, 1,
                                 dropDownWidth - 2, dropDownHeight - 2, dropDown,
                                 reinterpret_cast<HMENU>(static_cast<UINT_PTR>(LOWORD(dropDown))), nullptr, nullptr);
  SendMessageW(dropDownList, WM_SETFONT, reinterpret_cast<WPARAM>(dropDownFont), FALSE);
  SendMessageW(dropDownList, WM_SETREDRAW, FALSE, 0);
  for (TextNode* node = history->first; node && history->count > 0; node = node->next)
    SendMessageW(dropDownList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(node->text));
  SendMessageW(dropDownList, WM_SETREDRAW, TRUE, 0);
  // A drop-down never takes the activation from the program's window.
  SetWindowPos(dropDown, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
  UpdateWindow(dropDown);
  UpdateWindow(dropDownList);
}

void ComboBoxControl::CloseDropDown() {
  if (dropDown) {
    HWND w = dropDown;
    dropDown = nullptr;
    dropDownList = nullptr;
    DestroyWindow(w);
  }
  if (arrowState != 0) {
    arrowState = 0;
    RepaintCombo();
  }
  if (dropDownFont) DeleteObject(dropDownFont);
  dropDownFont = nullptr;
}

void ComboBoxControl::TappedAt(POINT screenPoint) {
  if (!dropDown) return;
  RECT combo, list;
  GetWindowRect(comboWindow, &combo);
  GetWindowRect(dropDown, &list);
  if (!PtInRect(&combo, screenPoint) && !PtInRect(&list, screenPoint)) CloseDropDown();
}

void ComboBoxControl::Choose(int index) {
  WCHAR* entry = history->At(index);
  if (!entry) return;
  WCHAR text[TEXT_LIST_UNITS];
  lstrcpynW(text, entry, TEXT_LIST_UNITS);
  SetText(text);
  history->RemoveAt(index);
  history->Prepend(text);
  RepaintCombo();
  CloseDropDown();
}
