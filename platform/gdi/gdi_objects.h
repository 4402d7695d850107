// GDI objects behind the handles. Every handle is a key into one table, so a stale
// or foreign handle is recognised and refused instead of being dereferenced.
#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "platform/region.h"
#include "platform/surface.h"
#include "platform/wingdi.h"

namespace platform::fonts {
class FontInstance;
}

namespace platform::gdi {

enum class Kind { Dc, Bitmap, Pen, Brush, Font, Region };

struct Object {
  explicit Object(Kind k) : kind(k) {}
  virtual ~Object() = default;
  Kind kind;
  bool stock = false;
  int refs = 0;  // DC states (current and saved) that hold the object
};

struct BitmapObject : Object {
  BitmapObject() : Object(Kind::Bitmap) {}
  Surface surface;
  HDC selectedInto = nullptr;
};

struct PenObject : Object {
  PenObject() : Object(Kind::Pen) {}
  LOGPEN log{};
};

struct BrushObject : Object {
  BrushObject() : Object(Kind::Brush) {}
  LOGBRUSH log{};
};

struct FontObject : Object {
  FontObject() : Object(Kind::Font) {}
  LOGFONTW log{};
  std::shared_ptr<fonts::FontInstance> instance;  // resolved on first use
};

struct RegionObject : Object {
  RegionObject() : Object(Kind::Region) {}
  Region region;
};

struct DcState {
  HGDIOBJ pen = nullptr;
  HGDIOBJ brush = nullptr;
  HGDIOBJ font = nullptr;
  HGDIOBJ bitmap = nullptr;  // memory DCs only
  COLORREF textColor = RGB(0, 0, 0);
  COLORREF bkColor = RGB(255, 255, 255);
  int bkMode = OPAQUE;
  UINT textAlign = TA_LEFT | TA_TOP;
  int stretchMode = BLACKONWHITE;
  POINT position{0, 0};
  std::optional<Region> clip;  // logical coordinates
};

struct DcObject : Object {
  DcObject() : Object(Kind::Dc) {}
  bool memory = false;
  Surface* target = nullptr;  // surface DCs
  POINT origin{0, 0};         // surface position of logical (0, 0)
  Region baseClip;            // surface coordinates; surface DCs only
  DcState state;
  std::vector<DcState> saved;
  // Effective clip in surface coordinates, rebuilt when anything it depends on changes.
  std::vector<RECT> clipRects;
  bool clipDirty = true;
};

// Handle table.
HGDIOBJ Register(std::unique_ptr<Object> object);
Object* Lookup(HGDIOBJ handle);
std::unique_ptr<Object> Unregister(HGDIOBJ handle);

template <typename T>
T* As(HGDIOBJ handle, Kind kind) {
  Object* o = Lookup(handle);
  return o && o->kind == kind ? static_cast<T*>(o) : nullptr;
}
inline DcObject* Dc(HDC dc) { return As<DcObject>(dc, Kind::Dc); }
inline BitmapObject* Bitmap(HGDIOBJ h) { return As<BitmapObject>(h, Kind::Bitmap); }
inline PenObject* Pen(HGDIOBJ h) { return As<PenObject>(h, Kind::Pen); }
inline BrushObject* Brush(HGDIOBJ h) { return As<BrushObject>(h, Kind::Brush); }
inline FontObject* Font(HGDIOBJ h) { return As<FontObject>(h, Kind::Font); }
inline RegionObject* Rgn(HGDIOBJ h) { return As<RegionObject>(h, Kind::Region); }

// The 1 x 1 bitmap every memory DC starts with.
HGDIOBJ DefaultBitmap();
// Drops a reference taken by a DC state; used when states are discarded.
void Release(HGDIOBJ handle);
void Retain(HGDIOBJ handle);

// The surface a DC draws on (null for a memory DC holding nothing drawable).
Surface* TargetSurface(DcObject* dc);
const std::vector<RECT>& ClipRects(DcObject* dc);
void InvalidateClip(DcObject* dc);

// Screen size reported by GetDeviceCaps.
int ScreenWidth();
int ScreenHeight();

}  // namespace platform::gdi
