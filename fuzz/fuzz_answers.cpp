// The console answers against a fixed network: an accepted dialogue fixes
// a positive finite time step and a step count the run can take.
#include <cstdint>

#include "control/dialogue.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  quiet_console();
  auto s = std::make_unique<model_state>();
  s->n = 1;
  s->ND = 3;
  s->division = 100;
  std::FILE* answers = stream_of(data, size);
  if (!answers) return 0;
  if (run_dialogue(*s, answers).ok() && (!(s->delta > 0) || !std::isfinite(s->delta) || s->n_rows < 0)) std::abort();
  std::fclose(answers);
  return 0;
}
