#include "ui/InfoTexts.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "frontends/win32/Utf16.h"

namespace {

bool contains(std::string_view text, std::string_view part) {
  return text.find(part) != std::string_view::npos;
}

std::string_view firstLine(std::string_view text) { return text.substr(0, text.find("\r\n")); }

}  // namespace

TEST(InfoTexts, RulesOfPlayCarryTheirSentencesWordForWord) {
  const std::string_view rules = vilmar::infoText(0);
  EXPECT_EQ(firstLine(rules), "Vilmar Pintkeeper");
  EXPECT_TRUE(contains(rules,
                       "Om du råkar skicka en öl i väggen eller missar ett tomt glas fler än 3 "
                       "gånger får du sparken (Game Over)."));
  EXPECT_TRUE(contains(rules, "Du styr Pintkeeper med piltangenterna och serverar med mellanslag."));
  EXPECT_TRUE(contains(
      rules, "Ju fortare en gäst går nöjd från baren desto fler poäng (max 25 min 10)."));
  EXPECT_TRUE(contains(rules, "En bartömning ger 100 poäng."));
  EXPECT_TRUE(rules.ends_with("Lycka till!"));
}

TEST(InfoTexts, CompetitionRulesAndAbout) {
  const std::string_view competition = vilmar::infoText(1);
  EXPECT_EQ(firstLine(competition), "TÄVLINGSREGLER");
  EXPECT_TRUE(contains(competition,
                       "Spelet håller nämligen ditt bästa resultat i minnet så länge du har "
                       "spelet i gång."));
  EXPECT_TRUE(contains(competition, "tipsare"));
  EXPECT_TRUE(contains(competition, "10 januari 1999"));
  EXPECT_TRUE(contains(competition, "Sverige"));

  const std::string_view about = vilmar::infoText(2);
  EXPECT_EQ(firstLine(about), "OM Kortix");
  EXPECT_TRUE(about.ends_with("Lycka till med spelandet!"));
}

// The competition rules name how many parts the competition has and then
// describe each in a paragraph of its own ("I dagstävlingen ..."); the count
// must agree with the parts described.
TEST(InfoTexts, CompetitionRulesDescribeAsManyPartsAsTheyAnnounce) {
  const std::string_view competition = vilmar::infoText(1);
  int described = 0;
  for (std::size_t at = competition.find("tävlingen "); at != std::string_view::npos;
       at = competition.find("tävlingen ", at + 1)) {
    // "I dagstävlingen", "I veckotävlingen", "I bonustävlingen": a part
    // introduced by "I " and a word of its own before "tävlingen".
    const std::size_t wordStart = competition.rfind(' ', at);
    if (wordStart != std::string_view::npos && wordStart >= 1 && competition[wordStart - 1] == 'I' &&
        wordStart + 1 < at)
      ++described;
  }
  ASSERT_EQ(described, 3);
  static const char* const COUNT_WORDS[] = {"", "en", "två", "tre", "fyra"};
  const std::string announced = std::string("Tävlingen har ") + COUNT_WORDS[described] + " delar.";
  EXPECT_TRUE(contains(competition, announced)) << "expected \"" << announced << "\"";
}

TEST(InfoTexts, OnlyTheThreeIndicesHaveText) {
  EXPECT_TRUE(vilmar::infoText(-1).empty());
  EXPECT_TRUE(vilmar::infoText(3).empty());
}

// The edit control that shows the texts breaks lines only at CR LF, and
// paragraphs are separated by one empty line; a lone LF or CR would show as
// a box or run two paragraphs together.
TEST(InfoTexts, LinesEndInCrLfAndParagraphsAreSeparatedByOneEmptyLine) {
  for (int index = 0; index < 3; ++index) {
    const std::string_view text = vilmar::infoText(index);
    SCOPED_TRACE(index);
    for (std::size_t i = 0; i < text.size(); ++i) {
      if (text[i] == '\n') {
        EXPECT_TRUE(i > 0 && text[i - 1] == '\r') << "lone LF at " << i;
      }
      if (text[i] == '\r') {
        EXPECT_TRUE(i + 1 < text.size() && text[i + 1] == '\n') << "lone CR at " << i;
      }
    }
    EXPECT_TRUE(contains(text, "\r\n\r\n"));
    EXPECT_FALSE(contains(text, "\r\n\r\n\r\n"));
    EXPECT_FALSE(text.ends_with("\r\n"));
    std::size_t paragraphs = 0;
    for (std::size_t at = 0; (at = text.find("\r\n\r\n", at)) != std::string_view::npos; at += 4) ++paragraphs;
    EXPECT_GE(paragraphs, 3u);  // heading, body, closing line at the least
  }
  // The competition rules: the heading and four paragraphs.
  std::size_t breaks = 0;
  const std::string_view competition = vilmar::infoText(1);
  for (std::size_t at = 0; (at = competition.find("\r\n\r\n", at)) != std::string_view::npos; at += 4) ++breaks;
  EXPECT_EQ(breaks, 4u);
}

// The texts reach the dialog through the UTF-16 conversion; a broken byte
// would show as a replacement box in the middle of the Swedish text.
TEST(InfoTexts, AreValidUtf8WithTheSwedishLetters) {
  for (int index = 0; index < 3; ++index) {
    const std::u16string wide = vilmar::win32::utf8ToUtf16(vilmar::infoText(index));
    EXPECT_EQ(wide.find(u'\uFFFD'), std::u16string::npos) << index;
    EXPECT_NE(wide.find_first_of(u"åäöÄ"), std::u16string::npos) << index;
  }
}
