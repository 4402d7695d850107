// The word list: kept from the Tasks menu, shown on its own page (tap to read a word whole,
// tap and hold to remove it), exported for flashcard programs, and read leniently.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "device/dictionary/search_driver.h"
#include "device/shell/entry_page.h"
#include "device/shell/main_window.h"
#include "device/shell/shared_screen.h"
#include "device/shell/word_list.h"
#include "device/shell/word_list_page.h"
#include "platform/aygshell.h"
#include "resource_ids.h"
#include "tests/shell/program_fixture.h"

namespace {

using program_test::DictionaryProgram;

class WordList : public DictionaryProgram {
 protected:
  std::string File(const char* name) {
    std::ifstream in(folder_ / name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  // The Add item's state as the Tasks menu shows it when it opens.
  UINT AddItemState() {
    UINT state = 0;
    RECT tasks{};
    SendMessageW(MenuBar, TB_GETRECT, IDM_TASKS_BUTTON, reinterpret_cast<LPARAM>(&tasks));
    MapWindowPoints(MenuBar, nullptr, reinterpret_cast<POINT*>(&tasks), 2);
    During(100, [&] {
      state = MenuState(IDM_TASKS_BUTTON, IDM_ADD_TO_WORD_LIST);
      test::ScheduleKey(50, VK_ESCAPE);
    });
    test::Tap((tasks.left + tasks.right) / 2, (tasks.top + tasks.bottom) / 2);
    return state;
  }
};

TEST_F(WordList, WordsAreKeptFromTheTasksMenuAcrossRuns) {
  Prepare(true, false);
  ASSERT_TRUE(Start());
  EXPECT_TRUE(AddItemState() & MF_GRAYED);  // no word shown
  Choose(u"china");
  EXPECT_EQ(AddItemState() & (MF_GRAYED | MF_CHECKED), 0u);
  Command(IDM_ADD_TO_WORD_LIST);
  EXPECT_TRUE(AddItemState() & MF_CHECKED);
  Choose(u"beautiful");
  Command(IDM_ADD_TO_WORD_LIST);
  Command(IDM_ADD_TO_WORD_LIST);  // checked: taken out again
  EXPECT_EQ(AddItemState() & MF_CHECKED, 0u);
  Choose(u"hello");
  Command(IDM_ADD_TO_WORD_LIST);
  EXPECT_EQ(File("vemora.words"),
            "# Word list: one CC-CEDICT line per word kept\n中 [zhong1] /middle/centre/China/\n你好 [ni3 hao3] /hello/hi/\n");

  ASSERT_TRUE(Restart());
  EXPECT_EQ(WordCount(), 2);
  Choose(u"hello");
  EXPECT_TRUE(AddItemState() & MF_CHECKED);
}

TEST_F(WordList, ThePageOpensAWordAndATapAndHoldRemovesIt) {
  Prepare(true, false);
  ASSERT_TRUE(Start());
  Command(IDM_WORD_LIST);
  ASSERT_NE(WordListPageWindow(), nullptr);
  EXPECT_TRUE(LooksLike("word_list_empty"));
  SendMessageW(WordListPageWindow(), WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_EQ(WordListPageWindow(), nullptr);

  for (const char16_t* word : {u"china", u"computer", u"hello"}) {
    Choose(word);
    Command(IDM_ADD_TO_WORD_LIST);
  }
  Command(IDM_WORD_LIST);
  ASSERT_NE(WordListPageWindow(), nullptr);
  EXPECT_TRUE(LooksLike("word_list"));

  // A tap reads the word whole, over the list; Escape goes back to the list.
  POINT p;
  ASSERT_TRUE(WordListPagePoint(1, &p));
  test::Tap(p.x, p.y);
  test::RunUntilIdle();
  ASSERT_NE(EntryPageWindow(), nullptr);
  EXPECT_EQ(EntryPageEntry(), 4);  // 电脑 of the test list
  SendMessageW(EntryPageWindow(), WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_EQ(EntryPageWindow(), nullptr);
  ASSERT_NE(WordListPageWindow(), nullptr);

  // Held: asked first; No keeps it, Yes removes it from the page and the file.
  for (int answer : {1, 2}) {
    ASSERT_TRUE(WordListPagePoint(0, &p));
    AnswerMessageBox(answer, 900);
    test::StylusDown(p.x, p.y);
    test::Advance(1500);
    test::StylusUp(p.x, p.y);
    test::RunUntilIdle();
  }
  EXPECT_EQ(MessageBoxesAnswered(), 2);
  EXPECT_EQ(WordCount(), 2);
  EXPECT_EQ(File("vemora.words"),
            "# Word list: one CC-CEDICT line per word kept\n电脑 [dian4 nao3] /computer/\n你好 [ni3 hao3] /hello/hi/\n");
}

TEST_F(WordList, TheExportIsTabSeparatedAndNamedInAMessage) {
  Prepare(true, false);
  ASSERT_TRUE(Start());
  AnswerMessageBox(2);
  Command(IDM_EXPORT_WORD_LIST);  // nothing kept: said so, nothing written
  EXPECT_EQ(MessageBoxesAnswered(), 1);
  EXPECT_FALSE(std::filesystem::exists(folder_ / "word-list.tsv"));

  Choose(u"king");
  Command(IDM_ADD_TO_WORD_LIST);
  Choose(u"china");
  Command(IDM_ADD_TO_WORD_LIST);
  Command(IDM_TONE_MARKS);
  platform::Surface box;
  AnswerMessageBox(2, 200, &box);
  Command(IDM_EXPORT_WORD_LIST);
  EXPECT_EQ(MessageBoxesAnswered(), 2);
  EXPECT_TRUE(LooksLike("box_word_list_exported", box));
  EXPECT_EQ(File("word-list.tsv"), "王\tWáng\t(surname) Wang; king\n中\tzhōng\tmiddle; centre; China\n");
}

// Bad files never stop the start; what is valid in them is kept.
TEST_F(WordList, BadFilesLoadWhatIsValid) {
  Prepare(true, false);
  auto write = [&](const std::string& bytes) {
    std::ofstream(folder_ / "vemora.words", std::ios::binary | std::ios::trunc) << bytes;
  };
  const std::string good = "中国 [zhong1 guo2] /China/\n";
  struct Case {
    std::string bytes;
    int words;
  };
  std::string binary(4096, '\0');
  for (size_t i = 0; i < binary.size(); ++i) binary[i] = static_cast<char>((i * 131) & 255);
  std::string huge;
  while (huge.size() < WORD_LIST_READ_LIMIT + 1000) huge += "吃 [chi1] /to eat/\r\n" + good;
  const Case cases[] = {
      {"", 0},
      {good + "吃 [chi1] /to e", 1},                            // cut in the middle of a line
      {binary + "\n" + good, 1},                                 // binary before a good line
      {"\xC0\xAF [x] /overlong/\n" + good + std::string("a\0b [c] /d/\n", 12), 1},  // bad UTF-8, a NUL
      {good + good + "中国 [zhong1 guo2] /other/\n", 1},         // the same word twice
      {huge, 2},                                                 // past the limit: what came before
  };
  for (const Case& c : cases) {
    write(c.bytes);
    ASSERT_TRUE(Restart());
    EXPECT_EQ(WordCount(), c.words) << c.bytes.substr(0, 40);
  }
  // A FIFO where the file should be never blocks the start.
  std::filesystem::remove(folder_ / "vemora.words");
  ASSERT_EQ(mkfifo((folder_ / "vemora.words").c_str(), 0600), 0);
  ASSERT_TRUE(Restart());
  EXPECT_EQ(WordCount(), 0);
}

}  // namespace
