#pragma once
// Shared by the fuzz targets: a check that stops the run with a message
// libFuzzer (or the corpus replayer) reports as a finding.

#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(condition)                                                        \
  do {                                                                               \
    if (!(condition)) {                                                              \
      std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                  \
    }                                                                                \
  } while (false)
