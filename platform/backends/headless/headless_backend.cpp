// Headless runs: time is virtual and moves only when the program waits, so timers and
// waits of any length take no real time; input comes from a script or a test.
#include "backends/headless/headless_backend.h"
#include "platform/windows.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "platform/regular_file.h"

namespace platform {

namespace {

constexpr size_t kLargestScript = size_t{64} << 20;

bool Reached(DWORD now, DWORD at) { return static_cast<int32_t>(now - at) >= 0; }

}  // namespace

HeadlessBackend::HeadlessBackend(const Options& options) : options_(options) {}

void HeadlessBackend::DesktopGeometry(RECT* screen, RECT* workArea) {
  // A common desktop with a 40-pixel task bar along the bottom.
  *screen = RECT{0, 0, 1280, 1024};
  *workArea = RECT{0, 0, 1280, 984};
}

bool HeadlessBackend::Open(ScreenKind, int, int) {
  if (options_.script.empty()) return true;
  std::string text, error;
  if (!ReadRegularFile(options_.script, kLargestScript, &text, &error)) {
    std::fprintf(stderr, "platform: cannot read the script %s: %s\n", options_.script.c_str(), error.c_str());
    return false;
  }
  std::vector<TimedEvent> events;
  if (!ParseScript(text, &events, &error)) {
    std::fprintf(stderr, "platform: script %s: %s\n", options_.script.c_str(), error.c_str());
    return false;
  }
  for (const TimedEvent& e : events) Queue(now_ + e.at, e.event);
  return true;
}

void HeadlessBackend::Queue(DWORD at, const InputEvent& event) {
  if (!Reached(at, now_)) at = now_;
  Pending p{at, order_++, event};
  auto pos = std::upper_bound(pending_.begin(), pending_.end(), p, [](const Pending& a, const Pending& b) {
    return static_cast<int32_t>(a.at - b.at) < 0 || (a.at == b.at && a.order < b.order);
  });
  pending_.insert(pos, std::move(p));
}

bool HeadlessBackend::HasEventBy(DWORD time) const {
  return !pending_.empty() && Reached(time, pending_.front().at);
}

bool HeadlessBackend::NextEventTime(DWORD* time) const {
  if (pending_.empty()) return false;
  *time = pending_.front().at;
  return true;
}

void HeadlessBackend::AdvanceTo(DWORD time) {
  if (static_cast<int32_t>(time - now_) > 0) now_ = time;
}

void HeadlessBackend::Deliver(std::deque<InputEvent>& out) {
  while (!pending_.empty() && Reached(now_, pending_.front().at)) {
    InputEvent e = std::move(pending_.front().event);
    pending_.pop_front();
    quietSince_ = now_;
    if (e.kind == InputEvent::Kind::End) {
      ended_ = true;
      pending_.clear();
      return;
    }
    if (e.kind == InputEvent::Kind::StylusUp) TraceAt("stylus up");
    out.push_back(std::move(e));
  }
}

void HeadlessBackend::Poll(std::deque<InputEvent>& out) { Deliver(out); }

bool HeadlessBackend::Wait(DWORD timeout, std::deque<InputEvent>& out) {
  Deliver(out);
  if (!out.empty()) return true;
  TraceAt("waiting");
  if (ended_) return false;
  bool haveEvent = !pending_.empty();
  if (!haveEvent) {
    // Only timers are left: the run goes on for a while after its last input, then ends.
    if (timeout == INFINITE) return false;
    DWORD target = now_ + timeout;
    if (static_cast<int32_t>(target - quietSince_) > static_cast<int32_t>(options_.settleTime))
      return false;
    now_ = target;
    return true;
  }
  DWORD target = pending_.front().at;
  if (timeout != INFINITE && static_cast<int32_t>((now_ + timeout) - target) < 0) target = now_ + timeout;
  AdvanceTo(target);
  Deliver(out);
  return true;
}

void HeadlessBackend::Sleep(DWORD ms, std::deque<InputEvent>& out) {
  // Only a modal loop sleeps through the end of its script: a program's run ends as at
  // the main loop, where the end is a quit. (A test's own script keeps its process.)
  if (ended_ && !options_.script.empty()) EndRun();
  DWORD target = now_ + ms;
  while (!pending_.empty() && static_cast<int32_t>(target - pending_.front().at) >= 0) {
    AdvanceTo(pending_.front().at);
    Deliver(out);
  }
  AdvanceTo(target);
  if (pending_.empty() && static_cast<int32_t>(now_ - quietSince_) > static_cast<int32_t>(options_.stallTime))
    Stalled();
}

void HeadlessBackend::EndRun() {
  FinishRun();
  std::fflush(nullptr);
  std::_Exit(0);
}

void HeadlessBackend::Stalled() {
  // A wait that nothing can answer any more (a modal loop with no scripted input left):
  // end the run rather than spin for ever.
  std::fprintf(stderr,
               "platform: headless run stalled: the program still waits at virtual time %u ms "
               "with no scripted input left\n",
               static_cast<unsigned>(now_));
  FinishRun();
  std::fflush(nullptr);
  std::_Exit(3);
}

bool HeadlessBackend::SetClipboardText(const std::u16string& text) {
  clipboard_ = text;
  clipboardFull_ = !text.empty();
  return true;
}

bool HeadlessBackend::GetClipboardText(std::u16string* text) {
  if (!clipboardFull_) return false;
  *text = clipboard_;
  return true;
}

void HeadlessBackend::Note(const headless::Record& record) {
  records_.push_back(record);
  records_.back().time = now_;
}

std::unique_ptr<Backend> CreateHeadlessBackend(const Options& options) {
  return std::make_unique<HeadlessBackend>(options);
}

}  // namespace platform
