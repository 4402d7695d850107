// The program's text settings, beside the options file: program folder + "vemora.set",
// UTF-8, one key=value per line. Kept apart from the options file, whose 20 bytes stay
// as they are. Unknown keys are kept and written back; a caller that finds a value it
// cannot use takes its own default.
#pragma once

#include <string>

#include "platform/windows.h"

#define SETTINGS_FILE_NAME u"vemora.set"
// Reading stops here; the line it cuts is dropped like any cut line.
#define SETTINGS_READ_LIMIT (256 * 1024)

// Reads the file once at start-up. Only whole lines count (ended by a line feed, a
// carriage return before it dropped) that are valid UTF-8 without NULs and hold a
// non-empty key before their first '='; a missing or unreadable file leaves no settings.
void ReadSettings();

// The value of key; null when it is not set.
const char* GetSetting(const char* key);

// Sets key (no '=' and no line breaks; a value with a line break is cut at it) in memory;
// a null value removes it. WriteSettings stores them.
void SetSetting(const char* key, const char* value);

// Replaces the file with every setting, in the order first set or read. 1 on success.
int WriteSettings();

// Forgets every setting (start-up, tests).
void ClearSettings();
