// Window classes: the program's own, then the layer's system classes.
#include <algorithm>

#include "user/system_classes.h"
#include "user/window_system.h"

namespace platform {

namespace {

std::shared_ptr<WindowClass> MakeClass(const WNDCLASSEXW& wc, bool system) {
  auto cls = std::make_shared<WindowClass>();
  cls->name = wc.lpszClassName;
  cls->upperName = UpperName(cls->name);
  cls->style = wc.style;
  cls->proc = wc.lpfnWndProc;
  cls->classExtraBytes = std::max(0, wc.cbClsExtra);
  cls->windowExtraBytes = std::max(0, wc.cbWndExtra);
  cls->classExtra.assign(static_cast<size_t>(cls->classExtraBytes), 0);
  cls->instance = wc.hInstance;
  cls->icon = wc.hIcon;
  cls->cursor = wc.hCursor;
  cls->background = wc.hbrBackground;
  cls->system = system;
  cls->atom = S().nextAtom++;
  return cls;
}

std::shared_ptr<WindowClass> FindIn(const std::vector<std::shared_ptr<WindowClass>>& list,
                                    LPCWSTR name) {
  if (!name) return nullptr;
  if (IS_INTRESOURCE(name)) {
    ATOM atom = static_cast<ATOM>(reinterpret_cast<ULONG_PTR>(name));
    for (auto& c : list)
      if (c->atom == atom) return c;
    return nullptr;
  }
  std::u16string upper = UpperName(name);
  for (auto& c : list)
    if (c->upperName == upper) return c;
  return nullptr;
}

WNDCLASSEXW Widen(const WNDCLASSW& wc) {
  WNDCLASSEXW ex{};
  ex.cbSize = sizeof ex;
  ex.style = wc.style;
  ex.lpfnWndProc = wc.lpfnWndProc;
  ex.cbClsExtra = wc.cbClsExtra;
  ex.cbWndExtra = wc.cbWndExtra;
  ex.hInstance = wc.hInstance;
  ex.hIcon = wc.hIcon;
  ex.hCursor = wc.hCursor;
  ex.hbrBackground = wc.hbrBackground;
  ex.lpszMenuName = wc.lpszMenuName;
  ex.lpszClassName = wc.lpszClassName;
  return ex;
}

bool ValidClass(const WNDCLASSEXW* wc) {
  return wc && wc->lpszClassName && !IS_INTRESOURCE(wc->lpszClassName) && wc->lpszClassName[0];
}

}  // namespace

std::u16string UpperName(std::u16string_view name) {
  std::u16string out(name);
  for (auto& c : out)
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
  return out;
}

std::shared_ptr<WindowClass> FindClass(LPCWSTR name, bool includeSystem) {
  State& s = S();
  if (auto c = FindIn(s.classes, name)) return c;
  if (includeSystem) {
    RegisterLayerClasses();
    return FindIn(s.systemClasses, name);
  }
  return nullptr;
}

bool RegisterSystemClass(const WNDCLASSW& wc) {
  WNDCLASSEXW ex = Widen(wc);
  if (!ValidClass(&ex) || !ex.lpfnWndProc) return false;
  auto& list = S().systemClasses;
  if (FindIn(list, ex.lpszClassName)) return false;
  list.push_back(MakeClass(ex, true));
  return true;
}

}  // namespace platform

using namespace platform;

ATOM RegisterClassExW(const WNDCLASSEXW* wc) {
  if (!ValidClass(wc) || !wc->lpfnWndProc) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  State& s = S();
  if (FindIn(s.classes, wc->lpszClassName)) {
    SetLastError(ERROR_CLASS_ALREADY_EXISTS);
    return 0;
  }
  auto cls = MakeClass(*wc, false);
  s.classes.push_back(cls);
  SetLastError(ERROR_SUCCESS);
  return cls->atom;
}

ATOM RegisterClassW(const WNDCLASSW* wc) {
  if (!wc) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  WNDCLASSEXW ex = Widen(*wc);
  return RegisterClassExW(&ex);
}

BOOL UnregisterClassW(LPCWSTR className, HINSTANCE) {
  State& s = S();
  auto cls = FindIn(s.classes, className);
  if (!cls) {
    SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
    return FALSE;
  }
  if (cls->windows > 0) {
    SetLastError(1412);  // ERROR_CLASS_HAS_WINDOWS
    return FALSE;
  }
  s.classes.erase(std::remove(s.classes.begin(), s.classes.end(), cls), s.classes.end());
  return TRUE;
}

BOOL GetClassInfoW(HINSTANCE, LPCWSTR className, LPWNDCLASSW out) {
  auto cls = FindClass(className, true);
  if (!cls || !out) {
    SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
    return FALSE;
  }
  out->style = cls->style;
  out->lpfnWndProc = cls->proc;
  out->cbClsExtra = cls->classExtraBytes;
  out->cbWndExtra = cls->windowExtraBytes;
  out->hInstance = cls->instance;
  out->hIcon = cls->icon;
  out->hCursor = cls->cursor;
  out->hbrBackground = cls->background;
  out->lpszMenuName = nullptr;
  out->lpszClassName = className;
  return TRUE;
}

int GetClassNameW(HWND hwnd, LPWSTR buffer, int size) {
  Window* w = FromHandle(hwnd);
  if (!w || !buffer || size <= 0) return 0;
  int n = std::min<int>(static_cast<int>(w->cls->name.size()), size - 1);
  std::copy_n(w->cls->name.data(), n, buffer);
  buffer[n] = 0;
  return n;
}
