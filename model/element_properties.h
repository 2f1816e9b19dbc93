// Element and chamber properties that need the time step: area ratios,
// duct air masses, the two damping terms of the central-difference scheme
// and the adiabatic chamber stiffnesses, with their set-up tables.
#pragma once

#include "model/model_state.h"
#include "model/status.h"

// Converts the volumes to m^3 and derives R, M, MP, MM and KS. Needs delta.
// Call it once: the volume conversion is in place.
void compute_element_properties(model_state& s);

// After compute_element_properties: every chamber stiffness finite, and
// MP[i] = 2 M[i] + C[i] delta positive for every element (a massless
// element without damping divides the recursion by zero). Fails naming
// the chamber or element.
status check_element_properties(const model_state& s);

// The set-up tables of the computed properties, on standard output.
void print_element_tables(const model_state& s);

// compute_element_properties, then print_element_tables.
void derive_element_properties(model_state& s);
