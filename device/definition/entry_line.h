// An entry as one line of text, for Copy Entry: headword, pronunciation and every
// definition, e.g. 中国 [zhong1 guo2] China; Middle Kingdom.
#pragma once

#include <string>

// The line of entry index; empty for -1 or an index outside the loaded table.
std::u16string EntryLine(int entry);
