// The four response histories: raw and area-weighted displacements (mm)
// and velocities (m/s) of every element, one row per time step.
#pragma once

#include "model/model_state.h"

// One header line in each file; the raw files carry one field more than
// their rows (the frequency or "random" label).
void write_history_headers(model_state& s);

// The row of the current step from tempo, forte, xc, vc, sumx and sumv.
void write_history_row(model_state& s);
