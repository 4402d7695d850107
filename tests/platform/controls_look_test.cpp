// How each standard control looks, compared with goldens under tests/golden/controls; with
// ORLEND_WRITE_DOCS=1 the same pictures go to docs/controls at 1x and 3x.
#include <filesystem>
#include <fstream>

#include "platform/commdlg.h"
#include "platform/utf.h"
#include "tests/platform/controls_fixture.h"

namespace {

using controls_test::ControlsTest;
using controls_test::Crop;
using controls_test::During;
using controls_test::QueueKey;
using controls_test::WriteDoc;

HFONT Font(const WCHAR* face, int height, int weight, BYTE charset = DEFAULT_CHARSET) {
  return CreateFontW(-height, 0, 0, 0, weight, 0, 0, 0, charset, 0, 0, ANTIALIASED_QUALITY, 0, face);
}

RECT Around(HWND window, int margin) {
  RECT r;
  GetWindowRect(window, &r);
  InflateRect(&r, margin, margin);
  return r;
}

void Check(const std::string& name, const platform::Surface& image) {
  EXPECT_TRUE(test::MatchesGolden("controls/" + name + ".png", image));
  WriteDoc(name, image);
}

void QueueMove(DWORD afterMs, POINT p) {
  platform::InputEvent e;
  e.kind = platform::InputEvent::Kind::StylusMove;
  e.point = p;
  platform::headless::Queue(test::Now() + afterMs, e);
}

const char16_t* kWords[][2] = {
    {u"中国", u"China / Middle Kingdom"}, {u"中文", u"Chinese language"},
    {u"字典", u"dictionary / character dictionary"}, {u"汉字", u"Chinese character"},
    {u"你好", u"hello / hi"}, {u"学习", u"to learn / to study"},
    {u"朋友", u"friend"}, {u"电脑", u"computer"},
    {u"谢谢", u"to thank / thanks"}, {u"词典", u"dictionary"},
};

class ControlsLook : public ControlsTest {};

TEST_F(ControlsLook, EditWithChineseTextAndASelection) {
  HFONT song = Font(u"MS Song", 16, FW_BOLD, GB2312_CHARSET);
  OnParent([](HWND, UINT m, WPARAM w, LPARAM, LRESULT* r) {
    if (m != WM_CTLCOLOREDIT) return false;
    SetTextColor(reinterpret_cast<HDC>(w), RGB(0, 0, 255));
    *r = reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH));
    return true;
  });
  HWND plain = Child(u"edit", WS_BORDER | ES_AUTOHSCROLL, 12, 44, 200, 22, 8, u"hello world");
  HWND edit = Child(u"edit", WS_BORDER | ES_AUTOHSCROLL, 12, 12, 200, 24, 7, u"查字典 dictionary");
  SendMessageW(edit, WM_SETFONT, reinterpret_cast<WPARAM>(song), TRUE);
  SendMessageW(edit, EM_SETMARGINS, EC_LEFTMARGIN, MAKELONG(3, 0));
  SetFocus(edit);
  SendMessageW(edit, EM_SETSEL, 1, 3);
  test::RunUntilIdle();
  RECT area = Around(edit, 10);
  area.bottom = Around(plain, 10).bottom;
  Check("edit", Crop(area));
  DestroyWindow(edit);
  DeleteObject(song);
}

TEST_F(ControlsLook, ListBoxWithAScrollBar) {
  HFONT arial = Font(u"Arial", 15, FW_BOLD);
  HWND list = Child(u"listbox", WS_BORDER | WS_VSCROLL | LBS_NOTIFY, 12, 12, 150, 6 * 17 + 2);
  SendMessageW(list, WM_SETFONT, reinterpret_cast<WPARAM>(arial), FALSE);
  SendMessageW(list, WM_SETREDRAW, FALSE, 0);
  for (const auto& w : kWords) SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>((std::u16string(w[0]) + u" " + w[1]).c_str()));
  SendMessageW(list, WM_SETREDRAW, TRUE, 0);
  SendMessageW(list, LB_SETCURSEL, 2, 0);
  test::RunUntilIdle();
  Check("listbox", Crop(Around(list, 10)));
  DestroyWindow(list);
  DeleteObject(arial);
}

TEST_F(ControlsLook, ListViewRowsWithSelectionAndCustomDrawColours) {
  HFONT song = Font(u"MS Song", 12, FW_BOLD, GB2312_CHARSET);
  HFONT arial = Font(u"Arial", 11, FW_BOLD);
  OnParent([&](HWND, UINT m, WPARAM, LPARAM l, LRESULT* r) {
    if (m != WM_NOTIFY) return false;
    auto* hdr = reinterpret_cast<NMHDR*>(l);
    if (hdr->code == LVN_GETDISPINFOW) {
      auto* info = reinterpret_cast<NMLVDISPINFOW*>(l);
      std::u16string text = kWords[info->item.iItem % 10][info->item.iSubItem ? 1 : 0];
      text = text.substr(0, static_cast<size_t>(info->item.cchTextMax - 1));
      std::copy(text.begin(), text.end(), info->item.pszText);
      info->item.pszText[text.size()] = 0;
      return true;
    }
    if (hdr->code != NM_CUSTOMDRAW) return false;
    auto* cd = reinterpret_cast<NMLVCUSTOMDRAW*>(l);
    if (cd->nmcd.dwDrawStage == (CDDS_ITEMPREPAINT | CDDS_SUBITEM)) {
      cd->clrText = cd->iSubItem == 0 ? RGB(0, 0, 128) : RGB(128, 128, 128);
      SelectObject(cd->nmcd.hdc, cd->iSubItem == 0 ? song : arial);
      *r = CDRF_NEWFONT;
    } else {
      *r = CDRF_NOTIFYSUBITEMDRAW;
    }
    return true;
  });
  HWND list = Child(WC_LISTVIEWW, WS_BORDER | LVS_REPORT | LVS_SHOWSELALWAYS | LVS_NOCOLUMNHEADER | LVS_NOSORTHEADER,
                    8, 12, 224, 110);
  SendMessageW(list, WM_SETFONT, reinterpret_cast<WPARAM>(song), FALSE);
  SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT);
  LVCOLUMNW column{};
  column.mask = LVCF_WIDTH;
  column.cx = 60;
  SendMessageW(list, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&column));
  column.cx = 222 - 60 - GetSystemMetrics(SM_CXVSCROLL);
  SendMessageW(list, LVM_INSERTCOLUMNW, 1, reinterpret_cast<LPARAM>(&column));
  SendMessageW(list, WM_SETREDRAW, FALSE, 0);
  for (int i = 0; i < 10; ++i) {
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = i;
    item.pszText = LPSTR_TEXTCALLBACKW;
    SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
  }
  SendMessageW(list, WM_SETREDRAW, TRUE, 0);
  SetFocus(list);
  LVITEMW state{};
  state.stateMask = state.state = LVIS_SELECTED | LVIS_FOCUSED;
  SendMessageW(list, LVM_SETITEMSTATE, 2, reinterpret_cast<LPARAM>(&state));
  test::RunUntilIdle();
  Check("listview", Crop(Around(list, 8)));
  DestroyWindow(list);
  DeleteObject(song);
  DeleteObject(arial);
}

TEST_F(ControlsLook, ProgressBarsAt37Percent) {
  HWND device = Child(PROGRESS_CLASSW, PBS_SMOOTH, 20, 20, 158, 21, 1);
  HWND installer = Child(PROGRESS_CLASSW, PBS_SMOOTH, 20, 50, 200, 21, 2);
  HWND blocks = Child(PROGRESS_CLASSW, 0, 20, 80, 158, 21, 3);
  SendMessageW(installer, PBM_SETBARCOLOR, 0, RGB(192, 192, 192));
  SendMessageW(installer, PBM_SETBKCOLOR, 0, RGB(255, 255, 255));
  for (HWND bar : {device, installer, blocks}) SendMessageW(bar, PBM_SETPOS, 37, 0);
  test::RunUntilIdle();
  Check("progress", Crop(RECT{10, 36, 230, 26 + 111}));
}

TEST_F(ControlsLook, PopupMenuWithGreyedAndCheckedItems) {
  HMENU menu = CreatePopupMenu();
  AppendMenuW(menu, MF_STRING, 1, u"Copy Word");
  AppendMenuW(menu, MF_STRING | MF_GRAYED, 2, u"Copy Pronunciation");
  AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  AppendMenuW(menu, MF_STRING | MF_CHECKED, 3, u"Search: Match Case");
  AppendMenuW(menu, MF_STRING, 4, u"Exit");
  platform::Surface shot;
  During(50, [&] {
    HWND open = FindWindowW(u"#32768", nullptr);
    RECT r;
    GetWindowRect(open, &r);
    QueueMove(10, POINT{r.left + 40, r.bottom - 10});  // the stylus over "Exit"
    During(30, [&, r] {
      RECT area = r;
      InflateRect(&area, 10, 10);
      shot = Crop(area);
      QueueKey(10, VK_ESCAPE);
    });
  });
  TrackPopupMenu(menu, TPM_RETURNCMD, 30, 80, 0, parent_, nullptr);
  DestroyMenu(menu);
  Check("popup-menu", shot);
}

TEST_F(ControlsLook, MenuBarWithAnOpenMenu) {
  std::u16string library = controls_test::DeviceResourceLibrary();
  if (library.empty()) GTEST_SKIP() << "the resource tools (binutils-mingw-w64) are not installed";
  HMODULE resources = LoadLibraryW(library.c_str());
  ASSERT_NE(resources, nullptr);
  SetWindowTextW(parent_, u"Duzavur Evuravuzad");
  SHMENUBARINFO info{};
  info.cbSize = sizeof info;
  info.hwndParent = parent_;
  info.nToolBarId = 102;
  info.hInstRes = resources;
  ASSERT_TRUE(SHCreateMenuBar(&info));
  auto options = reinterpret_cast<HMENU>(SendMessageW(info.hwndMB, SHCMBM_GETSUBMENU, 0, 40002));
  CheckMenuItem(options, 40009, MF_BYCOMMAND | MF_CHECKED);
  CheckMenuItem(options, 40012, MF_BYCOMMAND | MF_CHECKED);
  EnableMenuItem(options, 40021, MF_BYCOMMAND | MF_GRAYED);
  test::RunUntilIdle();
  Check("menubar", Crop(RECT{0, 0, 240, 320}));
  platform::Surface shot;
  During(50, [&] {
    shot = Crop(RECT{0, 0, 240, 320});
    QueueKey(10, VK_ESCAPE);
  });
  RECT button{};
  SendMessageW(info.hwndMB, TB_GETRECT, 40002, reinterpret_cast<LPARAM>(&button));
  test::Tap(button.left + 10, 300);
  Check("menubar-open", shot);
  DestroyWindow(info.hwndMB);
  FreeLibrary(resources);
}

TEST(ControlsLookDesktop, TheBuiltInOpenFileDialog) {
  test::HeadlessScreen screen(platform::ScreenKind::Desktop);
  namespace fs = std::filesystem;
  // A fixed folder, so that the path shown is the same on every machine.
  // Made, never emptied: another run may be listing it at the same time.
  fs::path folder = "/tmp/orlend-open-file";
  fs::create_directories(folder / "downloads");
  fs::create_directories(folder / "old lists");
  for (auto name : {"cedict.gb", "cedict.b5", "cedict-2004.gb", "readme.txt", "cedict.zip"})
    if (!fs::exists(folder / name)) std::ofstream(folder / name) << "x";
  platform::Surface shot;
  During(100, [&] {
    HWND dialog = FindWindowW(u"OpenFileDialog", nullptr);
    ASSERT_NE(dialog, nullptr);
    HWND files = GetDlgItem(dialog, 1002);
    SendMessageW(files, LB_SETCURSEL, 1, 0);
    SetWindowTextW(GetDlgItem(dialog, 1003), u"cedict.gb");
    test::RunUntilIdle();
    RECT r;
    GetWindowRect(dialog, &r);
    shot = Crop(r);
    QueueKey(10, VK_ESCAPE);
  });
  WCHAR file[260] = {};
  std::u16string dir = platform::Utf16FromUtf8(folder.string());
  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.lpstrFilter = u"Simplified (GB) database (*.gb)\0*.gb\0Traditional (Big5) database (*.b5)\0*.b5\0All Files (*.*)\0*.*\0";
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = file;
  ofn.nMaxFile = 260;
  ofn.lpstrInitialDir = dir.c_str();
  ofn.lpstrDefExt = u"gb";
  EXPECT_FALSE(GetOpenFileNameW(&ofn));
  ASSERT_GT(shot.width(), 0);
  Check("file-dialog", shot);
}

}  // namespace
