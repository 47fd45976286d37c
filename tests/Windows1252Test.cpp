// Entries travel one byte a character in Windows-1252; the service reads
// them back into UTF-8.

#include <gtest/gtest.h>

#include "net/Windows1252.h"

namespace vilmar {
namespace {

TEST(Windows1252, SwedishLettersAndTheEuroBecomeOneByteEach) {
  EXPECT_EQ(utf8ToWindows1252("lösenord"), std::string("l\xF6senord"));
  EXPECT_EQ(utf8ToWindows1252("ÅÄÖåäö"), std::string("\xC5\xC4\xD6\xE5\xE4\xF6"));
  EXPECT_EQ(utf8ToWindows1252("€‰Ÿ"), std::string("\x80\x89\x9F"));
  EXPECT_EQ(windows1252ToUtf8("l\xF6senord \x80"), "lösenord €");
}

TEST(Windows1252, CharactersTheCodePageLacksAndBrokenUtf8AreRefused) {
  EXPECT_FALSE(utf8ToWindows1252("ł").has_value());
  EXPECT_FALSE(utf8ToWindows1252("日本").has_value());
  EXPECT_FALSE(utf8ToWindows1252("\xF0\x9F\x8D\xBA").has_value());  // a beer emoji
  EXPECT_FALSE(utf8ToWindows1252("\xC3").has_value());                // cut in half
  EXPECT_FALSE(utf8ToWindows1252("\xC0\xAF").has_value());            // overlong '/'
  EXPECT_FALSE(utf8ToWindows1252("\xED\xA0\x80").has_value());        // a surrogate
}

TEST(Windows1252, EveryByteComesBackUnchanged) {
  std::string all;
  for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
  EXPECT_EQ(utf8ToWindows1252(windows1252ToUtf8(all)), all);
}

TEST(Windows1252, LengthsAndPrefixesCountCharactersNotBytes) {
  EXPECT_EQ(utf8Length("lösenordlösenord"), 16u);
  EXPECT_EQ(utf8Prefix("lösenordlösenord!", 16), "lösenordlösenord");
  EXPECT_EQ(utf8Prefix("åäö", 2), "åä");
  EXPECT_EQ(utf8Prefix("ab", 5), "ab");
  EXPECT_EQ(utf8Length("a\xC3"), 2u);  // a stray lead byte still counts
}

}  // namespace
}  // namespace vilmar
