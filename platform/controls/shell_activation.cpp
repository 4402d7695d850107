// The handheld shell's activation and setting-change handlers. There is no input panel to
// raise or lower here, so they keep the window's activation record and report success.
#include "platform/aygshell.h"

namespace {

// The smallest record the handheld's programs hand over (its 32-bit size).
constexpr DWORD kSmallestRecord = 12;

bool Usable(HWND window, const SHACTIVATEINFO* info) {
  return info && info->cbSize >= kSmallestRecord && IsWindow(window);
}

}  // namespace

BOOL SHHandleWMActivate(HWND window, WPARAM wParam, LPARAM, SHACTIVATEINFO* info, DWORD) {
  if (!Usable(window, info)) return FALSE;
  if (LOWORD(wParam) == WA_INACTIVE) {
    // Remember which of the window's children had the focus, as the shell does.
    HWND focus = GetFocus();
    info->hwndLastFocus = focus && (focus == window || IsChild(window, focus)) ? focus : nullptr;
    info->fActive = 0;
  } else {
    info->fActive = 1;
  }
  info->fSipUp = 0;
  return TRUE;
}

BOOL SHHandleWMSettingChange(HWND window, WPARAM, LPARAM, SHACTIVATEINFO* info) {
  if (!Usable(window, info)) return FALSE;
  info->fSipUp = 0;
  return TRUE;
}
