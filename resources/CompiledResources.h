#pragma once
// The resources compiled into the program, generated at build time from
// resources/manifest.txt.

#include <cstdint>
#include <span>

#include "platform/Platform.h"

namespace vilmar {

// The bytes of a resource as a Windows resource would hold them; empty when
// the program has none of that type and id.
std::span<const std::uint8_t> compiledResource(ResourceType type, int id);

}  // namespace vilmar
