// Registers the layer's classes once, on first need: the screens' own windows and, when the
// controls folder provides them, the standard controls.
#include "user/system_classes.h"
#include "user/window_system.h"

#if __has_include("controls/control_classes.h")
#include "controls/control_classes.h"
#define PLATFORM_HAS_CONTROL_CLASSES 1
#endif

namespace platform {

void RegisterMessageBoxClass();

void RegisterLayerClasses() {
  static bool done = false;
  if (done) return;
  done = true;
  RegisterDesktopClass();
  RegisterTitleBarClass();
  RegisterMessageBoxClass();
#ifdef PLATFORM_HAS_CONTROL_CLASSES
  RegisterControlClasses();
#endif
}

}  // namespace platform
