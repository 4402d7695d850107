// What a backend does for the window system: present finished frames, deliver raw input,
// keep time, and reach the desktop (clipboard, sound, documents). All drawing happens in the
// layer's rasteriser before a frame gets here, so every backend shows the same pixels.
#pragma once

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/surface.h"
#include "platform/windef.h"

namespace platform {

// A visible top-level window, for backends that show each in its own desktop window.
struct FrameView {
  HWND window = nullptr;
  RECT rect{};  // screen coordinates
  std::u16string title;
  bool topmost = false;
  bool active = false;
};

class Backend {
 public:
  virtual ~Backend() = default;

  // Desktop screen: the desktop's bounds and work area. Called before Open.
  virtual void DesktopGeometry(RECT* screen, RECT* workArea) = 0;
  virtual bool Open(ScreenKind kind, int width, int height) = 0;
  // `views` front to back.
  virtual void Present(const Surface& screen, const std::vector<FrameView>& views) = 0;
  // Frames sent to the display so far (see platform::FramesShown).
  virtual unsigned FramesShown() const = 0;

  virtual DWORD Ticks() = 0;
  virtual void Poll(std::deque<InputEvent>& out) = 0;
  // Waits until input comes or `timeout` ms pass (INFINITE: until input). Returns false when
  // no input can come any more (the headless run is over).
  virtual bool Wait(DWORD timeout, std::deque<InputEvent>& out) = 0;
  // Lets time pass; input that arrives meanwhile is appended.
  virtual void Sleep(DWORD ms, std::deque<InputEvent>& out) = 0;

  virtual bool SetClipboardText(const std::u16string& text) = 0;
  virtual bool GetClipboardText(std::u16string* text) = 0;
  // Best effort: a missing audio device is not an error.
  virtual void PlayWave(const std::string& path) = 0;
  virtual void StopSound() = 0;
  virtual void Tone(DWORD frequency, DWORD milliseconds) = 0;
  // Opens a document or address with the desktop's handler, without waiting.
  virtual bool OpenDocument(const std::string& pathOrUrl) = 0;

  // Brings the program's desktop window in front of the desktop's other windows.
  virtual void Raise() {}

  // Headless: records a call that would reach outside; the SDL backend ignores it.
  virtual void Note(const headless::Record&) {}
  // Headless answers system message boxes itself (true); the SDL backend lets them show.
  virtual bool AnswersMessageBoxes() const { return false; }
  virtual bool headless() const { return false; }
};

std::unique_ptr<Backend> CreateHeadlessBackend(const Options& options);
std::unique_ptr<Backend> CreateSdlBackend(const Options& options);

// The headless backend's own calls (platform/backends/headless/).
class HeadlessBackend;
HeadlessBackend* ActiveHeadless();

}  // namespace platform
