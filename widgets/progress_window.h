// The progress panel shown over an owner while a long operation runs on the window thread:
// caption bar, a one-line message and the platform's progress bar. Setting the position
// lets waiting messages through, which keeps the program's windows painted meanwhile.
#pragma once

#include "platform/windows.h"

class CaptionBar;

// Once, at start-up.
void RegisterProgressWindowClass();

// The caller allocates the record, opens it, and deletes it after Close.
class ProgressWindow {
 public:
  ProgressWindow();
  ~ProgressWindow();
  ProgressWindow(const ProgressWindow&) = delete;
  ProgressWindow& operator=(const ProgressWindow&) = delete;

  // Opens the panel centred over `owner`; `maximum` is the value that means 100 %.
  // Returns 1 when the panel is open.
  int Open(HWND owner, const WCHAR* message, int maximum);
  // The bar shows value * 100 / maximum percent (truncated, kept within 0 to 100).
  void SetPosition(int value);
  void Close();

  HWND window;  // class "PWClass"
  HWND bar;     // "msctls_progress32"
  CaptionBar* captionBar;
  int maximum;
  WCHAR* message;
  HWND owner;
};
