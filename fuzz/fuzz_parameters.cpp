// parameters.txt with every check that follows it: an accepted file leaves
// a finite network.
#include <cstdint>

#include "control/model_inputs.h"
#include "fuzz_support.h"
#include "model/parameters.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto s = std::make_unique<model_state>();
  s->input = stream_of(data, size);
  if (!s->input || !load_parameters(*s).ok()) return 0;
  s->delta = 1e-4;
  if (derive_checked_properties(*s).ok()) require_finite(*s);
  return 0;
}
