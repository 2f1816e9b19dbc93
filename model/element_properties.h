// Element and chamber properties that need the time step: area ratios,
// duct air masses, the two damping terms of the central-difference scheme
// and the adiabatic chamber stiffnesses.
#pragma once

#include "model/model_state.h"
#include "util/status.h"

// Converts the volumes to m^3 and derives R, M, MP, MM and KS. Needs delta.
// Call it once: the volume conversion is in place.
void derive_element_properties(model_state& s);

// MP and MM for the current delta: a new time step needs these and the
// matrices again (assemble_matrices), nothing else.
void derive_damping_terms(model_state& s);

// After derive_element_properties: every chamber stiffness finite.
status check_chamber_stiffnesses(const model_state& s);

// MP[i] = 2 M[i] + C[i] delta positive for every element: a massless
// element without damping divides the recursion by zero.
status check_recursion_divisors(const model_state& s);
