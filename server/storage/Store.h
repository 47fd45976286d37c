#pragma once
// What the service keeps, behind one interface: SQLite on one machine,
// PostgreSQL when several service instances share a database. Every call is
// safe from any thread; every write is durable when it returns.

#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace kortix {

// The database could not be reached or refused a statement.
class StoreError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct User {
  std::int64_t id = 0;
  std::string email;     // as registered, UTF-8
  std::string nick;      // shown on the lists
  std::string passwordHash;
  std::string referrer;  // e-mail of the member who recommended the service, or empty
  std::int64_t createdAt = 0;
  bool confirmed = false;  // the address has been shown to be the member's
};

struct NewUser {
  std::string email, emailKey;  // the key is the address folded for comparison
  std::string nick, nickKey;
  std::string passwordHash;
  std::string referrerKey;
  std::int64_t createdAt = 0;
  // The hash of the link's token that confirms the address; empty: the
  // address counts as confirmed at once.
  std::string confirmHash;
};

enum class CreateOutcome { Created, EmailTaken, NickTaken };

struct ScoreEntry {
  std::int64_t userId = 0;
  std::int32_t score = 0;
  std::int32_t playTime = 0;
  std::string day;   // "2026-12-08", Swedish calendar day
  std::string week;  // "2026-W50", ISO week in Sweden
  std::int64_t at = 0;  // seconds since 1970
  std::uint32_t integrity = 0, length = 0;
  // Came with its recorded game, which the service played to this score;
  // the game's SHA-256 in lowercase hex (empty without one).
  bool verified = false;
  std::string replaySha256;
  // The game's bytes, kept once per game with the member it counts for
  // (addScore only; scoresOf leaves them out).
  std::vector<std::uint8_t> replay;
};

// The player's bests before the new score, where there were any.
struct PreviousBests {
  std::optional<std::int32_t> day, week;
  // The score's game already counts for another member: nothing was stored.
  bool replayTaken = false;
};

// A kept game, and whose it is.
struct StoredReplay {
  std::string sha256;
  std::int64_t userId = 0;
  std::string email;
  std::vector<std::uint8_t> bytes;
  std::int64_t addedAt = 0;
};

struct Ranked {
  std::string nick;
  std::string email;  // for the operator's winner lists, never on a page
  std::int32_t score = 0;
  std::int64_t at = 0;  // when that score was first reached
  std::int64_t userId = 0;
  // That score came with its recorded game and the service played it to it.
  bool verified = false;
  std::string replaySha256;  // lowercase hex, empty without a game
};

struct Referral {
  std::string nick, email;
  std::int64_t count = 0;
};

struct Build {
  std::int64_t id = 0;
  std::uint32_t integrity = 0, length = 0;
  std::string platform, version, fileName;
  std::int64_t addedAt = 0;
};

struct RejectedAttempt {
  std::int64_t at = 0;
  std::string address;
  std::string reason;
  std::string email;
  std::int64_t userId = 0;  // 0 when the sender was not known
  std::int32_t score = 0;
};

class Store {
 public:
  static constexpr std::int64_t NEVER_CLOSES = INT64_MAX;
  virtual ~Store() = default;

  // Creates or brings the schema up to date; safe to run on every start and
  // from several instances at once.
  virtual void migrate() = 0;
  // Throws StoreError unless the database takes a write (in a transaction
  // that is rolled back) and holds every migration this program knows.
  virtual void checkReady() = 0;

  virtual std::optional<User> userByEmail(std::string_view emailKey) = 0;
  virtual bool nickTaken(std::string_view nickKey) = 0;
  virtual CreateOutcome createUser(const NewUser& user) = 0;
  // A new password ends every reset link the member has; as the link came by
  // mail, the address counts as confirmed too.
  virtual bool setPasswordHash(std::int64_t userId, const std::string& hash) = 0;
  // Confirms the address whose link has this token hash; the member's id,
  // or nothing when no address waits for that token.
  virtual std::optional<std::int64_t> confirmAddress(const std::string& confirmHash, std::int64_t now) = 0;
  // The account and everything of it; false when there was none.
  virtual bool removeUser(std::int64_t userId) = 0;
  virtual std::vector<User> users() = 0;

  // Stores the score and answers the bests it had before, in one transaction.
  virtual PreviousBests addScore(const ScoreEntry& entry) = 0;
  // A member's scores, oldest first.
  virtual std::vector<ScoreEntry> scoresOf(std::int64_t userId) = 0;
  // Every kept game, oldest first.
  virtual std::vector<StoredReplay> replays() = 0;
  virtual void addRejected(const RejectedAttempt& attempt) = 0;
  virtual std::vector<RejectedAttempt> rejected(std::size_t limit) = 0;

  // Best score per member with a confirmed address, highest first; ties go
  // to whoever reached it first. With listVerifiedOnly(true), only scores
  // whose recorded game the service played to them count.
  // A member counts whose address was confirmed before the list closed
  // (closes, seconds since 1970), so a list that has closed never changes.
  virtual std::vector<Ranked> topOfDay(const std::string& day, std::size_t limit,
                                       std::int64_t closes = NEVER_CLOSES) = 0;
  virtual std::vector<Ranked> topOfWeek(const std::string& week, std::size_t limit,
                                        std::int64_t closes = NEVER_CLOSES) = 0;
  // Members by the number of members who named them as referrer, counting
  // confirmed addresses only.
  virtual std::vector<Referral> referrals(std::size_t limit) = 0;
  // Set once at start, before the store is shared between threads.
  virtual void listVerifiedOnly(bool on) { verifiedOnly_ = on; }

  virtual std::int64_t addBuild(const Build& build) = 0;
  virtual bool removeBuild(std::int64_t id) = 0;
  virtual std::vector<Build> builds() = 0;

  // One-time password-reset tokens, kept only as their hash.
  virtual void addResetToken(std::int64_t userId, const std::string& tokenHash,
                             std::int64_t createdAt, std::int64_t expiresAt) = 0;
  // The token's user if it is known and not expired; the token is used up.
  virtual std::optional<std::int64_t> takeResetToken(const std::string& tokenHash,
                                                     std::int64_t now) = 0;
  // Forgets a token whose mail could not be sent.
  virtual void dropResetToken(const std::string& tokenHash) = 0;
  // Whether the token is known and not expired; it stays as it is.
  virtual bool resetTokenValid(const std::string& tokenHash, std::int64_t now) = 0;
  // Web sessions, kept only as the hash of the cookie's token.
  virtual void addSession(std::int64_t userId, const std::string& tokenHash, std::int64_t createdAt,
                          std::int64_t expiresAt) = 0;
  // The member of a session that has not expired.
  virtual std::optional<User> sessionUser(const std::string& tokenHash, std::int64_t now) = 0;
  virtual void dropSession(const std::string& tokenHash) = 0;

  // Reset mails sent to a user after a moment (to bound mail floods).
  virtual std::int64_t resetTokensSince(std::int64_t userId, std::int64_t since) = 0;

 protected:
  bool verifiedOnly_ = false;
};

// "sqlite:PATH" or "postgresql://..." (also "postgres://").
std::unique_ptr<Store> openStore(const std::string& url, const std::string& migrationsDir);

}  // namespace kortix
