// System metrics and parameters of the current screen.
#include "user/window_system.h"

using namespace platform;

int GetSystemMetrics(int index) {
  EnsureStarted();
  State& s = S();
  bool handheld = s.kind == ScreenKind::Handheld;
  switch (index) {
    case SM_CXSCREEN: return s.screen.width();
    case SM_CYSCREEN: return s.screen.height();
    case SM_CXFULLSCREEN: return s.workArea.right - s.workArea.left;
    case SM_CYFULLSCREEN: return s.workArea.bottom - s.workArea.top;
    // The handheld's scroll bars are narrower than the desktop's.
    case SM_CXVSCROLL:
    case SM_CYHSCROLL:
    case SM_CYVSCROLL:
    case SM_CXHSCROLL:
    case SM_CYVTHUMB:
    case SM_CXHTHUMB:
      return handheld ? 13 : 17;
    case SM_CYCAPTION: return handheld ? kTitleBarHeight : 20;
    case SM_CYMENU: return handheld ? kMenuBarHeight : 20;
    case SM_CXBORDER:
    case SM_CYBORDER: return 1;
    case SM_CXDLGFRAME:
    case SM_CYDLGFRAME: return 3;
    case SM_CXEDGE:
    case SM_CYEDGE: return 2;
    case SM_CXICON:
    case SM_CYICON:
    case SM_CXCURSOR:
    case SM_CYCURSOR: return 32;
    case SM_CXSMICON:
    case SM_CYSMICON: return 16;
    case SM_CXDOUBLECLK:
    case SM_CYDOUBLECLK: return 4;
  }
  return 0;
}

BOOL SystemParametersInfoW(UINT action, UINT, LPVOID param, UINT) {
  EnsureStarted();
  if (action == SPI_GETWORKAREA) {
    if (!param) return FALSE;
    *static_cast<RECT*>(param) = S().workArea;
    return TRUE;
  }
  SetLastError(ERROR_INVALID_PARAMETER);
  return FALSE;
}
