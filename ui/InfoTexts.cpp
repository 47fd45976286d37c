#include "ui/InfoTexts.h"

namespace vilmar {

std::string_view infoText(int index) {
  switch (index) {
    case 0: return "Vilmar Pintkeeper\r\n";
    case 1: return "TÄVLINGSREGLER\r\n";
    case 2: return "OM Kortix\r\n";
    default: return {};
  }
}

}  // namespace vilmar
