// A headless screen with a hatched host window for the widget tests, the skin and picture
// libraries as the programs load them, and small probes.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "device/shell/drawing.h"
#include "platform/gdi_bridge.h"
#include "platform/platform.h"
#include "platform/surface.h"
#include "platform/windows.h"
#include "tests/support/headless_screen.h"
#include "tests/support/pixels.h"

namespace widget_test {

inline HMODULE LoadBuiltLibrary(const char* relative) {
  std::string path = std::string(ORLEND_BINARY_DIR) + "/bin/" + relative;
  return LoadLibraryW(std::u16string(path.begin(), path.end()).c_str());
}

inline LRESULT CALLBACK HostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_PAINT) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    RECT r;
    GetClientRect(window, &r);
    FillHatched(dc, 0, 0, r.right, r.bottom, 1);
    EndPaint(window, &ps);
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

// A top-level window painted with the active hatching, as the programs' main windows are.
inline HWND CreateHost(int x, int y, int width, int height, const WCHAR* title = u"Widgets") {
  test::RegisterTestClass(u"WidgetHost", HostProc);
  HWND host = CreateWindowExW(0, u"WidgetHost", title, WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, x, y, width, height,
                              nullptr, nullptr, nullptr, nullptr);
  test::RunUntilIdle();
  return host;
}

// Screen position of a client point of `window`.
inline POINT OnScreen(HWND window, int x, int y) {
  POINT p{x, y};
  ClientToScreen(window, &p);
  return p;
}

inline RECT WindowRectOf(HWND window) {
  RECT r{};
  GetWindowRect(window, &r);
  return r;
}

// The part of the screen at (x, y) of the given size.
inline platform::Surface ScreenPart(int x, int y, int width, int height) {
  platform::Surface all = platform::headless::Snapshot();
  platform::Surface part(width, height);
  for (int row = 0; row < height; ++row)
    for (int col = 0; col < width; ++col) part.set_pixel(col, row, all.pixel(x + col, y + row));
  return part;
}

// A bitmap of a resource library, as pixels; empty when it is missing.
inline platform::Surface LibraryBitmap(HMODULE library, int id) {
  HBITMAP bitmap = LoadBitmapW(library, MAKEINTRESOURCEW(id));
  if (!bitmap) return platform::Surface();
  platform::Surface copy = *platform::SurfaceOfBitmap(bitmap);
  DeleteObject(bitmap);
  return copy;
}

// Whether the screen at (x, y) shows the w x h piece of `image` at (sx, sy).
inline ::testing::AssertionResult ScreenShows(int x, int y, const platform::Surface& image, int sx, int sy, int w,
                                              int h) {
  if (image.width() == 0) return ::testing::AssertionFailure() << "no image";
  platform::Surface screen = platform::headless::Snapshot();
  for (int row = 0; row < h; ++row)
    for (int col = 0; col < w; ++col)
      if (screen.pixel(x + col, y + row) != image.pixel(sx + col, sy + row))
        return ::testing::AssertionFailure() << "screen (" << x + col << ", " << y + row << ") differs from image ("
                                             << sx + col << ", " << sy + row << ")";
  return ::testing::AssertionSuccess();
}

// Whether the screen rectangle holds a pixel within `tolerance` (per channel) of a colour.
// Antialiased text shows its colour only nearly, blended into what lies behind.
inline bool ScreenHasColour(const RECT& r, COLORREF colour, int tolerance = 48) {
  platform::Surface screen = platform::headless::Snapshot();
  for (int y = r.top; y < r.bottom; ++y)
    for (int x = r.left; x < r.right; ++x) {
      COLORREF c = platform::ColorrefFromPixel(screen.pixel(x, y));
      if (std::abs(GetRValue(c) - GetRValue(colour)) <= tolerance &&
          std::abs(GetGValue(c) - GetGValue(colour)) <= tolerance &&
          std::abs(GetBValue(c) - GetBValue(colour)) <= tolerance)
        return true;
    }
  return false;
}

// How many sounds with `name` at the end of their path were played.
inline int SoundsPlayed(const std::u16string& name) {
  int n = 0;
  for (const auto& r : platform::headless::Records())
    if (r.call == "PlaySound" && r.text.size() >= name.size() &&
        r.text.compare(r.text.size() - name.size(), name.size(), name) == 0)
      ++n;
  return n;
}

// Counts how often a window is painted, through its own procedure.
class PaintCounter {
 public:
  explicit PaintCounter(HWND window) : window_(window) {
    previous_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&PaintCounter::Proc)));
    Current() = this;
  }
  ~PaintCounter() {
    if (IsWindow(window_)) SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous_));
    Current() = nullptr;
  }
  int count() const { return count_; }

 private:
  static PaintCounter*& Current() {
    static PaintCounter* current = nullptr;
    return current;
  }
  static LRESULT CALLBACK Proc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    PaintCounter* c = Current();
    if (m == WM_PAINT) ++c->count_;
    return CallWindowProcW(c->previous_, w, m, wp, lp);
  }
  HWND window_;
  WNDPROC previous_ = nullptr;
  int count_ = 0;
};

}  // namespace widget_test
