// SDL2, opened when the first real screen or sound opens: the programs do not link it,
// so a process that never shows a screen (a command-line lookup) never loads it nor
// what it brings (X11, Wayland, sound servers). Include this after every other header:
// the function names below become calls through the table.
#pragma once

#include <SDL.h>

#define ORLEND_SDL_FUNCTIONS(X) \
  X(SDL_BuildAudioCVT) \
  X(SDL_CaptureMouse) \
  X(SDL_ClearQueuedAudio) \
  X(SDL_CloseAudioDevice) \
  X(SDL_ConvertAudio) \
  X(SDL_CreateRGBSurfaceWithFormatFrom) \
  X(SDL_CreateRenderer) \
  X(SDL_CreateTexture) \
  X(SDL_CreateWindow) \
  X(SDL_Delay) \
  X(SDL_DestroyRenderer) \
  X(SDL_DestroyTexture) \
  X(SDL_DestroyWindow) \
  X(SDL_FillRect) \
  X(SDL_FreeSurface) \
  X(SDL_FreeWAV) \
  X(SDL_GetClipboardText) \
  X(SDL_GetCurrentVideoDriver) \
  X(SDL_GetDisplayBounds) \
  X(SDL_GetDisplayUsableBounds) \
  X(SDL_GetError) \
  X(SDL_GetGlobalMouseState) \
  X(SDL_GetRendererOutputSize) \
  X(SDL_GetTicks64) \
  X(SDL_GetWindowFlags) \
  X(SDL_GetWindowID) \
  X(SDL_GetWindowPosition) \
  X(SDL_GetWindowSize) \
  X(SDL_GetWindowSurface) \
  X(SDL_HasClipboardText) \
  X(SDL_InitSubSystem) \
  X(SDL_LoadWAV_RW) \
  X(SDL_MapRGB) \
  X(SDL_OpenAudioDevice) \
  X(SDL_PauseAudioDevice) \
  X(SDL_PeepEvents) \
  X(SDL_PollEvent) \
  X(SDL_PumpEvents) \
  X(SDL_QueueAudio) \
  X(SDL_QuitSubSystem) \
  X(SDL_RWFromFile) \
  X(SDL_RaiseWindow) \
  X(SDL_RenderClear) \
  X(SDL_RenderCopy) \
  X(SDL_RenderPresent) \
  X(SDL_SetClipboardText) \
  X(SDL_SetHint) \
  X(SDL_SetRenderDrawColor) \
  X(SDL_SetWindowPosition) \
  X(SDL_SetWindowSize) \
  X(SDL_SetWindowTitle) \
  X(SDL_ShowWindow) \
  X(SDL_StartTextInput) \
  X(SDL_StopTextInput) \
  X(SDL_UpdateTexture) \
  X(SDL_UpdateWindowSurface) \
  X(SDL_UpdateWindowSurfaceRects) \
  X(SDL_UpperBlitScaled) \
  X(SDL_WaitEventTimeout) \
  X(SDL_free) \
  X(SDL_getenv) \
  X(SDL_sin)

namespace platform {

struct SdlApi {
#define ORLEND_MEMBER(name) decltype(&::name) name = nullptr;
  ORLEND_SDL_FUNCTIONS(ORLEND_MEMBER)
#undef ORLEND_MEMBER
};
extern SdlApi sdl_api;

// Opens libSDL2-2.0.so.0 and resolves every function above, once; false (and the table
// left unusable) when the library or one of its functions is missing.
bool LoadSdlApi();

}  // namespace platform

#ifndef ORLEND_SDL_API_DEFINE
#define SDL_BuildAudioCVT (::platform::sdl_api.SDL_BuildAudioCVT)
#define SDL_CaptureMouse (::platform::sdl_api.SDL_CaptureMouse)
#define SDL_ClearQueuedAudio (::platform::sdl_api.SDL_ClearQueuedAudio)
#define SDL_CloseAudioDevice (::platform::sdl_api.SDL_CloseAudioDevice)
#define SDL_ConvertAudio (::platform::sdl_api.SDL_ConvertAudio)
#define SDL_CreateRGBSurfaceWithFormatFrom (::platform::sdl_api.SDL_CreateRGBSurfaceWithFormatFrom)
#define SDL_CreateRenderer (::platform::sdl_api.SDL_CreateRenderer)
#define SDL_CreateTexture (::platform::sdl_api.SDL_CreateTexture)
#define SDL_CreateWindow (::platform::sdl_api.SDL_CreateWindow)
#define SDL_Delay (::platform::sdl_api.SDL_Delay)
#define SDL_DestroyRenderer (::platform::sdl_api.SDL_DestroyRenderer)
#define SDL_DestroyTexture (::platform::sdl_api.SDL_DestroyTexture)
#define SDL_DestroyWindow (::platform::sdl_api.SDL_DestroyWindow)
#define SDL_FillRect (::platform::sdl_api.SDL_FillRect)
#define SDL_FreeSurface (::platform::sdl_api.SDL_FreeSurface)
#define SDL_FreeWAV (::platform::sdl_api.SDL_FreeWAV)
#define SDL_GetClipboardText (::platform::sdl_api.SDL_GetClipboardText)
#define SDL_GetCurrentVideoDriver (::platform::sdl_api.SDL_GetCurrentVideoDriver)
#define SDL_GetDisplayBounds (::platform::sdl_api.SDL_GetDisplayBounds)
#define SDL_GetDisplayUsableBounds (::platform::sdl_api.SDL_GetDisplayUsableBounds)
#define SDL_GetError (::platform::sdl_api.SDL_GetError)
#define SDL_GetGlobalMouseState (::platform::sdl_api.SDL_GetGlobalMouseState)
#define SDL_GetRendererOutputSize (::platform::sdl_api.SDL_GetRendererOutputSize)
#define SDL_GetTicks64 (::platform::sdl_api.SDL_GetTicks64)
#define SDL_GetWindowFlags (::platform::sdl_api.SDL_GetWindowFlags)
#define SDL_GetWindowID (::platform::sdl_api.SDL_GetWindowID)
#define SDL_GetWindowPosition (::platform::sdl_api.SDL_GetWindowPosition)
#define SDL_GetWindowSize (::platform::sdl_api.SDL_GetWindowSize)
#define SDL_GetWindowSurface (::platform::sdl_api.SDL_GetWindowSurface)
#define SDL_HasClipboardText (::platform::sdl_api.SDL_HasClipboardText)
#define SDL_InitSubSystem (::platform::sdl_api.SDL_InitSubSystem)
#define SDL_LoadWAV_RW (::platform::sdl_api.SDL_LoadWAV_RW)
#define SDL_MapRGB (::platform::sdl_api.SDL_MapRGB)
#define SDL_OpenAudioDevice (::platform::sdl_api.SDL_OpenAudioDevice)
#define SDL_PauseAudioDevice (::platform::sdl_api.SDL_PauseAudioDevice)
#define SDL_PeepEvents (::platform::sdl_api.SDL_PeepEvents)
#define SDL_PollEvent (::platform::sdl_api.SDL_PollEvent)
#define SDL_PumpEvents (::platform::sdl_api.SDL_PumpEvents)
#define SDL_QueueAudio (::platform::sdl_api.SDL_QueueAudio)
#define SDL_QuitSubSystem (::platform::sdl_api.SDL_QuitSubSystem)
#define SDL_RWFromFile (::platform::sdl_api.SDL_RWFromFile)
#define SDL_RaiseWindow (::platform::sdl_api.SDL_RaiseWindow)
#define SDL_RenderClear (::platform::sdl_api.SDL_RenderClear)
#define SDL_RenderCopy (::platform::sdl_api.SDL_RenderCopy)
#define SDL_RenderPresent (::platform::sdl_api.SDL_RenderPresent)
#define SDL_SetClipboardText (::platform::sdl_api.SDL_SetClipboardText)
#define SDL_SetHint (::platform::sdl_api.SDL_SetHint)
#define SDL_SetRenderDrawColor (::platform::sdl_api.SDL_SetRenderDrawColor)
#define SDL_SetWindowPosition (::platform::sdl_api.SDL_SetWindowPosition)
#define SDL_SetWindowSize (::platform::sdl_api.SDL_SetWindowSize)
#define SDL_SetWindowTitle (::platform::sdl_api.SDL_SetWindowTitle)
#define SDL_ShowWindow (::platform::sdl_api.SDL_ShowWindow)
#define SDL_StartTextInput (::platform::sdl_api.SDL_StartTextInput)
#define SDL_StopTextInput (::platform::sdl_api.SDL_StopTextInput)
#define SDL_UpdateTexture (::platform::sdl_api.SDL_UpdateTexture)
#define SDL_UpdateWindowSurface (::platform::sdl_api.SDL_UpdateWindowSurface)
#define SDL_UpdateWindowSurfaceRects (::platform::sdl_api.SDL_UpdateWindowSurfaceRects)
#define SDL_UpperBlitScaled (::platform::sdl_api.SDL_UpperBlitScaled)
#define SDL_WaitEventTimeout (::platform::sdl_api.SDL_WaitEventTimeout)
#define SDL_free (::platform::sdl_api.SDL_free)
#define SDL_getenv (::platform::sdl_api.SDL_getenv)
#define SDL_sin (::platform::sdl_api.SDL_sin)
#endif
