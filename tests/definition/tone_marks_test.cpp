#include <gtest/gtest.h>

#include "device/definition/tone_marks.h"

namespace {

TEST(ToneMarks, TheMarkGoesWhereLearnersExpectIt) {
  EXPECT_EQ(MarkPinyin(u"zhong1 guo2"), u"zhōng guó");
  EXPECT_EQ(MarkSyllable(u"hao3"), u"hǎo");      // a before o
  EXPECT_EQ(MarkSyllable(u"xie4"), u"xiè");      // e, not the i before it
  EXPECT_EQ(MarkSyllable(u"dou1"), u"dōu");      // the o of ou
  EXPECT_EQ(MarkSyllable(u"gui4"), u"guì");      // otherwise the last vowel
  EXPECT_EQ(MarkSyllable(u"shui3"), u"shuǐ");
  EXPECT_EQ(MarkSyllable(u"liu2"), u"liú");
  EXPECT_EQ(MarkSyllable(u"lü4"), u"lǜ");
  EXPECT_EQ(MarkSyllable(u"lu:4"), u"lǜ");
  EXPECT_EQ(MarkSyllable(u"nu:e4"), u"nüè");
  EXPECT_EQ(MarkSyllable(u"Lu:3"), u"Lǚ");
  EXPECT_EQ(MarkSyllable(u"Ai4"), u"Ài");        // a capital keeps its case
  EXPECT_EQ(MarkSyllable(u"ma5"), u"ma");        // the neutral tone has no mark
  EXPECT_EQ(MarkSyllable(u"lu:5"), u"lü");
  EXPECT_EQ(MarkSyllable(u"m2"), u"m\u0301");     // a syllabic nasal carries it
}

TEST(ToneMarks, WhatIsNoNumberedSyllableIsLeftAlone) {
  EXPECT_EQ(MarkPinyin(u"Ka3 la1 O K"), u"Kǎ lā O K");
  EXPECT_EQ(MarkPinyin(u"yi1 , er4  san1"), u"yī , èr  sān");
  EXPECT_EQ(MarkSyllable(u"x6"), u"x6");
  EXPECT_EQ(MarkSyllable(u"3"), u"3");
  EXPECT_EQ(MarkSyllable(u"a:1"), u"a:1");
  EXPECT_EQ(SyllableTone(u"guo2"), 2);
  EXPECT_EQ(SyllableTone(u"·"), 0);
  EXPECT_EQ(MarkBracketedPinyin(u"中 [zhong1] /see 中国[Zhong1 guo2]/CL:个[ge4]/[unclosed"),
            u"中 [zhōng] /see 中国[Zhōng guó]/CL:个[gè]/[unclosed");
}

TEST(ToneMarks, EachToneHasItsOwnColourReadableOnWhite) {
  for (int tone = 1; tone <= 5; ++tone) {
    COLORREF c = ToneColour(tone, 0);
    // Dark enough on white: no channel pair so light that the text fades.
    EXPECT_LT(GetRValue(c) * 299 + GetGValue(c) * 587 + GetBValue(c) * 114, 130 * 1000) << tone;
    for (int other = 1; other < tone; ++other) EXPECT_NE(ToneColour(other, 0), c);
  }
  EXPECT_EQ(ToneColour(0, RGB(1, 2, 3)), RGB(1, 2, 3));
}

}  // namespace
