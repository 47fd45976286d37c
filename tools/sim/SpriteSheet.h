#pragma once
#include <string>

namespace vilmar {

class BarGame;
class Platform;

// Writes every picture of the world as DIR/<id>.png in the game's palette,
// and DIR/sheet.png with all of them at twice their size, each labelled.
bool dumpSprites(Platform& platform, const BarGame& world, const std::string& dir, std::string& error);

}  // namespace vilmar
