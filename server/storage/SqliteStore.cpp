#include "storage/SqliteStore.h"

#include <sqlite3.h>

#include <algorithm>

#include "storage/Migrations.h"

namespace kortix {

namespace {

[[noreturn]] void fail(sqlite3* db, const std::string& what) {
  throw StoreError("sqlite: " + what + ": " + (db ? sqlite3_errmsg(db) : "no connection"));
}

void exec(sqlite3* db, const char* sql) {
  char* message = nullptr;
  if (sqlite3_exec(db, sql, nullptr, nullptr, &message) != SQLITE_OK) {
    const std::string text = message ? message : "unknown error";
    sqlite3_free(message);
    throw StoreError(std::string("sqlite: ") + text);
  }
}

// One prepared statement; values are always bound, never spliced into SQL.
class Statement {
 public:
  Statement(sqlite3* db, const char* sql) : db_(db) {
    if (sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr) != SQLITE_OK) fail(db, "prepare");
  }
  ~Statement() { sqlite3_finalize(stmt_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  Statement& bind(int index, std::int64_t value) {
    if (sqlite3_bind_int64(stmt_, index, value) != SQLITE_OK) fail(db_, "bind");
    return *this;
  }
  Statement& bind(int index, std::string_view text) {
    if (sqlite3_bind_text(stmt_, index, text.data(), static_cast<int>(text.size()),
                          SQLITE_TRANSIENT) != SQLITE_OK)
      fail(db_, "bind");
    return *this;
  }
  Statement& blob(int index, const std::vector<std::uint8_t>& bytes) {
    if (sqlite3_bind_blob(stmt_, index, bytes.data(), static_cast<int>(bytes.size()), SQLITE_TRANSIENT) != SQLITE_OK)
      fail(db_, "bind");
    return *this;
  }
  std::vector<std::uint8_t> blob(int column) {
    const auto* bytes = static_cast<const std::uint8_t*>(sqlite3_column_blob(stmt_, column));
    return bytes ? std::vector<std::uint8_t>(bytes, bytes + sqlite3_column_bytes(stmt_, column))
                 : std::vector<std::uint8_t>();
  }
  // True while there is a row.
  bool step() {
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    fail(db_, "step");
  }
  int stepCode() { return sqlite3_step(stmt_); }
  std::int64_t integer(int column) { return sqlite3_column_int64(stmt_, column); }
  bool isNull(int column) { return sqlite3_column_type(stmt_, column) == SQLITE_NULL; }
  std::string text(int column) {
    const auto* bytes = sqlite3_column_text(stmt_, column);
    return bytes ? std::string(reinterpret_cast<const char*>(bytes),
                               static_cast<std::size_t>(sqlite3_column_bytes(stmt_, column)))
                 : std::string();
  }

 private:
  sqlite3* db_;
  sqlite3_stmt* stmt_ = nullptr;
};

// BEGIN IMMEDIATE takes the write lock at once, so two writers never
// deadlock upgrading their read locks.
class Transaction {
 public:
  explicit Transaction(sqlite3* db) : db_(db) { exec(db_, "BEGIN IMMEDIATE"); }
  ~Transaction() {
    if (!done_) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
  }
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;
  void commit() {
    exec(db_, "COMMIT");
    done_ = true;
  }

 private:
  sqlite3* db_;
  bool done_ = false;
};

std::int32_t toScore(std::int64_t value) { return static_cast<std::int32_t>(value); }

}  // namespace

void CloseSqlite::operator()(sqlite3* db) const { sqlite3_close(db); }

// A connection borrowed from the pool for one call.
class SqliteStore::Lease {
 public:
  explicit Lease(SqliteStore& store) : lease_(store.pool_.take()) {}
  sqlite3* operator*() const { return lease_.get(); }

 private:
  ConnectionPool<sqlite3, CloseSqlite>::Lease lease_;
};

namespace {

std::unique_ptr<sqlite3, CloseSqlite> openSqlite(const std::string& path) {
  sqlite3* raw = nullptr;
  const int rc = sqlite3_open_v2(path.c_str(), &raw,
                                 SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX, nullptr);
  std::unique_ptr<sqlite3, CloseSqlite> db(raw);
  if (rc != SQLITE_OK)
    throw StoreError("sqlite: cannot open " + path + ": " + (raw ? sqlite3_errmsg(raw) : "out of memory"));
  sqlite3_busy_timeout(raw, 10000);
  // A reply of 0 or 1 promises the score is on disk: every commit syncs.
  exec(raw, "PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL; PRAGMA foreign_keys=ON;");
  return db;
}

}  // namespace

// Every connection is opened at start, so that a file that cannot be opened
// is reported before the service answers anyone.
SqliteStore::SqliteStore(const std::string& path, std::string migrationsDir, std::size_t connections)
    : migrationsDir_(std::move(migrationsDir)),
      pool_(std::max<std::size_t>(connections, 1), [path] { return openSqlite(path); },
            std::max<std::size_t>(connections, 1)) {}

SqliteStore::~SqliteStore() = default;

void SqliteStore::migrate() {
  const auto files = readMigrations(migrationsDir_);
  Lease db(*this);
  Transaction tx(*db);
  exec(*db, "CREATE TABLE IF NOT EXISTS schema_migrations (name TEXT PRIMARY KEY, applied_at INTEGER NOT NULL)");
  for (const auto& [name, sql] : files) {
    Statement seen(*db, "SELECT 1 FROM schema_migrations WHERE name = ?");
    seen.bind(1, name);
    if (seen.step()) continue;
    exec(*db, sql.c_str());
    Statement note(*db, "INSERT INTO schema_migrations (name, applied_at) VALUES (?, strftime('%s','now'))");
    note.bind(1, name).step();
  }
  tx.commit();
}

void SqliteStore::checkReady() {
  Lease db(*this);
  Transaction tx(*db);  // rolled back when it ends
  exec(*db, "INSERT INTO schema_migrations (name, applied_at) VALUES (' ready probe', 0)");
  std::vector<std::string> applied;
  Statement q(*db, "SELECT name FROM schema_migrations");
  while (q.step()) applied.push_back(q.text(0));
  const std::string missing = missingMigration(migrationsDir_, applied);
  if (!missing.empty()) throw StoreError("sqlite: migration " + missing + " is not applied");
}

std::optional<User> SqliteStore::userByEmail(std::string_view emailKey) {
  Lease db(*this);
  Statement q(*db,
              "SELECT id, email, nick, password_hash, referrer_key, created_at, confirmed_at IS NOT NULL FROM users WHERE email_key = ?");
  q.bind(1, emailKey);
  if (!q.step()) return std::nullopt;
  return User{q.integer(0), q.text(1), q.text(2), q.text(3), q.text(4), q.integer(5), q.integer(6) != 0};
}

bool SqliteStore::nickTaken(std::string_view nickKey) {
  Lease db(*this);
  Statement q(*db, "SELECT 1 FROM users WHERE nick_key = ?");
  q.bind(1, nickKey);
  return q.step();
}

CreateOutcome SqliteStore::createUser(const NewUser& user) {
  Lease db(*this);
  Transaction tx(*db);
  {
    Statement q(*db, "SELECT 1 FROM users WHERE email_key = ?");
    q.bind(1, user.emailKey);
    if (q.step()) return CreateOutcome::EmailTaken;
  }
  {
    Statement q(*db, "SELECT 1 FROM users WHERE nick_key = ?");
    q.bind(1, user.nickKey);
    if (q.step()) return CreateOutcome::NickTaken;
  }
  Statement insert(*db,
                   "INSERT INTO users (email, email_key, nick, nick_key, password_hash, referrer_key, "
                   "created_at, confirmed_at, confirm_hash) VALUES (?, ?, ?, ?, ?, ?, ?, "
                   "CASE WHEN ?8 = '' THEN ?7 END, NULLIF(?8, ''))");
  insert.bind(1, user.email).bind(2, user.emailKey).bind(3, user.nick).bind(4, user.nickKey);
  insert.bind(5, user.passwordHash).bind(6, user.referrerKey).bind(7, user.createdAt).bind(8, user.confirmHash);
  insert.step();
  tx.commit();
  return CreateOutcome::Created;
}

bool SqliteStore::setPasswordHash(std::int64_t userId, const std::string& hash) {
  Lease db(*this);
  Transaction tx(*db);
  Statement q(*db,
              "UPDATE users SET password_hash = ?, confirmed_at = COALESCE(confirmed_at, strftime('%s','now')), "
              "confirm_hash = NULL WHERE id = ?");
  q.bind(1, hash).bind(2, userId).step();
  const bool changed = sqlite3_changes(*db) > 0;
  Statement links(*db, "DELETE FROM reset_tokens WHERE user_id = ?");
  links.bind(1, userId).step();
  tx.commit();
  return changed;
}

std::optional<std::int64_t> SqliteStore::confirmAddress(const std::string& confirmHash, std::int64_t now) {
  Lease db(*this);
  Statement q(*db, "UPDATE users SET confirmed_at = ?, confirm_hash = NULL WHERE confirm_hash = ? RETURNING id");
  q.bind(1, now).bind(2, confirmHash);
  if (!q.step()) return std::nullopt;
  const std::int64_t id = q.integer(0);
  while (q.step()) {
  }
  return id;
}

bool SqliteStore::removeUser(std::int64_t userId) {
  Lease db(*this);
  Transaction tx(*db);
  for (const char* sql : {"DELETE FROM scores WHERE user_id = ?", "DELETE FROM reset_tokens WHERE user_id = ?",
                          "DELETE FROM rejected WHERE user_id = ?", "DELETE FROM replays WHERE user_id = ?"}) {
    Statement q(*db, sql);
    q.bind(1, userId).step();
  }
  Statement q(*db, "DELETE FROM users WHERE id = ?");
  q.bind(1, userId).step();
  const bool removed = sqlite3_changes(*db) > 0;
  tx.commit();
  return removed;
}

std::vector<User> SqliteStore::users() {
  Lease db(*this);
  Statement q(*db, "SELECT id, email, nick, password_hash, referrer_key, created_at, confirmed_at IS NOT NULL FROM users ORDER BY id");
  std::vector<User> all;
  while (q.step()) all.push_back({q.integer(0), q.text(1), q.text(2), q.text(3), q.text(4), q.integer(5), q.integer(6) != 0});
  return all;
}

PreviousBests SqliteStore::addScore(const ScoreEntry& e) {
  Lease db(*this);
  Transaction tx(*db);
  PreviousBests bests;
  if (!e.replaySha256.empty()) {
    // The first member to send a game owns it; the write lock is held, so
    // two members sending it at once cannot both.
    Statement keep(*db,
                   "INSERT INTO replays (sha256, user_id, bytes, added_at) VALUES (?, ?, ?, ?) "
                   "ON CONFLICT (sha256) DO NOTHING");
    keep.bind(1, e.replaySha256).bind(2, e.userId).blob(3, e.replay).bind(4, e.at).step();
    Statement owner(*db, "SELECT user_id FROM replays WHERE sha256 = ?");
    owner.bind(1, e.replaySha256);
    if (owner.step() && owner.integer(0) != e.userId) {
      bests.replayTaken = true;
      return bests;  // rolled back
    }
  }
  {
    Statement q(*db, "SELECT MAX(score) FROM scores WHERE day = ? AND user_id = ?");
    q.bind(1, e.day).bind(2, e.userId);
    if (q.step() && !q.isNull(0)) bests.day = toScore(q.integer(0));
  }
  {
    Statement q(*db, "SELECT MAX(score) FROM scores WHERE week = ? AND user_id = ?");
    q.bind(1, e.week).bind(2, e.userId);
    if (q.step() && !q.isNull(0)) bests.week = toScore(q.integer(0));
  }
  Statement insert(*db,
                   "INSERT INTO scores (user_id, score, play_time, day, week, at, integrity, length, verified, replay_sha256) "
                   "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, NULLIF(?, ''))");
  insert.bind(1, e.userId).bind(2, e.score).bind(3, e.playTime).bind(4, e.day).bind(5, e.week);
  insert.bind(6, e.at).bind(7, std::int64_t{e.integrity}).bind(8, std::int64_t{e.length});
  insert.bind(9, std::int64_t{e.verified ? 1 : 0}).bind(10, e.replaySha256);
  insert.step();
  tx.commit();
  return bests;
}

std::vector<StoredReplay> SqliteStore::replays() {
  Lease db(*this);
  Statement q(*db,
              "SELECT r.sha256, r.user_id, u.email, r.bytes, r.added_at FROM replays r "
              "JOIN users u ON u.id = r.user_id ORDER BY r.added_at, r.sha256");
  std::vector<StoredReplay> all;
  while (q.step()) all.push_back({q.text(0), q.integer(1), q.text(2), q.blob(3), q.integer(4)});
  return all;
}

std::vector<ScoreEntry> SqliteStore::scoresOf(std::int64_t userId) {
  Lease db(*this);
  Statement q(*db,
              "SELECT score, play_time, day, week, at, integrity, length, verified, COALESCE(replay_sha256, '') "
              "FROM scores WHERE user_id = ? ORDER BY id");
  q.bind(1, userId);
  std::vector<ScoreEntry> all;
  while (q.step()) {
    ScoreEntry e;
    e.userId = userId;
    e.score = toScore(q.integer(0));
    e.playTime = static_cast<std::int32_t>(q.integer(1));
    e.day = q.text(2);
    e.week = q.text(3);
    e.at = q.integer(4);
    e.integrity = static_cast<std::uint32_t>(q.integer(5));
    e.length = static_cast<std::uint32_t>(q.integer(6));
    e.verified = q.integer(7) != 0;
    e.replaySha256 = q.text(8);
    all.push_back(std::move(e));
  }
  return all;
}

void SqliteStore::addRejected(const RejectedAttempt& a) {
  Lease db(*this);
  Statement q(*db,
              "INSERT INTO rejected (at, address, reason, email, user_id, score) VALUES (?, ?, ?, ?, ?, ?)");
  q.bind(1, a.at).bind(2, a.address).bind(3, a.reason).bind(4, a.email).bind(5, a.userId).bind(6, a.score);
  q.step();
}

std::vector<RejectedAttempt> SqliteStore::rejected(std::size_t limit) {
  Lease db(*this);
  Statement q(*db,
              "SELECT at, address, reason, email, user_id, score FROM rejected ORDER BY id DESC LIMIT ?");
  q.bind(1, static_cast<std::int64_t>(limit));
  std::vector<RejectedAttempt> all;
  while (q.step())
    all.push_back({q.integer(0), q.text(1), q.text(2), q.text(3), q.integer(4), toScore(q.integer(5))});
  return all;
}

std::vector<Ranked> SqliteStore::top(const char* column, const std::string& key, std::size_t limit, std::int64_t closes) {
  const std::string sql =
      std::string("SELECT nick, email, score, at, user_id, verified, replay_sha256 FROM (SELECT u.nick, u.email, "
                  "s.score, s.at, s.id AS score_id, s.user_id, s.verified, "
                  "COALESCE(s.replay_sha256, '') AS replay_sha256, "
                  "ROW_NUMBER() OVER (PARTITION BY s.user_id ORDER BY s.score DESC, s.id ASC) AS rn "
                  "FROM scores s JOIN users u ON u.id = s.user_id WHERE u.confirmed_at < ?") +
      (verifiedOnly_ ? " AND s.verified <> 0" : "") + " AND s." + column +
      " = ?) WHERE rn = 1 ORDER BY score DESC, at ASC, score_id ASC LIMIT ?";
  Lease db(*this);
  Statement q(*db, sql.c_str());
  q.bind(1, closes).bind(2, key).bind(3, static_cast<std::int64_t>(limit));
  std::vector<Ranked> list;
  while (q.step())
    list.push_back({q.text(0), q.text(1), toScore(q.integer(2)), q.integer(3), q.integer(4), q.integer(5) != 0,
                    q.text(6)});
  return list;
}

std::vector<Ranked> SqliteStore::topOfDay(const std::string& day, std::size_t limit, std::int64_t closes) {
  return top("day", day, limit, closes);
}

std::vector<Ranked> SqliteStore::topOfWeek(const std::string& week, std::size_t limit, std::int64_t closes) {
  return top("week", week, limit, closes);
}

std::vector<Referral> SqliteStore::referrals(std::size_t limit) {
  Lease db(*this);
  Statement q(*db,
              "SELECT r.nick, r.email, COUNT(*) FROM users u JOIN users r ON r.email_key = u.referrer_key "
              "WHERE u.referrer_key <> '' AND u.id <> r.id AND u.confirmed_at IS NOT NULL "
              "AND r.confirmed_at IS NOT NULL GROUP BY r.id, r.nick, r.email "
              "ORDER BY COUNT(*) DESC, r.id ASC LIMIT ?");
  q.bind(1, static_cast<std::int64_t>(limit));
  std::vector<Referral> list;
  while (q.step()) list.push_back({q.text(0), q.text(1), q.integer(2)});
  return list;
}

std::int64_t SqliteStore::addBuild(const Build& b) {
  Lease db(*this);
  Statement q(*db,
              "INSERT INTO builds (integrity, length, platform, version, file_name, added_at) "
              "VALUES (?, ?, ?, ?, ?, ?) ON CONFLICT (integrity, length) DO UPDATE SET "
              "platform = excluded.platform, version = excluded.version, file_name = excluded.file_name");
  q.bind(1, std::int64_t{b.integrity}).bind(2, std::int64_t{b.length}).bind(3, b.platform);
  q.bind(4, b.version).bind(5, b.fileName).bind(6, b.addedAt).step();
  Statement id(*db, "SELECT id FROM builds WHERE integrity = ? AND length = ?");
  id.bind(1, std::int64_t{b.integrity}).bind(2, std::int64_t{b.length});
  return id.step() ? id.integer(0) : 0;
}

bool SqliteStore::removeBuild(std::int64_t id) {
  Lease db(*this);
  Statement q(*db, "DELETE FROM builds WHERE id = ?");
  q.bind(1, id).step();
  return sqlite3_changes(*db) > 0;
}

std::vector<Build> SqliteStore::builds() {
  Lease db(*this);
  Statement q(*db, "SELECT id, integrity, length, platform, version, file_name, added_at FROM builds ORDER BY id");
  std::vector<Build> all;
  while (q.step())
    all.push_back({q.integer(0), static_cast<std::uint32_t>(q.integer(1)), static_cast<std::uint32_t>(q.integer(2)),
                   q.text(3), q.text(4), q.text(5), q.integer(6)});
  return all;
}

void SqliteStore::addResetToken(std::int64_t userId, const std::string& tokenHash, std::int64_t createdAt,
                                std::int64_t expiresAt) {
  Lease db(*this);
  Statement q(*db,
              "INSERT INTO reset_tokens (token_hash, user_id, created_at, expires_at) VALUES (?, ?, ?, ?)");
  q.bind(1, tokenHash).bind(2, userId).bind(3, createdAt).bind(4, expiresAt).step();
}

std::optional<std::int64_t> SqliteStore::takeResetToken(const std::string& tokenHash, std::int64_t now) {
  Lease db(*this);
  Transaction tx(*db);
  Statement q(*db, "SELECT user_id, expires_at FROM reset_tokens WHERE token_hash = ?");
  q.bind(1, tokenHash);
  std::optional<std::int64_t> user;
  if (q.step() && q.integer(1) > now) user = q.integer(0);
  Statement del(*db, "DELETE FROM reset_tokens WHERE token_hash = ? OR expires_at <= ?");
  del.bind(1, tokenHash).bind(2, now).step();
  tx.commit();
  return user;
}

void SqliteStore::dropResetToken(const std::string& tokenHash) {
  Lease db(*this);
  Statement q(*db, "DELETE FROM reset_tokens WHERE token_hash = ?");
  q.bind(1, tokenHash).step();
}

bool SqliteStore::resetTokenValid(const std::string& tokenHash, std::int64_t now) {
  Lease db(*this);
  Statement q(*db, "SELECT 1 FROM reset_tokens WHERE token_hash = ? AND expires_at > ?");
  q.bind(1, tokenHash).bind(2, now);
  return q.step();
}

void SqliteStore::addSession(std::int64_t userId, const std::string& tokenHash, std::int64_t createdAt,
                             std::int64_t expiresAt) {
  Lease db(*this);
  Transaction tx(*db);
  // Expired sessions go as new ones come.
  Statement old(*db, "DELETE FROM sessions WHERE expires_at <= ?");
  old.bind(1, createdAt).step();
  Statement q(*db, "INSERT INTO sessions (token_hash, user_id, created_at, expires_at) VALUES (?, ?, ?, ?)");
  q.bind(1, tokenHash).bind(2, userId).bind(3, createdAt).bind(4, expiresAt).step();
  tx.commit();
}

std::optional<User> SqliteStore::sessionUser(const std::string& tokenHash, std::int64_t now) {
  Lease db(*this);
  Statement q(*db,
              "SELECT u.id, u.email, u.nick, u.password_hash, u.referrer_key, u.created_at, u.confirmed_at IS NOT NULL "
              "FROM sessions s JOIN users u ON u.id = s.user_id WHERE s.token_hash = ? AND s.expires_at > ?");
  q.bind(1, tokenHash).bind(2, now);
  if (!q.step()) return std::nullopt;
  return User{q.integer(0), q.text(1), q.text(2), q.text(3), q.text(4), q.integer(5), q.integer(6) != 0};
}

void SqliteStore::dropSession(const std::string& tokenHash) {
  Lease db(*this);
  Statement q(*db, "DELETE FROM sessions WHERE token_hash = ?");
  q.bind(1, tokenHash).step();
}

std::int64_t SqliteStore::resetTokensSince(std::int64_t userId, std::int64_t since) {
  Lease db(*this);
  Statement q(*db, "SELECT COUNT(*) FROM reset_tokens WHERE user_id = ? AND created_at > ?");
  q.bind(1, userId).bind(2, since);
  return q.step() ? q.integer(0) : 0;
}

}  // namespace kortix
