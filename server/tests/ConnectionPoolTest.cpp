// The connection pool both stores share: the bound holds under many threads,
// a broken or failed connection neither returns nor costs a slot, and
// closing lets no caller hang.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <future>
#include <stdexcept>
#include <thread>
#include <vector>

#include "storage/ConnectionPool.h"

namespace kortix::test {
namespace {

struct Tally {
  std::atomic<int> opened{0}, closed{0}, inUse{0}, failOpens{0};
};
struct Fake {
  Tally* tally;
  int number;
  bool open = true;
};
struct CloseFake {
  void operator()(Fake* c) const {
    ++c->tally->closed;
    delete c;
  }
};
using Pool = ConnectionPool<Fake, CloseFake>;

Pool::Opener opener(Tally& t) {
  return [&t] {
    if (t.failOpens-- > 0) throw std::runtime_error("cannot connect");
    return Pool::Handle(new Fake{&t, ++t.opened});
  };
}

// Fails instead of hanging the test run when the pool loses a slot.
template <typename What>
void within(What what) {
  auto done = std::async(std::launch::async, what);
  if (done.wait_for(std::chrono::seconds(10)) == std::future_status::ready) return done.get();
  ADD_FAILURE() << "still waiting for a connection after 10 s";
  std::abort();  // the waiting thread cannot be joined
}

TEST(ConnectionPool, NeverLendsMoreThanItsSizeAndReusesWhatItOpened) {
  Tally t;
  {
    Pool pool(3, opener(t));
    within([&] {
      std::vector<std::thread> threads;
      for (int n = 0; n < 12; ++n)
        threads.emplace_back([&] {
          for (int i = 0; i < 300; ++i) {
            auto lease = pool.take();
            EXPECT_LE(++t.inUse, 3);
            std::this_thread::yield();
            --t.inUse;
          }
        });
      for (auto& thread : threads) thread.join();
    });
    EXPECT_LE(t.opened, 3);
    EXPECT_EQ(t.closed, 0);
  }
  EXPECT_EQ(t.closed, t.opened) << "the pool closes every connection it opened";
}

TEST(ConnectionPool, BrokenOrFailedConnectionsAreNeverLentAndKeepTheirSlot) {
  Tally t;
  Pool pool(1, opener(t), 1, [](const Fake& c) { return c.open; });
  within([&] {
    auto lease = pool.take();
    const int first = lease->number;
    lease.discard();
    lease = {};
    lease = pool.take();
    EXPECT_NE(lease->number, first);
    EXPECT_EQ(t.closed, 1);
    lease->open = false;  // the server went away while it waited in the pool
    const int second = lease->number;
    lease = {};
    t.failOpens = 3;
    for (int i = 0; i < 3; ++i) EXPECT_THROW(pool.take(), std::runtime_error);
    EXPECT_NE(pool.take()->number, second);
  });
  EXPECT_EQ(t.closed, 2);
  EXPECT_EQ(t.opened, 3);
}

TEST(ConnectionPool, ClosingWakesWaitersAndClosesLentConnectionsWhenTheyReturn) {
  Tally t;
  Pool pool(1, opener(t), 1);
  auto held = std::make_unique<Pool::Lease>(pool.take());
  auto waiter = std::async(std::launch::async, [&] { return pool.take(); });
  EXPECT_EQ(waiter.wait_for(std::chrono::milliseconds(50)), std::future_status::timeout) << "the pool is full";
  pool.close();
  ASSERT_EQ(waiter.wait_for(std::chrono::seconds(10)), std::future_status::ready);
  EXPECT_THROW(waiter.get(), StoreError);
  EXPECT_THROW(pool.take(), StoreError);
  EXPECT_EQ(t.closed, 0) << "a lent connection stays open while in use";
  held.reset();
  EXPECT_EQ(t.closed, 1);
}

}  // namespace
}  // namespace kortix::test
