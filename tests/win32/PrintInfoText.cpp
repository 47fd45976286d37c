// Prints one of the information texts exactly as the game holds them, for
// the Wine tests to compare with what the dialog shows.
#include <cstdio>
#include <cstdlib>

#include "ui/InfoTexts.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: vilmar-infotext INDEX\n", stderr);
    return 2;
  }
  const std::string_view text = vilmar::infoText(std::atoi(argv[1]));
  std::fwrite(text.data(), 1, text.size(), stdout);
  return 0;
}
