// The text of a single-line edit control: the characters, the selection (anchor and caret)
// and one level of undo. Positions never fall inside a surrogate pair.
#pragma once

#include <string>

namespace platform::controls {

class EditModel {
 public:
  const std::u16string& text() const { return text_; }
  int length() const { return static_cast<int>(text_.size()); }
  int anchor() const { return anchor_; }
  int caret() const { return caret_; }
  int selStart() const { return anchor_ < caret_ ? anchor_ : caret_; }
  int selEnd() const { return anchor_ < caret_ ? caret_ : anchor_; }
  bool hasSelection() const { return anchor_ != caret_; }
  std::u16string selectedText() const { return text_.substr(selStart(), selEnd() - selStart()); }

  // Replaces everything; the caret goes to the start and the undo record is dropped.
  void SetText(const std::u16string& text);
  // Clamped to the text; -1 as start removes the selection (caret stays), -1 as end means
  // the end of the text.
  void SetSelection(int start, int end);
  void MoveCaret(int position, bool extend);
  // Replaces the selection; `undoable` keeps what was there for Undo. Keyboard edits that
  // follow each other (`typing`) share one undo step.
  void Replace(const std::u16string& with, bool undoable, bool typing);
  // Swaps the text with the undo record (a second Undo redoes). False without a record.
  bool Undo();
  bool CanUndo() const { return undoValid_; }
  void EmptyUndo() { undoValid_ = false; typingRun_ = false; }
  void EndTypingRun() { typingRun_ = false; }

  // Neighbouring positions, stepping over surrogate pairs and, for words, over spaces.
  int PreviousPosition(int from) const;
  int NextPosition(int from) const;
  int PreviousWord(int from) const;
  int NextWord(int from) const;
  // The nearest position that is not inside a surrogate pair (rounding down).
  int Snap(int position) const;

 private:
  std::u16string text_;
  int anchor_ = 0;
  int caret_ = 0;
  std::u16string undoText_;
  int undoAnchor_ = 0;
  int undoCaret_ = 0;
  bool undoValid_ = false;
  bool typingRun_ = false;
};

}  // namespace platform::controls
