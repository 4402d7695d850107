// Parsed menu and menu-bar resources, for the layer's menus and the handheld's menu bar.
#pragma once

#include <string>
#include <vector>

#include "platform/windef.h"

namespace platform {

struct MenuTemplateItem {
  WORD flags = 0;   // MF_GRAYED 0x1, MF_CHECKED 0x8, MF_POPUP 0x10 as written in the .rc file
  WORD id = 0;      // command id (0 for pop-ups and separators)
  bool popup = false;
  bool separator = false;  // MENUITEM SEPARATOR
  std::u16string text;
  std::vector<MenuTemplateItem> children;
};

// A standard menu resource (RT_MENU). False on a malformed or truncated template.
bool ParseMenuTemplate(const BYTE* data, size_t size, std::vector<MenuTemplateItem>& items);

// The handheld's menu-bar resource (RCDATA): menu id, button count, then seven words per
// button: image, command, state, style, caption string id, 0, pop-up index in the menu.
struct MenuBarButton {
  WORD image = 0;
  WORD command = 0;
  WORD state = 0;
  WORD style = 0;
  WORD stringId = 0;
  WORD menuIndex = 0;
};
struct MenuBarTemplate {
  WORD menuId = 0;
  std::vector<MenuBarButton> buttons;
};
bool ParseMenuBarResource(const BYTE* data, size_t size, MenuBarTemplate& bar);

// The bytes of resource (type, name) of a module, or false.
bool FindResourceBytes(HMODULE module, LPCWSTR type, LPCWSTR name, const BYTE** data, DWORD* size);

}  // namespace platform
