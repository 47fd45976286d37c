// The menu bar a frontend draws from app/MenuLayout.h: every item's text
// leads to the command the game means by it.

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "app/MenuLayout.h"
#include "frontends/headless/HeadlessPlatform.h"

namespace vilmar {
namespace {

int commandOf(std::string_view text) {
  for (const MenuPopup& popup : MENU_BAR)
    for (const MenuItem& item : popup.items)
      if (item.text == text) return item.command;
  return 0;
}

TEST(MenuLayout, ThreePopupsWithTenDistinctCommandsInTheirOrder) {
  std::set<int> commands;
  std::string order;
  for (const MenuPopup& popup : MENU_BAR) {
    order += std::string(popup.title) + ":";
    for (const MenuItem& item : popup.items) {
      commands.insert(item.command);
      order += std::to_string(item.command) + " ";
    }
  }
  EXPECT_EQ(commands.size(), 10u);
  // "Inställningar…" (40010) above "Avsluta".
  EXPECT_EQ(order, "Spel:40001 40002 40010 40003 Tävling:40004 40005 Koppla upp:40006 40007 40009 40008 ");
}

TEST(MenuLayout, EachItemDoesWhatItsTextSays) {
  HeadlessPlatform platform;
  App app(platform);
  GameSession& session = *app.gameSession;
  app.pass();  // the opening game is seen to be over

  app.menuCommand(commandOf("Registrera high-score"));
  EXPECT_TRUE(session.signInRequested);

  app.menuCommand(commandOf("Starta nytt spel (F1)"));
  EXPECT_TRUE(session.restartRequested);

  const std::pair<const char*, int> texts[] = {{"Spelregler", 0}, {"Tävlingsregler", 1}, {"Om Kortix", 2}};
  for (const auto& [text, index] : texts) {
    session.infoRequested = false;
    app.menuCommand(commandOf(text));
    EXPECT_TRUE(session.infoRequested) << text;
    EXPECT_EQ(app.infoTextIndex, index) << text;
  }

  app.menuCommand(commandOf("Utmana dina vänner"));
  app.menuCommand(commandOf("Surfa till Kortixsajten"));
  app.menuCommand(commandOf("Besök Vilmars hemsida"));
  ASSERT_EQ(platform.pages.size(), 3u);
  EXPECT_EQ(platform.pages[0], serviceAddress("/useradm/challenge/"));
  EXPECT_EQ(platform.pages[1], serviceAddress("/"));
  EXPECT_EQ(platform.pages[2], webAddress(VILMAR_SPONSOR_HOST, "/"));

  app.menuCommand(commandOf("Avsluta (Alt-F4)"));
  EXPECT_TRUE(app.quitting());
}

}  // namespace
}  // namespace vilmar
