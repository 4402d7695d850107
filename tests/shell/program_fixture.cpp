#include "tests/shell/program_fixture.h"

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

#include "device/dictionary/database.h"
#include "device/dictionary/search_driver.h"
#include "device/dictionary/search_text.h"
#include "device/shell/main_window.h"
#include "device/shell/options.h"
#include "device/shell/program_folder.h"
#include "device/shell/scroll_page.h"
#include "device/shell/shared_screen.h"
#include "device/shell/start_up.h"
#include "platform/commctrl.h"
#include "platform/gdi_bridge.h"
#include "platform/platform.h"
#include "platform/png.h"
#include "platform/utf.h"
#include "tests/support/pixels.h"
#include "widgets/combo_box.h"
#include "widgets/frame_window.h"
#include "widgets/label.h"
#include "widgets/list_view.h"
#include "widgets/text_button.h"

namespace fs = std::filesystem;

namespace program_test {

const std::vector<std::u16string> kGbLines = {
    u"# CEDICT test list (GB)",
    u"中 [zhong1] /middle/centre/China/",
    u"中国 [zhong1 guo2] /China/",
    u"中国人 [zhong1 guo2 ren2] /Chinese person/",
    u"吃 [chi1] /to eat/to consume/",
    u"电脑 [dian4 nao3] /computer/",
    u"美丽 [mei3 li4] /beautiful/",
    u"你好 [ni3 hao3] /hello/hi/",
    u"王 [Wang2] /(surname) Wang/king/",
    u"北京 [Bei3 jing1] /Beijing, capital of China/",
    u"瓷器 [ci2 qi4] /chinaware/porcelain/",
};
const std::vector<std::u16string> kBig5Lines = {
    u"# CEDICT test list (Big5)",
    u"中 [zhong1] /middle/centre/China/",
    u"中國 [zhong1 guo2] /China/",
    u"電腦 [dian4 nao3] /computer/",
};

std::vector<BYTE> DatabaseImage(const std::vector<std::u16string>& lines) {
  std::vector<BYTE> image(4);
  int32_t count = static_cast<int32_t>(lines.size());
  std::memcpy(image.data(), &count, 4);
  for (const std::u16string& line : lines)
    for (char16_t c : line + u"\r\n") {
      image.push_back(static_cast<BYTE>(c & 0xFF));
      image.push_back(static_cast<BYTE>(c >> 8));
    }
  return image;
}

namespace {

int g_answered = 0;
int g_answer = 2;
platform::Surface* g_shot = nullptr;
std::function<void()> g_during;

// Finds the open message box and taps the wanted button on it.
void CALLBACK TapMessageBox(HWND, UINT, UINT_PTR id, DWORD) {
  HWND box = FindWindowW(u"MyMessageBox", nullptr);
  if (!box) return;
  KillTimer(nullptr, id);
  if (g_shot) {
    *g_shot = DictionaryProgram::Screen();
    g_shot = nullptr;
  }
  RECT r;
  GetWindowRect(box, &r);
  int w = r.right - r.left;
  POINT p{r.left + w - 15, r.top + 11};  // the close box
  if (g_answer != 0) {
    // The buttons: OK or Yes is the leftmost, No the rightmost.
    RECT chosen{};
    for (HWND b = GetWindow(box, GW_CHILD); b; b = GetWindow(b, GW_HWNDNEXT)) {
      RECT br;
      GetWindowRect(b, &br);
      bool better = !chosen.right || (g_answer == 2 ? br.left < chosen.left : br.left > chosen.left);
      if (br.bottom > r.top + 25 && better) chosen = br;
    }
    p = {(chosen.left + chosen.right) / 2, (chosen.top + chosen.bottom) / 2};
  }
  ++g_answered;
  platform::InputEvent down;
  down.kind = platform::InputEvent::Kind::StylusDown;
  down.point = p;
  platform::InputEvent up = down;
  up.kind = platform::InputEvent::Kind::StylusUp;
  platform::headless::Queue(platform::headless::Now(), down);
  platform::headless::Queue(platform::headless::Now() + 20, up);
}

void CALLBACK RunDuring(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  std::function<void()> action = std::move(g_during);
  g_during = nullptr;
  if (action) action();
}

}  // namespace

void DictionaryProgram::SetUp() {
  folder_ = fs::temp_directory_path() /
            ("orlend_program_" + std::to_string(::getpid()) + "_" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
  fs::remove_all(folder_);
  fs::create_directories(folder_);
  fs::path bin = fs::path(ORLEND_BINARY_DIR) / "bin";
  for (const char* file : {"tovu.dll", "zorwen.dll"}) fs::copy_file(bin / file, folder_ / file);
  fs::copy(bin / "res", folder_ / "res", fs::copy_options::recursive);
  fs::copy(bin / "help", folder_ / "help", fs::copy_options::recursive);
  std::u16string folder = platform::Utf16FromUtf8(folder_.string());
  SetProgramFolder(folder.c_str());
  g_answered = 0;
  g_shot = nullptr;
  g_during = nullptr;
  ForgetProgramState();
}

std::filesystem::path ScratchProgramFolder(const std::string& area) {
  fs::path folder = fs::path(ORLEND_BINARY_DIR) / "test-scratch" / "shell" / area /
                    ::testing::UnitTest::GetInstance()->current_test_info()->name();
  fs::remove_all(folder);
  fs::create_directories(folder);
  SetProgramFolder(platform::Utf16FromUtf8(folder.string() + "/").c_str());
  return folder;
}

// The program's state lives for a process; each test starts it afresh.
void DictionaryProgram::ForgetProgramState() {
  MatchCase = MatchWholeWord = PinYinPronunciation = 0;
  CurrentDatabase = 0;
  SelectedEntry = -1;
  ClearHistory();
  ClearResultEntries();
  FreeDictionary();
  for (LONG& option : Options) option = 0;
}

bool DictionaryProgram::Restart() {
  // A run of the program ends with its process, its controls never freed; a run a test
  // restarts past keeps its controls reachable here, as they would be until that end.
  // (Never destroyed: the leak check runs after static destructors.)
  static auto* earlierRuns = new std::vector<const void*>;
  for (const void* control : {static_cast<const void*>(DefinitionFrame), static_cast<const void*>(PreviousButton),
                              static_cast<const void*>(NextButton), static_cast<const void*>(SearchBox),
                              static_cast<const void*>(SearchButton), static_cast<const void*>(ResultLabel),
                              static_cast<const void*>(ResultList)})
    earlierRuns->push_back(control);
  if (screen_) {
    CloseAllPages();
    test::RunUntilIdle();
  }
  delete screen_;
  screen_ = nullptr;
  ForgetProgramState();
  return Start();
}

void DictionaryProgram::TearDown() {
  if (screen_) {
    CloseAllPages();  // their windows go with the screen
    test::RunUntilIdle();  // their Close buttons are freed by a posted message
  }
  delete screen_;
  screen_ = nullptr;
  for (const char* face : {"MS Song", "MingLiU"}) platform::SetFontFaceHidden(platform::Utf16FromUtf8(face).c_str(), false);
  fs::remove_all(folder_);
}

static void WriteDatabase(const std::filesystem::path& path, const std::vector<std::u16string>& lines) {
  std::vector<BYTE> image = DatabaseImage(lines);
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(image.data()),
                                              static_cast<std::streamsize>(image.size()));
}

void DictionaryProgram::PrepareGb(const std::vector<std::u16string>& lines) {
  WriteDatabase(folder_ / "cedict.gb.dat", lines);
}

void DictionaryProgram::Choose(const std::u16string& query) {
  Search(query);
  ASSERT_GE(ResultEntryCount, 1);
  TapRow(0);
}

void DictionaryProgram::Prepare(bool gb, bool big5, int saved) {
  auto write = [&](const char* name, const std::vector<std::u16string>& lines) { WriteDatabase(folder_ / name, lines); };
  if (gb) write("cedict.gb.dat", kGbLines);
  if (big5) write("cedict.b5.dat", kBig5Lines);
  if (saved >= 0) {
    int32_t record[5] = {1, 0, 0, saved, 0};
    std::ofstream(folder_ / "vemora.opt", std::ios::binary).write(reinterpret_cast<const char*>(record), 20);
  }
}

void DictionaryProgram::PrepareLarge(int fillers) {
  std::vector<std::u16string> lines = kGbLines;
  for (int i = 0; i < fillers; ++i) {
    std::u16string headword{static_cast<char16_t>(0x4E00 + 2 * (i % 3000)), static_cast<char16_t>(0x5000 + i % 997)};
    lines.push_back(headword + u" [zi4 ci2] /filler word " + platform::Utf16FromUtf8(std::to_string(i)) + u"/");
  }
  std::vector<BYTE> image = DatabaseImage(lines);
  std::ofstream(folder_ / "cedict.gb.dat", std::ios::binary)
      .write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
}

void DictionaryProgram::OpenScreen(int width, int height) {
  if (!screen_) screen_ = new test::HeadlessScreen(platform::ScreenKind::Handheld, width, height);
}

bool DictionaryProgram::Start() {
  OpenScreen();
  if (!screen_->ok()) return false;
  bool started = InitInstance(GetModuleHandleW(nullptr), SW_SHOW);
  test::RunUntilIdle();
  return started;
}

void DictionaryProgram::Search(const std::u16string& text) {
  SearchBox->SetText(nullptr);
  test::Tap(60, 26 + 152);
  test::Type(text);
  RECT r;
  GetWindowRect(SearchButton->window, &r);
  test::Tap((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  test::RunUntilIdle();
}

void DictionaryProgram::TapRow(int row) {
  RECT r{};
  r.left = LVIR_BOUNDS;
  ASSERT_TRUE(SendMessageW(ResultList->innerList, LVM_GETITEMRECT, static_cast<WPARAM>(row),
                           reinterpret_cast<LPARAM>(&r)));
  POINT p{20, (r.top + r.bottom) / 2};
  ClientToScreen(ResultList->innerList, &p);
  test::Tap(p.x, p.y);
  test::RunUntilIdle();
}

void DictionaryProgram::Command(UINT id) {
  SendMessageW(MainWindow, WM_COMMAND, MAKEWPARAM(id, 0), 0);
  test::RunUntilIdle();
}

std::u16string DictionaryProgram::RowText(int row, int column) {
  WCHAR text[ROW_TEXT_SIZE] = {};
  LVITEMW item{};
  item.iSubItem = column;
  item.pszText = text;
  item.cchTextMax = ROW_TEXT_SIZE;
  SendMessageW(ResultList->innerList, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
  return text;
}

int DictionaryProgram::PanelPixels(RECT area, const std::function<bool(int, int, int)>& ink) {
  POINT origin{0, 0};
  ClientToScreen(DefinitionFrame->window, &origin);
  platform::Surface s = Screen();
  int n = 0;
  for (int y = area.top; y < area.bottom; ++y)
    for (int x = area.left; x < area.right; ++x) {
      uint32_t p = s.pixel(origin.x + x, origin.y + y);
      n += ink((p >> 16) & 255, (p >> 8) & 255, p & 255);
    }
  return n;
}

int DictionaryProgram::PanelInk(RECT area, COLORREF colour, int tolerance) {
  return PanelPixels(area, [&](int r, int g, int b) {
    return std::abs(r - GetRValue(colour)) < tolerance && std::abs(g - GetGValue(colour)) < tolerance &&
           std::abs(b - GetBValue(colour)) < tolerance;
  });
}

std::u16string DictionaryProgram::LabelText() { return ResultLabel->text ? ResultLabel->text : u""; }

std::u16string DictionaryProgram::Clipboard() {
  std::u16string text;
  if (OpenClipboard(nullptr)) {
    if (auto* data = static_cast<const WCHAR*>(GetClipboardData(CF_UNICODETEXT))) text = data;
    CloseClipboard();
  }
  return text;
}

UINT DictionaryProgram::MenuState(UINT buttonId, UINT commandId) {
  auto menu = reinterpret_cast<HMENU>(SendMessageW(MenuBar, SHCMBM_GETSUBMENU, 0, buttonId));
  return GetMenuState(menu, commandId, MF_BYCOMMAND);
}

std::vector<BYTE> DictionaryProgram::OptionsFile() {
  std::ifstream in(folder_ / "vemora.opt", std::ios::binary);
  return std::vector<BYTE>(std::istreambuf_iterator<char>(in), {});
}

int DictionaryProgram::ShellExecutes(const std::u16string& pageEnd) {
  int n = 0;
  for (const auto& r : platform::headless::Records())
    if (r.call == "ShellExecuteEx" && r.text.size() >= pageEnd.size() &&
        r.text.compare(r.text.size() - pageEnd.size(), pageEnd.size(), pageEnd) == 0)
      ++n;
  return n;
}

void DictionaryProgram::AnswerMessageBox(int answer, DWORD afterMs, platform::Surface* shot) {
  OpenScreen();
  g_answer = answer;
  g_shot = shot;
  SetTimer(nullptr, 0, afterMs, TapMessageBox);
}

int DictionaryProgram::MessageBoxesAnswered() const { return g_answered; }

void DictionaryProgram::During(DWORD afterMs, std::function<void()> action) {
  OpenScreen();
  g_during = std::move(action);
  SetTimer(nullptr, 0, afterMs, RunDuring);
}

platform::Surface DictionaryProgram::Screen() {
  test::RunUntilIdle();
  return platform::headless::Snapshot();
}

::testing::AssertionResult DictionaryProgram::LooksLike(const std::string& name, const platform::Surface& shot) {
  const char* write = std::getenv("ORLEND_WRITE_DOCS");
  if (write && std::strcmp(write, "1") == 0 && shot.width() > 0) {
    platform::Surface two(shot.width() * 2, shot.height() * 2);
    for (int y = 0; y < two.height(); ++y)
      for (int x = 0; x < two.width(); ++x) two.set_pixel(x, y, shot.pixel(x / 2, y / 2));
    fs::path docs = fs::path(ORLEND_SOURCE_DIR) / "docs" / "program";
    fs::create_directories(docs);
    std::string error;
    if (!platform::WritePng(two, (docs / (name + "@2x.png")).string(), &error))
      return ::testing::AssertionFailure() << "cannot write the docs picture: " << error;
  }
  return test::MatchesGolden("program/" + name + ".png", shot);
}

}  // namespace program_test
