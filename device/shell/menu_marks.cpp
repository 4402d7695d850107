#include "device/shell/shared_screen.h"
#include "platform/aygshell.h"
#include "resource_ids.h"

HWND MenuBar = nullptr;

static HMENU PopupOf(UINT buttonId) {
  if (!MenuBar) return nullptr;
  return reinterpret_cast<HMENU>(SendMessageW(MenuBar, SHCMBM_GETSUBMENU, 0, buttonId));
}

void EnableCopyCommands(int flag) {
  HMENU tasks = PopupOf(IDM_TASKS_BUTTON);
  if (!tasks) return;
  UINT state = MF_BYCOMMAND | (flag == 1 ? MF_ENABLED : MF_GRAYED);
  EnableMenuItem(tasks, IDM_COPY_WORD, state);
  EnableMenuItem(tasks, IDM_COPY_PRONUNCIATION, state);
  EnableMenuItem(tasks, IDM_COPY_ENTRY, state);
}

void MarkDatabaseItem(int database) {
  HMENU options = PopupOf(IDM_OPTIONS_BUTTON);
  if (!options) return;
  CheckMenuItem(options, IDM_DATABASE_GB, MF_BYCOMMAND | (database == 1 ? MF_CHECKED : MF_UNCHECKED));
  CheckMenuItem(options, IDM_DATABASE_BIG5, MF_BYCOMMAND | (database == 2 ? MF_CHECKED : MF_UNCHECKED));
}

void MarkSearchOption(UINT commandId, int on) {
  HMENU options = PopupOf(IDM_OPTIONS_BUTTON);
  if (!options) return;
  CheckMenuItem(options, commandId, MF_BYCOMMAND | (on == 1 ? MF_CHECKED : MF_UNCHECKED));
}
