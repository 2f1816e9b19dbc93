// Element and chamber properties that need the time step: area ratios,
// duct air masses, the two damping terms of the central-difference scheme
// and the adiabatic chamber stiffnesses, with their set-up tables.
#pragma once

#include "model/model_state.h"
#include "model/status.h"

// MP[i] = 2 M[i] + C[i] delta for every element, as derive_element_properties
// will compute it; fails, naming the element, where one would be 0 (a
// massless element without damping divides the recursion by zero).
status check_element_masses(const model_state& s);

// Converts the volumes to m^3 and derives R, M, MP, MM and KS. Needs delta.
void compute_element_properties(model_state& s);

// compute_element_properties, then the set-up tables on standard output.
void derive_element_properties(model_state& s);
