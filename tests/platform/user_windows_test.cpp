// Window classes, creation and destruction, relations, placement and finding windows.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/support/headless_screen.h"

namespace {

struct Logged {
  HWND hwnd;
  UINT message;
};
std::vector<Logged> g_log;
LRESULT g_createResult = 0;

LRESULT CALLBACK LoggingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_NCCREATE:
    case WM_CREATE:
    case WM_SIZE:
    case WM_MOVE:
    case WM_DESTROY:
    case WM_NCDESTROY:
    case WM_SHOWWINDOW:
      g_log.push_back({hwnd, message});
      break;
  }
  if (message == WM_CREATE && g_createResult) return g_createResult;
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

std::vector<UINT> MessagesOf(HWND hwnd) {
  std::vector<UINT> out;
  for (const auto& l : g_log)
    if (l.hwnd == hwnd) out.push_back(l.message);
  return out;
}

class WindowsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_log.clear();
    g_createResult = 0;
    ASSERT_TRUE(test::RegisterTestClass(u"LogWindow", LoggingProc));
  }
  HWND Top(DWORD style = WS_VISIBLE, HWND owner = nullptr, const WCHAR* title = u"Top") {
    return CreateWindowExW(0, u"LogWindow", title, style, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                           CW_USEDEFAULT, owner, nullptr, nullptr, nullptr);
  }
  HWND Child(HWND parent, int id, int x, int y, int w, int h, DWORD style = WS_VISIBLE) {
    return CreateWindowExW(0, u"LogWindow", u"", WS_CHILD | style, x, y, w, h, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
  }
  test::HeadlessScreen screen_;
};

TEST_F(WindowsTest, ClassRegistrationRefusesRepeatsAndUnknownNames) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = LoggingProc;
  wc.lpszClassName = u"logwindow";  // names compare without regard to case
  EXPECT_EQ(RegisterClassW(&wc), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CLASS_ALREADY_EXISTS));

  EXPECT_EQ(CreateWindowExW(0, u"NoSuchClass", u"", WS_VISIBLE, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr),
            nullptr);

  // A class with live windows stays; once they are gone it can be unregistered.
  HWND w = Top();
  EXPECT_FALSE(UnregisterClassW(u"LogWindow", nullptr));
  DestroyWindow(w);
  EXPECT_TRUE(UnregisterClassW(u"LogWindow", nullptr));
  EXPECT_EQ(Top(), nullptr);
}

TEST_F(WindowsTest, CreationSendsItsMessagesInsideTheCall) {
  HWND w = Top(WS_VISIBLE, nullptr, u"Hello");
  ASSERT_NE(w, nullptr);
  std::vector<UINT> expected = {WM_NCCREATE, WM_CREATE, WM_SIZE, WM_MOVE, WM_SHOWWINDOW};
  EXPECT_EQ(MessagesOf(w), expected);
  WCHAR title[16];
  EXPECT_EQ(GetWindowTextW(w, title, 16), 5);
  EXPECT_EQ(std::u16string(title), u"Hello");
  EXPECT_EQ(GetActiveWindow(), w);  // a visible top-level window is activated when shown
}

TEST_F(WindowsTest, CreateReturningMinusOneFailsAndCleansUp) {
  g_createResult = -1;
  HWND w = Top();
  EXPECT_EQ(w, nullptr);
  ASSERT_FALSE(g_log.empty());
  HWND attempted = g_log.front().hwnd;
  std::vector<UINT> expected = {WM_NCCREATE, WM_CREATE, WM_DESTROY, WM_NCDESTROY};
  EXPECT_EQ(MessagesOf(attempted), expected);
  EXPECT_FALSE(IsWindow(attempted));
}

TEST_F(WindowsTest, DestroyReachesTheWindowThenItsChildrenAndOwnedPopupsFirst) {
  HWND parent = Top();
  HWND a = Child(parent, 1, 0, 0, 10, 10);
  HWND b = Child(a, 2, 0, 0, 5, 5);
  HWND popup = Top(WS_POPUP | WS_VISIBLE, parent, u"");
  g_log.clear();
  ASSERT_TRUE(DestroyWindow(parent));
  std::vector<std::pair<HWND, UINT>> got;
  for (const auto& l : g_log)
    if (l.message == WM_DESTROY || l.message == WM_NCDESTROY) got.push_back({l.hwnd, l.message});
  std::vector<std::pair<HWND, UINT>> expected = {
      {popup, WM_DESTROY}, {popup, WM_NCDESTROY},  // owned windows go first, whole
      {parent, WM_DESTROY}, {a, WM_DESTROY}, {b, WM_DESTROY},
      {b, WM_NCDESTROY}, {a, WM_NCDESTROY}, {parent, WM_NCDESTROY}};
  EXPECT_EQ(got, expected);
  for (HWND h : {parent, a, b, popup}) EXPECT_FALSE(IsWindow(h));
  EXPECT_FALSE(DestroyWindow(parent));
}

TEST_F(WindowsTest, DefaultPlacementIsBelowTheTitleBar) {
  HWND w = Top();
  RECT r;
  GetWindowRect(w, &r);
  EXPECT_EQ(r.left, 0);
  EXPECT_EQ(r.top, 26);
  EXPECT_EQ(r.right, 240);
  EXPECT_EQ(r.bottom, 320);
  RECT work;
  ASSERT_TRUE(SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0));
  EXPECT_EQ(work.top, 26);
  EXPECT_EQ(work.bottom, 294);
  RECT bar = platform::MenuBarArea();
  EXPECT_EQ(bar.top, 294);
  EXPECT_EQ(bar.bottom, 320);
  EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 240);
  EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 320);
}

TEST_F(WindowsTest, RelationsIdsAndCoordinates) {
  HWND top = Top();
  HWND child = Child(top, 42, 10, 20, 50, 30);
  HWND grandchild = Child(child, 7, 5, 6, 10, 10);
  HWND popup = Top(WS_POPUP, child, u"");  // a child as owner means its top-level window
  EXPECT_EQ(GetParent(child), top);
  EXPECT_EQ(GetParent(popup), top);
  EXPECT_EQ(GetWindow(popup, GW_OWNER), top);
  EXPECT_EQ(GetDlgItem(top, 42), child);
  EXPECT_EQ(GetDlgCtrlID(grandchild), 7);
  EXPECT_TRUE(IsChild(top, grandchild));
  EXPECT_FALSE(IsChild(child, top));
  EXPECT_EQ(GetAncestor(grandchild, GA_ROOT), top);

  POINT p{1, 2};
  ClientToScreen(grandchild, &p);
  EXPECT_EQ(p.x, 0 + 10 + 5 + 1);
  EXPECT_EQ(p.y, 26 + 20 + 6 + 2);
  ScreenToClient(child, &p);
  EXPECT_EQ(p.x, 6);
  EXPECT_EQ(p.y, 8);
  POINT pts[2] = {{0, 0}, {3, 4}};
  MapWindowPoints(grandchild, top, pts, 2);
  EXPECT_EQ(pts[0].x, 15);
  EXPECT_EQ(pts[1].y, 30);

  RECT r;
  GetClientRect(child, &r);
  EXPECT_EQ(r.right, 50);
  EXPECT_EQ(r.bottom, 30);
  GetWindowRect(child, &r);
  EXPECT_EQ(r.left, 10);
  EXPECT_EQ(r.top, 46);

  EXPECT_TRUE(MoveWindow(child, 1, 2, 3, 4, TRUE));
  GetWindowRect(child, &r);
  EXPECT_EQ(r.left, 1);
  EXPECT_EQ(r.right - r.left, 3);
}

TEST_F(WindowsTest, FindWindowMatchesClassAndExactTitle) {
  HWND a = Top(WS_VISIBLE, nullptr, u"Duzavur Evuravuzad");
  HWND b = Top(WS_VISIBLE, nullptr, u"Other");
  EXPECT_EQ(FindWindowW(u"LogWindow", u"Duzavur Evuravuzad"), a);
  EXPECT_EQ(FindWindowW(u"LOGWINDOW", u"Other"), b);
  EXPECT_EQ(FindWindowW(nullptr, u"Other"), b);
  EXPECT_EQ(FindWindowW(u"LogWindow", u"duzavur evuravuzad"), nullptr);  // titles compare exactly
  EXPECT_EQ(FindWindowW(u"NoSuchClass", nullptr), nullptr);
  HWND child = Child(a, 1, 0, 0, 5, 5);
  SetWindowTextW(child, u"Inner");
  EXPECT_EQ(FindWindowW(nullptr, u"Inner"), nullptr);  // top-level windows only
  DestroyWindow(a);
  EXPECT_EQ(FindWindowW(u"LogWindow", u"Duzavur Evuravuzad"), nullptr);
}

TEST_F(WindowsTest, WindowDataAndExtraBytes) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = DefWindowProcW;
  wc.cbWndExtra = sizeof(LONG_PTR);
  wc.lpszClassName = u"ExtraBytes";
  UnregisterClassW(u"ExtraBytes", nullptr);
  ASSERT_TRUE(RegisterClassW(&wc));
  HWND w = CreateWindowExW(0, u"ExtraBytes", u"", WS_POPUP, 0, 0, 5, 5, nullptr, nullptr, nullptr, nullptr);
  int object = 0;
  SetWindowLongPtrW(w, 0, reinterpret_cast<LONG_PTR>(&object));
  EXPECT_EQ(GetWindowLongPtrW(w, 0), reinterpret_cast<LONG_PTR>(&object));
  SetWindowLongPtrW(w, GWLP_USERDATA, 1234);
  EXPECT_EQ(GetWindowLongW(w, GWL_USERDATA), 1234);
  // Beyond the class's extra bytes, and procedures through the 32-bit call, fail.
  EXPECT_EQ(GetWindowLongPtrW(w, 4), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_INDEX));
  EXPECT_EQ(GetWindowLongW(w, GWL_WNDPROC), 0);
  EXPECT_NE(static_cast<DWORD>(GetWindowLongW(w, GWL_STYLE)) & WS_POPUP, 0u);
  EXPECT_EQ(GetWindowLongPtrW(nullptr, GWLP_USERDATA), 0);
  DestroyWindow(w);
  EXPECT_TRUE(UnregisterClassW(u"ExtraBytes", nullptr));
}

TEST_F(WindowsTest, ZOrderKeepsTopmostAndOwnedWindowsInFront) {
  HWND owner = Top(WS_VISIBLE, nullptr, u"Owner");
  HWND owned = Top(WS_POPUP | WS_VISIBLE, owner, u"");
  HWND other = Top(WS_VISIBLE, nullptr, u"Other");
  HWND topmost = CreateWindowExW(WS_EX_TOPMOST, u"LogWindow", u"", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10, nullptr,
                                 nullptr, nullptr, nullptr);
  auto order = [] {
    std::vector<HWND> list;
    for (HWND h = GetTopWindow(nullptr); h; h = GetWindow(h, GW_HWNDNEXT)) list.push_back(h);
    return list;
  };
  auto before = [&](HWND a, HWND b) {
    auto l = order();
    return std::find(l.begin(), l.end(), a) < std::find(l.begin(), l.end(), b);
  };
  EXPECT_TRUE(before(other, owner));
  EXPECT_TRUE(before(topmost, other));
  // Bringing the owner forward brings its pop-up with it, still in front of it.
  SetWindowPos(owner, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  EXPECT_TRUE(before(owned, owner));
  EXPECT_TRUE(before(owner, other));
  EXPECT_TRUE(before(topmost, owned));
  SetWindowPos(topmost, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  SetWindowPos(other, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  EXPECT_TRUE(before(other, topmost));
  EXPECT_EQ(GetWindowLongW(other, GWL_EXSTYLE) & WS_EX_TOPMOST, WS_EX_TOPMOST);
}

}  // namespace
