// Device contexts: memory DCs over bitmaps, surface DCs for windows and the screen,
// selected objects, saved states and the attributes that drawing reads.
#include <algorithm>

#include "gdi/gdi_objects.h"
#include "platform/gdi_bridge.h"

namespace platform::gdi {

namespace {

void RetainState(const DcState& s) {
  Retain(s.pen);
  Retain(s.brush);
  Retain(s.font);
  Retain(s.bitmap);
}

void ReleaseState(const DcState& s) {
  Release(s.pen);
  Release(s.brush);
  Release(s.font);
  Release(s.bitmap);
}

DcState DefaultState(bool memory) {
  DcState s;
  s.pen = GetStockObject(BLACK_PEN);
  s.brush = GetStockObject(WHITE_BRUSH);
  s.font = GetStockObject(SYSTEM_FONT);
  s.bitmap = memory ? DefaultBitmap() : nullptr;
  return s;
}

HDC NewDc(bool memory) {
  auto dc = std::make_unique<DcObject>();
  dc->memory = memory;
  dc->state = DefaultState(memory);
  RetainState(dc->state);
  return static_cast<HDC>(Register(std::move(dc)));
}

// A bitmap is selected into at most one DC; saved states do not own it.
void UnbindBitmap(HGDIOBJ handle, HDC dc) {
  if (BitmapObject* b = Bitmap(handle); b && !b->stock && b->selectedInto == dc) b->selectedInto = nullptr;
}

void DestroyDc(HDC handle) {
  DcObject* dc = Dc(handle);
  if (!dc) return;
  UnbindBitmap(dc->state.bitmap, handle);
  ReleaseState(dc->state);
  for (const DcState& s : dc->saved) ReleaseState(s);
  Unregister(handle);
}

}  // namespace

Surface* TargetSurface(DcObject* dc) {
  if (!dc->memory) return dc->target;
  BitmapObject* b = Bitmap(dc->state.bitmap);
  return b ? &b->surface : nullptr;
}

void InvalidateClip(DcObject* dc) { dc->clipDirty = true; }

const std::vector<RECT>& ClipRects(DcObject* dc) {
  if (!dc->clipDirty) return dc->clipRects;
  dc->clipDirty = false;
  dc->clipRects.clear();
  Surface* s = TargetSurface(dc);
  if (!s || s->width() == 0 || s->height() == 0) return dc->clipRects;
  Region clip(RECT{0, 0, s->width(), s->height()});
  if (!dc->memory) clip.intersect(dc->baseClip);
  if (dc->state.clip) {
    Region user = *dc->state.clip;
    user.offset(dc->origin.x, dc->origin.y);
    clip.intersect(user);
  }
  dc->clipRects = clip.rects();
  return dc->clipRects;
}

}  // namespace platform::gdi

namespace platform {

HDC CreateSurfaceDC(Surface* surface, POINT origin, const Region& clip) {
  HDC handle = gdi::NewDc(false);
  gdi::DcObject* dc = gdi::Dc(handle);
  dc->target = surface;
  dc->origin = origin;
  dc->baseClip = clip;
  return handle;
}

void SetSurfaceDCClip(HDC handle, POINT origin, const Region& clip) {
  gdi::DcObject* dc = gdi::Dc(handle);
  if (!dc || dc->memory) return;
  dc->origin = origin;
  dc->baseClip = clip;
  gdi::InvalidateClip(dc);
}

void DeleteSurfaceDC(HDC handle) {
  gdi::DcObject* dc = gdi::Dc(handle);
  if (dc && !dc->memory) gdi::DestroyDc(handle);
}

}  // namespace platform

using namespace platform::gdi;

HDC CreateCompatibleDC(HDC dc) {
  if (dc && !Dc(dc)) return nullptr;
  return NewDc(true);
}

BOOL DeleteDC(HDC handle) {
  if (!Dc(handle)) return FALSE;
  DestroyDc(handle);
  return TRUE;
}

HGDIOBJ SelectObject(HDC handle, HGDIOBJ object) {
  DcObject* dc = Dc(handle);
  Object* o = Lookup(object);
  if (!dc || !o) return nullptr;
  HGDIOBJ* slot = nullptr;
  switch (o->kind) {
    case Kind::Pen: slot = &dc->state.pen; break;
    case Kind::Brush: slot = &dc->state.brush; break;
    case Kind::Font: slot = &dc->state.font; break;
    case Kind::Bitmap: {
      if (!dc->memory) return nullptr;
      auto* b = static_cast<BitmapObject*>(o);
      if (!b->stock && b->selectedInto && b->selectedInto != handle) return nullptr;
      UnbindBitmap(dc->state.bitmap, handle);
      if (!b->stock) b->selectedInto = handle;
      slot = &dc->state.bitmap;
      InvalidateClip(dc);
      break;
    }
    case Kind::Region: {
      // Selecting a region sets the clip region and answers its complexity.
      int r = SelectClipRgn(handle, static_cast<HRGN>(object));
      return reinterpret_cast<HGDIOBJ>(static_cast<intptr_t>(r));
    }
    case Kind::Dc: return nullptr;
  }
  HGDIOBJ previous = *slot;
  if (previous == object) return previous;
  Retain(object);
  Release(previous);
  *slot = object;
  return previous;
}

HGDIOBJ GetCurrentObject(HDC handle, UINT type) {
  DcObject* dc = Dc(handle);
  if (!dc) return nullptr;
  switch (type) {
    case OBJ_PEN: return dc->state.pen;
    case OBJ_BRUSH: return dc->state.brush;
    case OBJ_FONT: return dc->state.font;
    case OBJ_BITMAP: return dc->state.bitmap;
    default: return nullptr;
  }
}

int SaveDC(HDC handle) {
  DcObject* dc = Dc(handle);
  if (!dc) return 0;
  RetainState(dc->state);
  dc->saved.push_back(dc->state);
  return static_cast<int>(dc->saved.size());
}

BOOL RestoreDC(HDC handle, int level) {
  DcObject* dc = Dc(handle);
  if (!dc) return FALSE;
  int depth = static_cast<int>(dc->saved.size());
  int target = level < 0 ? depth + level + 1 : level;  // the level SaveDC returned
  if (target < 1 || target > depth) return FALSE;
  DcState restored = dc->saved[target - 1];
  // The bitmap of the saved state may have gone to another DC meanwhile.
  if (dc->memory && restored.bitmap != dc->state.bitmap) {
    BitmapObject* b = Bitmap(restored.bitmap);
    if (!b || (!b->stock && b->selectedInto && b->selectedInto != handle)) return FALSE;
    UnbindBitmap(dc->state.bitmap, handle);
    if (!b->stock) b->selectedInto = handle;
  }
  ReleaseState(dc->state);
  for (int i = target - 1; i < depth; ++i) {
    if (i != target - 1) ReleaseState(dc->saved[i]);
  }
  // The restored state keeps the reference its saved copy held.
  dc->state = std::move(restored);
  dc->saved.resize(target - 1);
  InvalidateClip(dc);
  return TRUE;
}

COLORREF SetTextColor(HDC handle, COLORREF color) {
  DcObject* dc = Dc(handle);
  if (!dc) return CLR_INVALID;
  COLORREF old = dc->state.textColor;
  dc->state.textColor = color & 0xFFFFFF;
  return old;
}

COLORREF GetTextColor(HDC handle) {
  DcObject* dc = Dc(handle);
  return dc ? dc->state.textColor : CLR_INVALID;
}

COLORREF SetBkColor(HDC handle, COLORREF color) {
  DcObject* dc = Dc(handle);
  if (!dc) return CLR_INVALID;
  COLORREF old = dc->state.bkColor;
  dc->state.bkColor = color & 0xFFFFFF;
  return old;
}

COLORREF GetBkColor(HDC handle) {
  DcObject* dc = Dc(handle);
  return dc ? dc->state.bkColor : CLR_INVALID;
}

int SetBkMode(HDC handle, int mode) {
  DcObject* dc = Dc(handle);
  if (!dc || (mode != TRANSPARENT && mode != OPAQUE)) return 0;
  int old = dc->state.bkMode;
  dc->state.bkMode = mode;
  return old;
}

int GetBkMode(HDC handle) {
  DcObject* dc = Dc(handle);
  return dc ? dc->state.bkMode : 0;
}

UINT SetTextAlign(HDC handle, UINT align) {
  DcObject* dc = Dc(handle);
  if (!dc) return GDI_ERROR;
  UINT old = dc->state.textAlign;
  dc->state.textAlign = align;
  return old;
}

UINT GetTextAlign(HDC handle) {
  DcObject* dc = Dc(handle);
  return dc ? dc->state.textAlign : GDI_ERROR;
}

int SetStretchBltMode(HDC handle, int mode) {
  DcObject* dc = Dc(handle);
  if (!dc || mode < BLACKONWHITE || mode > HALFTONE) return 0;
  int old = dc->state.stretchMode;
  dc->state.stretchMode = mode;
  return old;
}

int GetStretchBltMode(HDC handle) {
  DcObject* dc = Dc(handle);
  return dc ? dc->state.stretchMode : 0;
}

int GetDeviceCaps(HDC handle, int index) {
  if (!Dc(handle)) return 0;
  switch (index) {
    case HORZRES: return ScreenWidth();
    case VERTRES: return ScreenHeight();
    case BITSPIXEL: return 32;
    case PLANES: return 1;
    case NUMCOLORS: return -1;
    case LOGPIXELSX:
    case LOGPIXELSY: return 96;
    case HORZSIZE: return ScreenWidth() * 254 / 960;  // millimetres at 96 pixels per inch
    case VERTSIZE: return ScreenHeight() * 254 / 960;
    case TECHNOLOGY: return DT_RASDISPLAY;
    case RASTERCAPS: return RC_BITBLT | RC_STRETCHBLT;
    default: return 0;
  }
}
