// The part of a lookup that only the handheld program has: the script converter and the loaded
// table (with them OpenCC, opened on the first conversion).
#include <cstdio>

#include "device/dictionary/database.h"
#include "device/dictionary/find_entries.h"
#include "device/shell/command_line.h"
#include "platform/windows.h"

static int LookUpLoaded(const LoadedLookup& lookup)
{
  SetTableLoading(TABLE_AT_ONCE);  // searched through at once, and the process ends
  LoadDictionary(lookup.fileName);
  switch (LoadDictionaryStatus()) {
    case LOAD_UNREADABLE:
      return Fail("cannot read the dictionary database ", ShownDatabase());
    case LOAD_NO_MEMORY:
      return Fail("not enough memory to load the dictionary database ", ShownDatabase());
    case LOAD_DAMAGED:
      ReportDamage(LOAD_DAMAGED);
      break;
  }
  if (!lookup.text) return Fail("the query is not valid UTF-8", nullptr);
  FindNote note = {};
  FindEntries(lookup.text, lookup.matchCase, lookup.wholeWord, lookup.pinyin, lookup.best, lookup.database, PrintResult,
              &note);
  if (note.converted) {
    int units = 0;
    while (note.convertedText[units]) units++;
    char bytes[FIND_NOTE_UNITS * 3 + 1];
    int size = WideCharToMultiByte(CP_UTF8, 0, note.convertedText, units, bytes, sizeof bytes, nullptr, nullptr);
    fprintf(stderr, "orlend-dict: also searched as %.*s\n", size > 0 ? size : 0, bytes);
  }
  return 0;
}

const LookupServices& HandheldLookupServices()
{
  static const LookupServices services = {FindsOnlyTyped, LookUpLoaded};
  return services;
}
