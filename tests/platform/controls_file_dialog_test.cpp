// GetOpenFileNameW on the headless desktop: scripted answers, cancelling, the default
// extension, buffers that are too small, and the built-in dialog driven by scripted input.
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "controls/file_dialog.h"
#include "platform/commdlg.h"
#include "platform/utf.h"
#include "tests/platform/controls_fixture.h"

namespace {

using controls_test::During;
using controls_test::QueueKey;
using controls_test::QueueTap;
using controls_test::QueueText;

namespace fs = std::filesystem;

class FileDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(screen_.ok());
    platform::headless::ClearOpenFileNameAnswers();
    folder_ = controls_test::ScratchFolder(::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(folder_ / "sub");
    fs::create_directories(folder_ / ".hidden");
    for (auto name : {"cedict.gb", "CEDICT2.GB", "cedict.b5", "notes.txt", "README", "sub/inner.gb"})
      std::ofstream(folder_ / name) << "x";
    ASSERT_TRUE(test::RegisterTestClass(u"DialogOwner", DefWindowProcW, GetSysColorBrush(COLOR_WINDOW)));
    owner_ = CreateWindowExW(0, u"DialogOwner", u"Owner", WS_VISIBLE | WS_POPUP, 100, 100, 440, 551, nullptr,
                             nullptr, nullptr, nullptr);
    test::RunUntilIdle();
  }
  void TearDown() override { platform::headless::ClearOpenFileNameAnswers(); }

  // The installer's request: three filters, buffers of 260, default extension "gb".
  BOOL Open(const std::u16string& initialDir = u"") {
    ofn_ = OPENFILENAMEW{};
    ofn_.lStructSize = sizeof ofn_;
    ofn_.hwndOwner = owner_;
    ofn_.lpstrFilter =
        u"Simplified (GB) database (*.gb)\0*.gb\0Traditional (Big5) database (*.b5)\0*.b5\0All Files (*.*)\0*.*\0";
    ofn_.nFilterIndex = 1;
    ofn_.lpstrFile = file_;
    ofn_.nMaxFile = 260;
    ofn_.lpstrFileTitle = title_;
    ofn_.nMaxFileTitle = 260;
    ofn_.lpstrDefExt = u"gb";
    dir_ = initialDir.empty() ? Native(folder_) : initialDir;
    ofn_.lpstrInitialDir = dir_.c_str();
    return GetOpenFileNameW(&ofn_);
  }
  static std::u16string Native(const fs::path& p) { return platform::Utf16FromUtf8(p.string()); }
  static std::vector<std::u16string> Items(HWND list) {
    std::vector<std::u16string> out;
    int n = static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < n; ++i) {
      WCHAR text[260] = {};
      SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
      out.push_back(text);
    }
    return out;
  }

  test::HeadlessScreen screen_{platform::ScreenKind::Desktop};
  fs::path folder_;
  HWND owner_ = nullptr;
  OPENFILENAMEW ofn_{};
  WCHAR file_[260] = {};
  WCHAR title_[260] = {};
  std::u16string dir_;
};

TEST_F(FileDialogTest, AScriptedAnswerFillsThePathAndTheTitle) {
  platform::headless::SetNextOpenFileName(u"cedict.b5");
  ASSERT_TRUE(Open());
  EXPECT_EQ(std::u16string(file_), Native(folder_ / "cedict.b5"));
  EXPECT_EQ(std::u16string(title_), u"cedict.b5");
  EXPECT_EQ(std::u16string(file_ + ofn_.nFileOffset), u"cedict.b5");
  EXPECT_EQ(std::u16string(file_ + ofn_.nFileExtension), u"b5");
  EXPECT_EQ(ofn_.nFilterIndex, 1u);
  EXPECT_EQ(CommDlgExtendedError(), 0u);
  // A typed name without an extension takes the default one.
  platform::headless::SetNextOpenFileName(u"cedict");
  ASSERT_TRUE(Open());
  EXPECT_EQ(std::u16string(title_), u"cedict.gb");
  // An absolute path stays as it is.
  platform::headless::SetNextOpenFileName(Native(folder_ / "sub" / "inner.gb").c_str());
  ASSERT_TRUE(Open());
  EXPECT_EQ(std::u16string(file_), Native(folder_ / "sub" / "inner.gb"));
}

TEST_F(FileDialogTest, ACancelledDialogLeavesBothBuffersEmpty) {
  std::u16string(u"old path").copy(file_, 8);
  std::u16string(u"old title").copy(title_, 9);
  platform::headless::CancelNextOpenFileName();
  EXPECT_FALSE(Open());
  EXPECT_EQ(file_[0], 0);
  EXPECT_EQ(title_[0], 0);
  EXPECT_EQ(CommDlgExtendedError(), 0u);
  // With nothing scripted and no input to come, the built-in dialog ends cancelled too.
  EXPECT_FALSE(Open());
  EXPECT_EQ(file_[0], 0);
}

TEST_F(FileDialogTest, BadRequestsFailWithTheirErrors) {
  OPENFILENAMEW small{};
  small.lStructSize = 12;
  EXPECT_FALSE(GetOpenFileNameW(&small));
  EXPECT_EQ(CommDlgExtendedError(), static_cast<DWORD>(CDERR_STRUCTSIZE));
  platform::headless::SetNextOpenFileName(u"cedict.gb");
  ofn_ = OPENFILENAMEW{};
  ofn_.lStructSize = sizeof ofn_;
  WCHAR tiny[5] = {};
  ofn_.lpstrFile = tiny;
  ofn_.nMaxFile = 5;
  std::u16string dir = Native(folder_);
  ofn_.lpstrInitialDir = dir.c_str();
  EXPECT_FALSE(GetOpenFileNameW(&ofn_));
  EXPECT_EQ(CommDlgExtendedError(), static_cast<DWORD>(FNERR_BUFFERTOOSMALL));
  EXPECT_EQ(tiny[0], static_cast<WCHAR>(Native(folder_ / "cedict.gb").size() + 1));
}

TEST_F(FileDialogTest, TheBuiltInDialogListsFoldersAndFilesOfTheChosenType) {
  std::vector<std::u16string> folders, files, allFiles;
  During(100, [&] {
    HWND dialog = FindWindowW(u"OpenFileDialog", nullptr);
    ASSERT_NE(dialog, nullptr);
    EXPECT_FALSE(IsWindowEnabled(owner_));  // modal to its owner
    folders = Items(GetDlgItem(dialog, platform::controls::kFolderListId));
    files = Items(GetDlgItem(dialog, platform::controls::kFileListId));
    QueueText(10, u"*.*");  // a pattern typed as the name becomes the filter
    QueueKey(20, VK_RETURN);
    During(50, [&, dialog] {
      allFiles = Items(GetDlgItem(dialog, platform::controls::kFileListId));
      QueueKey(10, VK_ESCAPE);
    });
  });
  EXPECT_FALSE(Open());
  EXPECT_TRUE(IsWindowEnabled(owner_));
  EXPECT_EQ(folders, (std::vector<std::u16string>{u"..", u"sub"}));
  EXPECT_EQ(files, (std::vector<std::u16string>{u"cedict.gb", u"CEDICT2.GB"}));
  EXPECT_EQ(allFiles,
            (std::vector<std::u16string>{u"cedict.b5", u"cedict.gb", u"CEDICT2.GB", u"notes.txt", u"README"}));
  EXPECT_EQ(file_[0], 0);
}

TEST_F(FileDialogTest, TheBuiltInDialogIsDrivenByTapsAndTyping) {
  // A tap on the "sub" folder, a tap on its file, then OK.
  During(100, [&] {
    HWND dialog = FindWindowW(u"OpenFileDialog", nullptr);
    ASSERT_NE(dialog, nullptr);
    HWND folders = GetDlgItem(dialog, platform::controls::kFolderListId);
    int h = static_cast<int>(SendMessageW(folders, LB_GETITEMHEIGHT, 0, 0));
    POINT sub{10, h + h / 2};
    ClientToScreen(folders, &sub);
    QueueTap(10, sub);
    During(50, [dialog, h] {
      HWND files = GetDlgItem(dialog, platform::controls::kFileListId);
      POINT first{10, h / 2};
      ClientToScreen(files, &first);
      QueueTap(10, first);
      QueueKey(30, VK_RETURN);
    });
  });
  ASSERT_TRUE(Open());
  EXPECT_EQ(std::u16string(file_), Native(folder_ / "sub" / "inner.gb"));
  EXPECT_EQ(std::u16string(title_), u"inner.gb");

  // Typing a name and Enter; the name needs no extension.
  QueueText(100, u"notes.txt");
  QueueKey(150, VK_RETURN);
  ASSERT_TRUE(Open());
  EXPECT_EQ(std::u16string(title_), u"notes.txt");
}

TEST(DesktopChooser, TheChooserIsGivenTheTypesChosenFirstAndItsAnswerIsTaken) {
  test::HeadlessScreen screen(platform::ScreenKind::Desktop);
  fs::path dir = controls_test::ScratchFolder("desktop-chooser");
  // A stand-in for zenity: keeps its arguments, answers $ANSWER and ends with $CODE.
  std::ofstream(dir / "zenity") << "#!/bin/sh\nfor a in \"$@\"; do echo \"$a\"; done > '" << (dir / "args").string()
                                << "'\nprintf '%s' \"$ANSWER\"\nexit $CODE\n";
  fs::permissions(dir / "zenity", fs::perms::owner_all);
  std::string path = std::getenv("PATH") ? std::getenv("PATH") : "";
  setenv("PATH", dir.c_str(), 1);
  platform::controls::FileRequest request;
  request.filters = {{u"Simplified (GB) database (*.gb)", u"*.gb"}, {u"All Files (*.*)", u"*.*"}};
  request.filterIndex = 1;
  request.folder = u"/data";
  request.title = u"Locate";
  setenv("ANSWER", "/data/cedict.gb\n", 1);
  setenv("CODE", "0", 1);
  platform::controls::Answer chosen = platform::controls::RunDesktopChooser(request);
  setenv("CODE", "1", 1);
  platform::controls::Answer cancelled = platform::controls::RunDesktopChooser(request);
  setenv("ANSWER", "", 1);
  setenv("CODE", "3", 1);  // it could not run (no display): the built-in dialog takes over
  platform::controls::Answer broken = platform::controls::RunDesktopChooser(request);
  setenv("PATH", path.c_str(), 1);
  EXPECT_EQ(chosen.outcome, platform::controls::Outcome::Chosen);
  EXPECT_EQ(chosen.path, u"/data/cedict.gb");
  EXPECT_EQ(cancelled.outcome, platform::controls::Outcome::Cancelled);
  EXPECT_EQ(broken.outcome, platform::controls::Outcome::Unavailable);
  std::ifstream argsFile(dir / "args");
  std::vector<std::string> args;
  for (std::string line; std::getline(argsFile, line);) args.push_back(line);
  EXPECT_EQ(args, (std::vector<std::string>{"--file-selection", "--title=Locate", "--filename=/data/",
                                            "--file-filter=All Files (*.*) | *",
                                            "--file-filter=Simplified (GB) database (*.gb) | *.[gG][bB]"}));
}

TEST(FileDialogPatterns, PlatformPatternsMatchWithoutCaseAndStarDotStarIsEverything) {
  using platform::controls::MatchesPatterns;
  EXPECT_TRUE(MatchesPatterns(u"cedict.GB", u"*.gb"));
  EXPECT_TRUE(MatchesPatterns(u"README", u"*.*"));
  EXPECT_TRUE(MatchesPatterns(u"a.b5", u"*.gb; *.b5"));
  EXPECT_FALSE(MatchesPatterns(u"cedict.gb.dat", u"*.gb"));
  EXPECT_FALSE(MatchesPatterns(u"notes.txt", u"*.gb;*.b5"));
}

}  // namespace
