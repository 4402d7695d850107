#include "tests/support/message_recorder.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <sstream>

namespace test {

namespace {

constexpr UINT kCustomDraw = static_cast<UINT>(0u - 12u);  // NM_CUSTOMDRAW

// The custom-draw record starts with its header and the draw stage.
struct CustomDrawHead {
  NMHDR hdr;
  DWORD stage;
};

// Several recorders may watch one window: one subclass serves them all.
struct Watch {
  WNDPROC previous = nullptr;
  std::vector<MessageRecorder*> recorders;
};

std::map<HWND, Watch>& Watches() {
  static std::map<HWND, Watch> watches;
  return watches;
}

const std::set<UINT> kNoise = {WM_NCHITTEST, WM_SETCURSOR, WM_GETTEXT, WM_GETTEXTLENGTH, WM_GETDLGCODE,
                               WM_GETFONT};

std::string Hex(unsigned long long v) {
  char b[32];
  std::snprintf(b, sizeof b, "0x%llx", v);
  return b;
}

}  // namespace

std::string MessageName(UINT m) {
  static const std::map<UINT, const char*> names = {
      {WM_CREATE, "WM_CREATE"}, {WM_DESTROY, "WM_DESTROY"}, {WM_MOVE, "WM_MOVE"}, {WM_SIZE, "WM_SIZE"},
      {WM_ACTIVATE, "WM_ACTIVATE"}, {WM_SETFOCUS, "WM_SETFOCUS"}, {WM_KILLFOCUS, "WM_KILLFOCUS"},
      {WM_ENABLE, "WM_ENABLE"}, {WM_SETREDRAW, "WM_SETREDRAW"}, {WM_SETTEXT, "WM_SETTEXT"},
      {WM_GETTEXT, "WM_GETTEXT"}, {WM_PAINT, "WM_PAINT"}, {WM_CLOSE, "WM_CLOSE"}, {WM_QUIT, "WM_QUIT"},
      {WM_ERASEBKGND, "WM_ERASEBKGND"}, {WM_SHOWWINDOW, "WM_SHOWWINDOW"}, {WM_SETTINGCHANGE, "WM_SETTINGCHANGE"},
      {WM_MOUSEACTIVATE, "WM_MOUSEACTIVATE"}, {WM_NOTIFY, "WM_NOTIFY"}, {WM_SETFONT, "WM_SETFONT"},
      {WM_NCCREATE, "WM_NCCREATE"}, {WM_NCDESTROY, "WM_NCDESTROY"}, {WM_NCCALCSIZE, "WM_NCCALCSIZE"},
      {WM_NCHITTEST, "WM_NCHITTEST"}, {WM_NCPAINT, "WM_NCPAINT"}, {WM_NCACTIVATE, "WM_NCACTIVATE"},
      {WM_NCLBUTTONDOWN, "WM_NCLBUTTONDOWN"}, {WM_NCLBUTTONUP, "WM_NCLBUTTONUP"}, {WM_NCMOUSEMOVE, "WM_NCMOUSEMOVE"},
      {WM_KEYDOWN, "WM_KEYDOWN"}, {WM_KEYUP, "WM_KEYUP"}, {WM_CHAR, "WM_CHAR"}, {WM_COMMAND, "WM_COMMAND"},
      {WM_SYSCOMMAND, "WM_SYSCOMMAND"}, {WM_TIMER, "WM_TIMER"}, {WM_HSCROLL, "WM_HSCROLL"},
      {WM_VSCROLL, "WM_VSCROLL"}, {WM_CTLCOLOREDIT, "WM_CTLCOLOREDIT"}, {WM_CTLCOLORLISTBOX, "WM_CTLCOLORLISTBOX"},
      {WM_CTLCOLORSTATIC, "WM_CTLCOLORSTATIC"}, {WM_MOUSEMOVE, "WM_MOUSEMOVE"}, {WM_LBUTTONDOWN, "WM_LBUTTONDOWN"},
      {WM_LBUTTONUP, "WM_LBUTTONUP"}, {WM_RBUTTONDOWN, "WM_RBUTTONDOWN"}, {WM_RBUTTONUP, "WM_RBUTTONUP"},
      {WM_CAPTURECHANGED, "WM_CAPTURECHANGED"}, {WM_ENTERSIZEMOVE, "WM_ENTERSIZEMOVE"},
      {WM_EXITSIZEMOVE, "WM_EXITSIZEMOVE"}, {WM_CUT, "WM_CUT"}, {WM_COPY, "WM_COPY"}, {WM_PASTE, "WM_PASTE"},
      {WM_SETCURSOR, "WM_SETCURSOR"}, {WM_GETTEXTLENGTH, "WM_GETTEXTLENGTH"},
  };
  auto it = names.find(m);
  if (it != names.end()) return it->second;
  if (m >= WM_USER && m < WM_APP) return "WM_USER+" + std::to_string(m - WM_USER);
  if (m >= WM_APP) return "WM_APP+" + std::to_string(m - WM_APP);
  return Hex(m);
}

MessageRecorder::MessageRecorder(HWND window, std::set<UINT> only) : window_(window), only_(std::move(only)) {
  Watch& watch = Watches()[window];
  if (watch.recorders.empty())
    watch.previous = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Proc)));
  watch.recorders.push_back(this);
  previous_ = watch.previous;
}

MessageRecorder::~MessageRecorder() {
  auto it = Watches().find(window_);
  if (it == Watches().end()) return;
  auto& list = it->second.recorders;
  list.erase(std::remove(list.begin(), list.end(), this), list.end());
  if (!list.empty()) return;
  if (IsWindow(window_) && GetWindowLongPtrW(window_, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&Proc))
    SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(it->second.previous));
  Watches().erase(it);
}

LRESULT CALLBACK MessageRecorder::Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto it = Watches().find(hwnd);
  if (it == Watches().end()) return DefWindowProcW(hwnd, message, wParam, lParam);
  RecordedMessage r{message, wParam, lParam, -1, 0};
  if (message == WM_NOTIFY && lParam) {
    auto* hdr = reinterpret_cast<const NMHDR*>(lParam);
    r.code = hdr->code;
    if (hdr->code == kCustomDraw) r.stage = static_cast<int>(reinterpret_cast<const CustomDrawHead*>(lParam)->stage);
  }
  for (MessageRecorder* self : it->second.recorders) {
    bool keep = self->only_.empty() ? !kNoise.count(message) : self->only_.count(message) > 0;
    if (keep) self->log_.push_back(r);
  }
  WNDPROC previous = it->second.previous;
  return CallWindowProcW(previous, hwnd, message, wParam, lParam);
}

std::vector<UINT> MessageRecorder::Messages() const {
  std::vector<UINT> out;
  for (const auto& r : log_) out.push_back(r.message);
  return out;
}

size_t MessageRecorder::Count(UINT message) const {
  size_t n = 0;
  for (const auto& r : log_) n += r.message == message;
  return n;
}

std::string MessageRecorder::Describe() const {
  std::ostringstream out;
  for (const auto& r : log_) {
    out << "  " << MessageName(r.message) << " w=" << Hex(r.wParam) << " l=" << Hex(static_cast<unsigned long long>(r.lParam));
    if (r.stage >= 0) out << " stage=" << Hex(static_cast<unsigned>(r.stage));
    out << "\n";
  }
  return out.str();
}

::testing::AssertionResult MessageRecorder::Matches(const std::vector<Expected>& expected) const {
  bool same = expected.size() == log_.size();
  for (size_t i = 0; same && i < expected.size(); ++i) {
    const Expected& e = expected[i];
    const RecordedMessage& r = log_[i];
    same = e.message == r.message && (!e.wParam || *e.wParam == r.wParam) && (!e.lParam || *e.lParam == r.lParam) &&
           (!e.stage || *e.stage == r.stage);
  }
  if (same) return ::testing::AssertionSuccess();
  std::ostringstream want;
  for (const auto& e : expected) {
    want << "  " << MessageName(e.message);
    if (e.wParam) want << " w=" << Hex(*e.wParam);
    if (e.lParam) want << " l=" << Hex(static_cast<unsigned long long>(*e.lParam));
    if (e.stage) want << " stage=" << Hex(static_cast<unsigned>(*e.stage));
    want << "\n";
  }
  return ::testing::AssertionFailure() << "messages differ\nexpected:\n" << want.str() << "recorded:\n" << Describe();
}

}  // namespace test
