#!/usr/bin/env python3
"""Builds the learner's test set: the 2,000 most frequent words of jieba's dictionary that are
Simplified headwords of CC-CEDICT, each with its toneless pinyin and its first one-word
English sense as CC-CEDICT gives them (none when it has no such sense).

  tools/learner-test-set.py [CEDICT_TS_U8] [OUTPUT]
  (defaults: data/cedict_ts.u8, tests/dictionary/learner_words.tsv)

Output lines: word TAB pinyin TAB english. A sense counts as one word once leading
"(...)" notes and a leading "to " are taken off."""
import re
import sys

JIEBA = "/usr/lib/python3/dist-packages/jieba/dict.txt"
SIZE = 2000


def main():
    source = sys.argv[1] if len(sys.argv) > 1 else "data/cedict_ts.u8"
    output = sys.argv[2] if len(sys.argv) > 2 else "tests/dictionary/learner_words.tsv"
    entries = {}  # simplified headword -> [(pinyin, senses)] in file order
    line_form = re.compile(r"^(\S+) (\S+) \[([^\]]*)\] /(.*)/\s*$")
    with open(source, encoding="utf-8") as f:
        for line in f:
            if line.startswith("#"):
                continue
            m = line_form.match(line)
            if m:
                entries.setdefault(m.group(2), []).append((m.group(3), m.group(4).split("/")))
    words = []
    with open(JIEBA, encoding="utf-8") as f:
        for line in f:
            parts = line.split()
            if len(parts) >= 2 and parts[1].isdigit():
                words.append((int(parts[1]), parts[0]))
    words.sort(key=lambda w: -w[0])  # stable: the list's order among equal counts
    out = []
    for _, word in words:
        if word not in entries:
            continue
        found = entries[word]
        pinyin = re.sub(r"[1-5]", "", found[0][0]).lower()
        english = ""
        for _, senses in found:
            for sense in senses:
                s = sense.strip()
                while s.startswith("("):
                    close = s.find(")")
                    if close < 0:
                        break
                    s = s[close + 1:].strip()
                if s.startswith("to "):
                    s = s[3:]
                if re.fullmatch(r"[A-Za-z]+", s):
                    english = s
                    break
            if english:
                break
        out.append(f"{word}\t{pinyin}\t{english}\n")
        if len(out) == SIZE:
            break
    with open(output, "w", encoding="utf-8") as f:
        f.write("# The learner's test set (tools/learner-test-set.py): word, toneless pinyin, first one-word sense.\n")
        f.writelines(out)
    print(f"learner-test-set: {len(out)} words into {output}")


if __name__ == "__main__":
    main()
