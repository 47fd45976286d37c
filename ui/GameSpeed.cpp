#include "ui/GameSpeed.h"

namespace vilmar {

namespace {
constexpr GameSpeed SPEEDS[] = {GameSpeed::Full, GameSpeed::ThreeQuarters, GameSpeed::Half};
}

bool speedFromPercent(long percent, GameSpeed& out) {
  for (GameSpeed s : SPEEDS)
    if (speedPercent(s) == percent) return out = s, true;
  return false;
}

bool speedFromTickMs(std::uint32_t tickMs, GameSpeed& out) {
  for (GameSpeed s : SPEEDS)
    if (speedTickMs(s) == tickMs) return out = s, true;
  return false;
}

std::string windowTitle(bool practice) {
  std::string title(GAME_TITLE);
  if (practice) {
    title += " \xE2\x80\x93 ";  // en dash
    title += PRACTICE_LABEL;
  }
  return title;
}

}  // namespace vilmar
