// The force on the piston at one time step, and the scaled force term
// 2 delta^2 f / MP[0] that enters the recursion.
#pragma once

#include "model/model_state.h"

// Sets tempo = k delta, forte (sinusoid, linear sweep or random by choice)
// and force[0].
void excite(model_state& s, int k);
