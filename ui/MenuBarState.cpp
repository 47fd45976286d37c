#include "ui/MenuBarState.h"

#include <utility>

namespace vilmar {

namespace {

// The first letter of a text, folded to lower case for the letters a Swedish
// menu starts with.
char32_t initial(std::string_view text) {
  if (text.empty()) return 0;
  const auto b0 = static_cast<unsigned char>(text[0]);
  char32_t c = b0;
  if (b0 >= 0xC0 && b0 < 0xE0 && text.size() >= 2)
    c = (char32_t{b0 & 0x1Fu} << 6) | (static_cast<unsigned char>(text[1]) & 0x3Fu);
  return c;
}

char32_t folded(char32_t c) {
  if ((c >= U'A' && c <= U'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7)) return c + 32;
  return c;
}

}  // namespace

MenuBarState::MenuBarState(std::vector<Menu> menus) : menus_(std::move(menus)) {}

int MenuBarState::itemCount() const {
  return menu_ == NONE ? 0 : static_cast<int>(menus_[static_cast<std::size_t>(menu_)].items.size());
}

void MenuBarState::openMenu(int menu, int item) {
  menu_ = menu;
  open_ = true;
  item_ = item < itemCount() ? item : NONE;
}

void MenuBarState::close() {
  menu_ = NONE;
  item_ = NONE;
  open_ = false;
  tracking_ = false;
  pressedOpen_ = false;
}

void MenuBarState::pointerMoved(int menu, int item) {
  const int count = static_cast<int>(menus_.size());
  hot_ = menu >= 0 && menu < count ? menu : NONE;
  if (!open_) return;
  // With a menu open, the pointer sliding onto another title opens that one.
  if (hot_ != NONE && hot_ != menu_) openMenu(hot_, NONE);
  else if (hot_ == NONE) item_ = item >= 0 && item < itemCount() ? item : NONE;
}

std::optional<MenuChoice> MenuBarState::pointerPressed(int menu, int item) {
  const int count = static_cast<int>(menus_.size());
  if (menu >= 0 && menu < count) {
    if (open_ && menu == menu_) {
      close();  // a press on the open menu's title closes it
      return std::nullopt;
    }
    openMenu(menu, NONE);
    tracking_ = true;
    return std::nullopt;
  }
  if (open_ && item >= 0 && item < itemCount()) {
    item_ = item;
    tracking_ = true;
    return std::nullopt;
  }
  close();  // anywhere else
  return std::nullopt;
}

std::optional<MenuChoice> MenuBarState::pointerReleased(int menu, int item) {
  const bool wasTracking = std::exchange(tracking_, false);
  if (!open_) return std::nullopt;
  if (menu != NONE) return std::nullopt;  // on a title the menu stays open
  if (item >= 0 && item < itemCount()) {
    const MenuChoice choice{menu_, item};
    close();
    return choice;
  }
  // Dragged from the title and let go beside the menu: it closes.
  if (wasTracking) close();
  return std::nullopt;
}

std::optional<MenuChoice> MenuBarState::key(MenuKey key) {
  const int count = static_cast<int>(menus_.size());
  if (count == 0) return std::nullopt;
  switch (key) {
    case MenuKey::F10:
    case MenuKey::Alt:
      if (active()) {
        close();
      } else {
        menu_ = 0;
        item_ = NONE;
        open_ = false;
      }
      return std::nullopt;
    case MenuKey::Escape:
      if (open_) {
        open_ = false;  // back to the lit title
        item_ = NONE;
      } else {
        close();
      }
      return std::nullopt;
    default: break;
  }
  if (!active()) return std::nullopt;
  switch (key) {
    case MenuKey::Left:
    case MenuKey::Right: {
      const int next = (menu_ + (key == MenuKey::Right ? 1 : count - 1)) % count;
      if (open_) openMenu(next, 0);
      else menu_ = next;
      return std::nullopt;
    }
    case MenuKey::Up:
    case MenuKey::Down: {
      if (!open_) {
        openMenu(menu_, 0);
        return std::nullopt;
      }
      const int n = itemCount();
      if (n == 0) return std::nullopt;
      if (item_ == NONE) item_ = key == MenuKey::Down ? 0 : n - 1;
      else item_ = (item_ + (key == MenuKey::Down ? 1 : n - 1)) % n;
      return std::nullopt;
    }
    case MenuKey::Enter:
      if (!open_) {
        openMenu(menu_, 0);
        return std::nullopt;
      }
      if (item_ != NONE) {
        const MenuChoice choice{menu_, item_};
        close();
        return choice;
      }
      return std::nullopt;
    default: return std::nullopt;
  }
}

bool MenuBarState::letter(char32_t letter, bool alt, std::optional<MenuChoice>& chosen) {
  chosen.reset();
  const char32_t wanted = folded(letter);
  if (alt || (active() && !open_)) {
    for (std::size_t m = 0; m < menus_.size(); ++m) {
      if (folded(initial(menus_[m].title)) == wanted) {
        openMenu(static_cast<int>(m), 0);
        return true;
      }
    }
    return active();
  }
  if (!open_) return false;
  // The next item with that initial is lit; the only one is chosen.
  const auto& items = menus_[static_cast<std::size_t>(menu_)].items;
  const int n = static_cast<int>(items.size());
  int matches = 0;
  int next = NONE;
  for (int k = 1; k <= n; ++k) {
    const int i = ((item_ == NONE ? -1 : item_) + k + n) % n;
    if (folded(initial(items[static_cast<std::size_t>(i)])) != wanted) continue;
    ++matches;
    if (next == NONE) next = i;
  }
  if (next == NONE) return true;
  if (matches == 1) {
    chosen = MenuChoice{menu_, next};
    close();
  } else {
    item_ = next;
  }
  return true;
}

}  // namespace vilmar
