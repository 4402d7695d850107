#include "widgets/item_lists.h"

#include <cstddef>
#include <cstdlib>
#include <new>

// Node index of a list of count nodes (0 <= index < count), walked from whichever of the
// first node, the last and the cursor is nearest; the cursor is left on it.
template <class Node>
static Node* WalkTo(Node* first, Node* last, int count, Node** cursor, int* cursorIndex, int index) {
  Node* node = first;
  int at = 0;
  if (count - 1 - index < index) node = last, at = count - 1;
  if (*cursor && std::abs(*cursorIndex - index) < std::abs(at - index)) node = *cursor, at = *cursorIndex;
  for (; at < index; at++) node = node->next;
  for (; at > index; at--) node = node->prev;
  *cursor = node;
  *cursorIndex = index;
  return node;
}

// ---- TextList

TextList::TextList() : first(nullptr), last(nullptr), count(0), cursor_(nullptr), cursorIndex_(0) {}

TextList::~TextList() {
  TextNode* node = count > 0 ? first : nullptr;
  while (node) {
    TextNode* next = node->next;
    std::free(node);
    node = next;
  }
}

TextNode* TextList::NodeAt(int index) {
  if (index < 0 || index >= count) return nullptr;
  return WalkTo(first, last, count, &cursor_, &cursorIndex_, index);
}

WCHAR* TextList::At(int index) {
  TextNode* node = NodeAt(index);
  return node ? node->text : nullptr;
}

static TextNode* NewTextNode(const WCHAR* text) {
  int n = 0;
  if (text)
    while (n < TEXT_LIST_UNITS - 1 && text[n] != 0) n++;
  size_t bytes = offsetof(TextNode, text) + (n + 1) * sizeof(WCHAR);
  TextNode* node = static_cast<TextNode*>(std::malloc(bytes > sizeof(TextNode) ? bytes : sizeof(TextNode)));
  if (!node) return nullptr;
  for (int i = 0; i < n; i++) node->text[i] = text[i];
  node->text[n] = 0;
  node->prev = nullptr;
  node->next = nullptr;
  return node;
}

// A node that cannot be allocated is simply not added: the owners show
// fewer rows rather than stop.
void TextList::Prepend(const WCHAR* text) {
  TextNode* node = NewTextNode(text);
  if (!node) return;
  cursor_ = nullptr;  // every index moves up
  if (count == 0) {
    first = last = node;
  } else {
    node->next = first;
    first->prev = node;
    first = node;
  }
  count++;
}

void TextList::Append(const WCHAR* text) {
  TextNode* node = NewTextNode(text);
  if (!node) return;
  if (count == 0) {
    first = last = node;
  } else {
    node->prev = last;
    last->next = node;
    last = node;
  }
  count++;
}

static bool SameText(const WCHAR* a, const WCHAR* b) {
  for (int i = 0;; i++) {
    if (a[i] != b[i]) return false;
    if (a[i] == 0) return true;
  }
}

TextNode* TextList::Find(const WCHAR* text, int* index) {
  int i = 0;
  for (TextNode* node = count > 0 ? first : nullptr; node && text; node = node->next, i++) {
    if (SameText(node->text, text)) {
      if (index) *index = i;
      return node;
    }
  }
  if (index) *index = -1;
  return nullptr;
}

void TextList::Unlink(TextNode* node) {
  if (node == first) first = node->next;
  else node->prev->next = node->next;
  if (node == last) last = node->prev;
  else node->next->prev = node->prev;
  std::free(node);
  count--;
  cursor_ = nullptr;
}

int TextList::RemoveAt(int index) {
  TextNode* node = NodeAt(index);
  if (!node) return -1;
  Unlink(node);
  return index;
}

int TextList::Remove(const WCHAR* text) {
  if (count <= 0) return -1;
  int index;
  TextNode* node = Find(text, &index);
  if (!node) return -1;
  Unlink(node);
  return index;
}

// ---- ValueList

ValueList::ValueList() : first(nullptr), last(nullptr), count(0), cursor_(nullptr), cursorIndex_(0) {}

ValueList::~ValueList() {
  ValueNode* node = count > 0 ? first : nullptr;
  while (node) {
    ValueNode* next = node->next;
    delete node;
    node = next;
  }
}

LONG ValueList::At(int index) {
  if (index < 0 || index >= count) return 0;
  return WalkTo(first, last, count, &cursor_, &cursorIndex_, index)->value;
}

int ValueList::Append(LONG value) {
  ValueNode* node = new (std::nothrow) ValueNode;
  if (!node) return -1;
  node->value = value;
  node->next = nullptr;
  node->prev = count > 0 ? last : nullptr;
  if (count == 0) first = node;
  else last->next = node;
  last = node;
  return count++;
}

ValueNode* ValueList::Find(LONG value) {
  for (ValueNode* node = count > 0 ? first : nullptr; node; node = node->next) {
    if (node->value == value) return node;
  }
  return nullptr;
}

void ValueList::Unlink(ValueNode* node) {
  if (node == first) first = node->next;
  else node->prev->next = node->next;
  if (node == last) last = node->prev;
  else node->next->prev = node->prev;
  delete node;
  count--;
  cursor_ = nullptr;
}

void ValueList::Remove(LONG value) {
  if (count <= 0) return;
  ValueNode* node = Find(value);
  if (node) Unlink(node);
}
