// Menus as the layer keeps them: items with their flags, command ids, texts and pop-ups.
#pragma once

#include <string>
#include <vector>

#include "platform/windows.h"

namespace platform::controls {

struct MenuItem {
  UINT flags = 0;  // MF_GRAYED, MF_DISABLED, MF_CHECKED, MF_SEPARATOR, MF_POPUP
  UINT_PTR id = 0;
  std::u16string text;
  HMENU popup = nullptr;
};

struct Menu {
  bool popup = false;
  std::vector<MenuItem> items;
};

Menu* MenuFromHandle(HMENU handle);  // null for a handle that is not (or no longer) a menu

inline bool Choosable(const MenuItem& item) {
  return !(item.flags & (MF_GRAYED | MF_DISABLED | MF_SEPARATOR | MF_POPUP));
}

}  // namespace platform::controls
