#pragma once
// The lists every page shows, kept for a moment: a busy front page reads the
// database once a second instead of on every request. Every write through
// this store clears the cache at once, so this instance never shows a list
// older than its own last write; writes by other instances on the same
// database show within the time to live.

#include <chrono>
#include <map>
#include <mutex>

#include "storage/Store.h"

namespace kortix {

class CachedStore final : public Store {
 private:
  using Clock = std::chrono::steady_clock;
  template <typename T>
  struct Entry {
    Clock::time_point at;
    std::uint64_t generation = 0;
    T value;
  };
  template <typename T>
  using Table = std::map<std::pair<std::string, std::size_t>, Entry<T>>;

  template <typename Write>
  auto write(Write w) {
    auto result = w();
    std::lock_guard lock(mutex_);
    ++generation_;
    days_.clear();
    weeks_.clear();
    referrals_.clear();
    builds_.clear();
    return result;
  }

  template <typename T, typename Load>
  T cached(Table<T>& table, const std::string& key, std::size_t limit, Load load) {
    const auto now = now_();
    std::uint64_t generation = 0;
    {
      std::lock_guard lock(mutex_);
      const auto it = table.find({key, limit});
      if (it != table.end() && now - it->second.at < ttl_) return it->second.value;
      generation = generation_;
    }
    T value = load();
    std::lock_guard lock(mutex_);
    // A write that came in while loading may have made the value stale.
    if (generation == generation_) {
      if (table.size() > 1000) table.clear();  // many different days asked for: start over
      table[{key, limit}] = {now, generation, value};
    }
    return value;
  }


 public:
  using Now = Clock::time_point (*)();
  // `now` is the clock the time to live is counted on (a test sets its own).
  CachedStore(std::unique_ptr<Store> inner, std::chrono::milliseconds ttl, Now now = &Clock::now)
      : inner_(std::move(inner)), ttl_(ttl), now_(now) {}

  void migrate() override { inner_->migrate(); }
  void checkReady() override { inner_->checkReady(); }
  std::optional<User> userByEmail(std::string_view emailKey) override { return inner_->userByEmail(emailKey); }
  bool nickTaken(std::string_view nickKey) override { return inner_->nickTaken(nickKey); }
  CreateOutcome createUser(const NewUser& user) override { return write([&] { return inner_->createUser(user); }); }
  bool setPasswordHash(std::int64_t userId, const std::string& hash) override {
    return write([&] { return inner_->setPasswordHash(userId, hash); });
  }
  std::optional<std::int64_t> confirmAddress(const std::string& confirmHash, std::int64_t now) override {
    return write([&] { return inner_->confirmAddress(confirmHash, now); });
  }
  bool removeUser(std::int64_t userId) override { return write([&] { return inner_->removeUser(userId); }); }
  std::vector<User> users() override { return inner_->users(); }
  PreviousBests addScore(const ScoreEntry& entry) override { return write([&] { return inner_->addScore(entry); }); }
  std::vector<ScoreEntry> scoresOf(std::int64_t userId) override { return inner_->scoresOf(userId); }
  std::vector<StoredReplay> replays() override { return inner_->replays(); }
  void addRejected(const RejectedAttempt& attempt) override { inner_->addRejected(attempt); }
  std::vector<RejectedAttempt> rejected(std::size_t limit) override { return inner_->rejected(limit); }
  std::vector<Ranked> topOfDay(const std::string& day, std::size_t limit,
                               std::int64_t closes = NEVER_CLOSES) override {
    return cached(days_, day + "@" + std::to_string(closes), limit,
                  [&] { return inner_->topOfDay(day, limit, closes); });
  }
  std::vector<Ranked> topOfWeek(const std::string& week, std::size_t limit,
                                std::int64_t closes = NEVER_CLOSES) override {
    return cached(weeks_, week + "@" + std::to_string(closes), limit,
                  [&] { return inner_->topOfWeek(week, limit, closes); });
  }
  std::vector<Referral> referrals(std::size_t limit) override {
    return cached(referrals_, "", limit, [&] { return inner_->referrals(limit); });
  }
  void listVerifiedOnly(bool on) override {
    inner_->listVerifiedOnly(on);
    write([] { return 0; });  // lists kept from before count no more
  }
  std::int64_t addBuild(const Build& build) override { return write([&] { return inner_->addBuild(build); }); }
  bool removeBuild(std::int64_t id) override { return write([&] { return inner_->removeBuild(id); }); }
  std::vector<Build> builds() override {
    return cached(builds_, "", 0, [&] { return inner_->builds(); });
  }
  void addResetToken(std::int64_t userId, const std::string& tokenHash, std::int64_t createdAt,
                     std::int64_t expiresAt) override {
    inner_->addResetToken(userId, tokenHash, createdAt, expiresAt);
  }
  std::optional<std::int64_t> takeResetToken(const std::string& tokenHash, std::int64_t now) override {
    return inner_->takeResetToken(tokenHash, now);
  }
  void dropResetToken(const std::string& tokenHash) override { inner_->dropResetToken(tokenHash); }
  bool resetTokenValid(const std::string& tokenHash, std::int64_t now) override {
    return inner_->resetTokenValid(tokenHash, now);
  }
  void addSession(std::int64_t userId, const std::string& tokenHash, std::int64_t createdAt,
                  std::int64_t expiresAt) override {
    inner_->addSession(userId, tokenHash, createdAt, expiresAt);
  }
  std::optional<User> sessionUser(const std::string& tokenHash, std::int64_t now) override {
    return inner_->sessionUser(tokenHash, now);
  }
  void dropSession(const std::string& tokenHash) override { inner_->dropSession(tokenHash); }
  std::int64_t resetTokensSince(std::int64_t userId, std::int64_t since) override {
    return inner_->resetTokensSince(userId, since);
  }

 private:
  std::unique_ptr<Store> inner_;
  std::chrono::milliseconds ttl_;
  Now now_;
  std::mutex mutex_;
  std::uint64_t generation_ = 0;
  Table<std::vector<Ranked>> days_, weeks_;
  Table<std::vector<Referral>> referrals_;
  Table<std::vector<Build>> builds_;
};

}  // namespace kortix
