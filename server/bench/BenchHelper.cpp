// Helper of tools/server-bench.sh: the raw Argon2id verification rate of this
// machine (the baseline a submission is measured against), and the game's
// score form for wrk to post.
//
//   kortix-bench-helper verify-rate SECONDS THREADS
//   kortix-bench-helper form EMAIL PASSWORD SCORE

#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "domain/PasswordHasher.h"
#include "net/FormEncoding.h"

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 3 && args[0] == "verify-rate") {
    const double seconds = std::stod(args[1]);
    const int threads = std::stoi(args[2]);
    kortix::PasswordHasher hasher(kortix::HashCost::Interactive, threads);
    const std::string hash = hasher.hash("hemligt1").value();
    std::atomic<long> count{0};
    std::atomic<bool> stop{false};
    std::vector<std::thread> workers;
    const auto start = std::chrono::steady_clock::now();
    for (int t = 0; t < threads; ++t)
      workers.emplace_back([&] {
        while (!stop) {
          hasher.verify(hash, "hemligt1");
          ++count;
        }
      });
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    stop = true;
    for (auto& w : workers) w.join();
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%.2f\n", static_cast<double>(count) / elapsed);
    return 0;
  }
  if (args.size() == 4 && args[0] == "form") {
    vilmar::ScoreSubmission s;
    s.email.assign(args[1]);
    s.password.assign(args[2]);
    s.sentScore = std::stoi(args[3]);
    std::fputs(vilmar::formBody(s, {1999, "CPU INTEL PENTIUM", 77, 5000}).c_str(), stdout);
    return 0;
  }
  std::fprintf(stderr, "usage: kortix-bench-helper verify-rate SECONDS THREADS | form EMAIL PASSWORD SCORE\n");
  return 2;
}
