// Shared by the standard controls' tests: a headless handheld screen with a parent window
// whose answers a test can script, and helpers for input that must arrive while a control
// runs a modal loop of its own.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "platform/aygshell.h"
#include "platform/commctrl.h"
#include "tests/support/headless_screen.h"
#include "tests/support/message_recorder.h"
#include "tests/support/pixels.h"

namespace controls_test {

// What the parent answers; return true when handled (then `result` is the answer).
using ParentHandler = std::function<bool(HWND, UINT, WPARAM, LPARAM, LRESULT* result)>;

class ControlsTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // A child control of the parent; the parent's client area starts at screen (0, 26).
  HWND Child(const WCHAR* cls, DWORD style, int x, int y, int w, int h, int id = 7, const WCHAR* text = u"");
  // The screen point of a control's client point.
  static POINT OnScreen(HWND window, int x, int y);
  static std::u16string Text(HWND window);
  static void OnParent(ParentHandler handler);

  test::HeadlessScreen screen_;
  HWND parent_ = nullptr;
};

// Runs `action` once, `afterMs` from now, from inside whatever loop is waiting then (a
// menu, a dialog): a timer without a window that the loop dispatches.
void During(DWORD afterMs, std::function<void()> action);
void QueueText(DWORD afterMs, const std::u16string& text);
void QueueKey(DWORD afterMs, UINT key);
void QueueTap(DWORD afterMs, POINT screen);
void QueueDown(DWORD afterMs, POINT screen);
void QueueUp(DWORD afterMs, POINT screen);

// The clipboard's Unicode text ("" when it has none) and setting it.
std::u16string ClipboardText();
void SetClipboardText(const std::u16string& text);

// A part of the screen as it is now.
platform::Surface Crop(RECT area);
// Writes a picture for docs/controls at 1x and 3x (crisp pixels) when ORLEND_WRITE_DOCS=1.
void WriteDoc(const std::string& name, const platform::Surface& image);

// The handheld program's own resources (its .rc file) compiled into a resource library for
// this process, with the same tools the build uses; empty when they are missing.
std::u16string DeviceResourceLibrary();
// A folder of this process and test under the build folder, made empty.
std::string ScratchFolder(const std::string& name);

}  // namespace controls_test
