// What every fuzz target shares: input bytes as a stream, the console
// kept quiet, and the property that an accepted network is finite.
#pragma once

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "model/model_state.h"
#include "model/network_checks.h"

// The bytes as a read-only stream (fmemopen refuses an empty buffer).
inline std::FILE* stream_of(const uint8_t* data, size_t size) {
  static const char empty = 0;
  return size == 0 ? fmemopen(const_cast<char*>(&empty), 1, "r") : fmemopen(const_cast<uint8_t*>(data), size, "r");
}

inline void quiet_console() {
  static const bool done = std::freopen("/dev/null", "w", stdout) != nullptr;
  (void)done;
}

// A finding: the input was accepted, but the network is not finite.
inline void require_finite(const model_state& s) {
  if (!check_finite_network(s).ok()) std::abort();
}
