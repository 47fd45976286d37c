// The integrity value of a program file's bytes, apart from the machine
// survey so that the service can register builds without a platform.

#include "net/MachineFacts.h"

namespace vilmar {

ProgramFileFacts programFileFacts(std::string_view bytes) {
  // FNV-1a over the whole file: cheap, and any changed byte changes it.
  std::uint32_t hash = 2166136261u;
  for (const char c : bytes) {
    hash ^= static_cast<std::uint8_t>(c);
    hash *= 16777619u;
  }
  return {hash, static_cast<std::uint32_t>(bytes.size())};
}

}  // namespace vilmar
