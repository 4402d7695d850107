#include "gdi/gdi_objects.h"

#include <cstring>
#include <unordered_map>

#include "platform/gdi_bridge.h"

namespace platform::gdi {

namespace {

struct Table {
  std::unordered_map<uintptr_t, std::unique_ptr<Object>> objects;
  // Handle values are never reused, so a stale handle can never reach a newer object.
  uintptr_t next = 0x10000;
};

Table& table() {
  static Table t;
  return t;
}

int g_screenWidth = 240;
int g_screenHeight = 320;

struct Stock {
  HGDIOBJ objects[18] = {};
  HGDIOBJ defaultBitmap = nullptr;
};

HGDIOBJ MakeStockBrush(UINT style, COLORREF color) {
  auto b = std::make_unique<BrushObject>();
  b->stock = true;
  b->log.lbStyle = style;
  b->log.lbColor = color;
  return Register(std::move(b));
}

HGDIOBJ MakeStockPen(UINT style, COLORREF color) {
  auto p = std::make_unique<PenObject>();
  p->stock = true;
  p->log.lopnStyle = style;
  p->log.lopnWidth.x = 1;
  p->log.lopnColor = color;
  return Register(std::move(p));
}

HGDIOBJ MakeStockFont(LONG height) {
  auto f = std::make_unique<FontObject>();
  f->stock = true;
  f->log.lfHeight = height;
  f->log.lfWeight = FW_NORMAL;
  f->log.lfCharSet = DEFAULT_CHARSET;
  return Register(std::move(f));
}

Stock& stock() {
  static Stock s = [] {
    Stock st;
    st.objects[WHITE_BRUSH] = MakeStockBrush(BS_SOLID, RGB(255, 255, 255));
    st.objects[LTGRAY_BRUSH] = MakeStockBrush(BS_SOLID, RGB(192, 192, 192));
    st.objects[GRAY_BRUSH] = MakeStockBrush(BS_SOLID, RGB(128, 128, 128));
    st.objects[DKGRAY_BRUSH] = MakeStockBrush(BS_SOLID, RGB(64, 64, 64));
    st.objects[BLACK_BRUSH] = MakeStockBrush(BS_SOLID, RGB(0, 0, 0));
    st.objects[NULL_BRUSH] = MakeStockBrush(BS_NULL, 0);
    st.objects[WHITE_PEN] = MakeStockPen(PS_SOLID, RGB(255, 255, 255));
    st.objects[BLACK_PEN] = MakeStockPen(PS_SOLID, RGB(0, 0, 0));
    st.objects[NULL_PEN] = MakeStockPen(PS_NULL, 0);
    st.objects[SYSTEM_FONT] = MakeStockFont(-12);
    st.objects[DEFAULT_GUI_FONT] = MakeStockFont(-12);
    auto bmp = std::make_unique<BitmapObject>();
    bmp->stock = true;
    bmp->surface.resize(1, 1, 0x000000);
    st.defaultBitmap = Register(std::move(bmp));
    return st;
  }();
  return s;
}

}  // namespace

HGDIOBJ Register(std::unique_ptr<Object> object) {
  Table& t = table();
  uintptr_t key = t.next;
  t.next += 4;
  t.objects.emplace(key, std::move(object));
  return reinterpret_cast<HGDIOBJ>(key);
}

Object* Lookup(HGDIOBJ handle) {
  if (!handle) return nullptr;
  Table& t = table();
  auto it = t.objects.find(reinterpret_cast<uintptr_t>(handle));
  return it == t.objects.end() ? nullptr : it->second.get();
}

std::unique_ptr<Object> Unregister(HGDIOBJ handle) {
  Table& t = table();
  auto it = t.objects.find(reinterpret_cast<uintptr_t>(handle));
  if (it == t.objects.end()) return nullptr;
  std::unique_ptr<Object> o = std::move(it->second);
  t.objects.erase(it);
  return o;
}

HGDIOBJ DefaultBitmap() { return stock().defaultBitmap; }

void Retain(HGDIOBJ handle) {
  if (Object* o = Lookup(handle)) ++o->refs;
}

void Release(HGDIOBJ handle) {
  if (Object* o = Lookup(handle); o && o->refs > 0) --o->refs;
}

int ScreenWidth() { return g_screenWidth; }
int ScreenHeight() { return g_screenHeight; }

}  // namespace platform::gdi

namespace platform {

void SetScreenSize(int width, int height) {
  gdi::g_screenWidth = width > 0 ? width : 0;
  gdi::g_screenHeight = height > 0 ? height : 0;
}

Surface* SurfaceOfBitmap(HBITMAP bitmap) {
  gdi::BitmapObject* b = gdi::Bitmap(bitmap);
  return b ? &b->surface : nullptr;
}

const Region* RegionOfHandle(HRGN region) {
  gdi::RegionObject* r = gdi::Rgn(region);
  return r ? &r->region : nullptr;
}

}  // namespace platform

using namespace platform::gdi;

HGDIOBJ GetStockObject(int index) {
  if (index < 0 || index >= static_cast<int>(std::size(stock().objects))) return nullptr;
  return stock().objects[index];
}

BOOL DeleteObject(HGDIOBJ handle) {
  Object* o = Lookup(handle);
  if (!o || o->kind == Kind::Dc) return FALSE;
  if (o->stock) return TRUE;
  // As documented for the platform: an object selected into a DC is not deleted.
  if (o->refs > 0) return FALSE;
  if (o->kind == Kind::Bitmap && static_cast<BitmapObject*>(o)->selectedInto) return FALSE;
  Unregister(handle);
  return TRUE;
}

DWORD GetObjectType(HGDIOBJ handle) {
  Object* o = Lookup(handle);
  if (!o) return 0;
  switch (o->kind) {
    case Kind::Dc: return static_cast<DcObject*>(o)->memory ? OBJ_MEMDC : OBJ_DC;
    case Kind::Bitmap: return OBJ_BITMAP;
    case Kind::Pen: return OBJ_PEN;
    case Kind::Brush: return OBJ_BRUSH;
    case Kind::Font: return OBJ_FONT;
    case Kind::Region: return OBJ_REGION;
  }
  return 0;
}

template <typename T>
static int CopyOut(const T& value, int size, LPVOID buffer) {
  if (!buffer) return sizeof(T);
  if (size <= 0) return 0;
  int n = size < static_cast<int>(sizeof(T)) ? size : static_cast<int>(sizeof(T));
  std::memcpy(buffer, &value, n);
  return n;
}

int GetObjectW(HGDIOBJ handle, int size, LPVOID buffer) {
  Object* o = Lookup(handle);
  if (!o) return 0;
  switch (o->kind) {
    case Kind::Bitmap: {
      auto* b = static_cast<BitmapObject*>(o);
      BITMAP bm{};
      bm.bmWidth = b->surface.width();
      bm.bmHeight = b->surface.height();
      bm.bmWidthBytes = b->surface.width() * 4;
      bm.bmPlanes = 1;
      bm.bmBitsPixel = 32;
      return CopyOut(bm, size, buffer);
    }
    case Kind::Pen: return CopyOut(static_cast<PenObject*>(o)->log, size, buffer);
    case Kind::Brush: return CopyOut(static_cast<BrushObject*>(o)->log, size, buffer);
    case Kind::Font: return CopyOut(static_cast<FontObject*>(o)->log, size, buffer);
    default: return 0;
  }
}

HPEN CreatePen(int style, int width, COLORREF color) {
  if (style < 0 || style > PS_INSIDEFRAME) return nullptr;
  auto p = std::make_unique<PenObject>();
  p->log.lopnStyle = static_cast<UINT>(style);
  p->log.lopnWidth.x = width < 0 ? 0 : width;
  p->log.lopnColor = color & 0xFFFFFF;
  return static_cast<HPEN>(Register(std::move(p)));
}

HPEN CreatePenIndirect(const LOGPEN* pen) {
  if (!pen) return nullptr;
  return CreatePen(static_cast<int>(pen->lopnStyle), pen->lopnWidth.x, pen->lopnColor);
}

HBRUSH CreateSolidBrush(COLORREF color) {
  auto b = std::make_unique<BrushObject>();
  b->log.lbStyle = BS_SOLID;
  b->log.lbColor = color & 0xFFFFFF;
  return static_cast<HBRUSH>(Register(std::move(b)));
}

HBRUSH CreateBrushIndirect(const LOGBRUSH* brush) {
  if (!brush) return nullptr;
  if (brush->lbStyle == BS_NULL) return static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
  if (brush->lbStyle != BS_SOLID) return nullptr;
  return CreateSolidBrush(brush->lbColor);
}
