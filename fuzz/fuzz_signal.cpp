// The signal file read back for the transform: whatever it holds, the
// reader either refuses it or fills exactly the samples it declared.
#include <cstdint>

#include "analysis/signal_reader.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  quiet_console();
  auto s = std::make_unique<model_state>();
  // The run a one-second window at 50 Hz x 20 steps would print.
  s->n_rows = 1000;
  s->delta = 0.001;
  s->dft_input = stream_of(data, size);
  if (!s->dft_input) return 0;
  if (read_signal_header(*s, false).ok() && compute_time_window(*s).ok() && read_signal_samples(*s).ok()) {
    if (static_cast<int>(s->wave.size()) != s->np1 || s->ndps != s->n_rows) std::abort();
  }
  return 0;
}
