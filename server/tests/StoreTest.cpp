// The store's contract, the same for SQLite and PostgreSQL.


#include "StoreFixture.h"
#include "storage/CachedStore.h"

namespace kortix::test {
namespace {

NewUser member(const std::string& name, const std::string& referrer = "") {
  NewUser u;
  u.email = name + "@example.se";
  u.emailKey = u.email;
  u.nick = name;
  u.nickKey = name;
  u.passwordHash = "hash-of-" + name;
  u.referrerKey = referrer;
  u.createdAt = 1000;
  return u;
}

ScoreEntry score(std::int64_t user, std::int32_t points, std::int64_t at, const std::string& day = "2026-12-08",
                 const std::string& week = "2026-W50") {
  return {user, points, 5000, day, week, at, 77, 5000, false, {}, {}};
}

using StoreContract = StoreTest;

TEST_P(StoreContract, MembersAreFoundByTheirKeyAndTakenAddressesOrNicksAreRefused) {
  EXPECT_EQ(store->createUser(member("anna")), CreateOutcome::Created);
  EXPECT_EQ(store->createUser(member("anna")), CreateOutcome::EmailTaken);
  NewUser sameNick = member("anna");
  sameNick.email = sameNick.emailKey = "other@example.se";
  EXPECT_EQ(store->createUser(sameNick), CreateOutcome::NickTaken);
  const auto anna = store->userByEmail("anna@example.se");
  ASSERT_TRUE(anna);
  EXPECT_EQ(anna->nick, "anna");
  EXPECT_EQ(anna->passwordHash, "hash-of-anna");
  EXPECT_FALSE(store->userByEmail("nobody@example.se"));
  EXPECT_TRUE(store->setPasswordHash(anna->id, "new"));
  EXPECT_EQ(store->userByEmail("anna@example.se")->passwordHash, "new");
  EXPECT_EQ(store->users().size(), 1u);
}

TEST_P(StoreContract, TextWithSqlAndHtmlIsStoredAsItIs) {
  NewUser evil = member("x");
  evil.email = evil.emailKey = "'); DROP TABLE users; --@example.se";
  evil.nick = evil.nickKey = "<script>alert('å')</script>";
  ASSERT_EQ(store->createUser(evil), CreateOutcome::Created);
  const auto found = store->userByEmail(evil.emailKey);
  ASSERT_TRUE(found);
  EXPECT_EQ(found->nick, evil.nick);
  EXPECT_EQ(store->users().size(), 1u);
}

TEST_P(StoreContract, ListsRankEachMembersBestOnceAndTiesGoToWhoReachedItFirst) {
  store->createUser(member("anna"));
  store->createUser(member("bert"));
  store->createUser(member("cilla"));
  const auto a = store->userByEmail("anna@example.se")->id;
  const auto b = store->userByEmail("bert@example.se")->id;
  const auto c = store->userByEmail("cilla@example.se")->id;
  PreviousBests first = store->addScore(score(a, 300, 100));
  EXPECT_FALSE(first.day);
  EXPECT_FALSE(first.week);
  const PreviousBests second = store->addScore(score(a, 500, 200));
  EXPECT_EQ(second.day, 300);
  EXPECT_EQ(second.week, 300);
  store->addScore(score(b, 500, 150));  // the same 500, reached earlier
  store->addScore(score(c, 100, 50));
  store->addScore(score(c, 900, 60, "2026-12-07", "2026-W50"));  // yesterday, same week

  const auto day = store->topOfDay("2026-12-08", 10);
  ASSERT_EQ(day.size(), 3u);
  EXPECT_EQ(day[0].nick, "bert");
  EXPECT_EQ(day[0].score, 500);
  EXPECT_EQ(day[1].nick, "anna");
  EXPECT_EQ(day[1].score, 500);
  EXPECT_EQ(day[2].nick, "cilla");
  EXPECT_EQ(day[2].score, 100);
  const auto week = store->topOfWeek("2026-W50", 2);
  ASSERT_EQ(week.size(), 2u);
  EXPECT_EQ(week[0].nick, "cilla");
  EXPECT_EQ(week[0].score, 900);
  EXPECT_TRUE(store->topOfDay("2026-12-09", 10).empty());
}

TEST_P(StoreContract, RemovingAMemberTakesTheirScoresOffTheLists) {
  store->createUser(member("anna"));
  store->createUser(member("bert"));
  const auto a = store->userByEmail("anna@example.se")->id;
  const auto b = store->userByEmail("bert@example.se")->id;
  store->addScore(score(a, 300, 100));
  store->addScore(score(b, 200, 100));
  store->addRejected({100, "10.0.0.1", "tampered", "anna@example.se", a, -5});
  store->addResetToken(a, "h", 100, 200);
  EXPECT_TRUE(store->removeUser(a));
  EXPECT_FALSE(store->removeUser(a));
  EXPECT_FALSE(store->userByEmail("anna@example.se"));
  const auto day = store->topOfDay("2026-12-08", 10);
  ASSERT_EQ(day.size(), 1u);
  EXPECT_EQ(day[0].nick, "bert");
  EXPECT_TRUE(store->rejected(10).empty());
  // A new member with the old address starts from nothing.
  ASSERT_EQ(store->createUser(member("anna")), CreateOutcome::Created);
  EXPECT_FALSE(store->addScore(score(store->userByEmail("anna@example.se")->id, 1, 300)).day);
}

TEST_P(StoreContract, ReferralsCountMembersWhoNamedAMember) {
  store->createUser(member("anna"));
  store->createUser(member("bert", "anna@example.se"));
  store->createUser(member("cilla", "anna@example.se"));
  store->createUser(member("david", "bert@example.se"));
  store->createUser(member("erik", "stranger@example.se"));  // not a member: no bonus
  const auto list = store->referrals(10);
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0].nick, "anna");
  EXPECT_EQ(list[0].count, 2);
  EXPECT_EQ(list[1].nick, "bert");
  EXPECT_EQ(list[1].count, 1);
}

TEST_P(StoreContract, BuildsAreKeyedByTheirFactsAndCanBeReplacedOrRemoved) {
  const auto id = store->addBuild({0, 111, 5000, "windows", "1.0", "Vilmar.exe", 10});
  EXPECT_GT(id, 0);
  EXPECT_EQ(store->addBuild({0, 111, 5000, "windows", "1.0.1", "Vilmar.exe", 20}), id);
  store->addBuild({0, 222, 6000, "windows", "1.1", "Vilmar.exe", 30});
  auto all = store->builds();
  ASSERT_EQ(all.size(), 2u);
  EXPECT_EQ(all[0].version, "1.0.1");
  EXPECT_EQ(all[1].integrity, 222u);
  EXPECT_TRUE(store->removeBuild(id));
  EXPECT_FALSE(store->removeBuild(id));
  EXPECT_EQ(store->builds().size(), 1u);
  // Facts above 2^31 survive (they are unsigned 32-bit in the form).
  store->addBuild({0, 4000000000u, 4000000001u, "windows", "2.0", "V.exe", 40});
  EXPECT_EQ(store->builds().back().integrity, 4000000000u);
  EXPECT_EQ(store->builds().back().length, 4000000001u);
}

TEST_P(StoreContract, ResetTokensWorkOnceAndOnlyUntilTheyExpire) {
  store->createUser(member("anna"));
  const auto a = store->userByEmail("anna@example.se")->id;
  store->addResetToken(a, "once", 1000, 4600);
  store->addResetToken(a, "late", 1000, 4600);
  EXPECT_EQ(store->resetTokensSince(a, 999), 2);
  EXPECT_EQ(store->resetTokensSince(a, 1000), 0);
  // Looking does not use a token up; taking it does.
  EXPECT_TRUE(store->resetTokenValid("once", 2000));
  EXPECT_TRUE(store->resetTokenValid("once", 2000));
  EXPECT_FALSE(store->resetTokenValid("once", 4600));
  EXPECT_FALSE(store->resetTokenValid("unknown", 2000));
  EXPECT_EQ(store->takeResetToken("once", 2000), a);
  EXPECT_FALSE(store->resetTokenValid("once", 2000));
  EXPECT_FALSE(store->takeResetToken("once", 2000));
  EXPECT_FALSE(store->takeResetToken("late", 4600));
  EXPECT_FALSE(store->takeResetToken("unknown", 2000));
}

TEST_P(StoreContract, MigratingTwiceChangesNothing) {
  store->createUser(member("anna"));
  store->migrate();
  EXPECT_TRUE(store->userByEmail("anna@example.se"));
}

INSTANTIATE_TEST_SUITE_P(Sqlite, StoreContract, ::testing::Values("sqlite"), storeName);
INSTANTIATE_TEST_SUITE_P(Postgres, StoreContract, ::testing::Values("postgresql"), storeName);

TEST(OpenStore, RefusesAnUnknownDatabaseAndAnUnreachableOne) {
  EXPECT_THROW(openStore("mysql://x", KORTIX_MIGRATIONS), StoreError);
  EXPECT_THROW(openStore("sqlite:", KORTIX_MIGRATIONS), StoreError);
  EXPECT_THROW(openStore("sqlite:/nonexistent/dir/k.db", KORTIX_MIGRATIONS), StoreError);
  EXPECT_THROW(openStore("postgresql://nobody@127.0.0.1:1/none?connect_timeout=2", KORTIX_MIGRATIONS), StoreError);
  auto store = openStore(freshDatabase("sqlite"), "/nonexistent");
  EXPECT_THROW(store->migrate(), StoreError);
}

}  // namespace
}  // namespace kortix::test

namespace kortix::test {
namespace {

// The cache's clock in the next test: moved by hand, so a loaded machine
// cannot expire a list early.
std::chrono::steady_clock::time_point cacheClock;

TEST(CachedStore, ListsComeFromTheCacheUntilAWriteOrTheTimeToLive) {
  const std::string database = freshDatabase("sqlite");
  auto direct = openStore(database, KORTIX_MIGRATIONS);
  direct->migrate();
  CachedStore cached(openStore(database, KORTIX_MIGRATIONS), std::chrono::milliseconds(300),
                     [] { return cacheClock; });
  cached.createUser(member("anna"));
  const auto anna = cached.userByEmail("anna@example.se")->id;
  EXPECT_TRUE(cached.topOfDay("2026-12-08", 10).empty());
  // Its own write shows at once.
  cached.addScore(score(anna, 100, 1));
  ASSERT_EQ(cached.topOfDay("2026-12-08", 10).size(), 1u);
  // Another instance's write shows once the cached list has expired.
  direct->createUser(member("bert"));
  direct->addScore(score(direct->userByEmail("bert@example.se")->id, 200, 2));
  EXPECT_EQ(cached.topOfDay("2026-12-08", 10).size(), 1u);
  EXPECT_EQ(cached.topOfDay("2026-12-08", 1).at(0).nick, "bert");  // another length is another entry
  cacheClock += std::chrono::milliseconds(299);
  EXPECT_EQ(cached.topOfDay("2026-12-08", 10).size(), 1u);
  cacheClock += std::chrono::milliseconds(1);
  EXPECT_EQ(cached.topOfDay("2026-12-08", 10).size(), 2u);
  // Removing a member is a write too.
  cached.removeUser(anna);
  EXPECT_EQ(cached.topOfDay("2026-12-08", 10).size(), 1u);
}

}  // namespace
}  // namespace kortix::test
