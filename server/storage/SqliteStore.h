#pragma once
// The store in one SQLite file: write-ahead log, every commit synced to disk,
// a small pool of connections so that pages are read in parallel.

#include <string>
#include <vector>

#include "storage/ConnectionPool.h"
#include "storage/Store.h"

struct sqlite3;

namespace kortix {

struct CloseSqlite {
  void operator()(sqlite3* db) const;
};

class SqliteStore final : public Store {
 public:
  SqliteStore(const std::string& path, std::string migrationsDir, std::size_t connections = 8);
  ~SqliteStore() override;
  SqliteStore(const SqliteStore&) = delete;
  SqliteStore& operator=(const SqliteStore&) = delete;

  void migrate() override;
  void checkReady() override;
  std::optional<User> userByEmail(std::string_view emailKey) override;
  bool nickTaken(std::string_view nickKey) override;
  CreateOutcome createUser(const NewUser& user) override;
  bool setPasswordHash(std::int64_t userId, const std::string& hash) override;
  std::optional<std::int64_t> confirmAddress(const std::string& confirmHash, std::int64_t now) override;
  bool removeUser(std::int64_t userId) override;
  std::vector<User> users() override;
  PreviousBests addScore(const ScoreEntry& entry) override;
  std::vector<ScoreEntry> scoresOf(std::int64_t userId) override;
  std::vector<StoredReplay> replays() override;
  void addRejected(const RejectedAttempt& attempt) override;
  std::vector<RejectedAttempt> rejected(std::size_t limit) override;
  std::vector<Ranked> topOfDay(const std::string& day, std::size_t limit, std::int64_t closes = NEVER_CLOSES) override;
  std::vector<Ranked> topOfWeek(const std::string& week, std::size_t limit, std::int64_t closes = NEVER_CLOSES) override;
  std::vector<Referral> referrals(std::size_t limit) override;
  std::int64_t addBuild(const Build& build) override;
  bool removeBuild(std::int64_t id) override;
  std::vector<Build> builds() override;
  void addResetToken(std::int64_t userId, const std::string& tokenHash, std::int64_t createdAt,
                     std::int64_t expiresAt) override;
  std::optional<std::int64_t> takeResetToken(const std::string& tokenHash, std::int64_t now) override;
  void dropResetToken(const std::string& tokenHash) override;
  bool resetTokenValid(const std::string& tokenHash, std::int64_t now) override;
  void addSession(std::int64_t userId, const std::string& tokenHash, std::int64_t createdAt,
                  std::int64_t expiresAt) override;
  std::optional<User> sessionUser(const std::string& tokenHash, std::int64_t now) override;
  void dropSession(const std::string& tokenHash) override;
  std::int64_t resetTokensSince(std::int64_t userId, std::int64_t since) override;

  class Lease;

 private:
  std::vector<Ranked> top(const char* column, const std::string& key, std::size_t limit, std::int64_t closes);

  std::string migrationsDir_;
  ConnectionPool<sqlite3, CloseSqlite> pool_;
};

}  // namespace kortix
