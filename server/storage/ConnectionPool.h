#pragma once
// A bounded pool of database connections shared by the threads of the
// service. At most `size` connections exist; a caller waits while all are
// lent out. A slot without a connection (never opened, or given up because
// it broke) is opened by whoever takes it, outside the lock, so a slow
// database holds up only that caller. A connection reported broken is closed
// when its lease ends and never lent again.

#include <condition_variable>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

#include "storage/Store.h"

namespace kortix {

template <typename Connection, typename Close = std::default_delete<Connection>>
class ConnectionPool {
 public:
  using Handle = std::unique_ptr<Connection, Close>;
  using Opener = std::function<Handle()>;
  // Whether a connection that waited in the pool can still be used.
  using Check = std::function<bool(const Connection&)>;

  // One connection borrowed for one call; given back when it ends (a thread
  // gives its lease back before it takes another, or a full pool waits on it).
  class Lease {
   public:
    Lease() = default;
    Lease(Lease&& other) noexcept
        : pool_(std::exchange(other.pool_, nullptr)), connection_(std::move(other.connection_)),
          broken_(other.broken_) {}
    Lease& operator=(Lease&& other) noexcept {
      if (this != &other) {
        giveBack();
        pool_ = std::exchange(other.pool_, nullptr);
        connection_ = std::move(other.connection_);
        broken_ = other.broken_;
      }
      return *this;
    }
    Lease(const Lease&) = delete;
    Lease& operator=(const Lease&) = delete;
    ~Lease() { giveBack(); }

    Connection& operator*() const { return *connection_; }
    Connection* operator->() const { return connection_.get(); }
    Connection* get() const { return connection_.get(); }
    // The connection failed in use: it is closed instead of given back, and
    // the next caller opens a new one in its place.
    void discard() { broken_ = true; }

   private:
    friend class ConnectionPool;
    Lease(ConnectionPool* pool, Handle connection) : pool_(pool), connection_(std::move(connection)) {}
    void giveBack() {
      if (pool_) std::exchange(pool_, nullptr)->giveBack(std::move(connection_), broken_);
    }

    ConnectionPool* pool_ = nullptr;
    Handle connection_;
    bool broken_ = false;
  };

  // Opens `openNow` connections at once, so that a wrong address or file is
  // reported at start; the rest when first needed.
  ConnectionPool(std::size_t size, Opener open, std::size_t openNow = 0, Check usable = {})
      : open_(std::move(open)), usable_(std::move(usable)) {
    if (size == 0) size = 1;
    idle_.resize(size);
    for (std::size_t i = 0; i < openNow && i < size; ++i) idle_[i] = open_();
  }

  // Waits for every lease to come back, then closes all connections.
  ~ConnectionPool() {
    close();
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return lent_ == 0; });
  }
  ConnectionPool(const ConnectionPool&) = delete;
  ConnectionPool& operator=(const ConnectionPool&) = delete;

  // A connection, opened now if its slot has none; waits while all are lent.
  // Throws what opening throws (the slot stays free for the next caller), and
  // StoreError once the pool is closed.
  Lease take() {
    Handle connection;
    {
      std::unique_lock lock(mutex_);
      changed_.wait(lock, [&] { return closed_ || !idle_.empty(); });
      if (closed_) throw StoreError("the store is closing");
      connection = std::move(idle_.back());
      idle_.pop_back();
      ++lent_;
    }
    Lease lease(this, nullptr);
    if (connection && usable_ && !usable_(*connection)) connection.reset();
    if (!connection) lease.connection_ = open_();  // on a throw the lease gives the empty slot back
    else lease.connection_ = std::move(connection);
    return lease;
  }

  // Refuses new callers and wakes those waiting; idle connections are closed
  // now, lent ones when they come back.
  void close() {
    std::vector<Handle> idle;
    {
      std::lock_guard lock(mutex_);
      closed_ = true;
      idle.swap(idle_);
    }
    changed_.notify_all();
  }

 private:
  void giveBack(Handle connection, bool broken) {
    Handle closing;  // closed after the lock is let go
    {
      std::lock_guard lock(mutex_);
      --lent_;
      if (broken || closed_) closing = std::move(connection);
      if (!closed_) idle_.push_back(std::move(connection));  // a broken one leaves its slot empty
      if (!closed_) {
        changed_.notify_one();
        return;
      }
    }
    changed_.notify_all();
  }

  Opener open_;
  Check usable_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<Handle> idle_;  // empty handles: slots still to be opened
  std::size_t lent_ = 0;
  bool closed_ = false;
};

}  // namespace kortix
