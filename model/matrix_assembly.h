// Stiffness, mass and iteration matrices of the central-difference scheme.
//
// M x'' + C x' + K x = f with central differences, times 2 delta^2, gives
//   x+ = Q x - (MM/MP) x- + 2 delta^2 f / MP,   Q = 2 (2M - delta^2 K) / MP.
#pragma once

#include "model/model_state.h"

// Clears the state and force vectors and every matrix, then builds KH, K,
// MK and Q from KS, Ku, R, M, MP, Kd and delta.
void assemble_matrices(model_state& s);
