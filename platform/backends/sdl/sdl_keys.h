// SDL key codes as the platform's virtual keys.
#pragma once

#include <SDL.h>

#include "platform/windef.h"

namespace platform {

// 0 for keys the programs have no use for.
UINT VirtualKeyFromSdl(SDL_Keycode key);

}  // namespace platform
