#pragma once
// Ids shared by the resource script and the Windows code. Plain #defines,
// because the resource compiler reads this file too; the menu's command ids
// come from the one list every frontend uses.

#include "platform/MenuCommands.h"

#define VILMAR_MENU_MAIN 128

#ifndef RC_INVOKED
namespace vilmar::win32 {
inline constexpr int MENU_MAIN = VILMAR_MENU_MAIN;
inline constexpr int MENU_QUIT = VILMAR_CMD_QUIT;
}  // namespace vilmar::win32
#endif
