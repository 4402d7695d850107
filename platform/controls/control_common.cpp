#include "controls/control_common.h"

#include <algorithm>
#include <vector>

#include "user/window_system.h"

namespace platform::controls {

namespace {

HFONT MakeFont(int height, int weight) {
  LOGFONTW lf{};
  lf.lfHeight = height;
  lf.lfWeight = weight;
  lf.lfQuality = ANTIALIASED_QUALITY;
  const char16_t face[] = u"Tahoma";
  std::copy(std::begin(face), std::end(face), lf.lfFaceName);
  return CreateFontIndirectW(&lf);
}

// A memory DC with the font selected, for measuring.
class MeasureDc {
 public:
  explicit MeasureDc(HFONT font) : dc_(CreateCompatibleDC(nullptr)) {
    old_ = SelectObject(dc_, FontOrDefault(font));
  }
  ~MeasureDc() {
    SelectObject(dc_, old_);
    DeleteDC(dc_);
  }
  HDC get() const { return dc_; }

 private:
  HDC dc_;
  HGDIOBJ old_;
};

}  // namespace

HFONT DefaultFont() {
  static HFONT font = MakeFont(-12, FW_NORMAL);
  return font;
}

HFONT DefaultBoldFont() {
  static HFONT font = MakeFont(-12, FW_BOLD);
  return font;
}

int FontHeight(HFONT font) {
  MeasureDc dc(font);
  TEXTMETRICW tm{};
  GetTextMetricsW(dc.get(), &tm);
  return std::max<int>(1, tm.tmHeight);
}

int TextWidth(HFONT font, const std::u16string& text) {
  MeasureDc dc(font);
  SIZE size{};
  GetTextExtentPoint32W(dc.get(), text.c_str(), static_cast<int>(text.size()), &size);
  return size.cx;
}

void NotifyCommand(HWND control, WORD code) {
  HWND parent = GetParent(control);
  if (!parent) return;
  SendMessageW(parent, WM_COMMAND, MAKEWPARAM(LOWORD(GetDlgCtrlID(control)), code),
               reinterpret_cast<LPARAM>(control));
}

LRESULT NotifyParent(HWND control, NMHDR* header, UINT code) {
  HWND parent = GetParent(control);
  header->hwndFrom = control;
  header->idFrom = static_cast<UINT_PTR>(GetWindowLongPtrW(control, GWLP_ID));
  header->code = code;
  if (!parent) return 0;
  return SendMessageW(parent, WM_NOTIFY, header->idFrom, reinterpret_cast<LPARAM>(header));
}

bool WaitAtMost(DWORD ms) {
  State& s = S();
  if (!s.backend) return false;
  PresentIfIdle();
  return s.backend->Wait(std::min(ms, MillisecondsToNextTimer()), s.input);
}

void DispatchNonInput() {
  MSG m;
  // Posted messages outside the input ranges, then paints, then timers.
  const UINT ranges[][2] = {{WM_NULL, WM_KEYFIRST - 1},
                            {WM_KEYLAST + 1, WM_MOUSEFIRST - 1},
                            {WM_MOUSELAST + 1, 0xFFFFFFFF}};
  for (int guard = 0; guard < 10000; ++guard) {
    bool any = false;
    for (const auto& r : ranges) {
      if (PeekMessageW(&m, nullptr, r[0], r[1], PM_REMOVE)) {
        if (m.message == WM_QUIT) {
          PostQuitMessage(static_cast<int>(m.wParam));
          return;
        }
        DispatchMessageW(&m);
        any = true;
        break;
      }
    }
    if (!any) return;
  }
}

void FillSolid(HDC dc, const RECT& r, COLORREF colour) {
  HBRUSH brush = CreateSolidBrush(colour);
  FillRect(dc, &r, brush);
  DeleteObject(brush);
}

void FrameSolid(HDC dc, const RECT& r, COLORREF colour) {
  HBRUSH brush = CreateSolidBrush(colour);
  FrameRect(dc, &r, brush);
  DeleteObject(brush);
}

void HorizontalLine(HDC dc, int x1, int x2, int y, COLORREF colour) {
  RECT r{x1, y, x2, y + 1};
  FillSolid(dc, r, colour);
}

std::u16string FitWithEllipsis(HDC dc, const std::u16string& text, int width) {
  SIZE size{};
  GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
  if (size.cx <= width) return text;
  const std::u16string dots = u"...";
  SIZE dotsSize{};
  GetTextExtentPoint32W(dc, dots.c_str(), 3, &dotsSize);
  int room = width - dotsSize.cx;
  if (room <= 0) return std::u16string();
  int fit = 0;
  GetTextExtentExPointW(dc, text.c_str(), static_cast<int>(text.size()), room, &fit, nullptr, &size);
  return text.substr(0, static_cast<size_t>(fit)) + dots;
}

}  // namespace platform::controls
