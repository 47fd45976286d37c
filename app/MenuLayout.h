#pragma once
// The game's menu bar: three pop-ups and their ten commands, in the order
// they are shown. A frontend that draws its own menu takes it from here;
// what a command does is App::menuCommand's business.

#include <array>
#include <span>
#include <string_view>

#include "app/App.h"

namespace vilmar {

struct MenuItem {
  std::string_view text;
  int command;
};

struct MenuPopup {
  std::string_view title;
  std::span<const MenuItem> items;
};

inline constexpr std::array<MenuItem, 4> MENU_GAME_ITEMS{{
    {"Starta nytt spel (F1)", CMD_NEW_GAME},
    {"Spelregler", CMD_RULES},
    {"Inställningar…", CMD_SETTINGS},
    {"Avsluta (Alt-F4)", CMD_QUIT},
}};
inline constexpr std::array<MenuItem, 2> MENU_COMPETITION_ITEMS{{
    {"Tävlingsregler", CMD_COMPETITION_RULES},
    {"Om Kortix", CMD_ABOUT},
}};
inline constexpr std::array<MenuItem, 4> MENU_CONNECT_ITEMS{{
    {"Registrera high-score", CMD_REGISTER_SCORE},
    {"Utmana dina vänner", CMD_CHALLENGE},
    {"Surfa till Kortixsajten", CMD_SERVICE_SITE},
    {"Besök Vilmars hemsida", CMD_SPONSOR_SITE},
}};

inline constexpr std::array<MenuPopup, 3> MENU_BAR{{
    {"Spel", MENU_GAME_ITEMS},
    {"Tävling", MENU_COMPETITION_ITEMS},
    {"Koppla upp", MENU_CONNECT_ITEMS},
}};

}  // namespace vilmar
