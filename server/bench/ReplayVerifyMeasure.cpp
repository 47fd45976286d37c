// What re-playing a score's recorded game costs the service, beside one
// Argon2id verification at the service's cost, in the same run.
//
//   kortix-replay-measure FILE [ROUNDS]
//
// Prints the median of ROUNDS (default 9) of each and their ratio.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <vector>

#include "domain/PasswordHasher.h"
#include "domain/ReplayJudge.h"
#include "input/Replay.h"

using namespace kortix;

namespace {

template <class F>
double medianMs(int rounds, F&& work) {
  std::vector<double> times;
  for (int i = 0; i < rounds; ++i) {
    const auto start = std::chrono::steady_clock::now();
    work();
    times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fputs("usage: kortix-replay-measure FILE [ROUNDS]\n", stderr);
    return 2;
  }
  const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 9;
  std::ifstream in(argv[1], std::ios::binary);
  const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
  vilmar::Replay replay;
  if (vilmar::parseReplay(bytes, replay) != vilmar::ReplayError::None) {
    std::fprintf(stderr, "kortix-replay-measure: %s is not a replay\n", argv[1]);
    return 2;
  }
  ReplayJudge judge(1);
  const std::int32_t playTime = static_cast<std::int32_t>(40 * replay.ticks);
  bool verified = true;
  const double replayMs = medianMs(rounds, [&] {
    verified = verified && judge.judge(bytes, replay.score, playTime, "127.0.0.1").kind == ReplayRuling::Kind::Verified;
  });

  PasswordHasher hasher(HashCost::Interactive, 1);
  const std::string hash = *hasher.hash("hemligt1");
  const double argonMs = medianMs(rounds, [&] { (void)hasher.verify(hash, "hemligt1"); });

  std::printf("replay of %u ticks (%.1f min of play), %zu bytes: %.1f ms%s\n", replay.ticks,
              replay.ticks * 40.0 / 60000.0, bytes.size(), replayMs, verified ? "" : " (NOT VERIFIED)");
  std::printf("one Argon2id verification: %.1f ms\n", argonMs);
  std::printf("replay / Argon2id: %.3f\n", replayMs / argonMs);
  return verified ? 0 : 1;
}
