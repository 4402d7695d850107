// The resource-library reader on arbitrary bytes: a PE library, a compiled .res
// file, the menu and menu-bar templates and packed DIBs. Whatever is accepted
// points inside the file and can be used; nothing reads outside it.
#include <string.h>

#include "kernel/module.h"
#include "platform/gdi_bridge.h"
#include "platform/resource_templates.h"
#include "platform/windows.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

int Touched;

void UseBitmap(const BYTE* data, size_t size)
{
  HBITMAP bitmap = platform::CreateBitmapFromPackedDib(data, size);
  if (!bitmap) return;
  platform::Surface* surface = platform::SurfaceOfBitmap(bitmap);
  FUZZ_CHECK(surface && surface->width() > 0 && surface->height() > 0);
  // Every pixel is there to be read.
  uint32_t sum = 0;
  for (int y = 0; y < surface->height(); y++)
    for (int x = 0; x < surface->width(); x++) sum += surface->row(y)[x];
  Touched += (int)(sum & 1);
  BITMAP info;
  FUZZ_CHECK(GetObjectW(bitmap, sizeof info, &info) == sizeof info);
  FUZZ_CHECK(info.bmWidth == surface->width() && info.bmHeight == surface->height());
  FUZZ_CHECK(DeleteObject(bitmap));
}

void WalkMenu(const std::vector<platform::MenuTemplateItem>& items, int depth)
{
  FUZZ_CHECK(depth <= 9);
  for (const platform::MenuTemplateItem& item : items) {
    Touched += (int)item.text.size();
    FUZZ_CHECK(item.popup || item.children.empty());
    WalkMenu(item.children, depth + 1);
  }
}

void UseTemplates(const BYTE* data, size_t size)
{
  std::vector<platform::MenuTemplateItem> items;
  if (platform::ParseMenuTemplate(data, size, items)) WalkMenu(items, 0);
  platform::MenuBarTemplate bar;
  if (platform::ParseMenuBarResource(data, size, bar)) Touched += (int)bar.buttons.size();
}

// Every entry lies inside the file; each is handed to the parser of its type.
void UseSet(const platform::ResourceSet& set, const BYTE* data, size_t size)
{
  for (const platform::ResourceEntry& entry : set.entries) {
    FUZZ_CHECK(entry.data >= data && entry.data <= data + size);
    FUZZ_CHECK(entry.size <= (size_t)(data + size - entry.data));
    if (entry.size) Touched += entry.data[0] + entry.data[entry.size - 1];
    if (!entry.type.numeric) continue;
    switch (entry.type.id) {
      case 2: UseBitmap(entry.data, entry.size); break;        // RT_BITMAP
      case 4: UseTemplates(entry.data, entry.size); break;     // RT_MENU
      case 10: UseTemplates(entry.data, entry.size); break;    // RT_RCDATA (menu bars)
      default: break;
    }
    if (entry.type.numeric && entry.name.numeric) FUZZ_CHECK(set.Find(entry.type, entry.name) != nullptr);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  const BYTE* bytes = data;
  platform::ResourceSet set;
  if (platform::ParsePeResources(bytes, size, set)) UseSet(set, bytes, size);
  platform::ResourceSet res;
  if (platform::ParseResFile(bytes, size, res)) UseSet(res, bytes, size);
  UseBitmap(bytes, size);
  UseTemplates(bytes, size);
  return 0;
}
