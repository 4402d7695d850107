#include <cstring>

#include "kernel/module.h"
#include "platform/gdi_bridge.h"
#include "platform/resource_templates.h"
#include "platform/winbase.h"
#include "platform/winresource.h"

using namespace platform;

namespace platform {

bool FindResourceBytes(HMODULE module, LPCWSTR type, LPCWSTR name, const BYTE** data, DWORD* size) {
  Module* m = ModuleFromHandle(module);
  if (!m || !name || !type) return false;
  const ResourceEntry* e = m->resources.Find(ResourceId::From(type), ResourceId::From(name));
  if (!e) return false;
  *data = e->data;
  *size = e->size;
  return true;
}

}  // namespace platform

HRSRC FindResourceW(HMODULE module, LPCWSTR name, LPCWSTR type) {
  Module* m = ModuleFromHandle(module);
  if (!m || !name || !type) {
    SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
    return nullptr;
  }
  const ResourceEntry* e = m->resources.Find(ResourceId::From(type), ResourceId::From(name));
  if (!e) {
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return nullptr;
  }
  return reinterpret_cast<HRSRC>(const_cast<ResourceEntry*>(e));
}

// Resources live as long as their module, so the "loaded" handle is the data itself.
HGLOBAL LoadResource(HMODULE, HRSRC resource) {
  return resource ? const_cast<BYTE*>(reinterpret_cast<const ResourceEntry*>(resource)->data) : nullptr;
}
LPVOID LockResource(HGLOBAL data) { return data; }
DWORD SizeofResource(HMODULE, HRSRC resource) {
  return resource ? reinterpret_cast<const ResourceEntry*>(resource)->size : 0;
}
BOOL FreeResource(HGLOBAL) { return FALSE; }

int LoadStringW(HINSTANCE instance, UINT id, LPWSTR buffer, int size) {
  const BYTE* data;
  DWORD length;
  if (!buffer || size <= 0) return 0;
  buffer[0] = 0;
  if (!FindResourceBytes(instance, RT_STRING, MAKEINTRESOURCEW((id >> 4) + 1), &data, &length)) return 0;
  // A block of sixteen counted strings.
  size_t at = 0;
  for (UINT i = 0; i < 16; ++i) {
    if (at + 2 > length) return 0;
    WORD count;
    std::memcpy(&count, data + at, 2);
    at += 2;
    if (i == (id & 15)) {
      if (at + count * 2u > length) return 0;
      int n = count < size - 1 ? count : size - 1;
      std::memcpy(buffer, data + at, static_cast<size_t>(n) * 2);
      buffer[n] = 0;
      return n;
    }
    at += count * 2u;
  }
  return 0;
}

HBITMAP LoadBitmapW(HINSTANCE instance, LPCWSTR name) {
  const BYTE* data;
  DWORD length;
  if (!instance || !FindResourceBytes(instance, RT_BITMAP, name, &data, &length)) return nullptr;
  return CreateBitmapFromPackedDib(data, length);
}

HICON LoadIconW(HINSTANCE instance, LPCWSTR name) {
  if (!instance) return nullptr;
  return reinterpret_cast<HICON>(FindResourceW(instance, name, RT_GROUP_ICON));
}
