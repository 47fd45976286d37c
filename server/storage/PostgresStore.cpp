#include "storage/PostgresStore.h"

#include <pqxx/pqxx>

#include "storage/Migrations.h"

namespace kortix {

namespace {

std::string hexOf(const std::vector<std::uint8_t>& bytes) {
  static const char digits[] = "0123456789abcdef";
  std::string hex;
  hex.reserve(bytes.size() * 2);
  for (const std::uint8_t b : bytes) {
    hex += digits[b >> 4];
    hex += digits[b & 15];
  }
  return hex;
}

// What encode(..., 'hex') gives back: lowercase pairs (newlines, which it
// may add, are passed over).
std::vector<std::uint8_t> bytesOfHex(const std::string& hex) {
  std::vector<std::uint8_t> bytes;
  int high = -1;
  for (const char c : hex) {
    const int v = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
    if (v < 0) continue;
    if (high < 0) {
      high = v;
    } else {
      bytes.push_back(static_cast<std::uint8_t>(high * 16 + v));
      high = -1;
    }
  }
  return bytes;
}

std::int32_t toScore(const pqxx::field& f) { return static_cast<std::int32_t>(f.as<std::int64_t>()); }

User userOf(const pqxx::row& r) {
  return {r[0].as<std::int64_t>(), r[1].as<std::string>(), r[2].as<std::string>(),
          r[3].as<std::string>(), r[4].as<std::string>(), r[5].as<std::int64_t>(), r[6].as<bool>()};
}

// Never a password in an error text: the URL is cut to its host part.
std::string describe(const std::exception& e) { return std::string("postgresql: ") + e.what(); }

}  // namespace

namespace {

ConnectionPool<pqxx::connection> connectionsTo(const std::string& url, std::size_t connections) {
  // Open one at once, so that a wrong address is reported at start; a
  // connection the server closed while it waited is opened anew.
  try {
    return {connections, [url] { return std::make_unique<pqxx::connection>(url); }, 1,
            [](const pqxx::connection& c) { return c.is_open(); }};
  } catch (const std::exception& e) {
    throw StoreError(describe(e));
  }
}

}  // namespace

PostgresStore::PostgresStore(std::string url, std::string migrationsDir, std::size_t connections)
    : url_(std::move(url)), migrationsDir_(std::move(migrationsDir)), pool_(connectionsTo(url_, connections)) {}

PostgresStore::~PostgresStore() = default;

template <typename Work>
auto PostgresStore::run(Work work) {
  for (int attempt = 0;; ++attempt) {
    ConnectionPool<pqxx::connection>::Lease connection;
    try {
      connection = pool_.take();
      return work(*connection);
    } catch (const pqxx::in_doubt_error& e) {
      // The commit may or may not have happened: never do it twice.
      connection.discard();
      throw StoreError(describe(e));
    } catch (const pqxx::broken_connection& e) {
      connection.discard();
      if (attempt >= 1) throw StoreError(describe(e));
    } catch (const pqxx::sql_error& e) {
      throw StoreError(describe(e));
    } catch (const pqxx::failure& e) {
      connection.discard();
      if (attempt >= 1) throw StoreError(describe(e));
    }
  }
}

void PostgresStore::migrate() {
  const auto files = readMigrations(migrationsDir_);
  run([&](pqxx::connection& c) {
    pqxx::work w(c);
    // Instances that start together take turns.
    w.exec("SELECT pg_advisory_xact_lock(5837201)");
    w.exec("CREATE TABLE IF NOT EXISTS schema_migrations (name TEXT PRIMARY KEY, applied_at BIGINT NOT NULL)");
    for (const auto& [name, sql] : files) {
      if (!w.exec_params("SELECT 1 FROM schema_migrations WHERE name = $1", name).empty()) continue;
      w.exec(sql);
      w.exec_params("INSERT INTO schema_migrations (name, applied_at) VALUES ($1, "
                    "EXTRACT(EPOCH FROM now())::BIGINT)",
                    name);
    }
    w.commit();
    return 0;
  });
}

void PostgresStore::checkReady() {
  run([&](pqxx::connection& c) {
    pqxx::work w(c);  // never committed: the probe's row is rolled back
    w.exec("INSERT INTO schema_migrations (name, applied_at) VALUES (' ready probe ' || pg_backend_pid(), 0)");
    std::vector<std::string> applied;
    for (const auto& r : w.exec("SELECT name FROM schema_migrations")) applied.push_back(r[0].as<std::string>());
    const std::string missing = missingMigration(migrationsDir_, applied);
    if (!missing.empty()) throw StoreError("postgresql: migration " + missing + " is not applied");
    return 0;
  });
}

std::optional<User> PostgresStore::userByEmail(std::string_view emailKey) {
  return run([&](pqxx::connection& c) -> std::optional<User> {
    pqxx::read_transaction w(c);
    const auto r = w.exec_params(
        "SELECT id, email, nick, password_hash, referrer_key, created_at, confirmed_at IS NOT NULL FROM users WHERE email_key = $1",
        std::string(emailKey));
    if (r.empty()) return std::nullopt;
    return userOf(r[0]);
  });
}

bool PostgresStore::nickTaken(std::string_view nickKey) {
  return run([&](pqxx::connection& c) {
    pqxx::read_transaction w(c);
    return !w.exec_params("SELECT 1 FROM users WHERE nick_key = $1", std::string(nickKey)).empty();
  });
}

CreateOutcome PostgresStore::createUser(const NewUser& u) {
  return run([&](pqxx::connection& c) {
    pqxx::work w(c);
    const auto r = w.exec_params(
        "INSERT INTO users (email, email_key, nick, nick_key, password_hash, referrer_key, created_at, "
        "confirmed_at, confirm_hash) VALUES ($1, $2, $3, $4, $5, $6, $7::BIGINT, "
        "CASE WHEN $8::TEXT = '' THEN $7::BIGINT END, NULLIF($8::TEXT, '')) ON CONFLICT DO NOTHING RETURNING id",
        u.email, u.emailKey, u.nick, u.nickKey, u.passwordHash, u.referrerKey, u.createdAt, u.confirmHash);
    if (!r.empty()) {
      w.commit();
      return CreateOutcome::Created;
    }
    const bool emailTaken = !w.exec_params("SELECT 1 FROM users WHERE email_key = $1", u.emailKey).empty();
    return emailTaken ? CreateOutcome::EmailTaken : CreateOutcome::NickTaken;
  });
}

bool PostgresStore::setPasswordHash(std::int64_t userId, const std::string& hash) {
  return run([&](pqxx::connection& c) {
    pqxx::work w(c);
    const auto r = w.exec_params(
        "UPDATE users SET password_hash = $1, confirmed_at = COALESCE(confirmed_at, "
        "EXTRACT(EPOCH FROM now())::BIGINT), confirm_hash = NULL WHERE id = $2",
        hash, userId);
    w.exec_params("DELETE FROM reset_tokens WHERE user_id = $1", userId);
    w.commit();
    return r.affected_rows() > 0;
  });
}

std::optional<std::int64_t> PostgresStore::confirmAddress(const std::string& confirmHash, std::int64_t now) {
  return run([&](pqxx::connection& c) {
    pqxx::work w(c);
    const auto r = w.exec_params(
        "UPDATE users SET confirmed_at = $1, confirm_hash = NULL WHERE confirm_hash = $2 RETURNING id", now,
        confirmHash);
    w.commit();
    std::optional<std::int64_t> id;
    if (!r.empty()) id = r[0][0].as<std::int64_t>();
    return id;
  });
}

bool PostgresStore::removeUser(std::int64_t userId) {
  return run([&](pqxx::connection& c) {
    pqxx::work w(c);
    w.exec_params("DELETE FROM scores WHERE user_id = $1", userId);
    w.exec_params("DELETE FROM reset_tokens WHERE user_id = $1", userId);
    w.exec_params("DELETE FROM rejected WHERE user_id = $1", userId);
    w.exec_params("DELETE FROM replays WHERE user_id = $1", userId);
    const auto r = w.exec_params("DELETE FROM users WHERE id = $1", userId);
    w.commit();
    return r.affected_rows() > 0;
  });
}

std::vector<User> PostgresStore::users() {
  return run([&](pqxx::connection& c) {
    pqxx::read_transaction w(c);
    std::vector<User> all;
    for (const auto& row :
         w.exec("SELECT id, email, nick, password_hash, referrer_key, created_at, confirmed_at IS NOT NULL FROM users ORDER BY id"))
      all.push_back(userOf(row));
    return all;
  });
}

PreviousBests PostgresStore::addScore(const ScoreEntry& e) {
  return run([&](pqxx::connection& c) {
    pqxx::work w(c);
    // One player's submissions queue behind each other, so that two at once
    // cannot both count as the new best.
    w.exec_params("SELECT 1 FROM users WHERE id = $1 FOR UPDATE", e.userId);
    PreviousBests bests;
    if (!e.replaySha256.empty()) {
      // The first member to send a game owns it: a second insert waits for
      // the first to end and then sees its row.
      w.exec_params(
          "INSERT INTO replays (sha256, user_id, bytes, added_at) VALUES ($1, $2, decode($3, 'hex'), $4) "
          "ON CONFLICT (sha256) DO NOTHING",
          e.replaySha256, e.userId, hexOf(e.replay), e.at);
      const auto owner = w.exec_params("SELECT user_id FROM replays WHERE sha256 = $1", e.replaySha256);
      if (!owner.empty() && owner[0][0].as<std::int64_t>() != e.userId) {
        bests.replayTaken = true;
        return bests;  // rolled back
      }
    }
    const auto r = w.exec_params(
        "SELECT (SELECT MAX(score) FROM scores WHERE day = $1 AND user_id = $3), "
        "(SELECT MAX(score) FROM scores WHERE week = $2 AND user_id = $3)",
        e.day, e.week, e.userId);
    if (!r[0][0].is_null()) bests.day = toScore(r[0][0]);
    if (!r[0][1].is_null()) bests.week = toScore(r[0][1]);
    w.exec_params(
        "INSERT INTO scores (user_id, score, play_time, day, week, at, integrity, length, verified, replay_sha256) "
        "VALUES ($1, $2, $3, $4, $5, $6, $7, $8, $9, NULLIF($10, ''))",
        e.userId, e.score, e.playTime, e.day, e.week, e.at, std::int64_t{e.integrity}, std::int64_t{e.length},
        e.verified, e.replaySha256);
    w.commit();
    return bests;
  });
}

std::vector<StoredReplay> PostgresStore::replays() {
  return run([&](pqxx::connection& c) {
    pqxx::read_transaction w(c);
    std::vector<StoredReplay> all;
    for (const auto& r : w.exec("SELECT r.sha256, r.user_id, u.email, encode(r.bytes, 'hex'), r.added_at "
                                "FROM replays r JOIN users u ON u.id = r.user_id ORDER BY r.added_at, r.sha256"))
      all.push_back({r[0].as<std::string>(), r[1].as<std::int64_t>(), r[2].as<std::string>(),
                     bytesOfHex(r[3].as<std::string>()), r[4].as<std::int64_t>()});
    return all;
  });
}

std::vector<ScoreEntry> PostgresStore::scoresOf(std::int64_t userId) {
  return run([&](pqxx::connection& c) {
    pqxx::read_transaction w(c);
    std::vector<ScoreEntry> all;
    for (const auto& row : w.exec_params(
             "SELECT score, play_time, day, week, at, integrity, length, verified, COALESCE(replay_sha256, '') "
             "FROM scores WHERE user_id = $1 ORDER BY id",
             userId)) {
      ScoreEntry e;
      e.userId = userId;
      e.score = toScore(row[0]);
      e.playTime = static_cast<std::int32_t>(row[1].as<std::int64_t>());
      e.day = row[2].as<std::string>();
      e.week = row[3].as<std::string>();
      e.at = row[4].as<std::int64_t>();
      e.integrity = static_cast<std::uint32_t>(row[5].as<std::int64_t>());
      e.length = static_cast<std::uint32_t>(row[6].as<std::int64_t>());
      e.verified = row[7].as<bool>();
      e.replaySha256 = row[8].as<std::string>();
      all.push_back(std::move(e));
    }
    return all;
  });
}

void PostgresStore::addRejected(const RejectedAttempt& a) {
  run([&](pqxx::connection& c) {
    pqxx::work w(c);
    w.exec_params("INSERT INTO rejected (at, address, reason, email, user_id, score) VALUES ($1, $2, $3, $4, $5, $6)",
                  a.at, a.address, a.reason, a.email, a.userId, a.score);
    w.commit();
    return 0;
  });
}

std::vector<RejectedAttempt> PostgresStore::rejected(std::size_t limit) {
  return run([&](pqxx::connection& c) {
    pqxx::read_transaction w(c);
    std::vector<RejectedAttempt> all;
    for (const auto& r : w.exec_params(
             "SELECT at, address, reason, email, user_id, score FROM rejected ORDER BY id DESC LIMIT $1",
             static_cast<std::int64_t>(limit)))
      all.push_back({r[0].as<std::int64_t>(), r[1].as<std::string>(), r[2].as<std::string>(),
                     r[3].as<std::string>(), r[4].as<std::int64_t>(), toScore(r[5])});
    return all;
  });
}

std::vector<Ranked> PostgresStore::top(const char* column, const std::string& key, std::size_t limit, std::int64_t closes) {
  const std::string sql =
      std::string("SELECT nick, email, score, at, user_id, verified, replay_sha256 FROM (SELECT u.nick, u.email, "
                  "s.score, s.at, s.id AS score_id, s.user_id, s.verified, "
                  "COALESCE(s.replay_sha256, '') AS replay_sha256, "
                  "ROW_NUMBER() OVER (PARTITION BY s.user_id ORDER BY s.score DESC, s.id ASC) AS rn "
                  "FROM scores s JOIN users u ON u.id = s.user_id WHERE u.confirmed_at < $3") +
      (verifiedOnly_ ? " AND s.verified" : "") + " AND s." + column +
      " = $1) t WHERE rn = 1 ORDER BY score DESC, at ASC, score_id ASC LIMIT $2";
  return run([&](pqxx::connection& c) {
    pqxx::read_transaction w(c);
    std::vector<Ranked> list;
    for (const auto& r : w.exec_params(sql, key, static_cast<std::int64_t>(limit), closes))
      list.push_back({r[0].as<std::string>(), r[1].as<std::string>(), toScore(r[2]), r[3].as<std::int64_t>(),
                      r[4].as<std::int64_t>(), r[5].as<bool>(), r[6].as<std::string>()});
    return list;
  });
}

std::vector<Ranked> PostgresStore::topOfDay(const std::string& day, std::size_t limit, std::int64_t closes) {
  return top("day", day, limit, closes);
}

std::vector<Ranked> PostgresStore::topOfWeek(const std::string& week, std::size_t limit, std::int64_t closes) {
  return top("week", week, limit, closes);
}

std::vector<Referral> PostgresStore::referrals(std::size_t limit) {
  return run([&](pqxx::connection& c) {
    pqxx::read_transaction w(c);
    std::vector<Referral> list;
    for (const auto& r : w.exec_params(
             "SELECT r.nick, r.email, COUNT(*) FROM users u JOIN users r ON r.email_key = u.referrer_key "
             "WHERE u.referrer_key <> '' AND u.id <> r.id AND u.confirmed_at IS NOT NULL "
             "AND r.confirmed_at IS NOT NULL GROUP BY r.id, r.nick, r.email "
             "ORDER BY COUNT(*) DESC, r.id ASC LIMIT $1",
             static_cast<std::int64_t>(limit)))
      list.push_back({r[0].as<std::string>(), r[1].as<std::string>(), r[2].as<std::int64_t>()});
    return list;
  });
}

std::int64_t PostgresStore::addBuild(const Build& b) {
  return run([&](pqxx::connection& c) {
    pqxx::work w(c);
    const auto r = w.exec_params(
        "INSERT INTO builds (integrity, length, platform, version, file_name, added_at) "
        "VALUES ($1, $2, $3, $4, $5, $6) ON CONFLICT (integrity, length) DO UPDATE SET "
        "platform = excluded.platform, version = excluded.version, file_name = excluded.file_name RETURNING id",
        std::int64_t{b.integrity}, std::int64_t{b.length}, b.platform, b.version, b.fileName, b.addedAt);
    w.commit();
    return r[0][0].as<std::int64_t>();
  });
}

bool PostgresStore::removeBuild(std::int64_t id) {
  return run([&](pqxx::connection& c) {
    pqxx::work w(c);
    const auto r = w.exec_params("DELETE FROM builds WHERE id = $1", id);
    w.commit();
    return r.affected_rows() > 0;
  });
}

std::vector<Build> PostgresStore::builds() {
  return run([&](pqxx::connection& c) {
    pqxx::read_transaction w(c);
    std::vector<Build> all;
    for (const auto& r :
         w.exec("SELECT id, integrity, length, platform, version, file_name, added_at FROM builds ORDER BY id"))
      all.push_back({r[0].as<std::int64_t>(), static_cast<std::uint32_t>(r[1].as<std::int64_t>()),
                     static_cast<std::uint32_t>(r[2].as<std::int64_t>()), r[3].as<std::string>(),
                     r[4].as<std::string>(), r[5].as<std::string>(), r[6].as<std::int64_t>()});
    return all;
  });
}

void PostgresStore::addResetToken(std::int64_t userId, const std::string& tokenHash, std::int64_t createdAt,
                                  std::int64_t expiresAt) {
  run([&](pqxx::connection& c) {
    pqxx::work w(c);
    w.exec_params("INSERT INTO reset_tokens (token_hash, user_id, created_at, expires_at) VALUES ($1, $2, $3, $4)",
                  tokenHash, userId, createdAt, expiresAt);
    w.commit();
    return 0;
  });
}

std::optional<std::int64_t> PostgresStore::takeResetToken(const std::string& tokenHash, std::int64_t now) {
  return run([&](pqxx::connection& c) {
    pqxx::work w(c);
    const auto r = w.exec_params("DELETE FROM reset_tokens WHERE token_hash = $1 RETURNING user_id, expires_at",
                                 tokenHash);
    w.exec_params("DELETE FROM reset_tokens WHERE expires_at <= $1", now);
    w.commit();
    std::optional<std::int64_t> user;
    if (!r.empty() && r[0][1].as<std::int64_t>() > now) user = r[0][0].as<std::int64_t>();
    return user;
  });
}

void PostgresStore::dropResetToken(const std::string& tokenHash) {
  run([&](pqxx::connection& c) {
    pqxx::work w(c);
    w.exec_params("DELETE FROM reset_tokens WHERE token_hash = $1", tokenHash);
    w.commit();
  });
}

bool PostgresStore::resetTokenValid(const std::string& tokenHash, std::int64_t now) {
  return run([&](pqxx::connection& c) {
    pqxx::read_transaction w(c);
    return !w.exec_params("SELECT 1 FROM reset_tokens WHERE token_hash = $1 AND expires_at > $2", tokenHash, now)
                .empty();
  });
}

void PostgresStore::addSession(std::int64_t userId, const std::string& tokenHash, std::int64_t createdAt,
                               std::int64_t expiresAt) {
  run([&](pqxx::connection& c) {
    pqxx::work w(c);
    // Expired sessions go as new ones come.
    w.exec_params("DELETE FROM sessions WHERE expires_at <= $1", createdAt);
    w.exec_params("INSERT INTO sessions (token_hash, user_id, created_at, expires_at) VALUES ($1, $2, $3, $4)",
                  tokenHash, userId, createdAt, expiresAt);
    w.commit();
    return 0;
  });
}

std::optional<User> PostgresStore::sessionUser(const std::string& tokenHash, std::int64_t now) {
  return run([&](pqxx::connection& c) -> std::optional<User> {
    pqxx::read_transaction w(c);
    const auto r = w.exec_params(
        "SELECT u.id, u.email, u.nick, u.password_hash, u.referrer_key, u.created_at, u.confirmed_at IS NOT NULL "
        "FROM sessions s JOIN users u ON u.id = s.user_id WHERE s.token_hash = $1 AND s.expires_at > $2",
        tokenHash, now);
    if (r.empty()) return std::nullopt;
    return userOf(r[0]);
  });
}

void PostgresStore::dropSession(const std::string& tokenHash) {
  run([&](pqxx::connection& c) {
    pqxx::work w(c);
    w.exec_params("DELETE FROM sessions WHERE token_hash = $1", tokenHash);
    w.commit();
    return 0;
  });
}

std::int64_t PostgresStore::resetTokensSince(std::int64_t userId, std::int64_t since) {
  return run([&](pqxx::connection& c) {
    pqxx::read_transaction w(c);
    return w.exec_params("SELECT COUNT(*) FROM reset_tokens WHERE user_id = $1 AND created_at > $2", userId,
                         since)[0][0]
        .as<std::int64_t>();
  });
}

}  // namespace kortix
