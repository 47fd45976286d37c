// The verification slots: served in order, taking turns between senders,
// and only a full queue turns anyone away.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

#include "domain/PasswordHasher.h"

namespace kortix::test {
namespace {

using namespace std::chrono_literals;

// Starts a waiter and returns once it stands in the queue.
void queueUp(FairSlots& slots, std::vector<std::thread>& threads, std::mutex& m, std::vector<std::string>& served,
             const std::string& address, const std::string& name) {
  const std::size_t before = slots.waiting();
  threads.emplace_back([&slots, &m, &served, address, name] {
    if (!slots.acquire(address)) return;
    {
      std::lock_guard lock(m);
      served.push_back(name);
    }
    slots.release();
  });
  while (slots.waiting() == before) std::this_thread::sleep_for(1ms);
}

TEST(FairSlots, WaitersAreServedInOrderTakingTurnsBetweenSenders) {
  FairSlots slots(1, {16, 16, 10s});
  ASSERT_TRUE(slots.acquire("holder"));
  std::vector<std::thread> threads;
  std::mutex m;
  std::vector<std::string> served;
  // One busy sender queues first, then two others arrive.
  for (const char* name : {"a1", "a2", "a3"}) queueUp(slots, threads, m, served, "10.0.0.1", name);
  queueUp(slots, threads, m, served, "10.0.0.2", "b1");
  queueUp(slots, threads, m, served, "10.0.0.3", "c1");
  queueUp(slots, threads, m, served, "10.0.0.2", "b2");
  slots.release();
  for (auto& t : threads) t.join();
  EXPECT_EQ(served, (std::vector<std::string>{"a1", "b1", "c1", "a2", "b2", "a3"}));
  EXPECT_EQ(slots.waiting(), 0u);
}

TEST(FairSlots, OnlyAFullQueueOrOneSendersFullShareShedsLoad) {
  FairSlots slots(1, {3, 2, 10s});
  ASSERT_TRUE(slots.acquire("holder"));
  std::vector<std::thread> threads;
  std::mutex m;
  std::vector<std::string> served;
  queueUp(slots, threads, m, served, "10.0.0.1", "a1");
  queueUp(slots, threads, m, served, "10.0.0.1", "a2");
  EXPECT_FALSE(slots.acquire("10.0.0.1"));  // that sender's share is full
  queueUp(slots, threads, m, served, "10.0.0.2", "b1");
  EXPECT_FALSE(slots.acquire("10.0.0.3"));  // the whole queue is full
  slots.release();
  for (auto& t : threads) t.join();
  EXPECT_EQ(served.size(), 3u);
  // Free again: taken at once.
  EXPECT_TRUE(slots.acquire("10.0.0.3"));
  slots.release();
}

TEST(FairSlots, AWaiterWhoseTimeRunsOutLeavesTheQueueWhole) {
  FairSlots slots(1, {8, 8, 50ms});
  ASSERT_TRUE(slots.acquire("holder"));
  EXPECT_FALSE(slots.acquire("10.0.0.1"));
  EXPECT_EQ(slots.waiting(), 0u);
  slots.release();
  EXPECT_TRUE(slots.acquire("10.0.0.1"));
  slots.release();
}

TEST(FairSlots, ManyThreadsNeverHoldMoreSlotsThanThereAre) {
  FairSlots slots(2, {64, 64, 10s});
  std::atomic<int> inside{0}, most{0};
  std::vector<std::thread> threads;
  for (int i = 0; i < 32; ++i)
    threads.emplace_back([&, i] {
      for (int k = 0; k < 20; ++k) {
        ASSERT_TRUE(slots.acquire("10.0.0." + std::to_string(i % 4)));
        const int now = ++inside;
        int seen = most.load();
        while (now > seen && !most.compare_exchange_weak(seen, now)) {
        }
        --inside;
        slots.release();
      }
    });
  for (auto& t : threads) t.join();
  EXPECT_LE(most.load(), 2);
  EXPECT_EQ(slots.waiting(), 0u);
}

}  // namespace
}  // namespace kortix::test
