#include "device/shell/about_window.h"

#include <cstring>
#include <string>

#include "device/dictionary/database.h"
#include "device/shell/drawing.h"
#include "device/shell/main_window.h"
#include "device/shell/titled_frame.h"
#include "resource_ids.h"
#include "widgets/text_button.h"

namespace {

HWND g_about = nullptr;
TitledFrame* g_frame = nullptr;
TextButton* g_close = nullptr;
// The information text, then the edition of the word list in use, which the
// program cannot know until a database is loaded.
std::u16string g_text;

HFONT Arial(int height) {
  LOGFONTW font{};
  font.lfHeight = -height;
  font.lfWeight = FW_NORMAL;
  font.lfQuality = 4;
  std::memcpy(font.lfFaceName, u"Arial", 6 * sizeof(WCHAR));
  return CreateFontIndirectW(&font);
}

void Paint(HWND window) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(window, &ps);
  RECT client;
  GetClientRect(window, &client);
  // The hatching keeps its even rows wherever the repaint starts.
  FillHatched(dc, ps.rcPaint.left, ps.rcPaint.top & ~1, ps.rcPaint.right, ps.rcPaint.bottom, 1);
  SetBkMode(dc, TRANSPARENT);
  HFONT text = Arial(11);
  HGDIOBJ old = SelectObject(dc, text);
  SetTextColor(dc, RGB(0, 0, 168));
  if (!g_text.empty()) {
    RECT r{22, 28, client.right - 24, 500};
    DrawTextW(dc, g_text.data(), static_cast<int>(g_text.size()), &r, DT_LEFT | DT_TOP | DT_WORDBREAK);
  }
  HFONT build = Arial(10);
  SelectObject(dc, build);
  SetTextColor(dc, RGB(128, 128, 128));
  WCHAR line[32];
  int n = wsprintfW(line, u"Build: %d.%d.%d", 1, 2, 679);
  TextOutW(dc, 22, client.bottom - 27, line, n);
  SelectObject(dc, old);
  DeleteObject(text);
  DeleteObject(build);
  EndPaint(window, &ps);
}

LRESULT CALLBACK AboutWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_PAINT) {
    Paint(window);
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

HWND AboutWindow() { return g_about; }

void OpenAboutWindow() {
  if (g_about) return;
  WNDCLASSW wc{};
  wc.style = CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = AboutWindowProc;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = u"About Window";
  RegisterClassW(&wc);  // again after the first time: fails harmlessly

  RECT r;
  GetWindowRect(MainWindow, &r);
  g_about = CreateWindowExW(0, u"About Window", nullptr, WS_POPUP, r.left, r.top, r.right - r.left,
                            r.bottom - r.top, MainWindow, nullptr, Instance, nullptr);
  if (!g_about) return;
  int height = r.bottom - r.top;

  g_text.clear();
  if (HRSRC resource = FindResourceW(Instance, MAKEINTRESOURCEW(IDR_ABOUT_TEXT), u"TEXT")) {
    auto* units = static_cast<const WCHAR*>(LockResource(LoadResource(Instance, resource)));
    int count = static_cast<int>(SizeofResource(Instance, resource) / 2);
    if (units && count > 1) g_text.assign(units + 1, count - 1);  // the byte-order mark is not shown
  }
  while (!g_text.empty() && (g_text.back() == u'\n' || g_text.back() == u'\r')) g_text.pop_back();
  if (WordListName[0]) {
    g_text += u"\r\nWord list: ";
    g_text += WordListName;
    g_text += u".";
  }

  g_frame = CreateTitledFrame(g_about, 10, 6, 220, height - 37, u"Orlend's Duzavur Evuravuzad");
  g_close = new TextButton(g_about, 170, height - 25, u"Close", 11, nullptr, CloseAboutWindow,
                           u"Close this window", 0);
  UpdateWindow(g_about);
  ShowWindow(g_about, SW_SHOW);
}

void CloseAboutWindow() {
  if (!g_about) return;
  DestroyTitledFrame(g_frame);
  g_frame = nullptr;
  // The Close button is being clicked: its window goes now, the object once the click is over.
  TextButton* button = g_close;
  g_close = nullptr;
  button->Destroy();
  HWND about = g_about;
  g_about = nullptr;
  DestroyWindow(about);
  PostMessageW(MainWindow, WM_APP_FREE_BUTTON, 0, reinterpret_cast<LPARAM>(button));
}
