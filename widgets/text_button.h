// The push button with a caption: a three-slice face from the skin strip (fixed caps,
// stretched middle), sized to its caption, pressed with the stylus or Enter. The
// installer's variant is taller, lights up under the mouse, can flash and explains
// itself in a tip.
#pragma once

#include "platform/windows.h"
#include "widgets/explanation_popup.h"
#include "widgets/variant.h"

typedef void (*TextButtonHandler)();

// Once, before any button exists: the class and the face strip (bitmap 4).
void RegisterTextButtonClass(HMODULE imageLibrary);

class TextButton {
 public:
  // The caption and explanation are copied; `wide` adds 11 pixels (handheld only).
  TextButton(HWND owner, int x, int y, const WCHAR* caption, int fontSize, TextButtonHandler press,
             TextButtonHandler click, const WCHAR* explanation, int wide);
  ~TextButton();
  TextButton(const TextButton&) = delete;
  TextButton& operator=(const TextButton&) = delete;

  void SetEnabled(int flag);
  void Focus();
  // Stops the timers, closes the tip and the window, frees the drawing objects and texts.
  // Safe to call more than once; the destructor calls it.
  void Destroy();
#if ORLEND_INSTALLER_VARIANT
  // On: focus, enable, and blink the caption every 400 ms. Off: stop and repaint.
  void SetFlashing(int on);
#endif

  HWND window;
  HDC offscreenDc;
  HBITMAP offscreenBitmap;
  int state;  // handheld: 1 normal, 0 ready, 2 pressed, -1 disabled; installer: 0 normal, 1 hovered
  RECT rectangle;
  int width, height;
  int fontSize;
  int flashPhase;
  int enabled;
  int focused;  // kept, not drawn
  HWND focusTarget;
  int sounds;
  WCHAR* caption;
  WCHAR* explanation;
  HoverTrack hover;  // installer: the tip and its tracking
  TextButtonHandler press;
  TextButtonHandler click;
  HFONT font;  // the caption font kept in the off-screen DC
  HGDIOBJ previousBitmap, previousFont;

  // For the window procedure.
  void Compose();
  void Repaint();
  void OnButtonDown();
  void OnMouseMove(POINT p);
  void OnButtonUp(POINT p);
  void OnEnter();
  void OnTimer(UINT_PTR id, DWORD now);
};

// The button a window belongs to, or null.
TextButton* TextButtonOf(HWND window);
