#include "app/TickWait.h"

#include "platform/Platform.h"

namespace vilmar {

void waitUntilDue(Platform& platform, std::uint32_t start, std::uint32_t due) {
  platform.waitUntil(start, due);
}

}  // namespace vilmar
