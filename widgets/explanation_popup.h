// The small yellow tip that explains a button when the pointer rests on it, and the
// tracking that decides when to show it: the pointer must stay within a 10 x 10 zone for
// more than a second, and the tip is shown at most once per visit of the button.
#pragma once

#include "platform/windows.h"

// Opens the tip with `text` beside the pointer, owned by the button's top-level window.
// The tip keeps its own copy of the text. Null when it cannot be made.
HWND ShowExplanationPopup(HWND button, const WCHAR* text);

// What one button remembers while it is tracked.
struct HoverTrack {
  RECT still;         // 10 x 10 zone around the last pointer position; empty when not tracking
  DWORD stillSince;   // tick at which the pointer entered it; (DWORD)-1 when not tracking
  HWND popup;         // the tip shown, or null
  int popupUsed;      // 1 once the tip was shown (or the button pressed) during this visit
};

void ResetHoverTrack(HoverTrack* track);
void DestroyExplanationPopup(HoverTrack* track);

// One tick (`now`) of a button's 10 ms tracking timer. A tip is shown only when `mayShow`
// and `text` is not empty. Returns 0 when the pointer has left (0, 0, width, height): the
// caller then ends the hover.
int TrackHover(HoverTrack* track, HWND button, int width, int height, DWORD now, const WCHAR* text, int mayShow);
