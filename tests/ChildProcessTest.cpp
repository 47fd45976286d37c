#include "tests/ChildProcess.h"

#include <gtest/gtest.h>

#include <chrono>

namespace vilmar::test {
namespace {

using namespace std::chrono_literals;

TEST(ChildProcess, ReadsTheFirstLineAndStopsTheProgram) {
  ChildProcess p({"/bin/sh", "-c", "echo 'port 4711'; echo more; exec sleep 30"});
  EXPECT_EQ(p.firstLine(5s), "port 4711");
  EXPECT_TRUE(p.running());
  EXPECT_EQ(p.stop(), -1);  // ended by the signal, not by itself
  EXPECT_FALSE(p.running());
  EXPECT_EQ(p.stop(), -1);  // a second stop changes nothing
}

TEST(ChildProcess, KeepsTheExitStatusOfAProgramThatEndsByItself) {
  ChildProcess p({"/bin/sh", "-c", "exit 3"});
  EXPECT_TRUE(p.exited(5s));
  EXPECT_EQ(p.stop(), 3);
  ChildProcess missing({"/nonexistent/program"});
  EXPECT_EQ(missing.firstLine(5s), "");
  EXPECT_TRUE(missing.exited(5s));
  EXPECT_EQ(missing.stop(), 127);
}

TEST(ChildProcess, WaitsAreBoundedWhateverTheProgramDoes) {
  // Silent, and deaf to SIGTERM: the first line and the stop still return.
  ChildProcess p({"/bin/sh", "-c", "trap '' TERM; while :; do sleep 1; done"});
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(p.firstLine(200ms), "");
  EXPECT_FALSE(p.exited(100ms));
  EXPECT_EQ(p.stop(SIGTERM, 300ms), -1);  // killed after the grace
  EXPECT_FALSE(p.running());
  EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
}

}  // namespace
}  // namespace vilmar::test
