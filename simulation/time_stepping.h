// One step of the central-difference recursion, without any output:
//   x+ = Q x - (MM/MP) x- + force,   v = (x - x-) / delta,
// with the area-weighted displacement and velocity sums of the step.
#pragma once

#include "model/model_state.h"

// Step k: excitation, sumx, xn, vc and sumv. The caller records the step
// and then shifts.
void advance(model_state& s, int k);

// xp = xc, then xc = xn.
void shift_state(model_state& s);
