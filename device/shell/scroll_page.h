// A full-screen page in the About window's style (a titled frame on the hatching, Close
// at the bottom) whose content is longer than the screen: laid out once as runs of text,
// scrolled by a stylus drag and by the arrow and page keys; runs may be tappable links.
#pragma once

#include <string>
#include <vector>

#include "platform/windows.h"

class TextButton;
struct TitledFrame;

// The page's text styles. The Chinese ones use the face of the database in use.
enum PageFont {
  PAGE_HEADWORD,        // Chinese face, 25, bold
  PAGE_CHINESE_LARGE,   // Chinese face, 16
  PAGE_CHINESE,         // Chinese face, 14
  PAGE_LABEL,           // Arial 11
  PAGE_TEXT,            // Arial 12
  PAGE_BOLD,            // Arial 12 bold
  PAGE_FONT_COUNT
};

struct PageRun {
  int x, y, width, height;  // in the content, whose top is 0
  int font;
  bool underline;
  COLORREF colour;
  int link;  // -1 when not tappable
  std::u16string text;
};

// Lays runs out from the left edge to the right one, wrapping at spaces (Chinese
// anywhere); each line is as tall as its tallest style.
class PageLayout {
 public:
  PageLayout(int left, int right);
  ~PageLayout();
  PageLayout(const PageLayout&) = delete;
  PageLayout& operator=(const PageLayout&) = delete;

  // Text in one style; Chinese inside it is set in the matching Chinese face.
  void Text(const std::u16string& text, int font, COLORREF colour, int link = -1, bool underline = false);
  // Ends the line (an empty one too) and leaves gap pixels below it.
  void EndLine(int gap = 0);
  // Where following lines start, and where this one goes on when nothing is on it yet.
  void Indent(int left);
  int X() const { return x_; }
  void MoveTo(int x) { x_ = x; }

  std::vector<PageRun> runs;
  int height = 0;  // bottom of the last line ended

 private:
  void Place(const std::u16string& token, int font, COLORREF colour, int link, bool underline);
  HDC dc_;
  HFONT fonts_[PAGE_FONT_COUNT];
  int left_, right_, indent_;
  int x_;
  int lineHeight_ = 0;
  size_t lineStart_ = 0;
};

// The fonts of a paint or a layout; the Chinese face follows CurrentDatabase.
HFONT CreatePageFont(int font, bool underline);
int PageLineHeight(int font);

// Closes every open page (a database switch makes the entries they show stale).
void CloseAllPages();
// Lays every open page out again where it stands (a display option changed).
void RebuildPages();

typedef void (*PageBuild)(PageLayout& layout);
typedef void (*PageLinkAction)(int link);

class ScrollPage {
 public:
  // Over the main window; build lays out the content, tapped gets a tapped link, held
  // (may be null) a link held down, closed (may be null) runs once the page is gone.
  static ScrollPage* Open(const WCHAR* title, PageBuild build, PageLinkAction tapped, PageLinkAction held,
                          void (*closed)());
  // Lays the content out again, at its top, or where it was with keepScroll.
  void Rebuild(bool keepScroll = false);
  // Scrolls by dy pixels, kept inside the content.
  void ScrollBy(int dy);
  void Close();

  HWND window = nullptr;
  TitledFrame* frame = nullptr;
  TextButton* closeButton = nullptr;
  PageBuild build = nullptr;
  PageLinkAction tapped = nullptr;
  PageLinkAction held = nullptr;
  void (*closed)() = nullptr;
  std::vector<PageRun> runs;
  int contentHeight = 0;
  int scroll = 0;
  RECT view{};  // where the content shows, in the page
  // The stylus while it is down on the page.
  bool down = false;
  bool dragged = false;
  int downY = 0, downScroll = 0;

  // For the window procedure.
  void Paint();
  void OnDown(int x, int y);
  void OnMove(int y);
  void OnUp(int x, int y);
  int LinkAt(int x, int y) const;
};
