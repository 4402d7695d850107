// The layer's own open-file dialog, for desktops without a chooser and for headless runs:
// the folder, a list of its folders, a list of its files of the chosen type, a name field,
// the type selector, OK and Cancel.
#include <algorithm>
#include <filesystem>
#include <system_error>

#include "controls/control_classes.h"
#include "controls/control_common.h"
#include "controls/file_dialog.h"
#include "controls/popup_menu.h"
#include "platform/commdlg.h"
#include "platform/utf.h"
#include "user/system_classes.h"
#include "user/window_system.h"

namespace platform::controls {

namespace {

constexpr int kMargin = 8;
constexpr int kRow = 22;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 24;
constexpr COLORREF kFieldFrame = RGB(160, 160, 160);

enum Part { kNone = -1, kOk = 0, kCancel = 1, kType = 2 };

struct Dialog {
  FileRequest request;
  std::u16string folder;
  int filterIndex = 0;
  std::u16string typedPattern;  // a pattern typed into the name field replaces the type's
  HWND folders = nullptr, files = nullptr, name = nullptr;
  RECT lookIn{}, foldersLabel{}, filesLabel{}, nameLabel{}, typeLabel{}, typeBox{}, ok{}, cancel{};
  int pressed = kNone;
  bool pressedIn = false;
  bool done = false;
  Answer answer;
  std::vector<std::u16string> folderNames, fileNames;
};

Dialog* Of(HWND hwnd) { return StateOf<Dialog>(hwnd); }

bool Less(const std::u16string& a, const std::u16string& b) {
  auto fold = [](char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c; };
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                      [&](char16_t x, char16_t y) { return fold(x) < fold(y); });
}

std::u16string Join(const std::u16string& folder, const std::u16string& name) {
  return folder + (folder.empty() || folder.back() != u'/' ? u"/" : u"") + name;
}

const std::u16string& Pattern(const Dialog& d) {
  return d.typedPattern.empty() ? d.request.filters[static_cast<size_t>(d.filterIndex)].patterns : d.typedPattern;
}

void FillList(HWND list, const std::vector<std::u16string>& names) {
  SendMessageW(list, WM_SETREDRAW, FALSE, 0);
  SendMessageW(list, LB_RESETCONTENT, 0, 0);
  for (const auto& n : names) SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(n.c_str()));
  SendMessageW(list, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list, nullptr, TRUE);
}

void Refill(HWND hwnd, Dialog& d) {
  d.folderNames.clear();
  d.fileNames.clear();
  if (d.folder != u"/") d.folderNames.push_back(u"..");
  std::vector<std::u16string> folders, files;
  std::error_code ec;
  for (std::filesystem::directory_iterator it(Utf8FromUtf16(d.folder), ec), end; !ec && it != end; it.increment(ec)) {
    std::u16string entry = Utf16FromNativePath(it->path().filename().string());
    if (entry.empty() || entry[0] == u'.') continue;
    std::error_code typeError;
    if (it->is_directory(typeError)) folders.push_back(entry);
    else if (MatchesPatterns(entry, Pattern(d))) files.push_back(entry);
  }
  std::sort(folders.begin(), folders.end(), Less);
  std::sort(files.begin(), files.end(), Less);
  d.folderNames.insert(d.folderNames.end(), folders.begin(), folders.end());
  d.fileNames = files;
  FillList(d.folders, d.folderNames);
  FillList(d.files, d.fileNames);
  InvalidateRect(hwnd, nullptr, FALSE);
}

void Layout(HWND hwnd, Dialog& d) {
  RECT c{};
  GetClientRect(hwnd, &c);
  int w = c.right, h = c.bottom;
  int label = std::max(TextWidth(DefaultFont(), u"Files of type:"), TextWidth(DefaultFont(), u"File name:")) + 8;
  int buttonsTop = h - kMargin - kButtonHeight;
  int typeTop = buttonsTop - 8 - kRow;
  int nameTop = typeTop - 6 - kRow;
  int listsTop = kMargin + 20 + 18;
  int listsBottom = nameTop - 8;
  int split = kMargin + (w - 2 * kMargin - 8) * 2 / 5;
  d.lookIn = RECT{kMargin, kMargin, w - kMargin, kMargin + 18};
  d.foldersLabel = RECT{kMargin, listsTop - 18, split, listsTop - 2};
  d.filesLabel = RECT{split + 8, listsTop - 18, w - kMargin, listsTop - 2};
  MoveWindow(d.folders, kMargin, listsTop, split - kMargin, std::max(kRow, listsBottom - listsTop), TRUE);
  MoveWindow(d.files, split + 8, listsTop, w - kMargin - split - 8, std::max(kRow, listsBottom - listsTop), TRUE);
  d.nameLabel = RECT{kMargin, nameTop, kMargin + label, nameTop + kRow};
  MoveWindow(d.name, kMargin + label, nameTop, w - 2 * kMargin - label, kRow, TRUE);
  d.typeLabel = RECT{kMargin, typeTop, kMargin + label, typeTop + kRow};
  d.typeBox = RECT{kMargin + label, typeTop, w - kMargin, typeTop + kRow};
  d.cancel = RECT{w - kMargin - kButtonWidth, buttonsTop, w - kMargin, buttonsTop + kButtonHeight};
  d.ok = RECT{d.cancel.left - 8 - kButtonWidth, buttonsTop, d.cancel.left - 8, buttonsTop + kButtonHeight};
}

void Label(HDC dc, const RECT& r, const std::u16string& text, HFONT font, COLORREF colour, UINT align = DT_LEFT) {
  SelectObject(dc, font);
  SetTextColor(dc, colour);
  RECT box = r;
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &box, align | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
}

void DrawButton(HDC dc, const RECT& r, const std::u16string& text, bool down, bool isDefault) {
  FillSolid(dc, r, down ? kNavy : kWhite);
  FrameSolid(dc, r, isDefault || down ? kNavy : kFieldFrame);
  if (isDefault && !down) {
    RECT inner = r;
    InflateRect(&inner, -1, -1);
    FrameSolid(dc, inner, kNavy);
  }
  Label(dc, r, text, DefaultBoldFont(), down ? kWhite : kNavy, DT_CENTER);
}

void Paint(HWND hwnd, const Dialog& d) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  if (!dc) return;
  RECT c{};
  GetClientRect(hwnd, &c);
  int saved = SaveDC(dc);
  FillSolid(dc, c, kWhite);
  SetBkMode(dc, TRANSPARENT);
  RECT look = d.lookIn;
  std::u16string prefix = u"Look in:";
  int prefixWidth = TextWidth(DefaultBoldFont(), prefix) + 6;
  Label(dc, look, prefix, DefaultBoldFont(), kNavy);
  look.left += prefixWidth;
  SelectObject(dc, DefaultFont());
  // The end of a long folder name matters most.
  std::u16string shown = d.folder;
  while (shown.size() > 4 && TextWidth(DefaultFont(), u"..." + shown) > look.right - look.left)
    shown.erase(0, 1);
  if (shown != d.folder) shown = u"..." + shown;
  Label(dc, look, shown, DefaultFont(), kBlack);
  HorizontalLine(dc, kMargin, c.right - kMargin, d.lookIn.bottom + 1, kLineGrey);
  Label(dc, d.foldersLabel, u"Folders", DefaultFont(), kFrameGrey);
  Label(dc, d.filesLabel, u"Files", DefaultFont(), kFrameGrey);
  Label(dc, d.nameLabel, u"File name:", DefaultFont(), kBlack);
  Label(dc, d.typeLabel, u"Files of type:", DefaultFont(), kBlack);
  bool typeDown = d.pressed == kType && d.pressedIn;
  FillSolid(dc, d.typeBox, typeDown ? kPaleGrey : kWhite);
  FrameSolid(dc, d.typeBox, kFieldFrame);
  RECT typeText{d.typeBox.left + 4, d.typeBox.top, d.typeBox.right - 16, d.typeBox.bottom};
  SelectObject(dc, DefaultFont());
  std::u16string type = d.typedPattern.empty() ? d.request.filters[static_cast<size_t>(d.filterIndex)].description
                                               : d.typedPattern;
  Label(dc, typeText, FitWithEllipsis(dc, type, typeText.right - typeText.left), DefaultFont(), kBlack);
  int ax = d.typeBox.right - 12, ay = (d.typeBox.top + d.typeBox.bottom) / 2 - 2;
  for (int i = 0; i < 4; ++i) FillSolid(dc, RECT{ax - 3 + i, ay + i, ax + 4 - i, ay + i + 1}, kNavy);
  DrawButton(dc, d.ok, u"OK", d.pressed == kOk && d.pressedIn, true);
  DrawButton(dc, d.cancel, u"Cancel", d.pressed == kCancel && d.pressedIn, false);
  RestoreDC(dc, saved);
  EndPaint(hwnd, &ps);
}

std::u16string EditText(HWND edit) {
  int n = GetWindowTextLengthW(edit);
  std::u16string s(static_cast<size_t>(n) + 1, u'\0');
  GetWindowTextW(edit, s.data(), n + 1);
  s.resize(static_cast<size_t>(n));
  while (!s.empty() && s.back() == u' ') s.pop_back();
  while (!s.empty() && s.front() == u' ') s.erase(0, 1);
  return s;
}

void Navigate(HWND hwnd, Dialog& d, const std::u16string& folder) {
  d.folder = folder;
  Refill(hwnd, d);
}

void Finish(Dialog& d, Outcome outcome, const std::u16string& path) {
  d.done = true;
  d.answer = Answer{outcome, path, d.filterIndex};
}

void Accept(HWND hwnd, Dialog& d) {
  std::u16string typed = EditText(d.name);
  if (typed.empty()) return;
  if (typed.find_first_of(u"*?") != std::u16string::npos) {
    d.typedPattern = typed;
    SetWindowTextW(d.name, u"");
    Refill(hwnd, d);
    return;
  }
  std::u16string path = ResolveTypedName(d.folder, typed, d.request.defaultExtension);
  if (IsFolder(path)) {
    SetWindowTextW(d.name, u"");
    Navigate(hwnd, d, path);
    return;
  }
  std::u16string problem;
  if ((d.request.flags & OFN_FILEMUSTEXIST) && !IsFile(path)) problem = u"The file was not found.";
  else if ((d.request.flags & OFN_PATHMUSTEXIST) && !IsFolder(ParentFolder(path))) problem = u"The folder was not found.";
  if (!problem.empty()) {
    std::u16string text = path.substr(path.find_last_of(u'/') + 1) + u"\n" + problem;
    MessageBoxW(hwnd, text.c_str(), d.request.title.c_str(), MB_OK | MB_ICONWARNING);
    return;
  }
  Finish(d, Outcome::Chosen, path);
}

void ChooseType(HWND hwnd, Dialog& d) {
  HMENU menu = CreatePopupMenu();
  for (size_t i = 0; i < d.request.filters.size(); ++i)
    AppendMenuW(menu, MF_STRING | (static_cast<int>(i) == d.filterIndex && d.typedPattern.empty() ? MF_CHECKED : 0),
                i + 1, d.request.filters[i].description.c_str());
  POINT corner{d.typeBox.left, d.typeBox.bottom};
  ClientToScreen(hwnd, &corner);
  TrackResult r = TrackMenu(menu, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RETURNCMD | TPM_NONOTIFY, corner.x, corner.y, hwnd);
  DestroyMenu(menu);
  Dialog* now = Of(hwnd);
  if (!now || !r.command) return;
  now->filterIndex = static_cast<int>(r.command) - 1;
  now->typedPattern.clear();
  Refill(hwnd, *now);
}

int PartAt(const Dialog& d, POINT p) {
  if (PtInRect(&d.ok, p)) return kOk;
  if (PtInRect(&d.cancel, p)) return kCancel;
  if (PtInRect(&d.typeBox, p)) return kType;
  return kNone;
}

void Command(HWND hwnd, Dialog& d, int id, int code) {
  if (code != LBN_SELCHANGE) return;
  if (id == kFolderListId) {
    int i = static_cast<int>(SendMessageW(d.folders, LB_GETCURSEL, 0, 0));
    if (i < 0 || static_cast<size_t>(i) >= d.folderNames.size()) return;
    std::u16string pick = d.folderNames[static_cast<size_t>(i)];
    Navigate(hwnd, d, pick == u".." ? ParentFolder(d.folder) : Join(d.folder, pick));
  } else if (id == kFileListId) {
    int i = static_cast<int>(SendMessageW(d.files, LB_GETCURSEL, 0, 0));
    if (i < 0 || static_cast<size_t>(i) >= d.fileNames.size()) return;
    const std::u16string& pick = d.fileNames[static_cast<size_t>(i)];
    SetWindowTextW(d.name, pick.c_str());
    SendMessageW(d.name, EM_SETSEL, pick.size(), pick.size());
  }
}

LRESULT CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  Dialog* d = Of(hwnd);
  if (!d) return DefWindowProcW(hwnd, message, wParam, lParam);
  switch (message) {
    case WM_PAINT:
      Paint(hwnd, *d);
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_SIZE:
      Layout(hwnd, *d);
      InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLOREDIT:
      SetTextColor(reinterpret_cast<HDC>(wParam), kBlack);
      return reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH));
    case WM_COMMAND:
      Command(hwnd, *d, LOWORD(wParam), HIWORD(wParam));
      return 0;
    case WM_LBUTTONDOWN: {
      int part = PartAt(*d, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
      if (part == kNone) return 0;
      d->pressed = part;
      d->pressedIn = true;
      InvalidateRect(hwnd, nullptr, FALSE);
      if (part == kType) {
        UpdateWindow(hwnd);
        ChooseType(hwnd, *d);
        if ((d = Of(hwnd))) {
          d->pressed = kNone;
          InvalidateRect(hwnd, nullptr, FALSE);
        }
        return 0;
      }
      SetCapture(hwnd);
      return 0;
    }
    case WM_MOUSEMOVE:
      if (d->pressed != kNone) {
        bool in = PartAt(*d, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}) == d->pressed;
        if (in != d->pressedIn) {
          d->pressedIn = in;
          InvalidateRect(hwnd, nullptr, FALSE);
        }
      }
      return 0;
    case WM_LBUTTONUP:
      if (d->pressed != kNone) {
        int part = d->pressed;
        bool in = PartAt(*d, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}) == part;
        d->pressed = kNone;
        if (GetCapture() == hwnd) ReleaseCapture();
        InvalidateRect(hwnd, nullptr, FALSE);
        if (in && part == kOk) Accept(hwnd, *d);
        if (in && part == kCancel) Finish(*d, Outcome::Cancelled, u"");
      }
      return 0;
    case WM_CLOSE:
      Finish(*d, Outcome::Cancelled, u"");
      return 0;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

HWND CreateChild(HWND parent, LPCWSTR cls, DWORD style, int id) {
  return CreateWindowExW(0, cls, u"", WS_CHILD | WS_VISIBLE | WS_BORDER | style, 0, 0, 10, 10, parent,
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
}

bool InsideDialog(HWND dialog, HWND hwnd) { return hwnd == dialog || IsChild(dialog, hwnd); }

}  // namespace

Answer RunBuiltInDialog(const FileRequest& request) {
  Dialog d;
  d.request = request;
  d.folder = request.folder;
  d.filterIndex = request.filterIndex;
  bool desktop = CurrentScreen() == ScreenKind::Desktop;
  RECT area{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  DWORD style = desktop ? WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_DLGFRAME : WS_POPUP;
  int width = desktop ? 520 : area.right - area.left;
  int height = desktop ? 400 : area.bottom - area.top;
  int x = area.left + (area.right - area.left - width) / 2, y = area.top + (area.bottom - area.top - height) / 2;
  HWND ownerRoot = request.owner && IsWindow(request.owner) ? GetAncestor(request.owner, GA_ROOT) : nullptr;
  HWND hwnd = CreateWindowExW(0, u"OpenFileDialog", request.title.c_str(), style, x, y, width, height, ownerRoot,
                              nullptr, nullptr, nullptr);
  if (!hwnd) return Answer{Outcome::Cancelled, u"", request.filterIndex};
  d.folders = CreateChild(hwnd, u"listbox", WS_VSCROLL | LBS_NOTIFY, kFolderListId);
  d.files = CreateChild(hwnd, u"listbox", WS_VSCROLL | LBS_NOTIFY, kFileListId);
  d.name = CreateChild(hwnd, u"edit", ES_AUTOHSCROLL, kNameEditId);
  SetState(hwnd, &d);
  Layout(hwnd, d);
  Refill(hwnd, d);
  SetWindowTextW(d.name, request.name.c_str());
  SendMessageW(d.name, EM_SETSEL, 0, -1);

  bool ownerWasEnabled = ownerRoot && IsWindowEnabled(ownerRoot);
  if (ownerWasEnabled) EnableWindow(ownerRoot, FALSE);
  ShowWindow(hwnd, SW_SHOW);
  SetActiveWindow(hwnd);
  SetFocus(d.name);
  while (!d.done && IsWindow(hwnd)) {
    MSG m;
    if (!PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
      if (!WaitForMore()) break;
      continue;
    }
    if (m.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(m.wParam));
      break;
    }
    if (m.message == WM_KEYDOWN && InsideDialog(hwnd, m.hwnd) && (m.wParam == VK_RETURN || m.wParam == VK_ESCAPE)) {
      if (m.wParam == VK_RETURN) Accept(hwnd, d);
      else Finish(d, Outcome::Cancelled, u"");
      continue;
    }
    TranslateMessage(&m);
    DispatchMessageW(&m);
  }
  Answer answer = d.done ? d.answer : Answer{Outcome::Cancelled, u"", d.filterIndex};
  if (ownerWasEnabled && IsWindow(ownerRoot)) EnableWindow(ownerRoot, TRUE);
  if (IsWindow(hwnd)) {
    SetState<Dialog>(hwnd, nullptr);
    DestroyWindow(hwnd);
  }
  if (ownerRoot && IsWindow(ownerRoot)) SetActiveWindow(ownerRoot);
  return answer;
}

void RegisterFileDialogClasses() {
  WNDCLASSW wc{};
  wc.lpfnWndProc = DialogProc;
  wc.cbWndExtra = kStateBytes;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = u"OpenFileDialog";
  RegisterSystemClass(wc);
}

}  // namespace platform::controls
