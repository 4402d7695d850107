// The window system's interfaces, as the programs call them.
#pragma once

#include "platform/windef.h"
#include "platform/winbase.h"
#include "platform/winreg.h"
#include "platform/wingdi.h"
#include "platform/winuser.h"
#include "platform/winresource.h"
