#include <algorithm>
#include "device/shell/main_window.h"

#include <cstring>

#include "device/definition/definition_view.h"
#include "device/definition/entry_line.h"
#include "device/definition/tone_marks.h"
#include "device/dictionary/database.h"
#include "device/dictionary/search_driver.h"
#include "device/dictionary/search_engine.h"
#include "device/shell/about_window.h"
#include "device/shell/drawing.h"
#include "device/shell/entry_page.h"
#include "device/shell/kept_history.h"
#include "device/shell/options.h"
#include "device/shell/program_folder.h"
#include "device/shell/scroll_page.h"
#include "device/shell/search_options.h"
#include "device/shell/services.h"
#include "device/shell/settings.h"
#include "device/shell/shared_screen.h"
#include "device/shell/titled_frame.h"
#include "device/shell/word_list.h"
#include "device/shell/word_list_page.h"
#include "platform/commctrl.h"
#include "resource_ids.h"
#include "widgets/caption_bar.h"
#include "widgets/combo_box.h"
#include "widgets/frame_window.h"
#include "widgets/label.h"
#include "widgets/list_view.h"
#include "widgets/message_box.h"
#include "widgets/picture_button.h"
#include "widgets/progress_window.h"
#include "widgets/text_button.h"

HINSTANCE Instance = nullptr;
HWND MainWindow = nullptr;
HMODULE ImageLibrary = nullptr;
HMODULE PictureLibrary = nullptr;
ComboBoxControl* SearchBox = nullptr;
TextButton* SearchButton = nullptr;
LabelControl* ResultLabel = nullptr;
ListViewControl* ResultList = nullptr;
SHACTIVATEINFO ActivationInfo;

namespace {

RECT g_linkRect{0, 0, 0, 0};  // the tappable "loaded"; empty until first painted
int g_pendingDatabase = 0;    // a database command waiting for the search to end

// A tap on the panel opens the whole entry shown.
void OnPanelTapped(int button) {
  if (button == 1 && SelectedEntry >= 0) OpenEntryPage(SelectedEntry);
}
void DoNothingWithMove(LPARAM) {}
void PaintDefinitionFrame(HDC dc, int) { PaintDefinitionView(dc); }

void OnResultChosen(int row, const WCHAR*) {
  if (row < 0 || row >= ResultEntryCount) return;
  SelectedEntry = ResultEntries[row];
  DefinitionFrame->SetState(-1);
  RecordEntry();
  KeepHistory();
  EnableCopyCommands(1);
}

// Tone marks or colours switched: kept in the settings file; the word shown and an open
// whole entry are drawn again at once, result rows from the next search on.
void ToggleToneOption(UINT id) {
  bool marks = id == IDM_TONE_MARKS;
  int on = !(marks ? ToneMarksOn() : ToneColoursOn());
  SetSetting(marks ? "tone_marks" : "tone_colours", on ? "1" : nullptr);
  WriteSettings();
  MarkSearchOption(id, on);
  if (SelectedEntry >= 0) DefinitionFrame->SetState(-1);
  RebuildPages();
}

// The word shown joins the word list, or leaves it when it is there (the item is checked).
void ToggleWordListEntry() {
  if (SelectedEntry < 0) return;
  int word = FindEntryWord(SelectedEntry);
  if (word >= 0) RemoveWord(word);
  else AddEntryWord(SelectedEntry);
  RebuildPages();
}

void ExportWordListCommand() {
  if (WordCount() == 0) {
    ShowMessageBox(MainWindow, u"The word list is empty.\n\nChoose a word, then Tasks \u203A Add to Word List.", 1);
    return;
  }
  if (!ExportWordList()) {
    ShowMessageBox(MainWindow, u"The word list could not be written to word-list.tsv in the program folder.", 1);
    return;
  }
  WCHAR text[200];
  wsprintfW(text, u"%d words written to word-list.tsv in the program folder: headword, pinyin and definitions, "
                  u"tab-separated.", WordCount());
  ShowMessageBox(MainWindow, text, 1);
}

// The Tasks menu as it opens: Add to Word List greyed without a word, checked when the
// word is kept.
void MarkWordListItem(HMENU menu) {
  if (!MenuBar || menu != reinterpret_cast<HMENU>(SendMessageW(MenuBar, SHCMBM_GETSUBMENU, 0, IDM_TASKS_BUTTON)))
    return;
  EnableMenuItem(menu, IDM_ADD_TO_WORD_LIST, MF_BYCOMMAND | (SelectedEntry >= 0 ? MF_ENABLED : MF_GRAYED));
  bool kept = SelectedEntry >= 0 && FindEntryWord(SelectedEntry) >= 0;
  CheckMenuItem(menu, IDM_ADD_TO_WORD_LIST, MF_BYCOMMAND | (kept ? MF_CHECKED : MF_UNCHECKED));
}

// Search as you type: the search runs once typing has paused this long.
const UINT kTypingTimer = 1;
const UINT kTypingPause = 150;

void OnSearchTextChanged(int* length) {
  SearchButton->SetEnabled(*length >= 1 ? 1 : 0);
  if (!SearchAsYouType() || !MainWindow) return;
  if (*length >= 1 && CurrentDatabase)
    SetTimer(MainWindow, kTypingTimer, kTypingPause, nullptr);
  else
    KillTimer(MainWindow, kTypingTimer);
}

// A program left alone this long after its last search gives back the pages of the table
// that the searches read in; the next search reads them in again.
const UINT kIdleTimer = 2;
const UINT kIdlePause = 30000;

void SearchAndThenIdle(bool typed) {
  if (typed)
    RunSearchAsTyped();
  else
    RunSearch();
  if (MainWindow) SetTimer(MainWindow, kIdleTimer, kIdlePause, nullptr);
}

void OnIdle(HWND window) {
  if (SearchRunning()) return;  // it sets the timer again when it ends
  KillTimer(window, kIdleTimer);
  ReleaseDictionaryPages();
}

// The pause is over. A search still running for an older text is cancelled, and the timer,
// left running, starts the new one when it next fires, after that search has ended.
void OnTypingPause(HWND window) {
  if (SearchRunning()) {
    CancelSearch();
    return;
  }
  KillTimer(window, kTypingTimer);
  if (SearchBox->GetTextLength() >= 1) SearchAndThenIdle(true);
}

void RunSearchAction() {
  SearchBox->CloseDropDown();
  SearchAndThenIdle(false);
}

// Any tap in the window outside the search box closes its drop-down list.
void CloseDropDownOnTap(HWND window, LPARAM clientPoint) {
  POINT p{GET_X_LPARAM(clientPoint), GET_Y_LPARAM(clientPoint)};
  ClientToScreen(window, &p);
  if (SearchBox) SearchBox->TappedAt(p);
}

void ApplyPendingDatabase() {
  int target = g_pendingDatabase;
  g_pendingDatabase = 0;
  if (target) SwitchToDatabase(target);
}

void CreateControls(HWND window) {
  DefinitionFrame =
      new FrameWindow(window, 8, 8, 224, 127, nullptr, PaintDefinitionFrame, OnPanelTapped, DoNothingWithMove);
  PreviousButton = CreatePictureButton(DefinitionFrame->window, 181, 107, 18, 15, ImageLibrary, 801, GoBack,
                                       u"Previous Word Definition");
  NextButton = CreatePictureButton(DefinitionFrame->window, 199, 107, 18, 15, ImageLibrary, 800, GoForward,
                                   u"Next Word Definition");
  SetPictureButtonEnabled(PreviousButton, 0);
  SetPictureButtonEnabled(NextButton, 0);
  SearchBox = new ComboBoxControl(window, 12, 142, 144, 21, 16, ES_AUTOHSCROLL, OnSearchTextChanged);
  SearchBox->SetMaxLength(100);
  SearchBox->SetSearchCallback(RunSearchAction);
  SearchButton = new TextButton(window, 162, 143, u"Search", 12, nullptr, RunSearchAction,
                                u"Search dictionary for selected string", 0);
  SearchButton->SetEnabled(0);
  ResultLabel = CreateLabel(window, 13, 166, u"(No search results)", 11);
  ResultList = new ListViewControl(window, 8, 182, 224, 77, OnResultChosen);
  ResultList->AddColour(RGB(165, 165, 165));
  ResultList->AddColour(RGB(0, 0, 128));
  ResultList->AddColour(RGB(0, 0, 220));
  ResultList->EnableKeyboardFilter();
}

// The saved choice wins when its file is there; otherwise the other file; with no
// saved choice Simplified comes first. A saved value outside 0 to 2 counts as none.
int ChooseDatabase(int saved) {
  if (saved == 2) return Big5FilePresent ? 2 : GbFilePresent ? 1 : 0;
  return GbFilePresent ? 1 : Big5FilePresent ? 2 : 0;
}

void OnCreate(HWND window) {
  MainWindow = window;
  ImageLibrary = LoadProgramLibrary(u"tovu.dll");
  PictureLibrary = LoadProgramLibrary(u"zorwen.dll");
  INITCOMMONCONTROLSEX common{sizeof(INITCOMMONCONTROLSEX), ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&common);

  RegisterPictureButtonClass(ImageLibrary);
  RegisterTextButtonClass(ImageLibrary);
  RegisterLabelClass();
  RegisterListViewClass();
  RegisterComboBoxClasses(ImageLibrary);
  RegisterProgressWindowClass();
  InitCaptionBar(ImageLibrary);
  RegisterTitledFrameClass(ImageLibrary);
  SetMessageBoxPictureLibrary(PictureLibrary);
  LoadSkinCorners(window, ImageLibrary);

  CheckScreenSize(window);

  SHMENUBARINFO bar{};
  bar.cbSize = sizeof bar;
  bar.hwndParent = window;
  bar.nToolBarId = IDR_MENUBAR;
  bar.hInstRes = Instance;
  MenuBar = SHCreateMenuBar(&bar) ? bar.hwndMB : nullptr;

  std::memset(&ActivationInfo, 0, sizeof ActivationInfo);
  ActivationInfo.cbSize = 12;

  SelectDictionary(-1);  // only the match weights
  SelectedEntry = -1;
  CreateControls(window);

  GbFilePresent = ProgramFileExists(u"cedict.gb.dat") ? 1 : 0;
  Big5FilePresent = ProgramFileExists(u"cedict.b5.dat") ? 1 : 0;
  CurrentDatabase = ChooseDatabase(GetOption(3));
  if (CurrentDatabase) {
    MarkDatabaseItem(CurrentDatabase);
    ResultList->SetGbMode(CurrentDatabase == 1 ? 1 : 0);
  } else {
    MarkDatabaseItem(0);
    int answer = ShowMessageBox(window,
                                u"Neither the Simplified or Traditional CEDICT dictionary databases could be "
                                u"found.\n\nClick OK to see installation instructions.",
                                1);
    if (answer == 2) {
      OpenHelpPage(window, u"help/install_dict.htm");
      EndProcess();
    }
  }
  SwitchDatabase();
  RestoreKeptHistory();
  ReadWordList();
  MarkSearchOption(IDM_KEEP_HISTORY, KeepingHistory());
  MarkSearchOption(IDM_BEST_MATCHES, BestMatchesFirst());
  MarkSearchOption(IDM_SEARCH_AS_YOU_TYPE, SearchAsYouType());
  MarkSearchOption(IDM_TONE_MARKS, ToneMarksOn());
  MarkSearchOption(IDM_TONE_COLOURS, ToneColoursOn());
  SetOption(0, 1);
}

HFONT StatusFont(bool underline) {
  LOGFONTW font{};
  font.lfHeight = -9;
  font.lfWeight = FW_NORMAL;
  font.lfUnderline = underline ? 1 : 0;
  font.lfQuality = 4;
  std::memcpy(font.lfFaceName, u"Arial", 6 * sizeof(WCHAR));
  return CreateFontIndirectW(&font);
}

// Where the status text starts: at 115 when it fits there beside the result count, else
// just after the count. `text` loses its "Using " when even then it would pass 236.
int PlaceStatus(HDC dc, const WCHAR** text, int* length) {
  int countRight = ResultLabel ? ResultLabel->x + ResultLabel->width : 0;
  int x = std::max(115, countRight + 6);
  SIZE size{};
  GetTextExtentPoint32W(dc, *text, *length, &size);
  if (x + size.cx > 236 && *length > 6 && std::memcmp(*text, u"Using ", 6 * sizeof(WCHAR)) == 0) {
    *text += 6;
    *length -= 6;
  }
  return x;
}

void OnPaint(HWND window) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(window, &ps);
  RECT client;
  GetClientRect(window, &client);
  FillHatched(dc, 0, 0, client.right, client.bottom, 1);
  HFONT font = StatusFont(false);
  HFONT underlined = nullptr;
  HGDIOBJ old = SelectObject(dc, font);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(128, 128, 128));
  if (CurrentDatabase == 1 || CurrentDatabase == 2) {
    const WCHAR* text = CurrentDatabase == 1 ? u"Using Simplified database" : u"Using Traditional database";
    int length = lstrlenW(text);
    int x = PlaceStatus(dc, &text, &length);
    TextOutW(dc, x, 168, text, length);
  } else {
    const WCHAR* text = u"No database loaded";
    int length = 18;
    int start = PlaceStatus(dc, &text, &length);
    TextOutW(dc, start, 168, u"No database", 11);
    // "loaded" stands 42 after the status's start when the words before it fit there; a
    // wider face moves it on past them (and its link with it), so they never run together.
    SIZE before{};
    GetTextExtentPoint32W(dc, u"No database ", 12, &before);
    int x = std::max(start + 42, start + static_cast<int>(before.cx));
    underlined = StatusFont(true);
    SelectObject(dc, underlined);
    g_linkRect = RECT{x, 168, x + 30, 177};
    TextOutW(dc, x, 168, u"loaded", 6);
  }
  SelectObject(dc, old);
  DeleteObject(font);
  if (underlined) DeleteObject(underlined);
  EndPaint(window, &ps);
}

void OnCommand(HWND window, WPARAM wParam, LPARAM lParam) {
  switch (LOWORD(wParam)) {
    case IDM_COPY_WORD: CopyToClipboard(WordText); break;
    case IDM_COPY_PRONUNCIATION: CopyToClipboard(PronunciationText); break;
    case IDM_COPY_ENTRY: CopyToClipboard(EntryLine(SelectedEntry).c_str()); break;
    case IDM_EXIT:
      WriteOptions();
      EndProcess();
    case IDM_MATCH_WHOLE_WORD:
      MatchWholeWord = !MatchWholeWord;
      MarkSearchOption(IDM_MATCH_WHOLE_WORD, MatchWholeWord);
      break;
    case IDM_MATCH_CASE:
      MatchCase = !MatchCase;
      MarkSearchOption(IDM_MATCH_CASE, MatchCase);
      break;
    case IDM_PINYIN:
      PinYinPronunciation = !PinYinPronunciation;
      MarkSearchOption(IDM_PINYIN, PinYinPronunciation);
      break;
    case IDM_ADD_TO_WORD_LIST: ToggleWordListEntry(); break;
    case IDM_WORD_LIST: OpenWordListPage(); break;
    case IDM_EXPORT_WORD_LIST: ExportWordListCommand(); break;
    case IDM_TONE_MARKS:
    case IDM_TONE_COLOURS: ToggleToneOption(LOWORD(wParam)); break;
    case IDM_KEEP_HISTORY:
      SetKeepingHistory(!KeepingHistory());
      MarkSearchOption(IDM_KEEP_HISTORY, KeepingHistory());
      break;
    case IDM_BEST_MATCHES:
      SetBestMatchesFirst(!BestMatchesFirst());
      MarkSearchOption(IDM_BEST_MATCHES, BestMatchesFirst());
      break;
    case IDM_SEARCH_AS_YOU_TYPE:
      SetSearchAsYouType(!SearchAsYouType());
      MarkSearchOption(IDM_SEARCH_AS_YOU_TYPE, SearchAsYouType());
      if (!SearchAsYouType()) KillTimer(window, kTypingTimer);
      break;
    case IDM_DATABASE_GB: SwitchToDatabase(1); break;
    case IDM_DATABASE_BIG5: SwitchToDatabase(2); break;
    case IDM_ABOUT: OpenAboutWindow(); break;
    case IDM_HELP: OpenHelpPage(window, u"help/help.htm"); break;
    default: DefWindowProcW(window, WM_COMMAND, wParam, lParam); break;
  }
}

}  // namespace

void CheckScreenSize(HWND owner) {
  HDC screen = GetDC(nullptr);
  int width = GetDeviceCaps(screen, HORZRES), height = GetDeviceCaps(screen, VERTRES);
  ReleaseDC(nullptr, screen);
  if (width == 240 && height == 320) return;
  int answer = ShowMessageBox(owner,
                              u"This Dictionary is designed to run on a device with a 240x320 pixel screen!\n\n"
                              u"Click 'Yes' to start anyway. Click 'No' to exit.",
                              2);
  if (answer == 1) EndProcess();
}

void SwitchToDatabase(int target) {
  bool present = target == 1 ? GbFilePresent : Big5FilePresent;
  if (!present) {
    ShowMessageBox(MainWindow,
                   target == 1 ? u"The Simplified (GB) CEDICT dictionary database can not be found.\n\nPlease see "
                                 u"the help file for instructions."
                               : u"The Traditional (Big5) CEDICT dictionary database can not be found.\n\nPlease "
                                 u"see the help file for instructions.",
                   1);
    return;
  }
  if (SearchRunning()) {
    // The table being scanned must stay until the scan ends: switch right after it.
    g_pendingDatabase = target;
    SetAfterSearch(ApplyPendingDatabase);
    return;
  }
  if (target != CurrentDatabase) {
    CloseAllPages();
    SelectedEntry = -1;
    ResultList->Clear();
    DefinitionFrame->SetState(1);
    ClearResultEntries();
    ClearHistory();
    PumpMessages();
    CurrentDatabase = target;
    SwitchDatabase();
    KeepHistory();
  }
  if (CurrentDatabase == target) {
    MarkDatabaseItem(target);
    ResultList->SetGbMode(target == 1 ? 1 : 0);
  }
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE: OnCreate(window); return 0;
    case WM_DESTROY:
      if (MenuBar) DestroyWindow(MenuBar);
      MenuBar = nullptr;
      PostQuitMessage(0);
      return 0;
    case WM_ACTIVATE:
      SHHandleWMActivate(window, wParam, lParam, &ActivationInfo, FALSE);
      if (SearchBox) SearchBox->Focus();
      return 0;
    case WM_SETTINGCHANGE: SHHandleWMSettingChange(window, wParam, lParam, &ActivationInfo); return 0;
    case WM_PAINT: OnPaint(window); return 0;
    case WM_TIMER:
      if (wParam == kTypingTimer) OnTypingPause(window);
      if (wParam == kIdleTimer) OnIdle(window);
      return 0;
    case WM_COMMAND: OnCommand(window, wParam, lParam); return 0;
    case WM_INITMENUPOPUP: MarkWordListItem(reinterpret_cast<HMENU>(wParam)); return 0;
    case WM_PARENTNOTIFY:
      if (LOWORD(wParam) == WM_LBUTTONDOWN) CloseDropDownOnTap(window, lParam);
      return 0;
    case WM_LBUTTONDOWN: {
      CloseDropDownOnTap(window, lParam);
      POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      if (PtInRect(&g_linkRect, p)) OpenHelpPage(window, u"help/edict_doc.htm");
      return 0;
    }
    case WM_APP_FREE_BUTTON: delete reinterpret_cast<TextButton*>(lParam); return 0;
    default: return DefWindowProcW(window, message, wParam, lParam);
  }
}
