// Z-order of siblings. For top-level windows two rules hold after every change: topmost
// windows lie in front of all others, and an owned window lies in front of its owner.
#include <algorithm>

#include "user/z_order.h"

namespace platform {

namespace {

bool OwnedBy(const Window* w, const Window* owner) {
  for (const Window* o = w->owner; o; o = o->owner)
    if (o == owner) return true;
  return false;
}

// Moves every window owned (directly or not) by `owner` right in front of it, keeping
// their order.
void LiftOwned(std::vector<Window*>& list, Window* owner) {
  std::vector<Window*> owned;
  for (Window* t : list)
    if (OwnedBy(t, owner)) owned.push_back(t);
  if (owned.empty()) return;
  list.erase(std::remove_if(list.begin(), list.end(), [&](Window* t) { return OwnedBy(t, owner); }),
             list.end());
  auto at = std::find(list.begin(), list.end(), owner);
  list.insert(at, owned.begin(), owned.end());
}

void Normalise(std::vector<Window*>& list) {
  std::stable_partition(list.begin(), list.end(),
                        [](const Window* t) { return (t->exStyle & WS_EX_TOPMOST) != 0; });
}

}  // namespace

bool InsertInZOrder(Window* w, HWND insertAfter) {
  auto& list = w->parent->children;
  std::vector<Window*> old = list;
  list.erase(std::remove(list.begin(), list.end(), w), list.end());
  bool topLevel = w->parent == S().desktop;
  if (topLevel) {
    if (insertAfter == HWND_TOPMOST) w->exStyle |= WS_EX_TOPMOST;
    if (insertAfter == HWND_NOTOPMOST || insertAfter == HWND_BOTTOM) w->exStyle &= ~WS_EX_TOPMOST;
  }
  if (insertAfter == HWND_BOTTOM) {
    list.push_back(w);
  } else if (insertAfter == HWND_TOP || insertAfter == HWND_TOPMOST || insertAfter == HWND_NOTOPMOST) {
    auto at = list.begin();
    // A window that is not topmost goes to the front of the others, behind the topmost ones.
    if (topLevel && !(w->exStyle & WS_EX_TOPMOST))
      at = std::find_if(list.begin(), list.end(),
                        [](const Window* t) { return !(t->exStyle & WS_EX_TOPMOST); });
    list.insert(at, w);
  } else {
    auto at = std::find_if(list.begin(), list.end(),
                           [&](const Window* t) { return t->handle == insertAfter; });
    if (at == list.end())
      list.insert(list.begin(), w);
    else
      list.insert(at + 1, w);
  }
  if (topLevel) {
    Normalise(list);
    LiftOwned(list, w);
    // Owners that ended in front of their owned windows pull them forward as well.
    for (Window* t : std::vector<Window*>(list))
      if (t->owner) {
        auto self = std::find(list.begin(), list.end(), t);
        auto own = std::find(list.begin(), list.end(), t->owner);
        if (own < self) LiftOwned(list, t->owner);
      }
    Normalise(list);
  }
  return old != list;
}

}  // namespace platform
