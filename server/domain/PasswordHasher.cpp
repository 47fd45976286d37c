#include "domain/PasswordHasher.h"

#include <sodium.h>

#include <algorithm>
#include <stdexcept>

namespace kortix {

namespace {

void initSodium() {
  static const int ready = sodium_init();
  if (ready < 0) throw std::runtime_error("libsodium cannot start");
}

// Gives the slot back however the work ends.
struct SlotHeld {
  FairSlots& slots;
  ~SlotHeld() { slots.release(); }
};

}  // namespace

FairSlots::FairSlots(int slots, SlotQueueLimits limits) : free_(std::clamp(slots, 1, 64)), limits_(limits) {}

bool FairSlots::acquire(std::string_view address) {
  std::unique_lock lock(mutex_);
  if (free_ > 0 && waiting_ == 0) {
    --free_;
    return true;
  }
  const std::string key(address);
  auto found = senders_.find(key);
  if (waiting_ >= limits_.waiters || (found != senders_.end() && found->second.waiters.size() >= limits_.perAddress))
    return false;
  if (found == senders_.end()) {
    found = senders_.emplace(key, Sender{}).first;
    found->second.turn = turns_.insert(turns_.end(), key);
  }
  Waiter me;
  found->second.waiters.push_back(&me);
  ++waiting_;
  if (me.wake.wait_for(lock, limits_.wait, [&] { return me.granted; })) return true;
  // Out of time: leave the queue (release() never hands a slot to a waiter
  // that is no longer in it).
  const auto it = senders_.find(key);
  auto& queue = it->second.waiters;
  queue.erase(std::find(queue.begin(), queue.end(), &me));
  --waiting_;
  if (queue.empty()) {
    turns_.erase(it->second.turn);
    senders_.erase(it);
  }
  return false;
}

void FairSlots::release() {
  std::lock_guard lock(mutex_);
  if (turns_.empty()) {
    ++free_;
    return;
  }
  const std::string key = turns_.front();
  turns_.pop_front();
  const auto it = senders_.find(key);
  Waiter* next = it->second.waiters.front();
  it->second.waiters.pop_front();
  --waiting_;
  if (it->second.waiters.empty()) senders_.erase(it);
  else it->second.turn = turns_.insert(turns_.end(), key);  // its next waiter goes to the back of the round
  next->granted = true;
  next->wake.notify_one();
}

std::size_t FairSlots::waiting() const {
  std::lock_guard lock(mutex_);
  return waiting_;
}

PasswordHasher::PasswordHasher(HashCost cost, int parallel, SlotQueueLimits queue)
    : opsLimit_(cost == HashCost::Interactive ? crypto_pwhash_OPSLIMIT_INTERACTIVE : crypto_pwhash_OPSLIMIT_MIN),
      memLimit_(cost == HashCost::Interactive ? crypto_pwhash_MEMLIMIT_INTERACTIVE : crypto_pwhash_MEMLIMIT_MIN),
      slots_(parallel, queue) {
  initSodium();
  unsigned char random[16];
  randombytes_buf(random, sizeof random);
  dummy_ = hashNow(std::string_view(reinterpret_cast<const char*>(random), sizeof random));
}

std::string PasswordHasher::hashNow(std::string_view password) const {
  char out[crypto_pwhash_STRBYTES];
  if (crypto_pwhash_str_alg(out, password.data(), password.size(), opsLimit_, memLimit_,
                            crypto_pwhash_ALG_ARGON2ID13) != 0)
    throw std::runtime_error("out of memory while hashing a password");
  return out;
}

std::optional<std::string> PasswordHasher::hash(std::string_view password, std::string_view address) {
  if (!slots_.acquire(address)) return std::nullopt;
  SlotHeld held{slots_};
  return hashNow(password);
}

std::optional<bool> PasswordHasher::verify(const std::string& hash, std::string_view password,
                                           std::string_view address) {
  if (!slots_.acquire(address)) return std::nullopt;
  SlotHeld held{slots_};
  return crypto_pwhash_str_verify(hash.c_str(), password.data(), password.size()) == 0;
}

}  // namespace kortix
