// System colours and their brushes (a handheld's classic palette).
#include "user/window_system.h"

namespace platform {

namespace {

constexpr COLORREF kColours[] = {
    RGB(212, 208, 200),  // COLOR_SCROLLBAR
    RGB(58, 110, 165),   // COLOR_BACKGROUND
    RGB(10, 36, 106),    // COLOR_ACTIVECAPTION
    RGB(128, 128, 128),  // COLOR_INACTIVECAPTION
    RGB(255, 255, 255),  // COLOR_MENU
    RGB(255, 255, 255),  // COLOR_WINDOW
    RGB(0, 0, 0),        // COLOR_WINDOWFRAME
    RGB(0, 0, 0),        // COLOR_MENUTEXT
    RGB(0, 0, 0),        // COLOR_WINDOWTEXT
    RGB(255, 255, 255),  // COLOR_CAPTIONTEXT
    RGB(212, 208, 200),  // COLOR_ACTIVEBORDER
    RGB(212, 208, 200),  // COLOR_INACTIVEBORDER
    RGB(128, 128, 128),  // COLOR_APPWORKSPACE
    RGB(10, 36, 106),    // COLOR_HIGHLIGHT
    RGB(255, 255, 255),  // COLOR_HIGHLIGHTTEXT
    RGB(212, 208, 200),  // COLOR_BTNFACE
    RGB(128, 128, 128),  // COLOR_BTNSHADOW
    RGB(128, 128, 128),  // COLOR_GRAYTEXT
    RGB(0, 0, 0),        // COLOR_BTNTEXT
    RGB(212, 208, 200),  // COLOR_INACTIVECAPTIONTEXT
    RGB(255, 255, 255),  // COLOR_BTNHIGHLIGHT
    RGB(64, 64, 64),     // COLOR_3DDKSHADOW
    RGB(212, 208, 200),  // COLOR_3DLIGHT
    RGB(0, 0, 0),        // COLOR_INFOTEXT
    RGB(255, 255, 225),  // COLOR_INFOBK
    RGB(212, 208, 200),  // COLOR_STATIC
    RGB(0, 0, 0),        // COLOR_STATICTEXT
};
constexpr int kCount = sizeof(kColours) / sizeof(kColours[0]);

}  // namespace

HBRUSH BrushFromClassBackground(HBRUSH background) {
  auto value = reinterpret_cast<uintptr_t>(background);
  if (value > 0 && value <= static_cast<uintptr_t>(kCount)) return GetSysColorBrush(static_cast<int>(value - 1));
  return background;
}

}  // namespace platform

DWORD GetSysColor(int index) {
  using namespace platform;
  if (index < 0 || index >= kCount) return 0;
  return kColours[index];
}

HBRUSH GetSysColorBrush(int index) {
  using namespace platform;
  static HBRUSH brushes[kCount] = {};
  if (index < 0 || index >= kCount) return nullptr;
  if (!brushes[index]) brushes[index] = CreateSolidBrush(kColours[index]);
  return brushes[index];
}
