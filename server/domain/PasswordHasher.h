#pragma once
// Passwords are kept only as Argon2id hashes (libsodium's encoded form, which
// carries its own cost, so the cost can change without breaking old hashes).
// Every hash and verification runs in one of a few slots: a flood of guesses
// or of registrations queues here instead of taking every thread and all the
// memory from the pages. Waiters are served first come, first served, taking
// turns between sender addresses, so one sender cannot crowd out the rest;
// only a full queue turns anyone away.

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <list>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace kortix {

enum class HashCost {
  Interactive,  // libsodium's interactive limits: the service's default
  Minimal,      // the least libsodium allows: for tests only
};

struct SlotQueueLimits {
  std::size_t waiters = 96;      // waiting in all; more are answered "busy"
  std::size_t perAddress = 32;   // waiting from one sender address
  // The game gives up on its reply after 30 s; a waiter gets its turn or its
  // "busy" well before that, with time left for the work itself.
  std::chrono::milliseconds wait = std::chrono::seconds(25);
};

// Counted slots handed out in turn: FIFO within one sender address,
// round-robin between addresses.
class FairSlots {
 public:
  FairSlots(int slots, SlotQueueLimits limits);
  FairSlots(const FairSlots&) = delete;
  FairSlots& operator=(const FairSlots&) = delete;

  // A slot for the sender, or false when the queue is full or the wait ran out.
  bool acquire(std::string_view address);
  void release();

  // Waiting now (for tests and figures).
  std::size_t waiting() const;

 private:
  struct Waiter {
    bool granted = false;
    std::condition_variable wake;
  };
  struct Sender {
    std::deque<Waiter*> waiters;
    std::list<std::string>::iterator turn;  // its place in turns_
  };

  mutable std::mutex mutex_;
  int free_;
  SlotQueueLimits limits_;
  std::size_t waiting_ = 0;
  std::unordered_map<std::string, Sender> senders_;
  std::list<std::string> turns_;  // addresses with waiters, next to be served first
};

class PasswordHasher {
 public:
  explicit PasswordHasher(HashCost cost = HashCost::Interactive, int parallel = 2, SlotQueueLimits queue = {});

  // The hash of a new password, or nothing when no slot came free in time
  // (the caller answers "busy").
  std::optional<std::string> hash(std::string_view password, std::string_view address = {});
  // Whether the password matches; nothing when no slot came free in time.
  std::optional<bool> verify(const std::string& hash, std::string_view password, std::string_view address = {});
  // A hash of no one's password at the current cost: checking an unknown
  // address against it costs what checking a member does.
  const std::string& dummyHash() const { return dummy_; }

  FairSlots& slots() { return slots_; }

 private:
  std::string hashNow(std::string_view password) const;

  unsigned long long opsLimit_;
  std::size_t memLimit_;
  FairSlots slots_;
  std::string dummy_;
};

}  // namespace kortix
