#include "device/shell/services.h"
#include "device/shell/shared_screen.h"
#include "widgets/message_box.h"

namespace {

struct FontSearch {
  const WCHAR* name;
  int found;
};

int CALLBACK MatchFamily(const LOGFONTW* font, const TEXTMETRICW*, DWORD, LPARAM data) {
  auto* search = reinterpret_cast<FontSearch*>(data);
  if (lstrcmpW(font->lfFaceName, search->name) == 0) {
    search->found = 1;
    return 0;  // stop at the first match
  }
  return 1;
}

}  // namespace

void CheckChineseFont(HWND owner, int database) {
  bool gb = database == 1;
  FontSearch search{gb ? u"MS Song" : u"MingLiU", 0};
  HDC screen = GetDC(nullptr);
  EnumFontFamiliesW(screen, nullptr, MatchFamily, reinterpret_cast<LPARAM>(&search));
  ReleaseDC(nullptr, screen);
  if (search.found) return;
  const WCHAR* text =
      gb ? u"The Chinese GB font (MS Song) required to run this software are currently not installed on this "
           u"device.\n\nClick 'Yes' to continue anyway. Click 'No' for instructions for installing the required "
           u"fonts."
         : u"The Chinese Big5 font (MingLiU) required to run this software are currently not installed on this "
           u"device.\n\nClick 'Yes' to continue anyway. Click 'No' for instructions for installing the required "
           u"fonts.";
  if (ShowMessageBox(owner, text, 2) == 1) {
    OpenHelpPage(owner, gb ? u"help/mssong_ppc.htm" : u"help/mingliu_ppc.htm");
    EndProcess();
  }
}
