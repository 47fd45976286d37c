#pragma once
// The menu bar and the dialogs drawn with Dear ImGui, in the grey, square
// look of a classic desktop. Each call draws one ImGui frame's worth and
// reports what the player chose; it decides nothing about the game.

#include <optional>
#include <utility>

#include "ui/MenuBarState.h"

namespace vilmar::sdl {

class DialogState;

// Loads the font (å, ä and ö included) and sets the colours and sizes for
// a user-interface scale of ui (1, 2, ...).
void setUpClassicLook(int ui);
// Height in pixels of the menu bar at that scale.
int menuBarHeight(int ui);

// The menu bar as the state has it, and its open menu: lit titles and
// items, greyed out while a dialog is open.
void drawMenuBar(const MenuBarState& state, bool enabled, int ui);
// What is at a point of the window as last drawn: a title's place (first)
// or an item's place in the open menu (second), NONE for neither.
std::pair<int, int> menuTarget(float x, float y);
// Whether a point is on the open menu (its items or its frame).
bool overOpenMenu(float x, float y);

// An open dialog centred over the game's last picture, in the largest font
// at which it fits the window; the command of the button clicked or of the
// close box. The keys are the frontend's, through the dialog's focus.
std::optional<int> drawDialog(DialogState& dialog, int ui);

}  // namespace vilmar::sdl
