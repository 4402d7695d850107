#include "widgets/item_lists.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The list read forwards and backwards; both must agree with the count.
std::vector<std::u16string> Walk(TextList& list) {
  std::vector<std::u16string> forward, backward;
  if (list.count == 0) return forward;
  EXPECT_EQ(list.first->prev, nullptr);
  EXPECT_EQ(list.last->next, nullptr);
  for (TextNode* n = list.first; n; n = n->next) forward.push_back(n->text);
  for (TextNode* n = list.last; n; n = n->prev) backward.insert(backward.begin(), n->text);
  EXPECT_EQ(forward, backward);
  EXPECT_EQ(static_cast<int>(forward.size()), list.count);
  return forward;
}

std::vector<LONG> Walk(ValueList& list) {
  std::vector<LONG> forward, backward;
  if (list.count == 0) return forward;
  for (ValueNode* n = list.first; n; n = n->next) forward.push_back(n->value);
  for (ValueNode* n = list.last; n; n = n->prev) backward.insert(backward.begin(), n->value);
  EXPECT_EQ(forward, backward);
  EXPECT_EQ(static_cast<int>(forward.size()), list.count);
  return forward;
}

using Texts = std::vector<std::u16string>;

}  // namespace

TEST(TextList, PrependAppendAndIndexAccess) {
  TextList list;
  EXPECT_EQ(list.count, 0);
  list.Prepend(u"b");
  EXPECT_EQ(list.first, list.last);
  list.Prepend(u"a");
  list.Append(u"c");
  EXPECT_EQ(Walk(list), (Texts{u"a", u"b", u"c"}));
  EXPECT_EQ(std::u16string(list.At(2)), u"c");
  EXPECT_EQ(list.At(3), nullptr);
  EXPECT_EQ(list.At(-1), nullptr);

  TextList other;
  other.Append(u"only");
  EXPECT_EQ(other.first, other.last);
  EXPECT_EQ(Walk(other), Texts{u"only"});
}

TEST(TextList, LongTextsAreCutTo511Units) {
  TextList list;
  std::u16string text(600, u'x');
  for (int i = 0; i < 600; i++) text[i] = static_cast<char16_t>(u'a' + i % 26);
  list.Append(text.c_str());
  EXPECT_EQ(std::u16string(list.At(0)), text.substr(0, 511));
  list.Prepend(text.substr(0, 511).c_str());
  EXPECT_EQ(std::u16string(list.At(0)), text.substr(0, 511));
  list.Append(nullptr);
  EXPECT_EQ(std::u16string(list.At(2)), u"");
}

// Rows are found from the last one reached; a change that moves the indices must not leave
// that shortcut pointing at the wrong row.
TEST(TextList, IndexAccessStaysRightAcrossChanges) {
  TextList list;
  ValueList values;
  Texts expected;
  for (int i = 0; i < 40; i++) {
    std::u16string t(1, static_cast<char16_t>(u'A' + i));
    list.Append(t.c_str());
    values.Append(i);
    expected.push_back(t);
  }
  auto check = [&](int i) { EXPECT_EQ(std::u16string(list.At(i)), expected[i]) << i; };
  for (int i : {20, 21, 19, 39, 0, 25}) check(i);
  list.RemoveAt(22);
  expected.erase(expected.begin() + 22);
  for (int i : {25, 22, 21, 38}) check(i);
  list.Prepend(u"new");
  expected.insert(expected.begin(), u"new");
  for (int i : {22, 0, 1, 39}) check(i);
  list.Remove(u"B");
  expected.erase(expected.begin() + 2);
  for (int i : {2, 1, 38, 20}) check(i);
  EXPECT_EQ(Walk(list), expected);
  EXPECT_EQ(values.At(30), 30);
  values.Remove(5);
  EXPECT_EQ(values.At(30), 31);
  EXPECT_EQ(values.At(4), 4);
  EXPECT_EQ(values.At(5), 6);
}

TEST(TextList, FindAndRemoveTakeTheFirstEqualText) {
  TextList list;
  for (const char16_t* t : {u"x", u"y", u"x", u"z", u"xx"}) list.Append(t);
  int index = 99;
  EXPECT_EQ(list.Find(u"z", &index), list.first->next->next->next);
  EXPECT_EQ(index, 3);
  EXPECT_EQ(list.Find(u"X", &index), nullptr);  // exact, case included
  EXPECT_EQ(index, -1);
  EXPECT_EQ(list.Find(u"", nullptr), nullptr);

  EXPECT_EQ(list.Remove(u"x"), 0);
  EXPECT_EQ(Walk(list), (Texts{u"y", u"x", u"z", u"xx"}));
  EXPECT_EQ(list.Remove(u"x"), 1);
  EXPECT_EQ(list.Remove(u"x"), -1);
  EXPECT_EQ(list.Remove(u"xx"), 2);  // the last node
  EXPECT_EQ(Walk(list), (Texts{u"y", u"z"}));
  EXPECT_EQ(list.Remove(u"z"), 1);
  EXPECT_EQ(list.Remove(u"y"), 0);
  EXPECT_EQ(list.count, 0);
  EXPECT_EQ(list.Remove(u"y"), -1);
  list.Append(u"again");
  EXPECT_EQ(Walk(list), Texts{u"again"});
}

TEST(TextList, RemoveAtEveryPosition) {
  for (int at = 0; at < 4; at++) {
    TextList list;
    Texts expected = {u"0", u"1", u"2", u"3"};
    for (const std::u16string& t : expected) list.Append(t.c_str());
    EXPECT_EQ(list.RemoveAt(at), at);
    expected.erase(expected.begin() + at);
    EXPECT_EQ(Walk(list), expected) << "removed " << at;
  }
  TextList list;
  EXPECT_EQ(list.RemoveAt(0), -1);
  list.Append(u"a");
  EXPECT_EQ(list.RemoveAt(1), -1);
  EXPECT_EQ(list.RemoveAt(-1), -1);
  EXPECT_EQ(list.count, 1);
  // Clearing from the front, as the list view does.
  for (int i = 0; i < 1000; i++) list.Append(u"row");
  while (list.count > 0) list.RemoveAt(0);
  EXPECT_EQ(Walk(list), Texts{});
}

TEST(ValueList, AppendReturnsSuccessiveIndices) {
  ValueList list;
  EXPECT_EQ(list.first, nullptr);
  for (int i = 0; i < 5; i++) EXPECT_EQ(list.Append(100 + i), i);
  EXPECT_EQ(list.At(0), 100);
  EXPECT_EQ(list.At(4), 104);
  EXPECT_EQ(list.At(5), 0);
  EXPECT_EQ(list.At(-1), 0);
}

TEST(ValueList, FindAndRemoveTakeTheFirstEqualValue) {
  ValueList list;
  for (LONG v : {7, 8, 7, 9}) list.Append(v);
  EXPECT_EQ(list.Find(7), list.first);
  EXPECT_EQ(list.Find(9), list.last);
  EXPECT_EQ(list.Find(10), nullptr);
  list.Remove(7);
  EXPECT_EQ(Walk(list), (std::vector<LONG>{8, 7, 9}));
  list.Remove(10);
  EXPECT_EQ(Walk(list), (std::vector<LONG>{8, 7, 9}));
  list.Remove(9);
  list.Remove(8);
  list.Remove(7);
  EXPECT_EQ(list.count, 0);
  list.Remove(7);
  EXPECT_EQ(list.Find(7), nullptr);
  EXPECT_EQ(list.Append(1), 0);
  EXPECT_EQ(Walk(list), std::vector<LONG>{1});
}
