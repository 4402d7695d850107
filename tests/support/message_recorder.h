// Records what a window is sent, through a subclassed window procedure, and compares it with
// an expected table; on a mismatch both tables are printed.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/windows.h"

namespace test {

struct RecordedMessage {
  UINT message = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  int stage = -1;  // WM_NOTIFY with NM_CUSTOMDRAW: the draw stage
  UINT code = 0;   // WM_NOTIFY: the notification code
};

// An expected row; a parameter left empty matches anything.
struct Expected {
  UINT message;
  std::optional<WPARAM> wParam = std::nullopt;
  std::optional<LPARAM> lParam = std::nullopt;
  std::optional<int> stage = std::nullopt;
};

std::string MessageName(UINT message);

class MessageRecorder {
 public:
  // Records every message except the noisy ones (hit tests, cursor, text queries) unless
  // `only` names the messages to keep.
  explicit MessageRecorder(HWND window, std::set<UINT> only = {});
  ~MessageRecorder();
  MessageRecorder(const MessageRecorder&) = delete;
  MessageRecorder& operator=(const MessageRecorder&) = delete;

  const std::vector<RecordedMessage>& log() const { return log_; }
  void Clear() { log_.clear(); }
  std::vector<UINT> Messages() const;
  size_t Count(UINT message) const;
  // The recorded messages must be exactly `expected`, in order.
  ::testing::AssertionResult Matches(const std::vector<Expected>& expected) const;
  std::string Describe() const;

 private:
  static LRESULT CALLBACK Proc(HWND, UINT, WPARAM, LPARAM);
  HWND window_;
  WNDPROC previous_ = nullptr;
  std::set<UINT> only_;
  std::vector<RecordedMessage> log_;
};

}  // namespace test
