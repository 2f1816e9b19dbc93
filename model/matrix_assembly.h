// Stiffness, mass and iteration matrices of the central-difference scheme
// and their report "matrices.csv".
//
// M x'' + C x' + K x = f with central differences, times 2 delta^2, gives
//   x+ = Q x - (MM/MP) x- + 2 delta^2 f / MP,   Q = 2 (2M - delta^2 K) / MP.
#pragma once

#include "model/model_state.h"
#include "model/status.h"

// Clears the state and every matrix and builds KH and K alone.
void assemble_stiffness(model_state& s);

// Builds KH, K, MK and Q (and the loop's copies QT and MM_over_MP) and
// clears the state and force vectors; prints its progress lines.
void assemble_matrices(model_state& s);

// Writes the element indices, KH, K and Q to the stream `matrix`.
status matrices(model_state& s);
