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

}  // namespace

PasswordHasher::PasswordHasher(HashCost cost, int parallel, std::chrono::milliseconds wait)
    : opsLimit_(cost == HashCost::Interactive ? crypto_pwhash_OPSLIMIT_INTERACTIVE : crypto_pwhash_OPSLIMIT_MIN),
      memLimit_(cost == HashCost::Interactive ? crypto_pwhash_MEMLIMIT_INTERACTIVE : crypto_pwhash_MEMLIMIT_MIN),
      slots_(std::clamp(parallel, 1, 64)),
      wait_(wait) {
  initSodium();
}

std::string PasswordHasher::hash(std::string_view password) const {
  char out[crypto_pwhash_STRBYTES];
  if (crypto_pwhash_str_alg(out, password.data(), password.size(), opsLimit_, memLimit_,
                            crypto_pwhash_ALG_ARGON2ID13) != 0)
    throw std::runtime_error("out of memory while hashing a password");
  return out;
}

std::optional<bool> PasswordHasher::verify(const std::string& hash, std::string_view password) {
  if (!slots_.try_acquire_for(wait_)) return std::nullopt;
  const bool match = crypto_pwhash_str_verify(hash.c_str(), password.data(), password.size()) == 0;
  slots_.release();
  return match;
}

}  // namespace kortix
