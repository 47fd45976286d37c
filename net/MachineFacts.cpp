#include "net/MachineFacts.h"

#include <limits>

#include "platform/Platform.h"

namespace vilmar {

namespace {

constexpr std::uint32_t SECONDS_PER_DAY = 86400;

// Seconds from one reading of the time of day to a later one, across midnight.
std::uint32_t secondsSince(std::uint32_t from, std::uint32_t now) {
  from %= SECONDS_PER_DAY;
  now %= SECONDS_PER_DAY;
  return (now + SECONDS_PER_DAY - from) % SECONDS_PER_DAY;
}

}  // namespace

std::int32_t measureSpeed(Platform& platform) {
  // Start just after a second has begun.
  const std::uint32_t t0 = platform.secondsOfDay();
  while (secondsSince(t0, platform.secondsOfDay()) <= 1) {
  }
  const std::uint32_t t1 = platform.secondsOfDay();
  if (secondsSince(t1, platform.secondsOfDay()) > 1) return 0;
  std::int64_t count = 0;
  do {
    ++count;
  } while (secondsSince(t1, platform.secondsOfDay()) <= 1);
  return count > std::numeric_limits<std::int32_t>::max() ? std::numeric_limits<std::int32_t>::max()
                                                          : static_cast<std::int32_t>(count);
}

ProgramFileFacts programFileIntegrity(Platform& platform) {
  std::string bytes;
  if (!platform.readProgramFile(bytes)) return {};
  return programFileFacts(bytes);
}

MachineFacts surveyMachine(Platform& platform) {
  MachineFacts facts;
  facts.speed = measureSpeed(platform);
  facts.cpu = cpuName(platform.processorType());
  const ProgramFileFacts file = programFileIntegrity(platform);
  facts.integrity = file.integrity;
  facts.length = file.length;
  return facts;
}

}  // namespace vilmar
