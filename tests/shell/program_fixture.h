// The handheld program started in-process on a headless handheld, from a temporary
// program folder holding the skin and picture libraries, the sounds, the help pages and
// small databases written by the test.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/windows.h"
#include "tests/support/headless_screen.h"

namespace program_test {

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
  // The headless handheld screen; Start and AnswerMessageBox open the default one.
  void OpenScreen(int width = 240, int height = 320);
  // Runs the program's instance initialisation; false when it refused to start.
  bool Start();

  void Search(const std::u16string& text);
  // Taps result row r (scrolling is not needed for the first rows).
  void TapRow(int row);
  void Command(UINT id);
  std::u16string LabelText();
  std::u16string Clipboard();
  UINT MenuState(UINT buttonId, UINT commandId);
  std::vector<BYTE> OptionsFile();
  int ShellExecutes(const std::u16string& pageEnd);
  // While a message box is open (its own modal loop), taps the OK or Yes button (2),
  // No (1) or the close box (0) after `afterMs`.
  void AnswerMessageBox(int answer, DWORD afterMs = 200);
  int MessageBoxesAnswered() const;

  std::filesystem::path folder_;
  test::HeadlessScreen* screen_ = nullptr;
};

}  // namespace program_test
