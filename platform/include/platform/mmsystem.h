// Sound: PlaySoundW for WAV files and Beep. Best effort: without a working audio device
// nothing is heard and nothing fails. Recorded in a headless run.
#pragma once

#include "platform/windef.h"

#define SND_SYNC 0x0000
#define SND_ASYNC 0x0001
#define SND_NODEFAULT 0x0002
#define SND_MEMORY 0x0004
#define SND_LOOP 0x0008
#define SND_NOSTOP 0x0010
#define SND_NOWAIT 0x00002000L
#define SND_ALIAS 0x00010000L
#define SND_FILENAME 0x00020000L
#define SND_RESOURCE 0x00040004L

// A null sound stops the sound playing. Without SND_FILENAME the name is taken as a file
// too. A missing or unreadable file plays nothing (the layer has no default sound) and
// returns FALSE. SND_SYNC returns when the sound has played.
BOOL PlaySoundW(LPCWSTR sound, HMODULE module, DWORD flags);
// Plays a tone and returns when it has played (on the platform clock).
BOOL Beep(DWORD frequency, DWORD duration);
