#include "device/definition/definition_view.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "device/definition/entry_parts.h"
#include "device/definition/tone_marks.h"
#include "device/dictionary/database.h"
#include "device/shell/drawing.h"
#include "device/shell/screen_state.h"

WCHAR WordText[COPY_TEXT_UNITS];
WCHAR PronunciationText[COPY_TEXT_UNITS];

namespace {

const COLORREF kInstructionGrey = RGB(192, 192, 192);
const COLORREF kHeadwordNavy = RGB(0, 0, 128);
const COLORREF kLabelGrey = RGB(128, 128, 128);
const COLORREF kNumberRed = RGB(128, 0, 0);
const COLORREF kDefinitionBlue = RGB(0, 0, 192);
const int kRight = 214;      // right edge of the text area
const int kLastBottom = 107;  // definitions end above the history buttons' box
const int kMaxCollected = 20;
const int kMoreRight = 177;  // the "more" mark ends left of the Previous button
const int kMaxShown = 10;

// One font description for the whole paint; each step changes it and makes a new font,
// releasing the one it replaces.
class FontSteps {
 public:
  FontSteps(HDC dc) : dc_(dc) {
    std::memset(&font_, 0, sizeof font_);
    font_.lfQuality = 4;
  }
  ~FontSteps() {
    SelectObject(dc_, GetStockObject(SYSTEM_FONT));
    if (current_) DeleteObject(current_);
  }
  void Use(const char16_t* face, int height, int weight, BYTE charset) {
    font_.lfHeight = -height;
    font_.lfWeight = weight;
    font_.lfCharSet = charset;
    size_t n = std::char_traits<char16_t>::length(face);
    if (n >= LF_FACESIZE) n = LF_FACESIZE - 1;
    std::memcpy(font_.lfFaceName, face, n * sizeof(WCHAR));
    font_.lfFaceName[n] = 0;
    HFONT next = CreateFontIndirectW(&font_);
    SelectObject(dc_, next);
    if (current_) DeleteObject(current_);
    current_ = next;
  }

 private:
  HDC dc_;
  LOGFONTW font_;
  HFONT current_ = nullptr;
};

void Line(HDC dc, COLORREF colour, int x0, int y, int x1) {
  HPEN pen = CreatePen(PS_SOLID, 1, colour);
  HGDIOBJ old = SelectObject(dc, pen);
  MoveToEx(dc, x0, y, nullptr);
  LineTo(dc, x1, y);
  SelectObject(dc, old);
  DeleteObject(pen);
}

// Height of a word-wrapped block between left and kRight starting at top.
int WrappedBottom(HDC dc, const WCHAR* text, int length, int left, int top, int right) {
  RECT r{left, top, right, top};
  DrawTextW(dc, text, length, &r, DT_LEFT | DT_TOP | DT_WORDBREAK | DT_CALCRECT);
  return r.bottom;
}

void DrawWrapped(HDC dc, const WCHAR* text, int length, int left, int top, int right, int bottom) {
  RECT r{left, top, right, bottom};
  DrawTextW(dc, text, length, &r, DT_LEFT | DT_TOP | DT_WORDBREAK);
}

// Draws as much of a definition as fits above bottom, ended with the dots of the shared
// helpers; false when not even its first line fits.
bool DrawCutToFit(HDC dc, const WCHAR* text, int units, int left, int top, int right, int bottom) {
  auto shortened = [&](int n) {
    while (n > 0 && text[n - 1] == u' ') --n;
    if (n > 0 && text[n - 1] >= 0xD800 && text[n - 1] <= 0xDBFF) --n;  // never half a pair
    return std::u16string(text, static_cast<size_t>(n)) + u"..";
  };
  auto fits = [&](int n) {
    std::u16string t = shortened(n);
    return WrappedBottom(dc, t.c_str(), static_cast<int>(t.size()), left, top, right) <= bottom;
  };
  if (units <= 0 || !fits(1)) return false;
  int low = 1, high = units;  // fits(low) holds
  while (low < high) {
    int mid = (low + high + 1) / 2;
    if (fits(mid)) low = mid;
    else high = mid - 1;
  }
  std::u16string t = shortened(low);
  DrawWrapped(dc, t.c_str(), static_cast<int>(t.size()), left, top, right, bottom);
  return true;
}

void PaintInstructions(HDC dc, FontSteps& fonts) {
  static const WCHAR* const kParagraphs[] = {
      u"Type search string in the text box and then press the 'Search' button.",
      u"The search results are listed below.",
      u"Select a word to see its definition displayed in the 'Word Definition' window.",
  };
  SetTextColor(dc, kInstructionGrey);
  fonts.Use(u"Arial", 12, FW_NORMAL, DEFAULT_CHARSET);
  TextOutW(dc, 10, 5, u"Instructions:", 13);
  Line(dc, RGB(220, 220, 220), 10, 20, kRight);
  fonts.Use(u"Arial", 11, FW_NORMAL, DEFAULT_CHARSET);
  int top = 26;
  for (const WCHAR* paragraph : kParagraphs) {
    int length = lstrlenW(paragraph);
    int bottom = WrappedBottom(dc, paragraph, length, 20, top, 212);
    TextOutW(dc, 10, top, u"\u00BB", 1);
    DrawWrapped(dc, paragraph, length, 20, top, 212, bottom);
    top = bottom + 4;
  }
}

void CopyInto(WCHAR* buffer, const WCHAR* from, int length) {
  if (length > COPY_TEXT_UNITS - 1) length = COPY_TEXT_UNITS - 1;  // long texts are cut
  if (length < 0) length = 0;
  std::memcpy(buffer, from, static_cast<size_t>(length) * sizeof(WCHAR));
  buffer[length] = 0;
}

struct Span {
  int start;
  int end;
};

// tones: the tone of each syllable of the pronunciation when they are shown in colour.
void PaintWord(HDC dc, FontSteps& fonts, const WCHAR* text, int length, const std::vector<int>* tones) {
  // Headword: up to the first '/' or '[' (from the second unit on) and the space before it.
  int k = 1;
  while (k < length && text[k] != u'/' && text[k] != u'[') ++k;
  bool marked = k < length;
  int headwordLength = marked ? k - 1 : length;
  if (!marked) {
    // An entry without definitions: the headword is its text up to the key.
    for (int i = 0; i < length; ++i)
      if (text[i] == u'#') {
        headwordLength = i;
        break;
      }
  }
  if (headwordLength < 0) headwordLength = 0;
  bool simplified = CurrentDatabase == 1;
  const WCHAR* face = simplified ? u"MS Song" : u"MingLiu";
  BYTE charset = simplified ? GB2312_CHARSET : CHINESEBIG5_CHARSET;
  fonts.Use(face, 25, FW_BOLD, charset);
  SIZE size{};
  GetTextExtentPoint32W(dc, text, marked ? k : headwordLength, &size);
  int w = size.cx;
  if (w > kRight) fonts.Use(face, 16, FW_BOLD, charset);
  CopyInto(WordText, text, headwordLength);
  SetTextColor(dc, kHeadwordNavy);
  int x = 10;
  for (int i = 0; i < headwordLength;) {
    int units = (text[i] >= 0xD800 && text[i] <= 0xDBFF && i + 1 < headwordLength) ? 2 : 1;
    TextOutW(dc, x, 6, text + i, units);
    SIZE advance{};
    GetTextExtentPoint32W(dc, text + i, units, &advance);
    x += advance.cx;
    i += units;
  }

  Line(dc, RGB(192, 192, 192), 10, 32, kRight);

  bool pronunciation = marked && text[k] == u'[';
  if (pronunciation) {
    int close = k + 1;
    while (close < length && text[close] != u']' && text[close] != u'#') ++close;
    SetTextColor(dc, kLabelGrey);
    fonts.Use(u"Arial", 12, FW_NORMAL, DEFAULT_CHARSET);
    TextOutW(dc, 12, 35, u"Pronun:", 7);
    fonts.Use(u"Arial", 12, FW_BOLD, DEFAULT_CHARSET);
    CopyInto(PronunciationText, text + k + 1, close - k - 1);
    // A long one ends with dots inside the frame.
    std::u16string shown(text + k + 1, static_cast<size_t>(close - k - 1));
    FitTextWithDots(dc, kRight - 59, shown.data());
    shown.resize(static_cast<size_t>(lstrlenW(shown.c_str())));
    if (tones) {
      // Syllable by syllable, each in its tone's colour.
      int x = 59;
      size_t at = 0, syllable = 0;
      while (at < shown.size()) {
        size_t end = shown.find(u' ', at);
        end = end == std::u16string::npos ? shown.size() : shown.find_first_not_of(u' ', end);
        if (end == std::u16string::npos) end = shown.size();
        int tone = syllable < tones->size() ? (*tones)[syllable] : 0;
        SetTextColor(dc, ToneColour(tone, kLabelGrey));
        TextOutW(dc, x, 35, shown.data() + at, static_cast<int>(end - at));
        SIZE advance{};
        GetTextExtentPoint32W(dc, shown.data() + at, static_cast<int>(end - at), &advance);
        x += advance.cx;
        at = end;
        ++syllable;
      }
    } else {
      TextOutW(dc, 59, 35, shown.c_str(), static_cast<int>(shown.size()));
    }
  }

  // The first definition, and the notes in parentheses that may open it.
  int slash = k;
  while (slash < length && text[slash] != u'/') ++slash;
  if (slash >= length) return;  // no definitions at all
  int s = slash + 1;
  int walkFrom = slash;
  if (s < length && text[s] == u'(') {
    std::u16string tag;
    int i = s;
    int lastClose = -1;
    while (i < length && text[i] == u'(') {
      std::u16string group = u"(";
      int j = i + 1;
      while (j < length && text[j] != u')' && text[j] != u'#') {
        group += text[j];
        if (text[j] == u',') group += u' ';
        ++j;
      }
      if (j >= length || text[j] != u')') break;  // an unclosed note is left in the text
      tag += group + u") ";
      lastClose = j;
      i = j + 1;
      if (i + 1 < length && text[i] == u' ' && text[i + 1] == u'(') ++i;
      else break;
    }
    if (lastClose >= 0) {
      fonts.Use(u"Arial", 11, FW_NORMAL, DEFAULT_CHARSET);
      SIZE tagSize{};
      GetTextExtentPoint32W(dc, tag.c_str(), static_cast<int>(tag.size()), &tagSize);
      int t = tagSize.cx;
      if (w + 5 + 6 < 217 - t) {
        SetTextColor(dc, kInstructionGrey);
        TextOutW(dc, 217 - t, 15, tag.c_str(), static_cast<int>(tag.size()));
      }
      if (tag.size() <= 7) walkFrom = lastClose;
    }
  }

  // Definitions: each starts after a '/' (or after the notes' last ')') and runs to the
  // next '/' or '#'. Chinese inside one (measure words, references) comes from the
  // database's Chinese face, which the character set asks for.
  std::vector<Span> definitions;
  int i = walkFrom;
  while (i < length && static_cast<int>(definitions.size()) < kMaxCollected) {
    if (text[i] == u'#') break;
    int start = i + 1, j = start;
    while (j < length && text[j] != u'#' && text[j] != u'/') ++j;
    definitions.push_back({start, j});
    i = j;
  }

  // Senses left out or cut get a mark that the whole entry shows them.
  bool more = i < length && text[i] != u'#';
  int shownWhole = 0;
  fonts.Use(u"Arial", 12, FW_NORMAL, charset);
  int top = pronunciation ? 51 : 36;
  for (int d = 1; d <= kMaxShown && d <= static_cast<int>(definitions.size()); ++d) {
    Span span = definitions[static_cast<size_t>(d - 1)];
    if (span.start < span.end && text[span.start] == u' ') ++span.start;
    int left = d == 10 ? 29 : 23;
    int units = span.end - span.start;
    int bottom = WrappedBottom(dc, text + span.start, units, left, top, kRight);
    WCHAR number[8];
    int n = wsprintfW(number, u"%d.", d);
    if (bottom > kLastBottom) {
      // What fits of it, cut with dots; the following ones have no room.
      SetTextColor(dc, kDefinitionBlue);
      if (DrawCutToFit(dc, text + span.start, units, left, top, kRight, kLastBottom)) {
        SetTextColor(dc, kNumberRed);
        TextOutW(dc, 10, top, number, n);
      }
      break;
    }
    SetTextColor(dc, kNumberRed);
    TextOutW(dc, 10, top, number, n);
    SetTextColor(dc, kDefinitionBlue);
    DrawWrapped(dc, text + span.start, units, left, top, kRight, bottom);
    top = bottom + 2;
    ++shownWhole;
  }
  if (more || shownWhole < static_cast<int>(definitions.size())) {
    fonts.Use(u"Arial", 11, FW_NORMAL, DEFAULT_CHARSET);
    SetTextColor(dc, kLabelGrey);
    static const WCHAR kMore[] = u"more \u00BB";
    SIZE size{};
    GetTextExtentPoint32W(dc, kMore, 6, &size);
    TextOutW(dc, kMoreRight - size.cx, kLastBottom + 1, kMore, 6);
  }
}

}  // namespace

void PaintDefinitionView(HDC dc) {
  SetBkMode(dc, TRANSPARENT);
  FontSteps fonts(dc);
  if (SelectedEntry == -1) {
    PaintInstructions(dc, fonts);
  } else {
    WCHAR* text = nullptr;
    int length = CopyEntryText(SelectedEntry, &text);
    if (text && length >= 0) {
      std::vector<int> tones;
      if (ToneColoursOn())
        for (const std::u16string& syllable : Syllables(SplitEntry(text, length).pinyin))
          tones.push_back(SyllableTone(syllable));
      const std::vector<int>* colours = ToneColoursOn() ? &tones : nullptr;
      if (ToneMarksOn()) {
        // What is shown is also what Copy Pronunciation copies.
        std::u16string marked = MarkBracketedPinyin(std::u16string(text, static_cast<size_t>(length)));
        PaintWord(dc, fonts, marked.data(), static_cast<int>(marked.size()), colours);
      } else {
        PaintWord(dc, fonts, text, length, colours);
      }
    }
    std::free(text);
  }
  SelectObject(dc, GetStockObject(BLACK_PEN));
}

void CopyToClipboard(const WCHAR* text) {
  std::u16string copy = text ? text : u"";
  if (copy.empty()) {
    if (OpenClipboard(nullptr)) {
      EmptyClipboard();
      CloseClipboard();
    }
    return;
  }
  if (!OpenClipboard(nullptr)) return;
  EmptyClipboard();
  size_t units = copy.size() + 2;
  auto* block = static_cast<WCHAR*>(LocalAlloc(LMEM_FIXED, units * sizeof(WCHAR)));
  if (block) {
    std::memcpy(block, copy.c_str(), (copy.size() + 1) * sizeof(WCHAR));
    if (!SetClipboardData(CF_UNICODETEXT, block)) LocalFree(block);
  }
  CloseClipboard();
}
