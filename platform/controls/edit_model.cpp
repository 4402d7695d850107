#include "controls/edit_model.h"

#include <algorithm>

namespace platform::controls {

namespace {

bool IsLow(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }
bool IsHigh(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsSpace(char16_t c) { return c == u' ' || c == u'\t' || c == 0x3000; }

}  // namespace

int EditModel::Snap(int position) const {
  position = std::clamp(position, 0, length());
  if (position > 0 && position < length() && IsLow(text_[position]) && IsHigh(text_[position - 1])) --position;
  return position;
}

void EditModel::SetText(const std::u16string& text) {
  text_ = text;
  anchor_ = caret_ = 0;
  EmptyUndo();
}

void EditModel::SetSelection(int start, int end) {
  typingRun_ = false;
  if (start == -1) {
    anchor_ = caret_;
    return;
  }
  if (end < 0 || end > length()) end = length();
  anchor_ = Snap(start);
  caret_ = Snap(end);
}

void EditModel::MoveCaret(int position, bool extend) {
  typingRun_ = false;
  caret_ = Snap(position);
  if (!extend) anchor_ = caret_;
}

void EditModel::Replace(const std::u16string& with, bool undoable, bool typing) {
  if (undoable && !(typing && typingRun_)) {
    undoText_ = text_;
    undoAnchor_ = anchor_;
    undoCaret_ = caret_;
    undoValid_ = true;
  }
  int start = selStart();
  text_.replace(static_cast<size_t>(start), static_cast<size_t>(selEnd() - start), with);
  caret_ = anchor_ = start + static_cast<int>(with.size());
  typingRun_ = undoable && typing;
}

bool EditModel::Undo() {
  if (!undoValid_) return false;
  std::swap(text_, undoText_);
  std::swap(anchor_, undoAnchor_);
  std::swap(caret_, undoCaret_);
  typingRun_ = false;
  return true;
}

int EditModel::PreviousPosition(int from) const {
  if (from <= 0) return 0;
  return Snap(from - 1);
}

int EditModel::NextPosition(int from) const {
  if (from >= length()) return length();
  int next = from + 1;
  if (next < length() && IsHigh(text_[from]) && IsLow(text_[next])) ++next;
  return next;
}

int EditModel::PreviousWord(int from) const {
  int p = std::clamp(from, 0, length());
  while (p > 0 && IsSpace(text_[p - 1])) --p;
  while (p > 0 && !IsSpace(text_[p - 1])) --p;
  return Snap(p);
}

int EditModel::NextWord(int from) const {
  int p = std::clamp(from, 0, length());
  while (p < length() && !IsSpace(text_[p])) ++p;
  while (p < length() && IsSpace(text_[p])) ++p;
  return p;
}

}  // namespace platform::controls
