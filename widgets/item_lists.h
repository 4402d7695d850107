// The toolkit's two linked lists: texts for the list view's rows and the combo
// box's history, 32-bit values for the list view's row tags and palette.
// Each list belongs to one owner; nodes are plain heap blocks.
#pragma once

#include "platform/windows.h"

// Room for one text, terminator included; longer texts are cut to 511 units.
#define TEXT_LIST_UNITS 512

// A node is allocated to fit its text: a result list of thousands of rows takes what its
// texts take, not a full TEXT_LIST_UNITS each.
struct TextNode {
  TextNode* prev;
  TextNode* next;
  WCHAR text[1];  // the text and its terminator, at most TEXT_LIST_UNITS units
};

class TextList {
public:
  TextList();
  ~TextList();
  TextList(const TextList&) = delete;
  TextList& operator=(const TextList&) = delete;

  // The text of node index (its terminator is the end of the buffer); null when index is not
  // below the count. Reading rows in order, or near the last one read, walks few nodes.
  WCHAR* At(int index);
  void Prepend(const WCHAR* text);
  void Append(const WCHAR* text);
  // The first node whose text equals text exactly; its index goes to *index
  // (-1 and null when none). index may be null.
  TextNode* Find(const WCHAR* text, int* index);
  // Returns index, or -1 (nothing removed) when index is out of range.
  int RemoveAt(int index);
  // The former index of the first node equal to text, or -1 when none.
  int Remove(const WCHAR* text);

  // first and last are meaningful only while count is above 0.
  TextNode* first;
  TextNode* last;
  int count;

private:
  TextNode* NodeAt(int index);
  void Unlink(TextNode* node);
  // The node last reached by index, so that the next one near it is found from there; null
  // after a change that moves the indices.
  TextNode* cursor_;
  int cursorIndex_;
};

struct ValueNode {
  ValueNode* prev;
  LONG value;
  ValueNode* next;
};

class ValueList {
public:
  ValueList();
  ~ValueList();
  ValueList(const ValueList&) = delete;
  ValueList& operator=(const ValueList&) = delete;

  // The value at index; 0 when index is not below the count.
  LONG At(int index);
  // Returns the new entry's index (the count before appending); -1 when out of memory.
  int Append(LONG value);
  // The first node holding value, or null.
  ValueNode* Find(LONG value);
  // Removes the first node holding value; nothing when none does.
  void Remove(LONG value);

  ValueNode* first;
  ValueNode* last;
  int count;

private:
  void Unlink(ValueNode* node);
  ValueNode* cursor_;  // as TextList's
  int cursorIndex_;
};
