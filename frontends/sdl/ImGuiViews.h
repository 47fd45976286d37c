#pragma once
// The menu bar and the dialogs drawn with Dear ImGui, in the grey, square
// look of a classic desktop. Each call draws one ImGui frame's worth and
// reports what the player chose; it decides nothing about the game.

#include <optional>

namespace vilmar::sdl {

class DialogState;

// Loads the font (å, ä and ö included) and sets the colours and sizes for
// a user-interface scale of ui (1, 2, ...).
void setUpClassicLook(int ui);
// Height in pixels of the menu bar at that scale.
int menuBarHeight(int ui);

// The menu bar; the command of the item chosen, if any. Greyed out while a
// dialog is open.
std::optional<int> drawMenuBar(bool enabled);

// An open dialog centred over the game's last picture; the
// command of the button pressed, of Enter (the default button) or of
// Escape and the close box (the cancel command).
std::optional<int> drawDialog(DialogState& dialog, int ui, bool firstFrame);

}  // namespace vilmar::sdl
