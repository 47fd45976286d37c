#pragma once
#include <cstdint>
#include <span>
#include <string>

namespace vilmar {

class App;
class HeadlessPlatform;

std::uint64_t fnv1a64(std::span<const std::uint8_t> bytes);

// One JSON object (one line, no newline) telling what the pass did and
// where everything stands after it.
std::string traceLine(std::uint64_t pass, const App& app, const HeadlessPlatform& platform);

}  // namespace vilmar
