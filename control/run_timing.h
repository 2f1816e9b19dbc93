// Run timing: from the chosen excitation and frequency to the period T,
// the time step delta and the index of the last step n_rows.
#pragma once

#include "model/model_state.h"
#include "util/status.h"

// Sinusoid at F Hz for its whole cycles: n_rows = division * trunc(F).
status time_sinusoid(model_state& s, double F);
// Linear sweep up to F (held to 200..300 Hz) over one second.
status time_sweep(model_state& s, double F);
// Random force on a 100 Hz time base.
status time_random(model_state& s);
// Sequential sweep: the 10 Hz time base of the first run.
status time_sequential(model_state& s);
