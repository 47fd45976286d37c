// The simulator's key scripts: any text either parses into events in pass
// order or is refused with a message naming the file and line.

#include <cstdint>
#include <sstream>
#include <string>

#include "fuzz/FuzzSupport.h"
#include "frontends/headless/HeadlessPlatform.h"
#include "frontends/headless/InputScript.h"

using namespace vilmar;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
  InputScript script;
  std::string error;
  if (!script.parse(in, "keys.txt", error)) {
    FUZZ_CHECK(error.starts_with("keys.txt:"));
    FUZZ_CHECK(script.events().empty());
    return 0;
  }
  FUZZ_CHECK(error.empty());
  const auto& events = script.events();
  for (std::size_t i = 1; i < events.size(); ++i) FUZZ_CHECK(events[i - 1].pass <= events[i].pass);

  // Played against a platform: every event lands at its pass, in order.
  HeadlessPlatform platform;
  platform.useCompiledResources(false);
  std::size_t passes = 0;
  for (const KeyEvent& event : events) {
    if (++passes > 64) break;
    script.apply(event.pass, platform);
    for (int k = 0; k < KEY_COUNT; ++k) platform.keyState(static_cast<Key>(k));
  }
  return 0;
}
