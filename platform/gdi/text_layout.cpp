#include "gdi/text_layout.h"

namespace platform::gdi {

namespace {

bool IsSpace(char32_t c) { return c == u' ' || c == u'\t' || c == 0x3000; }

// Chinese, Japanese and Korean text has no spaces: a line may break beside any such character.
bool BreaksBeside(char32_t c) {
  return (c >= 0x2E80 && c <= 0x9FFF) || (c >= 0xAC00 && c <= 0xD7AF) || (c >= 0xF900 && c <= 0xFAFF) ||
         (c >= 0xFF00 && c <= 0xFFEF) || (c >= 0x20000 && c <= 0x3FFFF);
}

// Soft-wraps the characters [begin, end) of one hard line.
void Wrap(fonts::FontInstance& font, const std::vector<Char>& chars, int begin, int end, int maxWidth,
          std::vector<Line>& out) {
  int start = begin;
  while (true) {
    long long width = 0;        // of [start, i)
    int lastBreak = -1;         // a line may end before this index...
    long long widthAtBreak = 0;  // ...with this width (trailing spaces excluded)
    int resume = -1;            // and the next line then starts here
    int i = start;
    bool overflow = false;
    for (; i < end; ++i) {
      char32_t c = chars[i].code;
      if (IsSpace(c)) {
        if (i > start && !IsSpace(chars[i - 1].code)) {
          lastBreak = i;
          widthAtBreak = width;
        }
        int j = i;
        while (j < end && IsSpace(chars[j].code)) width += font.Advance(chars[j++].code);
        resume = j;
        i = j - 1;
        continue;
      }
      if (i > start && (BreaksBeside(c) || BreaksBeside(chars[i - 1].code)) && !IsSpace(chars[i - 1].code)) {
        lastBreak = i;
        widthAtBreak = width;
        resume = i;
      }
      long long next = width + font.Advance(c);
      if (next > maxWidth) {
        overflow = true;
        break;
      }
      width = next;
    }
    if (!overflow) {
      // The rest fits; trailing spaces do not count towards its width.
      int last = end;
      long long w = width;
      while (last > start && IsSpace(chars[last - 1].code)) w -= font.Advance(chars[--last].code);
      out.push_back(Line{start, last, static_cast<int>(w)});
      return;
    }
    if (lastBreak > start) {
      out.push_back(Line{start, lastBreak, static_cast<int>(widthAtBreak)});
      start = resume;
    } else {
      // One word wider than the line: broken between characters; spaces after the cut go
      // with the break.
      int cut = i > start ? i : start + 1;
      long long w = 0;
      for (int k = start; k < cut; ++k) w += font.Advance(chars[k].code);
      out.push_back(Line{start, cut, static_cast<int>(w)});
      start = cut;
      while (start < end && IsSpace(chars[start].code)) ++start;
    }
    if (start >= end) return;
  }
}

}  // namespace

std::vector<Line> BreakLines(fonts::FontInstance& font, const std::vector<Char>& chars, bool singleLine,
                             bool wordBreak, int maxWidth) {
  std::vector<Line> lines;
  int n = static_cast<int>(chars.size());
  int begin = 0;
  while (true) {
    int end = begin;
    if (singleLine) end = n;
    else
      while (end < n && chars[end].code != u'\n' && chars[end].code != u'\r') ++end;
    if (wordBreak && end > begin) {
      Wrap(font, chars, begin, end, maxWidth, lines);
    } else {
      lines.push_back(Line{begin, end, RunWidth(font, chars.data() + begin, end - begin)});
    }
    if (end >= n) break;
    int next = end + 1;
    if (chars[end].code == u'\r' && next < n && chars[next].code == u'\n') ++next;
    if (next >= n) break;  // a final line break adds no line
    begin = next;
  }
  return lines;
}

}  // namespace platform::gdi
