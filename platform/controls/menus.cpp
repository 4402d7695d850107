// Menu handles and their items: creating, changing, querying and destroying menus, and
// loading them from menu resources.
#include <algorithm>
#include <memory>
#include <unordered_map>
#include <unordered_set>

#include "controls/menu_data.h"
#include "platform/resource_templates.h"

namespace platform::controls {

namespace {

struct MenuTable {
  std::unordered_map<HMENU, std::unique_ptr<Menu>> menus;
  uintptr_t next = 0x4D0000;
};

MenuTable& Table() {
  static MenuTable table;
  return table;
}

HMENU NewMenu(bool popup) {
  MenuTable& t = Table();
  auto handle = reinterpret_cast<HMENU>(t.next);
  t.next += 4;
  auto menu = std::make_unique<Menu>();
  menu->popup = popup;
  t.menus[handle] = std::move(menu);
  return handle;
}

// The item that `position` names: by position in `menu`, or by command anywhere below it.
struct Found {
  Menu* menu = nullptr;
  size_t index = 0;
};

Found FindByCommand(Menu* menu, UINT command, std::unordered_set<Menu*>& seen) {
  if (!menu || !seen.insert(menu).second) return {};
  for (size_t i = 0; i < menu->items.size(); ++i) {
    MenuItem& item = menu->items[i];
    if (item.flags & MF_POPUP) {
      if (reinterpret_cast<UINT_PTR>(item.popup) == command) return {menu, i};
      Found inner = FindByCommand(MenuFromHandle(item.popup), command, seen);
      if (inner.menu) return inner;
    } else if (!(item.flags & MF_SEPARATOR) && item.id == command) {
      return {menu, i};
    }
  }
  return {};
}

Found Find(HMENU handle, UINT position, UINT flags) {
  Menu* menu = MenuFromHandle(handle);
  if (!menu) return {};
  if (flags & MF_BYPOSITION) return position < menu->items.size() ? Found{menu, position} : Found{};
  std::unordered_set<Menu*> seen;
  return FindByCommand(menu, position, seen);
}

void Destroy(HMENU handle, int depth) {
  MenuTable& t = Table();
  auto it = t.menus.find(handle);
  if (it == t.menus.end() || depth > 32) return;
  std::unique_ptr<Menu> menu = std::move(it->second);
  t.menus.erase(it);
  for (const MenuItem& item : menu->items)
    if (item.flags & MF_POPUP) Destroy(item.popup, depth + 1);
}

bool MakeItem(UINT flags, UINT_PTR id, LPCWSTR text, MenuItem& item) {
  item.flags = flags & (MF_GRAYED | MF_DISABLED | MF_CHECKED | MF_SEPARATOR | MF_POPUP);
  if (flags & MF_POPUP) {
    item.popup = reinterpret_cast<HMENU>(id);
    if (!MenuFromHandle(item.popup)) return false;
  } else {
    item.id = id;
  }
  if (!(flags & MF_SEPARATOR) && text) item.text = text;
  return true;
}

HMENU Build(const std::vector<MenuTemplateItem>& items, bool popup, int depth) {
  HMENU handle = NewMenu(popup);
  for (const MenuTemplateItem& t : items) {
    MenuItem item;
    if (t.popup) {
      item.flags = MF_POPUP;
      item.popup = Build(t.children, true, depth + 1);
    } else if (t.separator) {
      item.flags = MF_SEPARATOR;
    } else {
      item.id = t.id;
    }
    item.flags |= t.flags & (MF_GRAYED | MF_DISABLED | MF_CHECKED);
    item.text = t.text;
    MenuFromHandle(handle)->items.push_back(std::move(item));
  }
  return handle;
}

}  // namespace

Menu* MenuFromHandle(HMENU handle) {
  MenuTable& t = Table();
  auto it = t.menus.find(handle);
  return it == t.menus.end() ? nullptr : it->second.get();
}

}  // namespace platform::controls

using namespace platform;
using namespace platform::controls;

HMENU CreateMenu() { return NewMenu(false); }
HMENU CreatePopupMenu() { return NewMenu(true); }

BOOL DestroyMenu(HMENU menu) {
  if (!MenuFromHandle(menu)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  Destroy(menu, 0);
  return TRUE;
}

HMENU LoadMenuW(HINSTANCE instance, LPCWSTR name) {
  const BYTE* data = nullptr;
  DWORD size = 0;
  std::vector<MenuTemplateItem> items;
  if (!FindResourceBytes(instance, RT_MENU, name, &data, &size) ||
      !ParseMenuTemplate(data, size, items)) {
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return nullptr;
  }
  return Build(items, false, 0);
}

BOOL InsertMenuW(HMENU handle, UINT position, UINT flags, UINT_PTR id, LPCWSTR text) {
  Menu* menu = MenuFromHandle(handle);
  MenuItem item;
  if (!menu || !MakeItem(flags, id, text, item)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  size_t at = menu->items.size();
  if (position != static_cast<UINT>(-1)) {
    if (flags & MF_BYPOSITION) {
      at = std::min<size_t>(position, menu->items.size());
    } else {
      Found f = Find(handle, position, MF_BYCOMMAND);
      if (!f.menu) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
      }
      menu = f.menu;
      at = f.index;
    }
  }
  menu->items.insert(menu->items.begin() + static_cast<std::ptrdiff_t>(at), std::move(item));
  return TRUE;
}

BOOL AppendMenuW(HMENU menu, UINT flags, UINT_PTR id, LPCWSTR text) {
  return InsertMenuW(menu, static_cast<UINT>(-1), flags | MF_BYPOSITION, id, text);
}

BOOL RemoveMenu(HMENU menu, UINT position, UINT flags) {
  Found f = Find(menu, position, flags);
  if (!f.menu) return FALSE;
  f.menu->items.erase(f.menu->items.begin() + static_cast<std::ptrdiff_t>(f.index));
  return TRUE;
}

BOOL DeleteMenu(HMENU menu, UINT position, UINT flags) {
  Found f = Find(menu, position, flags);
  if (!f.menu) return FALSE;
  MenuItem item = f.menu->items[f.index];
  f.menu->items.erase(f.menu->items.begin() + static_cast<std::ptrdiff_t>(f.index));
  if (item.flags & MF_POPUP) Destroy(item.popup, 0);
  return TRUE;
}

BOOL EnableMenuItem(HMENU menu, UINT position, UINT flags) {
  Found f = Find(menu, position, flags);
  if (!f.menu) return -1;
  MenuItem& item = f.menu->items[f.index];
  UINT old = item.flags & (MF_GRAYED | MF_DISABLED);
  item.flags = (item.flags & ~(MF_GRAYED | MF_DISABLED)) | (flags & (MF_GRAYED | MF_DISABLED));
  return static_cast<BOOL>(old);
}

DWORD CheckMenuItem(HMENU menu, UINT position, UINT flags) {
  Found f = Find(menu, position, flags);
  if (!f.menu) return static_cast<DWORD>(-1);
  MenuItem& item = f.menu->items[f.index];
  DWORD old = item.flags & MF_CHECKED;
  item.flags = (item.flags & ~MF_CHECKED) | (flags & MF_CHECKED);
  return old;
}

UINT GetMenuState(HMENU menu, UINT position, UINT flags) {
  Found f = Find(menu, position, flags);
  if (!f.menu) return static_cast<UINT>(-1);
  const MenuItem& item = f.menu->items[f.index];
  if (item.flags & MF_POPUP) {
    Menu* popup = MenuFromHandle(item.popup);
    UINT count = popup ? static_cast<UINT>(popup->items.size()) : 0;
    return (count << 8) | (item.flags & 0xFF);
  }
  return item.flags;
}

int GetMenuItemCount(HMENU handle) {
  Menu* menu = MenuFromHandle(handle);
  if (!menu) {
    SetLastError(ERROR_INVALID_HANDLE);
    return -1;
  }
  return static_cast<int>(menu->items.size());
}

HMENU GetSubMenu(HMENU handle, int position) {
  Menu* menu = MenuFromHandle(handle);
  if (!menu || position < 0 || static_cast<size_t>(position) >= menu->items.size()) return nullptr;
  const MenuItem& item = menu->items[static_cast<size_t>(position)];
  return (item.flags & MF_POPUP) ? item.popup : nullptr;
}
