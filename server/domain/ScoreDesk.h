#pragma once
// Decides what becomes of a score the game posts: refused, accepted as a new
// personal best of the day or week, or accepted without one, and whether the
// player's build has been overtaken by a newer release.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "domain/Authenticator.h"
#include "domain/ReplayJudge.h"
#include "storage/Store.h"

namespace kortix {

// The game's result codes.
inline constexpr int CODE_BEST = 0;
inline constexpr int CODE_ACCEPTED = 1;
inline constexpr int CODE_UNKNOWN_EMAIL = 2;
inline constexpr int CODE_WRONG_PASSWORD = 3;
inline constexpr int CODE_REFUSED = 4;
inline constexpr int VERSION_NEWER_EXISTS = 2;

struct ScoreReply {
  enum class Kind { Verdict, Limited, Busy } kind = Kind::Verdict;
  int code = CODE_REFUSED;
  bool newerVersion = false;

  // The reply body the game reads: "0\r\n", or "0\r\n2\r\n" with a newer build.
  std::string body() const;
};

// Whether version a is older than b: dotted numbers compared as numbers
// ("1.10" is newer than "1.9"), anything else as text.
bool olderVersion(std::string_view a, std::string_view b);

// Whether the build with these facts is a release that a newer one of the
// same platform has replaced.
bool newerBuildExists(const std::vector<Build>& builds, std::uint32_t integrity, std::uint32_t length);

// The most points a game can have made by the game clock's playTime
// milliseconds, by the game's rules: a tick every 40 ms; a serve takes at
// least five ticks and each mug can send at most one customer out through
// the door; a customer is worth at most 10 + 54000 points (the bonus
// 54000 / (elapsed - 2) is largest at 3 ms after the level's start, which a
// loop that was held up and then makes up its ticks can reach), and each
// cleared level adds 100 and needs at least one such customer. A score above
// this cannot have been played in that time. The time is read as the game
// takes it, an unsigned clock difference.
std::int64_t reachableScore(std::int32_t playTime);

class ScoreDesk {
 public:
  ScoreDesk(Store& store, Authenticator& auth, Clock clock)
      : store_(store), auth_(auth), clock_(std::move(clock)) {}

  ScoreReply submit(std::string_view body, const std::string& address);

 private:
  void refuse(const std::string& address, const std::string& reason, const std::string& email,
              std::int64_t userId, std::int32_t score, std::int64_t now);

  Store& store_;
  Authenticator& auth_;
  Clock clock_;
  ReplayJudge replays_;
};

}  // namespace kortix
