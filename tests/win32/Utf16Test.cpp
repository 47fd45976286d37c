#include "frontends/win32/Utf16.h"

#include <gtest/gtest.h>

#include <string>

using vilmar::win32::firstChars;
using vilmar::win32::utf16ToUtf8;
using vilmar::win32::utf8ToUtf16;

TEST(Utf16, SwedishLettersRoundTrip) {
  const std::string text = "Tävlingsregler, Lösenord, Användarnamn: åäö ÅÄÖ";
  const std::u16string wide = utf8ToUtf16(text);
  EXPECT_EQ(wide.size(), 47u);  // one unit per letter, not per byte
  EXPECT_EQ(wide[1], u'ä');
  EXPECT_EQ(utf16ToUtf8(wide), text);
}

TEST(Utf16, CharactersOutsideTheBasicPlaneUseSurrogatePairs) {
  const std::string beer = "\xF0\x9F\x8D\xBA";  // U+1F37A
  const std::u16string wide = utf8ToUtf16("a" + beer + "b");
  ASSERT_EQ(wide.size(), 4u);
  EXPECT_EQ(wide[1], 0xD83C);
  EXPECT_EQ(wide[2], 0xDF7A);
  EXPECT_EQ(utf16ToUtf8(wide), "a" + beer + "b");
}

TEST(Utf16, BrokenUtf8BecomesReplacementCharacters) {
  struct Case {
    std::string bytes;
    std::u16string expected;
  };
  const Case cases[] = {
      {"a\x80z", u"a\uFFFDz"},                  // stray continuation byte
      {"a\xC3", u"a\uFFFD"},                    // cut short at the end
      {"\xC3z", u"\uFFFDz"},                    // cut short by an ASCII letter
      {"\xC0\xAF", u"\uFFFD"},                  // overlong '/'
      {"\xE0\x80\xAF", u"\uFFFD"},              // overlong, three bytes
      {"\xED\xA0\x80", u"\uFFFD"},              // a surrogate written as UTF-8
      {"\xF4\x90\x80\x80", u"\uFFFD"},          // past U+10FFFF
      {"\xFF\xFE", u"\uFFFD\uFFFD"},            // bytes that never start a character
      {"\xE2\x82", u"\uFFFD"},                  // three-byte sequence cut at the end
  };
  for (const Case& c : cases) {
    EXPECT_EQ(utf8ToUtf16(c.bytes), c.expected) << "bytes of length " << c.bytes.size();
  }
}

TEST(Utf16, LoneSurrogatesBecomeReplacementCharacters) {
  const std::u16string text = {u'a', char16_t(0xD800), u'b', char16_t(0xDC00)};
  EXPECT_EQ(utf16ToUtf8(text), "a\xEF\xBF\xBD" "b\xEF\xBF\xBD");
  const std::u16string highAtEnd = {u'x', char16_t(0xDBFF)};
  EXPECT_EQ(utf16ToUtf8(highAtEnd), "x\xEF\xBF\xBD");
}

TEST(Utf16, FirstCharsCountsCharactersAndNeverSplitsAPair) {
  const std::u16string name = u"pelle@exempel.se";
  EXPECT_EQ(firstChars(name, 5), u"pelle");
  EXPECT_EQ(firstChars(name, 64), name);
  EXPECT_EQ(firstChars(name, 0), u"");

  const std::u16string pair = utf8ToUtf16("ab\xF0\x9F\x8D\xBA" "cd");
  EXPECT_EQ(firstChars(pair, 2), u"ab");
  EXPECT_EQ(firstChars(pair, 3).size(), 4u);  // the pair comes whole
  EXPECT_EQ(firstChars(pair, 4).size(), 5u);
}

TEST(Utf16, EntriesCutToTheirLimitStayValidUtf8) {
  // 70 letters, every one of them two bytes in UTF-8: cut to 64 characters,
  // not 64 bytes, and no half letter at the end.
  std::string typed;
  for (int i = 0; i < 70; ++i) typed += "ö";
  const std::string cut = utf16ToUtf8(firstChars(utf8ToUtf16(typed), 64));
  EXPECT_EQ(cut.size(), 128u);
  EXPECT_EQ(utf8ToUtf16(cut).size(), 64u);
}
