// The toolkit is built twice: for the handheld program, and with
// ORLEND_INSTALLER_VARIANT=1 for the desktop installer, whose controls differ in
// size, skin, colours and sounds.
#pragma once

#ifndef ORLEND_INSTALLER_VARIANT
#define ORLEND_INSTALLER_VARIANT 0
#endif
