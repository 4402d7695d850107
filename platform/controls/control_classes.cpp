#include "controls/control_classes.h"

#include "platform/commctrl.h"

namespace platform {

void RegisterControlClasses() {
  controls::RegisterEditClass();
  controls::RegisterListBoxClass();
  controls::RegisterListViewClass();
  controls::RegisterProgressClass();
  controls::RegisterPopupMenuClass();
  controls::RegisterMenuBarClass();
  controls::RegisterFileDialogClasses();
}

}  // namespace platform

// The classes are registered with the window system itself, so there is nothing to start.
BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* init) {
  return init && init->dwSize >= sizeof(INITCOMMONCONTROLSEX) ? TRUE : FALSE;
}

void InitCommonControls() {}
