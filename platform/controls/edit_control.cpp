// The single-line "edit" control: typing (including text from the desktop's input method),
// caret and selection by stylus and keys, horizontal scrolling, one level of undo, the
// clipboard, and EN_UPDATE / EN_CHANGE to the parent on every change.
#include <algorithm>
#include <climits>
#include <cstring>
#include <optional>
#include <vector>

#include "controls/control_classes.h"
#include "controls/control_common.h"
#include "controls/edit_model.h"
#include "controls/gesture_state.h"
#include "user/system_classes.h"

namespace platform::controls {

namespace {

constexpr UINT_PTR kCaretTimer = 0xED17;
constexpr UINT kBlinkMs = 500;
constexpr int kDefaultMargin = 2;
constexpr int kDefaultLimit = 32767;

struct Edit {
  EditModel model;
  HFONT font = nullptr;
  int leftMargin = kDefaultMargin;
  int rightMargin = kDefaultMargin;
  int limit = kDefaultLimit;
  int scrollX = 0;
  bool focused = false;
  bool caretOn = false;
  bool tracking = false;
  bool modified = false;
  char16_t pendingHigh = 0;  // the first half of a surrogate pair typed one unit at a time
  std::vector<int> extents{0};  // x after each unit; extents[0] = 0
  int lineHeight = 0;
};

Edit* Of(HWND hwnd) { return StateOf<Edit>(hwnd); }

DWORD StyleOf(HWND hwnd) { return static_cast<DWORD>(GetWindowLongW(hwnd, GWL_STYLE)); }

RECT Client(HWND hwnd) {
  RECT r{};
  GetClientRect(hwnd, &r);
  return r;
}

int FormatLeft(const Edit& e) { return e.leftMargin; }
int FormatRight(HWND hwnd, const Edit& e) { return std::max(e.leftMargin, Client(hwnd).right - e.rightMargin); }
int FormatWidth(HWND hwnd, const Edit& e) { return FormatRight(hwnd, e) - FormatLeft(e); }
int TextTop(HWND hwnd, const Edit& e) { return std::max(0, (static_cast<int>(Client(hwnd).bottom) - e.lineHeight) / 2); }

std::vector<int> Measure(HFONT font, const std::u16string& text) {
  std::vector<int> extents(text.size() + 1, 0);
  if (text.empty()) return extents;
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, FontOrDefault(font));
  std::vector<INT> dx(text.size(), 0);
  SIZE size{};
  GetTextExtentExPointW(dc, text.c_str(), static_cast<int>(text.size()), INT_MAX, nullptr, dx.data(), &size);
  SelectObject(dc, old);
  DeleteDC(dc);
  for (size_t i = 0; i < text.size(); ++i) extents[i + 1] = dx[i];
  return extents;
}

void Remeasure(Edit& e) {
  e.extents = Measure(e.font, e.model.text());
  e.lineHeight = FontHeight(e.font);
}

int XOf(const Edit& e, int position) {
  return FormatLeft(e) + e.extents[static_cast<size_t>(std::clamp(position, 0, e.model.length()))] - e.scrollX;
}

int PositionAt(const Edit& e, int x) {
  int t = x - FormatLeft(e) + e.scrollX;
  auto it = std::lower_bound(e.extents.begin(), e.extents.end(), t);
  int i = static_cast<int>(it - e.extents.begin());
  if (i > e.model.length()) return e.model.length();
  if (i > 0 && t - e.extents[static_cast<size_t>(i - 1)] < e.extents[static_cast<size_t>(i)] - t) --i;
  return e.model.Snap(i);
}

void ScrollToCaret(HWND hwnd, Edit& e) {
  if (!(StyleOf(hwnd) & ES_AUTOHSCROLL)) {
    e.scrollX = 0;
    return;
  }
  int width = std::max(1, FormatWidth(hwnd, e));
  int cx = e.extents[static_cast<size_t>(e.model.caret())];
  // Jump a quarter of the box so that typing does not scroll at every character.
  if (cx < e.scrollX) e.scrollX = cx - width / 4;
  else if (cx > e.scrollX + width - 1) e.scrollX = cx - width + 1 + width / 4;
  int textWidth = e.extents.back();
  e.scrollX = std::clamp(e.scrollX, 0, std::max(0, textWidth - width + 1));
}

void RestartCaret(HWND hwnd, Edit& e) {
  if (!e.focused) return;
  e.caretOn = true;
  SetTimer(hwnd, kCaretTimer, kBlinkMs, nullptr);
}

void Refresh(HWND hwnd, Edit& e) {
  ScrollToCaret(hwnd, e);
  RestartCaret(hwnd, e);
  InvalidateRect(hwnd, nullptr, FALSE);
}

// EN_UPDATE, then EN_CHANGE; the parent may do anything meanwhile, so no state is kept.
void AnnounceChange(HWND hwnd) {
  NotifyCommand(hwnd, EN_UPDATE);
  if (IsWindow(hwnd)) NotifyCommand(hwnd, EN_CHANGE);
}

// What can go in place of the selection: the limit, and without ES_AUTOHSCROLL the width.
std::u16string Admissible(HWND hwnd, const Edit& e, std::u16string with) {
  int kept = e.model.length() - (e.model.selEnd() - e.model.selStart());
  int room = std::max(0, e.limit - kept);
  if (static_cast<int>(with.size()) > room) with.resize(static_cast<size_t>(room));
  if (!(StyleOf(hwnd) & ES_AUTOHSCROLL) && !with.empty()) {
    std::u16string before = e.model.text().substr(0, static_cast<size_t>(e.model.selStart()));
    std::u16string after = e.model.text().substr(static_cast<size_t>(e.model.selEnd()));
    int width = FormatWidth(hwnd, e);
    while (!with.empty() && Measure(e.font, before + with + after).back() > width) with.pop_back();
  }
  // Never leave half a surrogate pair behind a cut.
  if (!with.empty() && with.back() >= 0xD800 && with.back() <= 0xDBFF) with.pop_back();
  return with;
}

// Replaces the selection and tells the parent. Returns false when nothing changed.
bool ReplaceSelection(HWND hwnd, std::u16string with, bool undoable, bool typing) {
  Edit* e = Of(hwnd);
  if (!e) return false;
  std::u16string wanted = with;
  with = Admissible(hwnd, *e, with);
  if (with.empty() && !e->model.hasSelection()) {
    if (!wanted.empty()) NotifyCommand(hwnd, EN_MAXTEXT);
    return false;
  }
  e->model.Replace(with, undoable, typing);
  e->modified = true;
  Remeasure(*e);
  Refresh(hwnd, *e);
  bool cut = with.size() < wanted.size();
  AnnounceChange(hwnd);
  if (cut && IsWindow(hwnd)) NotifyCommand(hwnd, EN_MAXTEXT);
  return true;
}

bool CopySelection(HWND hwnd) {
  Edit* e = Of(hwnd);
  if (!e || !e->model.hasSelection()) return false;
  std::u16string text = e->model.selectedText();
  if (!OpenClipboard(hwnd)) return false;
  EmptyClipboard();
  HGLOBAL data = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(WCHAR));
  bool ok = false;
  if (auto* p = static_cast<WCHAR*>(GlobalLock(data))) {
    std::memcpy(p, text.c_str(), (text.size() + 1) * sizeof(WCHAR));
    GlobalUnlock(data);
    ok = SetClipboardData(CF_UNICODETEXT, data) != nullptr;
  }
  if (!ok && data) GlobalFree(data);
  CloseClipboard();
  return ok;
}

std::optional<std::u16string> ClipboardText(HWND hwnd) {
  if (!OpenClipboard(hwnd)) return std::nullopt;
  std::optional<std::u16string> text;
  if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    if (auto* p = static_cast<const WCHAR*>(GlobalLock(data))) {
      size_t units = GlobalSize(data) / sizeof(WCHAR), n = 0;
      while (n < units && p[n]) ++n;
      text = std::u16string(p, n);
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
  // A single line takes the text up to its first line break.
  if (text) {
    size_t cut = text->find_first_of(u"\r\n");
    if (cut != std::u16string::npos) text->resize(cut);
  }
  return text;
}

void Paste(HWND hwnd) {
  if (auto text = ClipboardText(hwnd)) ReplaceSelection(hwnd, *text, true, false);
}

void Cut(HWND hwnd) {
  Edit* e = Of(hwnd);
  if (e && e->model.hasSelection() && CopySelection(hwnd)) ReplaceSelection(hwnd, u"", true, false);
}

void Undo(HWND hwnd) {
  Edit* e = Of(hwnd);
  if (!e || !e->model.Undo()) return;
  e->modified = true;
  Remeasure(*e);
  Refresh(hwnd, *e);
  AnnounceChange(hwnd);
}

void MoveCaret(HWND hwnd, Edit& e, int position, bool extend) {
  e.model.MoveCaret(position, extend);
  Refresh(hwnd, e);
}

void KeyDown(HWND hwnd, Edit& e, UINT key) {
  bool shift = GetKeyState(VK_SHIFT) & 0x8000;
  bool control = GetKeyState(VK_CONTROL) & 0x8000;
  const EditModel& m = e.model;
  switch (key) {
    case VK_LEFT:
      if (!shift && m.hasSelection() && !control) MoveCaret(hwnd, e, m.selStart(), false);
      else MoveCaret(hwnd, e, control ? m.PreviousWord(m.caret()) : m.PreviousPosition(m.caret()), shift);
      break;
    case VK_RIGHT:
      if (!shift && m.hasSelection() && !control) MoveCaret(hwnd, e, m.selEnd(), false);
      else MoveCaret(hwnd, e, control ? m.NextWord(m.caret()) : m.NextPosition(m.caret()), shift);
      break;
    case VK_HOME: MoveCaret(hwnd, e, 0, shift); break;
    case VK_END: MoveCaret(hwnd, e, m.length(), shift); break;
    case VK_DELETE:
      if (StyleOf(hwnd) & ES_READONLY) break;
      if (shift) {
        Cut(hwnd);
      } else {
        if (!m.hasSelection()) e.model.SetSelection(m.caret(), m.NextPosition(m.caret()));
        ReplaceSelection(hwnd, u"", true, true);
      }
      break;
    case VK_INSERT:
      if (control) CopySelection(hwnd);
      else if (shift && !(StyleOf(hwnd) & ES_READONLY)) Paste(hwnd);
      break;
  }
}

void Char(HWND hwnd, Edit& e, char16_t ch) {
  bool readOnly = StyleOf(hwnd) & ES_READONLY;
  switch (ch) {
    case 1: e.model.SetSelection(0, -1); Refresh(hwnd, e); return;  // Ctrl+A
    case 3: CopySelection(hwnd); return;                            // Ctrl+C
    case 22: if (!readOnly) Paste(hwnd); return;                    // Ctrl+V
    case 24: if (!readOnly) Cut(hwnd); else CopySelection(hwnd); return;  // Ctrl+X
    case 26: if (!readOnly) Undo(hwnd); return;                     // Ctrl+Z
    case 8:                                                         // Backspace
      if (readOnly) return;
      if (!e.model.hasSelection()) {
        if (e.model.caret() == 0) return;
        e.model.SetSelection(e.model.PreviousPosition(e.model.caret()), e.model.caret());
      }
      ReplaceSelection(hwnd, u"", true, true);
      return;
  }
  if (ch < 0x20 || ch == 0x7F || readOnly) return;
  if (ch >= 0xD800 && ch <= 0xDBFF) {
    e.pendingHigh = ch;
    return;
  }
  std::u16string text;
  if (ch >= 0xDC00 && ch <= 0xDFFF) {
    if (!e.pendingHigh) return;
    text = {e.pendingHigh, ch};
  } else {
    text = {ch};
  }
  e.pendingHigh = 0;
  ReplaceSelection(hwnd, text, true, true);
}

void Paint(HWND hwnd, Edit& e) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  if (!dc) return;
  RECT client = Client(hwnd);
  bool enabled = IsWindowEnabled(hwnd);
  UINT colourMessage = enabled && !(StyleOf(hwnd) & ES_READONLY) ? WM_CTLCOLOREDIT : WM_CTLCOLORSTATIC;
  HWND parent = GetParent(hwnd);
  auto brush = reinterpret_cast<HBRUSH>(
      parent ? SendMessageW(parent, colourMessage, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(hwnd))
             : DefWindowProcW(hwnd, colourMessage, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(hwnd)));
  if (!Of(hwnd)) {
    EndPaint(hwnd, &ps);
    return;
  }
  FillRect(dc, &client, brush ? brush : GetSysColorBrush(COLOR_WINDOW));
  COLORREF textColour = enabled ? GetTextColor(dc) : GetSysColor(COLOR_GRAYTEXT);

  int saved = SaveDC(dc);
  IntersectClipRect(dc, FormatLeft(e), 0, FormatRight(hwnd, e), client.bottom);
  SelectObject(dc, FontOrDefault(e.font));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, textColour);
  int top = TextTop(hwnd, e);
  const std::u16string& text = e.model.text();
  int origin = XOf(e, 0);
  TextOutW(dc, origin, top, text.c_str(), static_cast<int>(text.size()));
  bool showSelection = e.focused || (StyleOf(hwnd) & ES_NOHIDESEL);
  if (e.model.hasSelection() && showSelection) {
    int x1 = XOf(e, e.model.selStart()), x2 = XOf(e, e.model.selEnd());
    RECT band{x1, top, x2, top + e.lineHeight};
    FillRect(dc, &band, GetSysColorBrush(COLOR_HIGHLIGHT));
    SetTextColor(dc, GetSysColor(COLOR_HIGHLIGHTTEXT));
    std::u16string part = e.model.selectedText();
    TextOutW(dc, x1, top, part.c_str(), static_cast<int>(part.size()));
  }
  if (e.focused && e.caretOn && enabled) {
    int x = std::clamp(XOf(e, e.model.caret()), FormatLeft(e), FormatRight(hwnd, e) - 1);
    RECT caret{x, top, x + 1, top + e.lineHeight};
    FillSolid(dc, caret, textColour);
  }
  RestoreDC(dc, saved);
  EndPaint(hwnd, &ps);
}

void InvalidateCaret(HWND hwnd, const Edit& e) {
  int x = XOf(e, e.model.caret());
  int top = TextTop(hwnd, e);
  RECT r{x - 1, top, x + 2, top + e.lineHeight};
  InvalidateRect(hwnd, &r, FALSE);
}

LRESULT CALLBACK EditProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* e = new Edit();
    SetState(hwnd, e);
    auto* cs = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    if (cs && cs->lpszName && !IS_INTRESOURCE(cs->lpszName)) e->model.SetText(cs->lpszName);
    Remeasure(*e);
    return DefWindowProcW(hwnd, message, wParam, lParam);
  }
  Edit* e = Of(hwnd);
  if (!e) return DefWindowProcW(hwnd, message, wParam, lParam);
  switch (message) {
    case WM_NCDESTROY:
      KillTimer(hwnd, kCaretTimer);
      SetState<Edit>(hwnd, nullptr);
      delete e;
      return DefWindowProcW(hwnd, message, wParam, lParam);
    case WM_PAINT:
      Paint(hwnd, *e);
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_SIZE:
      ScrollToCaret(hwnd, *e);
      InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    case WM_ENABLE:
      InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    case WM_GETDLGCODE:
      return DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS;

    case WM_SETTEXT: {
      auto* text = reinterpret_cast<LPCWSTR>(lParam);
      e->model.SetText(text ? std::u16string(text) : std::u16string());
      e->modified = false;
      e->pendingHigh = 0;
      e->scrollX = 0;
      Remeasure(*e);
      Refresh(hwnd, *e);
      AnnounceChange(hwnd);
      return TRUE;
    }
    case WM_GETTEXT: {
      auto* buffer = reinterpret_cast<LPWSTR>(lParam);
      int size = static_cast<int>(wParam);
      if (!buffer || size <= 0) return 0;
      int n = std::min(e->model.length(), size - 1);
      std::copy_n(e->model.text().data(), n, buffer);
      buffer[n] = 0;
      return n;
    }
    case WM_GETTEXTLENGTH:
      return e->model.length();
    case WM_SETFONT:
      e->font = reinterpret_cast<HFONT>(wParam);
      Remeasure(*e);
      ScrollToCaret(hwnd, *e);
      if (LOWORD(lParam)) InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(e->font);

    case WM_SETFOCUS:
      e->focused = true;
      RestartCaret(hwnd, *e);
      InvalidateRect(hwnd, nullptr, FALSE);
      NotifyCommand(hwnd, EN_SETFOCUS);
      return 0;
    case WM_KILLFOCUS:
      e->focused = false;
      e->caretOn = false;
      e->tracking = false;
      KillTimer(hwnd, kCaretTimer);
      InvalidateRect(hwnd, nullptr, FALSE);
      NotifyCommand(hwnd, EN_KILLFOCUS);
      return 0;
    case WM_TIMER:
      if (wParam != kCaretTimer) return 0;
      e->caretOn = !e->caretOn;
      InvalidateCaret(hwnd, *e);
      return 0;

    case WM_LBUTTONDOWN: {
      if (GetFocus() != hwnd) SetFocus(hwnd);
      if (!(e = Of(hwnd))) return 0;
      POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      if (TakeHeldPress(hwnd, p)) return 0;
      e->model.MoveCaret(PositionAt(*e, p.x), (wParam & MK_SHIFT) != 0);
      e->tracking = true;
      SetCapture(hwnd);
      Refresh(hwnd, *e);
      return 0;
    }
    case WM_MOUSEMOVE:
      if (e->tracking && (wParam & MK_LBUTTON)) {
        int at = PositionAt(*e, GET_X_LPARAM(lParam));
        if (at != e->model.caret()) MoveCaret(hwnd, *e, at, true);
      }
      return 0;
    case WM_LBUTTONUP:
      if (e->tracking) {
        e->tracking = false;
        if (GetCapture() == hwnd) ReleaseCapture();
      }
      return 0;
    case WM_CAPTURECHANGED:
      e->tracking = false;
      return 0;

    case WM_KEYDOWN:
      KeyDown(hwnd, *e, static_cast<UINT>(wParam));
      return 0;
    case WM_CHAR:
    case WM_IME_CHAR:
      Char(hwnd, *e, static_cast<char16_t>(wParam));
      return 0;

    case WM_COPY:
      CopySelection(hwnd);
      return 0;
    case WM_CUT:
      if (!(StyleOf(hwnd) & ES_READONLY)) Cut(hwnd);
      return 0;
    case WM_PASTE:
      if (!(StyleOf(hwnd) & ES_READONLY)) Paste(hwnd);
      return 0;
    case WM_CLEAR:
      if (!(StyleOf(hwnd) & ES_READONLY) && e->model.hasSelection()) ReplaceSelection(hwnd, u"", true, false);
      return 0;
    case WM_UNDO:
    case EM_UNDO:
      Undo(hwnd);
      return TRUE;
    case EM_CANUNDO:
      return e->model.CanUndo();
    case EM_EMPTYUNDOBUFFER:
      e->model.EmptyUndo();
      return 0;

    case EM_GETSEL: {
      auto start = static_cast<DWORD>(e->model.selStart()), end = static_cast<DWORD>(e->model.selEnd());
      if (wParam) *reinterpret_cast<DWORD*>(wParam) = start;
      if (lParam) *reinterpret_cast<DWORD*>(lParam) = end;
      return start > 0xFFFF || end > 0xFFFF ? -1 : MAKELRESULT(start, end);
    }
    case EM_SETSEL:
      e->model.SetSelection(static_cast<int>(wParam), static_cast<int>(lParam));
      Refresh(hwnd, *e);
      return 0;
    case EM_SCROLLCARET:
      Refresh(hwnd, *e);
      return TRUE;
    case EM_REPLACESEL: {
      auto* text = reinterpret_cast<LPCWSTR>(lParam);
      e->pendingHigh = 0;
      e->model.EndTypingRun();
      ReplaceSelection(hwnd, text ? std::u16string(text) : std::u16string(), wParam != 0, false);
      return 0;
    }
    case EM_LIMITTEXT:
      e->limit = wParam == 0 || wParam > 0x7FFFFFFE ? 0x7FFFFFFE : static_cast<int>(wParam);
      return 0;
    case EM_GETLIMITTEXT:
      return e->limit;
    case EM_GETMODIFY:
      return e->modified;
    case EM_SETMODIFY:
      e->modified = wParam != 0;
      return 0;
    case EM_SETMARGINS:
      if (wParam & EC_LEFTMARGIN) e->leftMargin = LOWORD(lParam) == EC_USEFONTINFO ? kDefaultMargin : LOWORD(lParam);
      if (wParam & EC_RIGHTMARGIN) e->rightMargin = HIWORD(lParam) == EC_USEFONTINFO ? kDefaultMargin : HIWORD(lParam);
      ScrollToCaret(hwnd, *e);
      InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    case EM_GETMARGINS:
      return MAKELRESULT(e->leftMargin, e->rightMargin);
    case EM_POSFROMCHAR: {
      int index = static_cast<int>(wParam);
      if (index < 0 || index > e->model.length()) return -1;
      return MAKELRESULT(XOf(*e, index), TextTop(hwnd, *e));
    }
    case EM_CHARFROMPOS:
      return MAKELRESULT(PositionAt(*e, GET_X_LPARAM(lParam)), 0);
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace

void RegisterEditClass() {
  WNDCLASSW wc{};
  wc.lpfnWndProc = EditProc;
  wc.cbWndExtra = kStateBytes;
  wc.hCursor = LoadCursorW(nullptr, IDC_IBEAM);
  wc.lpszClassName = u"Edit";
  RegisterSystemClass(wc);
}

}  // namespace platform::controls
