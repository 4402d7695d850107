// The headless backend: a virtual clock, queued input and recorded outside calls.
#pragma once

#include <deque>
#include <vector>

#include "backends/backend.h"
#include "backends/frame_trace.h"
#include "backends/headless/input_script.h"

namespace platform {

class HeadlessBackend : public Backend {
 public:
  explicit HeadlessBackend(const Options& options);

  void DesktopGeometry(RECT* screen, RECT* workArea) override;
  bool Open(ScreenKind kind, int width, int height) override;
  void Present(const Surface&, const std::vector<FrameView>&) override {
    framesShown_++;
    TraceAt("frame shown");
  }
  unsigned FramesShown() const override { return framesShown_; }
  DWORD Ticks() override { return now_; }
  void Poll(std::deque<InputEvent>& out) override;
  bool Wait(DWORD timeout, std::deque<InputEvent>& out) override;
  void Sleep(DWORD ms, std::deque<InputEvent>& out) override;
  bool SetClipboardText(const std::u16string& text) override;
  bool GetClipboardText(std::u16string* text) override;
  void PlayWave(const std::string&) override {}
  void StopSound() override {}
  void Tone(DWORD, DWORD) override {}
  bool OpenDocument(const std::string&) override { return true; }
  void Note(const headless::Record& record) override;
  bool AnswersMessageBoxes() const override { return true; }
  bool headless() const override { return true; }

  // For the headless interface of platform.h.
  void Queue(DWORD at, const InputEvent& event);
  bool HasEventBy(DWORD time) const;
  bool NextEventTime(DWORD* time) const;
  void AdvanceTo(DWORD time);  // the clock moves; nothing is delivered
  void MarkActivity() { quietSince_ = now_; }
  std::vector<headless::Record>& records() { return records_; }

 private:
  struct Pending {
    DWORD at;
    uint64_t order;
    InputEvent event;
  };
  void Deliver(std::deque<InputEvent>& out);
  void Stalled();
  [[noreturn]] void EndRun();

  Options options_;
  DWORD now_ = 1000;  // a handheld's tick count is never 0
  unsigned framesShown_ = 0;
  DWORD quietSince_ = 1000;
  uint64_t order_ = 0;
  bool ended_ = false;
  std::deque<Pending> pending_;  // sorted by time, then order
  std::u16string clipboard_;
  bool clipboardFull_ = false;
  std::vector<headless::Record> records_;
};

}  // namespace platform
