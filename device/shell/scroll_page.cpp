#include "device/shell/scroll_page.h"

#include <algorithm>
#include <cstring>

#include "device/shell/drawing.h"
#include "device/shell/main_window.h"
#include "device/shell/screen_state.h"
#include "device/shell/titled_frame.h"
#include "platform/aygshell.h"
#include "widgets/combo_box.h"
#include "widgets/text_button.h"

namespace {

// Open pages, the newest (the one on top, whose Close button is pressed) last.
std::vector<ScrollPage*> g_pages;

const int kLineStep = 16;
const int kDragSlop = 4;  // a stylus that moves less is a tap

bool IsChinese(char16_t c) { return c >= 0x2E80 && !(c >= 0xFF00 && c <= 0xFF0F); }

int ChineseFor(int font) {
  switch (font) {
    case PAGE_LABEL:
    case PAGE_TEXT:
    case PAGE_BOLD: return PAGE_CHINESE;
    default: return font;
  }
}

void CloseTopPage() {
  if (!g_pages.empty()) g_pages.back()->Close();
}

LRESULT CALLBACK ScrollPageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* page = reinterpret_cast<ScrollPage*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!page) return DefWindowProcW(window, message, wParam, lParam);
  switch (message) {
    case WM_PAINT: page->Paint(); return 0;
    case WM_LBUTTONDOWN: page->OnDown(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)); return 0;
    case WM_MOUSEMOVE: page->OnMove(GET_Y_LPARAM(lParam)); return 0;
    case WM_LBUTTONUP: page->OnUp(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)); return 0;
    case WM_KEYDOWN: {
      int view = page->view.bottom - page->view.top;
      switch (wParam) {
        case VK_UP: page->ScrollBy(-kLineStep); return 0;
        case VK_DOWN: page->ScrollBy(kLineStep); return 0;
        case VK_PRIOR: page->ScrollBy(-(view - kLineStep)); return 0;
        case VK_NEXT:
        case VK_SPACE: page->ScrollBy(view - kLineStep); return 0;
        case VK_HOME: page->ScrollBy(-page->contentHeight); return 0;
        case VK_END: page->ScrollBy(page->contentHeight); return 0;
        case VK_ESCAPE: page->Close(); return 0;
        default: break;
      }
      break;
    }
    default: break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

void CloseAllPages() {
  while (!g_pages.empty()) g_pages.back()->Close();
}

HFONT CreatePageFont(int font, bool underline) {
  LOGFONTW f{};
  f.lfQuality = 4;
  f.lfUnderline = underline ? 1 : 0;
  f.lfWeight = FW_NORMAL;
  const char16_t* face = u"Arial";
  bool chinese = font == PAGE_HEADWORD || font == PAGE_CHINESE_LARGE || font == PAGE_CHINESE;
  if (chinese) {
    bool simplified = CurrentDatabase != 2;
    face = simplified ? u"MS Song" : u"MingLiu";
    f.lfCharSet = simplified ? GB2312_CHARSET : CHINESEBIG5_CHARSET;
  }
  switch (font) {
    case PAGE_HEADWORD: f.lfHeight = -25; f.lfWeight = FW_BOLD; break;
    case PAGE_CHINESE_LARGE: f.lfHeight = -16; break;
    case PAGE_CHINESE: f.lfHeight = -14; break;
    case PAGE_LABEL: f.lfHeight = -11; break;
    case PAGE_BOLD: f.lfHeight = -12; f.lfWeight = FW_BOLD; break;
    default: f.lfHeight = -12; break;
  }
  size_t n = std::char_traits<char16_t>::length(face);
  std::memcpy(f.lfFaceName, face, (n + 1) * sizeof(WCHAR));
  return CreateFontIndirectW(&f);
}

int PageLineHeight(int font) {
  switch (font) {
    case PAGE_HEADWORD: return 31;
    case PAGE_CHINESE_LARGE: return 20;
    case PAGE_CHINESE: return 17;
    case PAGE_LABEL: return 14;
    default: return 16;
  }
}

PageLayout::PageLayout(int left, int right) : left_(left), right_(right), indent_(left), x_(left) {
  HDC screen = GetDC(nullptr);
  dc_ = CreateCompatibleDC(screen);
  ReleaseDC(nullptr, screen);
  for (int i = 0; i < PAGE_FONT_COUNT; ++i) fonts_[i] = CreatePageFont(i, false);
}

PageLayout::~PageLayout() {
  SelectObject(dc_, GetStockObject(SYSTEM_FONT));
  for (HFONT f : fonts_) DeleteObject(f);
  DeleteDC(dc_);
}

void PageLayout::Indent(int left) {
  indent_ = left;
  if (lineStart_ == runs.size()) x_ = left;
}

void PageLayout::EndLine(int gap) {
  int h = lineHeight_ ? lineHeight_ : PageLineHeight(PAGE_TEXT);
  // Shorter styles sit on the line's foot, so words of two sizes share a baseline.
  for (size_t i = lineStart_; i < runs.size(); ++i) runs[i].y = height + h - runs[i].height;
  height += h + gap;
  lineHeight_ = 0;
  lineStart_ = runs.size();
  x_ = indent_;
}

void PageLayout::Place(const std::u16string& token, int font, COLORREF colour, int link, bool underline) {
  SelectObject(dc_, fonts_[font]);
  SIZE size{};
  GetTextExtentPoint32W(dc_, token.data(), static_cast<int>(token.size()), &size);
  // Trailing spaces may hang past the edge.
  size_t visible = token.find_last_not_of(u' ');
  SIZE ink = size;
  if (visible != std::u16string::npos && visible + 1 < token.size())
    GetTextExtentPoint32W(dc_, token.data(), static_cast<int>(visible + 1), &ink);
  if (x_ + ink.cx > right_ && lineStart_ != runs.size()) EndLine();
  if (x_ + ink.cx > right_ && token.size() > 1) {
    // Wider than a whole line: as many units as fit, the rest on the next lines.
    size_t n = 1;
    while (n < token.size()) {
      SIZE part{};
      GetTextExtentPoint32W(dc_, token.data(), static_cast<int>(n + 1), &part);
      if (x_ + part.cx > right_) break;
      ++n;
    }
    if (n < token.size() && token[n - 1] >= 0xD800 && token[n - 1] <= 0xDBFF && n > 1) --n;
    Place(token.substr(0, n), font, colour, link, underline);
    EndLine();
    Place(token.substr(n), font, colour, link, underline);
    return;
  }
  int h = PageLineHeight(font);
  // A run that goes on from the one before in the same style joins it.
  if (!runs.empty() && runs.size() > lineStart_) {
    PageRun& last = runs.back();
    if (last.font == font && last.colour == colour && last.link == link && last.underline == underline &&
        last.x + last.width == x_) {
      last.text += token;
      last.width += size.cx;
      x_ += size.cx;
      return;
    }
  }
  runs.push_back(PageRun{x_, height, static_cast<int>(size.cx), h, font, underline, colour, link, token});
  x_ += size.cx;
  lineHeight_ = std::max(lineHeight_, h);
}

void PageLayout::Text(const std::u16string& text, int font, COLORREF colour, int link, bool underline) {
  // Tokens: a word with the spaces after it, or one Chinese character (with any spaces).
  size_t i = 0;
  while (i < text.size()) {
    size_t j = i;
    int tokenFont = font;
    if (IsChinese(text[i])) {
      tokenFont = ChineseFor(font);
      j = i + ((text[i] >= 0xD800 && text[i] <= 0xDBFF && i + 1 < text.size()) ? 2 : 1);
    } else {
      while (j < text.size() && text[j] != u' ' && !IsChinese(text[j])) ++j;
    }
    while (j < text.size() && text[j] == u' ') ++j;
    Place(text.substr(i, j - i), tokenFont, colour, link, underline);
    i = j;
  }
}

ScrollPage* ScrollPage::Open(const WCHAR* title, PageBuild build, PageLinkAction tapped, PageLinkAction held,
                             void (*closed)()) {
  WNDCLASSW wc{};
  wc.style = CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = ScrollPageProc;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = u"Scroll Page";
  RegisterClassW(&wc);  // again after the first time: fails harmlessly

  RECT r;
  GetWindowRect(MainWindow, &r);
  auto* page = new ScrollPage;
  page->build = build;
  page->tapped = tapped;
  page->held = held;
  page->closed = closed;
  page->window = CreateWindowExW(0, u"Scroll Page", nullptr, WS_POPUP, r.left, r.top, r.right - r.left,
                                 r.bottom - r.top, MainWindow, nullptr, Instance, nullptr);
  if (!page->window) {
    delete page;
    return nullptr;
  }
  SetWindowLongPtrW(page->window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(page));
  int width = r.right - r.left, height = r.bottom - r.top;
  // Inside the frame's ring, with room on the right for the position bar.
  page->view = RECT{20, 24, width - 20, height - 39};
  page->frame = CreateTitledFrame(page->window, 10, 6, width - 20, height - 37, title);
  page->closeButton = new TextButton(page->window, width - 70, height - 25, u"Close", 11, nullptr, CloseTopPage,
                                     u"Close this window", 0);
  g_pages.push_back(page);
  page->Rebuild();
  UpdateWindow(page->window);
  ShowWindow(page->window, SW_SHOW);
  SetFocus(page->window);
  return page;
}

void RebuildPages() {
  for (ScrollPage* page : g_pages) page->Rebuild(true);
}

void ScrollPage::Rebuild(bool keepScroll) {
  PageLayout layout(view.left, view.right - 4);
  build(layout);
  if (layout.runs.size() > 0 && layout.X() != view.left) layout.EndLine();
  runs = std::move(layout.runs);
  contentHeight = layout.height;
  scroll = keepScroll ? std::clamp(scroll, 0, std::max(0, contentHeight - (view.bottom - view.top))) : 0;
  InvalidateRect(window, &view, TRUE);
  RECT bar{view.right - 3, view.top, view.right, view.bottom};
  InvalidateRect(window, &bar, TRUE);
}

void ScrollPage::ScrollBy(int dy) {
  int most = std::max(0, contentHeight - (view.bottom - view.top));
  int next = std::clamp(scroll + dy, 0, most);
  if (next == scroll) return;
  scroll = next;
  InvalidateRect(window, &view, TRUE);
}

void ScrollPage::Paint() {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(window, &ps);
  FillHatched(dc, ps.rcPaint.left, ps.rcPaint.top & ~1, ps.rcPaint.right, ps.rcPaint.bottom, 1);
  SetBkMode(dc, TRANSPARENT);
  int saved = SaveDC(dc);
  IntersectClipRect(dc, view.left, view.top, view.right, view.bottom);
  HFONT fonts[PAGE_FONT_COUNT][2] = {};
  HGDIOBJ old = SelectObject(dc, GetStockObject(SYSTEM_FONT));
  for (const PageRun& run : runs) {
    int y = view.top + run.y - scroll;
    if (y >= view.bottom || y + run.height <= view.top) continue;
    HFONT& font = fonts[run.font][run.underline ? 1 : 0];
    if (!font) font = CreatePageFont(run.font, run.underline);
    SelectObject(dc, font);
    SetTextColor(dc, run.colour);
    TextOutW(dc, run.x, y, run.text.data(), static_cast<int>(run.text.size()));
  }
  SelectObject(dc, old);
  for (auto& pair : fonts)
    for (HFONT f : pair)
      if (f) DeleteObject(f);
  RestoreDC(dc, saved);
  // Where the view stands in a longer content.
  int viewHeight = view.bottom - view.top;
  if (contentHeight > viewHeight) {
    int barTop = view.top + scroll * viewHeight / contentHeight;
    int barHeight = std::max(8, viewHeight * viewHeight / contentHeight);
    RECT bar{view.right - 2, barTop, view.right, std::min<int>(view.bottom, barTop + barHeight)};
    HBRUSH brush = CreateSolidBrush(RGB(128, 128, 160));
    FillRect(dc, &bar, brush);
    DeleteObject(brush);
  }
  EndPaint(window, &ps);
}

int ScrollPage::LinkAt(int x, int y) const {
  if (x < view.left || x >= view.right || y < view.top || y >= view.bottom) return -1;
  int contentY = y - view.top + scroll;
  for (const PageRun& run : runs)
    if (run.link >= 0 && x >= run.x - 2 && x < run.x + run.width + 2 && contentY >= run.y - 2 &&
        contentY < run.y + run.height + 2)
      return run.link;
  return -1;
}

void ScrollPage::OnDown(int x, int y) {
  if (held) {
    SHRGINFO info{};
    info.cbSize = sizeof info;
    info.hwndClient = window;
    info.ptDown = POINT{x, y};
    info.dwFlags = SHRG_RETURNCMD | SHRG_NOANIMATION;
    if (SHRecognizeGesture(&info) == GN_CONTEXTMENU) {
      int link = LinkAt(x, y);
      if (link >= 0) held(link);
      return;
    }
  }
  down = true;
  dragged = false;
  downY = y;
  downScroll = scroll;
  SetCapture(window);
}

void ScrollPage::OnMove(int y) {
  if (!down) return;
  if (std::abs(y - downY) >= kDragSlop) dragged = true;
  if (dragged) ScrollBy(downScroll - (y - downY) - scroll);
}

void ScrollPage::OnUp(int x, int y) {
  if (!down) return;  // the stylus came down elsewhere (the tap that opened the page)
  down = false;
  ReleaseCapture();
  if (dragged) return;
  int link = LinkAt(x, y);
  if (link >= 0 && tapped) tapped(link);
}

void ScrollPage::Close() {
  auto at = std::find(g_pages.begin(), g_pages.end(), this);
  if (at == g_pages.end()) return;
  g_pages.erase(at);
  DestroyTitledFrame(frame);
  frame = nullptr;
  // The Close button may be the one being clicked: its window goes now, the object once
  // the click is over.
  TextButton* button = closeButton;
  closeButton = nullptr;
  button->Destroy();
  PostMessageW(MainWindow, WM_APP_FREE_BUTTON, 0, reinterpret_cast<LPARAM>(button));
  SetWindowLongPtrW(window, GWLP_USERDATA, 0);
  if (GetCapture() == window) ReleaseCapture();
  DestroyWindow(window);
  window = nullptr;
  void (*after)() = closed;
  delete this;
  if (!g_pages.empty()) SetFocus(g_pages.back()->window);
  else if (SearchBox) SearchBox->Focus();
  if (after) after();
}
