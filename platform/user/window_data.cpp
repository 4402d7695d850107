// Per-window data: procedure, styles, id, user data, extra bytes, text.
#include <algorithm>
#include <cstring>

#include "user/window_system.h"

namespace platform {

namespace {

bool ExtraFits(const Window* w, int index, size_t bytes) {
  return index >= 0 && static_cast<size_t>(index) + bytes <= w->extra.size();
}

LONG_PTR Get(Window* w, int index, bool pointerSized) {
  switch (index) {
    case GWLP_WNDPROC: return reinterpret_cast<LONG_PTR>(w->proc);
    case GWLP_HINSTANCE: return reinterpret_cast<LONG_PTR>(w->instance);
    case GWLP_HWNDPARENT: return reinterpret_cast<LONG_PTR>(w->owner ? w->owner->handle : nullptr);
    case GWLP_ID: return static_cast<LONG_PTR>(w->id);
    case GWLP_USERDATA: return w->userData;
    case GWL_STYLE: return static_cast<LONG_PTR>(static_cast<LONG>(w->style));
    case GWL_EXSTYLE: return static_cast<LONG_PTR>(static_cast<LONG>(w->exStyle));
  }
  size_t bytes = pointerSized ? sizeof(LONG_PTR) : sizeof(LONG);
  if (!ExtraFits(w, index, bytes)) {
    SetLastError(ERROR_INVALID_INDEX);
    return 0;
  }
  if (pointerSized) {
    LONG_PTR v;
    std::memcpy(&v, w->extra.data() + index, bytes);
    return v;
  }
  LONG v;
  std::memcpy(&v, w->extra.data() + index, bytes);
  return v;
}

LONG_PTR Set(Window* w, int index, LONG_PTR value, bool pointerSized) {
  LONG_PTR old = Get(w, index, pointerSized);
  switch (index) {
    case GWLP_WNDPROC:
      w->proc = reinterpret_cast<WNDPROC>(value);
      return old;
    case GWLP_HINSTANCE:
      w->instance = reinterpret_cast<HINSTANCE>(value);
      return old;
    case GWLP_HWNDPARENT: {
      Window* o = FromHandle(reinterpret_cast<HWND>(value));
      if (IsTopLevel(w)) w->owner = o ? Root(o) : nullptr;
      return old;
    }
    case GWLP_ID:
      w->id = static_cast<UINT_PTR>(value);
      return old;
    case GWLP_USERDATA:
      w->userData = value;
      return old;
    case GWL_STYLE: {
      // Visibility and the child bit change through ShowWindow and SetParent only.
      DWORD keep = WS_VISIBLE | WS_CHILD;
      w->style = (w->style & keep) | (static_cast<DWORD>(value) & ~keep);
      return old;
    }
    case GWL_EXSTYLE:
      w->exStyle = static_cast<DWORD>(value);
      return old;
  }
  size_t bytes = pointerSized ? sizeof(LONG_PTR) : sizeof(LONG);
  if (!ExtraFits(w, index, bytes)) {
    SetLastError(ERROR_INVALID_INDEX);
    return 0;
  }
  if (pointerSized) {
    std::memcpy(w->extra.data() + index, &value, bytes);
  } else {
    LONG v = static_cast<LONG>(value);
    std::memcpy(w->extra.data() + index, &v, bytes);
  }
  return old;
}

}  // namespace

}  // namespace platform

using namespace platform;

LONG GetWindowLongW(HWND hwnd, int index) {
  Window* w = FromHandle(hwnd);
  if (!w) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  if (index == GWL_WNDPROC) {
    SetLastError(ERROR_INVALID_INDEX);
    return 0;
  }
  return static_cast<LONG>(Get(w, index, false));
}

LONG SetWindowLongW(HWND hwnd, int index, LONG value) {
  Window* w = FromHandle(hwnd);
  if (!w) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  if (index == GWL_WNDPROC) {
    SetLastError(ERROR_INVALID_INDEX);
    return 0;
  }
  return static_cast<LONG>(Set(w, index, value, false));
}

LONG_PTR GetWindowLongPtrW(HWND hwnd, int index) {
  Window* w = FromHandle(hwnd);
  if (!w) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  return Get(w, index, true);
}

LONG_PTR SetWindowLongPtrW(HWND hwnd, int index, LONG_PTR value) {
  Window* w = FromHandle(hwnd);
  if (!w) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  return Set(w, index, value, true);
}

DWORD GetClassLongW(HWND hwnd, int index) {
  return static_cast<DWORD>(GetClassLongPtrW(hwnd, index));
}

ULONG_PTR GetClassLongPtrW(HWND hwnd, int index) {
  Window* w = FromHandle(hwnd);
  if (!w) return 0;
  switch (index) {
    case GCLP_HBRBACKGROUND: return reinterpret_cast<ULONG_PTR>(w->cls->background);
    case GCL_STYLE: return w->cls->style;
    case GCLP_WNDPROC: return reinterpret_cast<ULONG_PTR>(w->cls->proc);
  }
  if (index >= 0 && static_cast<size_t>(index) + sizeof(ULONG_PTR) <= w->cls->classExtra.size()) {
    ULONG_PTR v;
    std::memcpy(&v, w->cls->classExtra.data() + index, sizeof v);
    return v;
  }
  SetLastError(ERROR_INVALID_INDEX);
  return 0;
}

ULONG_PTR SetClassLongPtrW(HWND hwnd, int index, LONG_PTR value) {
  Window* w = FromHandle(hwnd);
  if (!w) return 0;
  ULONG_PTR old = GetClassLongPtrW(hwnd, index);
  switch (index) {
    case GCLP_HBRBACKGROUND: w->cls->background = reinterpret_cast<HBRUSH>(value); return old;
    case GCL_STYLE: w->cls->style = static_cast<UINT>(value); return old;
    case GCLP_WNDPROC: w->cls->proc = reinterpret_cast<WNDPROC>(value); return old;
  }
  if (index >= 0 && static_cast<size_t>(index) + sizeof(LONG_PTR) <= w->cls->classExtra.size()) {
    std::memcpy(w->cls->classExtra.data() + index, &value, sizeof value);
    return old;
  }
  SetLastError(ERROR_INVALID_INDEX);
  return 0;
}

BOOL SetWindowTextW(HWND hwnd, LPCWSTR text) {
  Window* w = FromHandle(hwnd);
  if (!w) return FALSE;
  return Send(w, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)) ? TRUE : FALSE;
}

int GetWindowTextW(HWND hwnd, LPWSTR buffer, int size) {
  Window* w = FromHandle(hwnd);
  if (!buffer || size <= 0) return 0;
  buffer[0] = 0;
  if (!w) return 0;
  return static_cast<int>(Send(w, WM_GETTEXT, static_cast<WPARAM>(size), reinterpret_cast<LPARAM>(buffer)));
}

int GetWindowTextLengthW(HWND hwnd) {
  Window* w = FromHandle(hwnd);
  if (!w) return 0;
  return static_cast<int>(Send(w, WM_GETTEXTLENGTH, 0, 0));
}
