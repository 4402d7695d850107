// The handheld program started in-process on a headless handheld, from a temporary
// program folder holding the skin and picture libraries, the sounds, the help pages and
// small databases written by the test.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "platform/surface.h"
#include "platform/windows.h"
#include "tests/support/headless_screen.h"

namespace program_test {

// An empty folder for the running test under test-scratch/shell/<area>/, made the program
// folder.
std::filesystem::path ScratchProgramFolder(const std::string& area);

// Database files the tests write: header line first.
std::vector<BYTE> DatabaseImage(const std::vector<std::u16string>& lines);
extern const std::vector<std::u16string> kGbLines;
extern const std::vector<std::u16string> kBig5Lines;

class DictionaryProgram : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Writes the databases and a saved choice (option 3), or none when saved < 0.
  void Prepare(bool gb, bool big5, int saved = -1);
  // The Simplified database: the test list followed by `fillers` entries that match none of
  // the tests' words, so that a search runs long enough to report its progress.
  void PrepareLarge(int fillers);
  // The Simplified database holding these lines (header line first), no saved choice.
  void PrepareGb(const std::vector<std::u16string>& lines);
  // The headless handheld screen; Start and AnswerMessageBox open the default one.
  void OpenScreen(int width = 240, int height = 320);
  // Runs the program's instance initialisation; false when it refused to start.
  bool Start();
  // Ends the program (its windows and state, its files stay) and starts it again.
  bool Restart();

  void Search(const std::u16string& text);
  // Taps result row r (scrolling is not needed for the first rows).
  void TapRow(int row);
  // Searches and chooses the first result.
  void Choose(const std::u16string& query);
  void Command(UINT id);
  std::u16string LabelText();
  std::u16string Clipboard();
  UINT MenuState(UINT buttonId, UINT commandId);
  std::vector<BYTE> OptionsFile();
  int ShellExecutes(const std::u16string& pageEnd);
  // While a message box is open (its own modal loop), taps the OK or Yes button (2),
  // No (1) or the close box (0) after `afterMs`.
  // With `shot`, the screen with the box open is kept there first.
  void AnswerMessageBox(int answer, DWORD afterMs = 200, platform::Surface* shot = nullptr);
  int MessageBoxesAnswered() const;
  // Runs `action` once after `afterMs` of virtual time, also from inside a modal loop of
  // the program's (an open menu, a message box).
  void During(DWORD afterMs, std::function<void()> action);

 public:
  // The screen once everything waiting has painted.
  static platform::Surface Screen();
  // Compares with the golden tests/golden/program/<name>.png; with ORLEND_WRITE_DOCS=1 the
  // picture also goes to docs/program/<name>@2x.png, every pixel a 2 x 2 block.
  static ::testing::AssertionResult LooksLike(const std::string& name, const platform::Surface& shot);
  static ::testing::AssertionResult LooksLike(const std::string& name) { return LooksLike(name, Screen()); }
  // The text of a result row's column (0 headword, 1 definitions).
  static std::u16string RowText(int row, int column);
  // Pixels of the definition panel's rectangle (the panel's own coordinates) for which `ink`
  // holds of their red, green and blue.
  static int PanelPixels(RECT area, const std::function<bool(int, int, int)>& ink);
  // Pixels there with every channel within `tolerance` of colour.
  static int PanelInk(RECT area, COLORREF colour, int tolerance = 50);

 protected:
  void ForgetProgramState();
  std::filesystem::path folder_;
  test::HeadlessScreen* screen_ = nullptr;
};

}  // namespace program_test
