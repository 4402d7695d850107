// The standard controls as system classes: the window system calls RegisterControlClasses
// once, the first time it looks a class up.
#pragma once

namespace platform {

void RegisterControlClasses();

namespace controls {

void RegisterEditClass();
void RegisterListBoxClass();
void RegisterListViewClass();
void RegisterProgressClass();
void RegisterPopupMenuClass();
void RegisterMenuBarClass();
void RegisterFileDialogClasses();

}  // namespace controls
}  // namespace platform
