// vilmar-replay-hashes: plays recorded games through the rules alone and
// prints the world's hash after every tick. The same source is built for
// this machine, for Windows and for WebAssembly; tools/determinism-tests.sh
// runs all three on the same games and requires the same bytes out.
//
//   vilmar-replay-hashes FILE...
//
// Per file a line "# FILE ticks T score S VERDICT", then one line per tick
// with the hash in hexadecimal. Exit status 0 when every file was read and
// verified, 1 otherwise.

#include <cinttypes>
#include <cstdio>
#include <string>

#include "app/ReplayCheck.h"
#include "input/Replay.h"
#include "frontends/headless/HeadlessPlatform.h"

using namespace vilmar;

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fputs("usage: vilmar-replay-hashes FILE...\n", stderr);
    return 2;
  }
  int status = 0;
  HeadlessPlatform platform;
  std::string lines;
  for (int i = 1; i < argc; ++i) {
    Replay replay;
    std::string error;
    if (!loadReplay(argv[i], replay, error)) {
      std::fprintf(stderr, "vilmar-replay-hashes: %s\n", error.c_str());
      status = 1;
      continue;
    }
    lines.clear();
    const ReplayOutcome outcome = replayWorld(platform, replay, [&](std::uint32_t, std::uint64_t hash) {
      char text[20];
      std::snprintf(text, sizeof text, "%016" PRIx64 "\n", hash);
      lines += text;
    });
    platform.sounds.clear();
    const ReplayVerdict verdict = judgeReplay(replay, outcome);
    std::printf("# %s ticks %" PRIu32 " score %" PRId32 " %s\n", argv[i], outcome.ticks, outcome.score,
                replayVerdictName(verdict));
    std::fwrite(lines.data(), 1, lines.size(), stdout);
    if (verdict != ReplayVerdict::Verified) status = 1;
  }
  return std::fflush(stdout) == 0 ? status : 1;
}
