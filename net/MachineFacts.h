#pragma once
// The facts about the player's machine that travel with a score.

#include <cstdint>
#include <string>
#include <string_view>

namespace vilmar {

class Platform;

struct MachineFacts {
  std::int32_t speed = 0;
  std::string cpu;
  std::uint32_t integrity = 0;
  std::uint32_t length = 0;
};

// Counts clock reads over about two seconds of the wall clock (whole
// seconds). Keeps the thread busy for three to four seconds.
std::int32_t measureSpeed(Platform& platform);

// The processor's name by the type the system reports.
std::string_view cpuName(int processorType);

struct ProgramFileFacts {
  std::uint32_t integrity = 0;  // derived from the bytes of the program file
  std::uint32_t length = 0;     // bytes read
};
// Both 0 when the program file cannot be read.
ProgramFileFacts programFileIntegrity(Platform& platform);
// The same facts of a program file's bytes; the game service registers its
// released builds by them.
ProgramFileFacts programFileFacts(std::string_view bytes);

// All of the above at once, as postScore sends them.
MachineFacts surveyMachine(Platform& platform);

}  // namespace vilmar
