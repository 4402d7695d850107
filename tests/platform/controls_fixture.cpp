#include "tests/platform/controls_fixture.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "platform/png.h"
#include "platform/utf.h"

namespace controls_test {

namespace {

ParentHandler& Handler() {
  static ParentHandler handler;
  return handler;
}

LRESULT CALLBACK ParentProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  if (Handler() && Handler()(hwnd, message, wParam, lParam, &result)) return result;
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

std::function<void()>& Pending() {
  static std::function<void()> action;
  return action;
}

void CALLBACK RunPending(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  std::function<void()> action = std::move(Pending());
  Pending() = nullptr;
  if (action) action();
}

void QueueAt(DWORD afterMs, platform::InputEvent::Kind kind, POINT p, UINT key = 0) {
  platform::InputEvent e;
  e.kind = kind;
  e.point = p;
  e.key = key;
  platform::headless::Queue(test::Now() + afterMs, e);
}

}  // namespace

void ControlsTest::SetUp() {
  ASSERT_TRUE(screen_.ok());
  Handler() = nullptr;
  ASSERT_TRUE(test::RegisterTestClass(u"ControlsParent", ParentProc, GetSysColorBrush(COLOR_WINDOW)));
  parent_ = CreateWindowExW(0, u"ControlsParent", u"Controls", WS_VISIBLE | WS_CLIPCHILDREN, CW_USEDEFAULT, 0,
                            CW_USEDEFAULT, 0, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(parent_, nullptr);
  test::RunUntilIdle();
}

void ControlsTest::TearDown() { Handler() = nullptr; }

HWND ControlsTest::Child(const WCHAR* cls, DWORD style, int x, int y, int w, int h, int id, const WCHAR* text) {
  HWND hwnd = CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, parent_,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
  EXPECT_NE(hwnd, nullptr) << "no window of class " << std::string(cls, cls + std::char_traits<char16_t>::length(cls));
  test::RunUntilIdle();
  return hwnd;
}

POINT ControlsTest::OnScreen(HWND window, int x, int y) {
  POINT p{x, y};
  ClientToScreen(window, &p);
  return p;
}

std::u16string ControlsTest::Text(HWND window) {
  WCHAR buffer[512] = {};
  int n = GetWindowTextW(window, buffer, 512);
  return std::u16string(buffer, static_cast<size_t>(n));
}

void ControlsTest::OnParent(ParentHandler handler) { Handler() = std::move(handler); }

void During(DWORD afterMs, std::function<void()> action) {
  Pending() = std::move(action);
  SetTimer(nullptr, 0, afterMs, RunPending);
}

void QueueText(DWORD afterMs, const std::u16string& text) {
  platform::InputEvent e;
  e.kind = platform::InputEvent::Kind::Text;
  e.text = text;
  platform::headless::Queue(test::Now() + afterMs, e);
}

void QueueKey(DWORD afterMs, UINT key) {
  QueueAt(afterMs, platform::InputEvent::Kind::KeyDown, POINT{}, key);
  QueueAt(afterMs, platform::InputEvent::Kind::KeyUp, POINT{}, key);
}

void QueueTap(DWORD afterMs, POINT screen) {
  QueueDown(afterMs, screen);
  QueueUp(afterMs, screen);
}

void QueueDown(DWORD afterMs, POINT screen) { QueueAt(afterMs, platform::InputEvent::Kind::StylusDown, screen); }
void QueueUp(DWORD afterMs, POINT screen) { QueueAt(afterMs, platform::InputEvent::Kind::StylusUp, screen); }

std::u16string ClipboardText() {
  std::u16string text;
  if (!OpenClipboard(nullptr)) return text;
  if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    if (auto* p = static_cast<const WCHAR*>(GlobalLock(data))) {
      text = p;
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
  return text;
}

void SetClipboardText(const std::u16string& text) {
  if (!OpenClipboard(nullptr)) return;
  EmptyClipboard();
  HGLOBAL data = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(WCHAR));
  std::memcpy(GlobalLock(data), text.c_str(), (text.size() + 1) * sizeof(WCHAR));
  GlobalUnlock(data);
  SetClipboardData(CF_UNICODETEXT, data);
  CloseClipboard();
}

platform::Surface Crop(RECT area) {
  platform::Surface screen = platform::headless::Snapshot();
  int w = area.right - area.left, h = area.bottom - area.top;
  platform::Surface part(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) part.set_pixel(x, y, screen.pixel(area.left + x, area.top + y));
  return part;
}

void WriteDoc(const std::string& name, const platform::Surface& one) {
  const char* write = std::getenv("ORLEND_WRITE_DOCS");
  if (!write || std::strcmp(write, "1") != 0) return;
  int w = one.width(), h = one.height();
  platform::Surface three(w * 3, h * 3);
  for (int y = 0; y < h * 3; ++y)
    for (int x = 0; x < w * 3; ++x) three.set_pixel(x, y, one.pixel(x / 3, y / 3));
  std::filesystem::path folder = std::filesystem::path(ORLEND_SOURCE_DIR) / "docs" / "controls";
  std::filesystem::create_directories(folder);
  std::string error;
  EXPECT_TRUE(platform::WritePng(one, (folder / (name + ".png")).string(), &error)) << error;
  EXPECT_TRUE(platform::WritePng(three, (folder / (name + "@3x.png")).string(), &error)) << error;
}

std::string ScratchFolder(const std::string& name) {
  namespace fs = std::filesystem;
  fs::path dir = fs::path(ORLEND_BINARY_DIR) / "controls-scratch" / (name + "-" + std::to_string(getpid()));
  std::error_code ec;
  fs::remove_all(dir, ec);
  fs::create_directories(dir);
  return dir.string();
}

std::u16string DeviceResourceLibrary() {
  static std::u16string path = [] {
    namespace fs = std::filesystem;
    fs::path dir = ScratchFolder("device-resources");
    std::ofstream(dir / "about.utf16", std::ios::binary).write("\xFF\xFE" "A\0", 4);
    fs::path source = fs::path(ORLEND_SOURCE_DIR) / "resources" / "device";
    fs::path object = dir / "device.o", library = dir / "device.dll";
    std::string compile = "x86_64-w64-mingw32-windres --preprocessor=cpp -c 65001 -I '" + source.string() + "' -I '" +
                          dir.string() + "' -i '" + (source / "orlend-dict.rc").string() + "' -O coff -o '" +
                          object.string() + "' 2>/dev/null";
    std::string link = "x86_64-w64-mingw32-ld --dll -e 0 -s -o '" + library.string() + "' '" + object.string() +
                       "' 2>/dev/null";
    if (std::system(compile.c_str()) != 0 || std::system(link.c_str()) != 0) return std::u16string();
    return platform::Utf16FromUtf8(library.string());
  }();
  return path;
}

}  // namespace controls_test
