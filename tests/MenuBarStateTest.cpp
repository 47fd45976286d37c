// The menu bar worked as a player works it: with the pointer (open, slide
// along the bar, drag onto an item, click beside) and with the keyboard
// (F10, Alt on its own, Alt+letter, arrows, Enter, Escape).

#include <gtest/gtest.h>

#include "ui/MenuBarState.h"

namespace vilmar {
namespace {

constexpr int NONE = MenuBarState::NONE;

MenuBarState bar() {
  return MenuBarState({{"Spel", {"Starta nytt spel (F1)", "Spelregler", "Avsluta (Alt-F4)"}},
                       {"Tävling", {"Tävlingsregler", "Om Kortix"}},
                       {"Koppla upp", {"Registrera high-score", "Utmana dina vänner", "Surfa till Kortixsajten",
                                       "Besök Vilmars hemsida"}}});
}

TEST(MenuBarState, ThePointerOpensSlidesAlongTheBarAndChooses) {
  MenuBarState m = bar();
  m.pointerMoved(1, NONE);
  EXPECT_EQ(m.hotMenu(), 1);
  EXPECT_FALSE(m.isOpen());  // passing over a title only lights it
  EXPECT_FALSE(m.pointerPressed(0, NONE));
  EXPECT_FALSE(m.pointerReleased(0, NONE));
  EXPECT_TRUE(m.isOpen());
  EXPECT_EQ(m.litMenu(), 0);
  m.pointerMoved(2, NONE);  // sliding along the bar switches menus
  EXPECT_EQ(m.litMenu(), 2);
  EXPECT_TRUE(m.isOpen());
  m.pointerMoved(NONE, 3);
  EXPECT_EQ(m.litItem(), 3);  // the item under the pointer is lit
  m.pointerMoved(NONE, NONE);
  EXPECT_EQ(m.litItem(), NONE);
  EXPECT_FALSE(m.pointerPressed(NONE, 2));
  EXPECT_EQ(m.pointerReleased(NONE, 2), (MenuChoice{2, 2}));
  EXPECT_FALSE(m.active());
}

TEST(MenuBarState, DragFromTheTitleClickBesideAndClickTheOpenTitle) {
  MenuBarState m = bar();
  m.pointerPressed(1, NONE);
  EXPECT_EQ(m.pointerReleased(NONE, 1), (MenuChoice{1, 1}));  // pressed on the title, let go on the item
  m.pointerPressed(1, NONE);
  m.pointerReleased(1, NONE);
  EXPECT_FALSE(m.pointerPressed(NONE, NONE));  // a click beside closes it
  EXPECT_FALSE(m.active());
  m.pointerPressed(0, NONE);
  m.pointerReleased(0, NONE);
  m.pointerPressed(0, NONE);  // the open menu's title again closes it
  EXPECT_FALSE(m.pointerReleased(0, NONE));
  EXPECT_FALSE(m.active());
  m.pointerPressed(2, NONE);
  EXPECT_FALSE(m.pointerReleased(NONE, NONE));  // dragged off and let go beside
  EXPECT_FALSE(m.active());
  // An item of a menu that is not open is no choice.
  EXPECT_FALSE(m.pointerReleased(NONE, 0));
  m.pointerPressed(1, NONE);
  EXPECT_FALSE(m.pointerReleased(NONE, 7));
}

TEST(MenuBarState, F10AndAltLightTheBarAndTheArrowsMoveAndSwitch) {
  MenuBarState m = bar();
  EXPECT_FALSE(m.key(MenuKey::Down));  // the arrows are the game's until the bar has the keys
  EXPECT_FALSE(m.active());
  m.key(MenuKey::F10);
  EXPECT_TRUE(m.active());
  EXPECT_EQ(m.litMenu(), 0);
  EXPECT_FALSE(m.isOpen());
  m.key(MenuKey::Left);  // round to the last title
  EXPECT_EQ(m.litMenu(), 2);
  m.key(MenuKey::Down);  // opens with the first item lit
  EXPECT_TRUE(m.isOpen());
  EXPECT_EQ(m.litItem(), 0);
  m.key(MenuKey::Up);
  EXPECT_EQ(m.litItem(), 3);
  m.key(MenuKey::Right);  // the next menu, open
  EXPECT_EQ(m.litMenu(), 0);
  EXPECT_EQ(m.litItem(), 0);
  m.key(MenuKey::Down);
  EXPECT_EQ(m.key(MenuKey::Enter), (MenuChoice{0, 1}));
  EXPECT_FALSE(m.active());
  // Escape backs out one step at a time; Alt on its own both lights and puts out.
  m.key(MenuKey::Alt);
  m.key(MenuKey::Enter);
  EXPECT_TRUE(m.isOpen());
  m.key(MenuKey::Escape);
  EXPECT_FALSE(m.isOpen());
  EXPECT_TRUE(m.active());
  m.key(MenuKey::Escape);
  EXPECT_FALSE(m.active());
  m.key(MenuKey::Alt);
  m.key(MenuKey::Alt);
  EXPECT_FALSE(m.active());
}

TEST(MenuBarState, LettersOpenMenusAndChooseItems) {
  MenuBarState m = bar();
  std::optional<MenuChoice> chosen;
  EXPECT_FALSE(m.letter(U'k', false, chosen));  // a plain letter in play is the game's
  EXPECT_TRUE(m.letter(U'K', true, chosen));    // Alt+K
  EXPECT_EQ(m.litMenu(), 2);
  EXPECT_TRUE(m.isOpen());
  EXPECT_TRUE(m.letter(U'u', false, chosen));  // the only item with U is chosen
  EXPECT_EQ(chosen, (MenuChoice{2, 1}));
  EXPECT_FALSE(m.active());
  EXPECT_TRUE(m.letter(U't', true, chosen));  // Alt+T: "Tävling"
  EXPECT_EQ(m.litMenu(), 1);
  m.close();
  m.letter(U's', true, chosen);  // Alt+S: "Spel", whose two items start with S
  EXPECT_EQ(m.litItem(), 0);
  EXPECT_TRUE(m.letter(U's', false, chosen));
  EXPECT_FALSE(chosen);
  EXPECT_EQ(m.litItem(), 1);  // S lights the next, chooses neither
  EXPECT_TRUE(m.letter(U's', false, chosen));
  EXPECT_EQ(m.litItem(), 0);
  EXPECT_TRUE(m.letter(U'a', false, chosen));
  EXPECT_EQ(chosen, (MenuChoice{0, 2}));
  m.key(MenuKey::F10);
  EXPECT_TRUE(m.letter(U'\u00e4', false, chosen));  // no title starts with ä: still the bar's key
  EXPECT_TRUE(m.active());
}

}  // namespace
}  // namespace vilmar
