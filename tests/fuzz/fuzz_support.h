#pragma once

// What the fuzz targets share: input bytes as an open file, and a check
// that aborts (so that libFuzzer records the input) when an invariant fails.

#include <cstdint>
#include <cstdio>
#include <cstdlib>

// A read-only stream over the fuzzer's bytes; for empty input, which
// fmemopen refuses, an empty stream of /dev/null.
inline std::FILE* open_bytes(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return std::fopen("/dev/null", "rb");
  return fmemopen(const_cast<std::uint8_t*>(data), size, "rb");
}

#define FUZZ_CHECK(condition)                                                  \
  do {                                                                         \
    if (!(condition)) {                                                        \
      std::fprintf(stderr, "check failed: %s (%s:%d)\n", #condition, __FILE__, \
                   __LINE__);                                                  \
      std::abort();                                                            \
    }                                                                          \
  } while (false)
