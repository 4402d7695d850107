#include <cstring>

#include "platform/resource_templates.h"

namespace platform {
namespace {

constexpr WORD kPopup = 0x10;
constexpr WORD kEnd = 0x80;

bool ReadWord(const BYTE* data, size_t size, size_t& at, WORD& value) {
  if (at + 2 > size) return false;
  std::memcpy(&value, data + at, 2);
  at += 2;
  return true;
}

bool ReadText(const BYTE* data, size_t size, size_t& at, std::u16string& text) {
  text.clear();
  for (WORD c;;) {
    if (!ReadWord(data, size, at, c)) return false;
    if (!c) return true;
    text += static_cast<char16_t>(c);
  }
}

bool ReadLevel(const BYTE* data, size_t size, size_t& at, int depth, std::vector<MenuTemplateItem>& items) {
  if (depth > 8) return false;
  for (;;) {
    MenuTemplateItem item;
    if (!ReadWord(data, size, at, item.flags)) return false;
    item.popup = item.flags & kPopup;
    if (!item.popup && !ReadWord(data, size, at, item.id)) return false;
    if (!ReadText(data, size, at, item.text)) return false;
    item.separator = !item.popup && item.id == 0 && item.text.empty();
    if (item.popup && !ReadLevel(data, size, at, depth + 1, item.children)) return false;
    bool last = item.flags & kEnd;
    item.flags &= static_cast<WORD>(~kEnd);
    items.push_back(std::move(item));
    if (last) return true;
  }
}

}  // namespace

bool ParseMenuTemplate(const BYTE* data, size_t size, std::vector<MenuTemplateItem>& items) {
  WORD version, offset;
  size_t at = 0;
  if (!data || !ReadWord(data, size, at, version) || !ReadWord(data, size, at, offset) || version != 0)
    return false;
  at += offset;
  std::vector<MenuTemplateItem> parsed;
  if (!ReadLevel(data, size, at, 0, parsed)) return false;
  items = std::move(parsed);
  return true;
}

bool ParseMenuBarResource(const BYTE* data, size_t size, MenuBarTemplate& bar) {
  size_t at = 0;
  WORD count;
  MenuBarTemplate parsed;
  if (!data || !ReadWord(data, size, at, parsed.menuId) || !ReadWord(data, size, at, count)) return false;
  for (WORD i = 0; i < count; ++i) {
    MenuBarButton b;
    WORD reserved;
    if (!ReadWord(data, size, at, b.image) || !ReadWord(data, size, at, b.command) ||
        !ReadWord(data, size, at, b.state) || !ReadWord(data, size, at, b.style) ||
        !ReadWord(data, size, at, b.stringId) || !ReadWord(data, size, at, reserved) ||
        !ReadWord(data, size, at, b.menuIndex))
      return false;
    parsed.buttons.push_back(b);
  }
  bar = std::move(parsed);
  return true;
}

}  // namespace platform
