#include "widgets/item_lists.h"

#include <new>

// ---- TextList

TextList::TextList() : first(nullptr), last(nullptr), count(0) {}

TextList::~TextList() {
  TextNode* node = count > 0 ? first : nullptr;
  while (node) {
    TextNode* next = node->next;
    delete node;
    node = next;
  }
}

TextNode* TextList::NodeAt(int index) {
  if (index < 0 || index >= count) return nullptr;
  TextNode* node = first;
  for (int i = 0; i < index; i++) node = node->next;
  return node;
}

WCHAR* TextList::At(int index) {
  TextNode* node = NodeAt(index);
  return node ? node->text : nullptr;
}

static TextNode* NewTextNode(const WCHAR* text) {
  TextNode* node = new (std::nothrow) TextNode;
  if (!node) return nullptr;
  int n = 0;
  if (text) {
    while (n < TEXT_LIST_UNITS - 1 && text[n] != 0) {
      node->text[n] = text[n];
      n++;
    }
  }
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
  delete node;
  count--;
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

ValueList::ValueList() : first(nullptr), last(nullptr), count(0) {}

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
  ValueNode* node = first;
  for (int i = 0; i < index; i++) node = node->next;
  return node->value;
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
}

void ValueList::Remove(LONG value) {
  if (count <= 0) return;
  ValueNode* node = Find(value);
  if (node) Unlink(node);
}
