#pragma once
// The menu bar as a desktop's menu works it, for a frontend that draws its
// own: the mouse opens a menu with a press on its title, a pointer sliding
// along the bar switches menus while one is open, an item is chosen by a
// click (or a press on the title dragged onto it and let go); F10 or Alt on
// its own puts the bar in keyboard mode, Alt+letter opens the menu of that
// initial, the arrows move and switch, Enter chooses, Escape backs
// out a step. The commands themselves are the caller's business.

#include <optional>
#include <string_view>
#include <vector>

namespace vilmar {

enum class MenuKey { F10, Alt, Left, Right, Up, Down, Enter, Escape };

// An item the player chose: the menu's and the item's place.
struct MenuChoice {
  int menu;
  int item;
  friend bool operator==(const MenuChoice&, const MenuChoice&) = default;
};

class MenuBarState {
 public:
  static constexpr int NONE = -1;

  // Each menu's title and its items' texts, in order.
  struct Menu {
    std::string_view title;
    std::vector<std::string_view> items;
  };
  explicit MenuBarState(std::vector<Menu> menus);

  // The menu whose title is lit (open or chosen by keyboard), or NONE.
  int litMenu() const { return menu_; }
  // Whether that menu's items are shown.
  bool isOpen() const { return open_; }
  // The lit item of the open menu, or NONE.
  int litItem() const { return item_; }
  // The title under the pointer, lit as the pointer passes, or NONE.
  int hotMenu() const { return hot_; }
  // Whether the bar takes the keys (a menu lit or open): the game gets none.
  bool active() const { return menu_ != NONE; }

  // The pointer: over a title (menu), over an item of the open menu, or
  // elsewhere (both NONE).
  void pointerMoved(int menu, int item);
  // A press and a release of the button at the same kind of place.
  std::optional<MenuChoice> pointerPressed(int menu, int item);
  std::optional<MenuChoice> pointerReleased(int menu, int item);

  std::optional<MenuChoice> key(MenuKey key);
  // Alt+letter, or a letter while the bar is active: the menu (from the bar)
  // or the item (in an open menu) whose text starts with it. True when the
  // letter was the bar's.
  bool letter(char32_t letter, bool alt, std::optional<MenuChoice>& chosen);

  // Closes everything (a dialog opens, the window loses the focus).
  void close();

 private:
  void openMenu(int menu, int item);
  int itemCount() const;

  std::vector<Menu> menus_;
  int menu_ = NONE;
  int item_ = NONE;
  int hot_ = NONE;
  bool open_ = false;
  bool tracking_ = false;   // the button went down on the bar and is still down
  bool pressedOpen_ = false;  // that press opened the menu (its release must not close it)
};

}  // namespace vilmar
