#pragma once
// Ids shared by the resource script and the Windows code. Plain #defines,
// because the resource compiler reads this file too.

#define VILMAR_MENU_MAIN 128

#define VILMAR_CMD_NEW_GAME 40001
#define VILMAR_CMD_RULES 40002
#define VILMAR_CMD_QUIT 40003
#define VILMAR_CMD_COMPETITION_RULES 40004
#define VILMAR_CMD_ABOUT 40005
#define VILMAR_CMD_REGISTER_SCORE 40006
#define VILMAR_CMD_CHALLENGE 40007
#define VILMAR_CMD_SPONSOR_SITE 40008
#define VILMAR_CMD_SERVICE_SITE 40009

#ifndef RC_INVOKED
namespace vilmar::win32 {
inline constexpr int MENU_MAIN = VILMAR_MENU_MAIN;
inline constexpr int MENU_QUIT = VILMAR_CMD_QUIT;
}  // namespace vilmar::win32
#endif
