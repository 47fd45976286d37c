// The processor names of the form, apart from the machine survey so that a
// server that checks forms needs no platform.

#include "net/MachineFacts.h"

namespace vilmar {

std::string_view cpuName(int processorType) {
  switch (processorType) {
    case 386: return "CPU INTEL 386";
    case 486: return "CPU INTEL 486";
    case 586: return "CPU INTEL PENTIUM";
    case 4000: return "CPU MIPS R4000";
    case 21064: return "CPU ALPHA 21064";
    default: return "CPU UNKNOWN";
  }
}

}  // namespace vilmar
