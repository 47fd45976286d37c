#pragma once
// The menu's command ids: what the Windows menu resource sends, what the
// other frontends' menus send, and what App::menuCommand() understands.
// Plain #defines first, because the Windows resource compiler reads this file too.

#define VILMAR_CMD_NEW_GAME 40001
#define VILMAR_CMD_RULES 40002
#define VILMAR_CMD_QUIT 40003
#define VILMAR_CMD_COMPETITION_RULES 40004
#define VILMAR_CMD_ABOUT 40005
#define VILMAR_CMD_REGISTER_SCORE 40006
#define VILMAR_CMD_CHALLENGE 40007
#define VILMAR_CMD_SPONSOR_SITE 40008
#define VILMAR_CMD_SERVICE_SITE 40009
// Not in the Windows program's menu: the native game's and the browser's.
#define VILMAR_CMD_SETTINGS 40010

#ifndef RC_INVOKED
namespace vilmar {

enum MenuCommand : int {
  CMD_NEW_GAME = VILMAR_CMD_NEW_GAME,
  CMD_RULES = VILMAR_CMD_RULES,
  CMD_QUIT = VILMAR_CMD_QUIT,
  CMD_COMPETITION_RULES = VILMAR_CMD_COMPETITION_RULES,
  CMD_ABOUT = VILMAR_CMD_ABOUT,
  CMD_REGISTER_SCORE = VILMAR_CMD_REGISTER_SCORE,
  CMD_CHALLENGE = VILMAR_CMD_CHALLENGE,
  CMD_SPONSOR_SITE = VILMAR_CMD_SPONSOR_SITE,
  CMD_SERVICE_SITE = VILMAR_CMD_SERVICE_SITE,
  CMD_SETTINGS = VILMAR_CMD_SETTINGS,
};

}  // namespace vilmar
#endif
