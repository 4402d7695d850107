#include "device/shell/search_options.h"

#include <cstring>

#include "device/shell/settings.h"

namespace {

int IsOn(const char* key)
{
  const char* value = GetSetting(key);
  return value && std::strcmp(value, "1") == 0;
}

void Store(const char* key, int on)
{
  SetSetting(key, on ? "1" : nullptr);
  WriteSettings();
}

}  // namespace

int BestMatchesFirst() { return IsOn("best_matches"); }
void SetBestMatchesFirst(int on) { Store("best_matches", on); }
int SearchAsYouType() { return IsOn("search_as_you_type"); }
void SetSearchAsYouType(int on) { Store("search_as_you_type", on); }
