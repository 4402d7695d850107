// The clipboard: CF_UNICODETEXT, kept by the backend (the desktop's clipboard with SDL).
#include <cstring>

#include "user/window_system.h"

namespace platform {

namespace {

struct Clipboard {
  bool open = false;
  HWND openedBy = nullptr;
  HWND owner = nullptr;
  HANDLE setData = nullptr;  // what the program handed over, freed when replaced
  HANDLE given = nullptr;    // what GetClipboardData handed out, freed when replaced
};

Clipboard& C() {
  static Clipboard c;
  return c;
}

void Release(HANDLE& h) {
  if (h) GlobalFree(h);
  h = nullptr;
}

bool ReadText(HANDLE data, std::u16string* text) {
  auto* p = static_cast<const WCHAR*>(GlobalLock(data));
  if (!p) return false;
  size_t units = GlobalSize(data) / sizeof(WCHAR);
  size_t n = 0;
  while (n < units && p[n]) ++n;  // never past the block, terminated or not
  text->assign(p, n);
  GlobalUnlock(data);
  return true;
}

}  // namespace
}  // namespace platform

using namespace platform;

BOOL OpenClipboard(HWND owner) {
  EnsureStarted();
  Clipboard& c = C();
  if (c.open) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  c.open = true;
  c.openedBy = owner;
  return TRUE;
}

BOOL CloseClipboard() {
  Clipboard& c = C();
  if (!c.open) return FALSE;
  c.open = false;
  c.openedBy = nullptr;
  return TRUE;
}

BOOL EmptyClipboard() {
  Clipboard& c = C();
  if (!c.open) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  Release(c.setData);
  Release(c.given);
  c.owner = c.openedBy;
  if (S().backend) S().backend->SetClipboardText(u"");
  return TRUE;
}

HANDLE SetClipboardData(UINT format, HANDLE data) {
  Clipboard& c = C();
  if (!c.open || !data || format != CF_UNICODETEXT) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  std::u16string text;
  if (!ReadText(data, &text)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (!S().backend || !S().backend->SetClipboardText(text)) return nullptr;
  if (c.setData != data) Release(c.setData);
  c.setData = data;
  return data;
}

HANDLE GetClipboardData(UINT format) {
  Clipboard& c = C();
  if (!c.open || format != CF_UNICODETEXT || !S().backend) return nullptr;
  std::u16string text;
  if (!S().backend->GetClipboardText(&text) || text.empty()) return nullptr;
  Release(c.given);
  c.given = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(WCHAR));
  if (!c.given) return nullptr;
  auto* p = static_cast<WCHAR*>(GlobalLock(c.given));
  std::memcpy(p, text.c_str(), (text.size() + 1) * sizeof(WCHAR));
  GlobalUnlock(c.given);
  return c.given;
}

BOOL IsClipboardFormatAvailable(UINT format) {
  EnsureStarted();
  if (format != CF_UNICODETEXT || !S().backend) return FALSE;
  std::u16string text;
  return S().backend->GetClipboardText(&text) && !text.empty() ? TRUE : FALSE;
}

HWND GetClipboardOwner() { return IsWindow(C().owner) ? C().owner : nullptr; }

HWND GetOpenClipboardWindow() { return C().open ? C().openedBy : nullptr; }

namespace platform {

void ResetClipboard() {
  Clipboard& c = C();
  Release(c.setData);
  Release(c.given);
  c = Clipboard{};
}

}  // namespace platform
