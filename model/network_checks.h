// Checks on an assembled network: every number the time stepping or the
// steady state uses must be finite (an overflow anywhere turns every
// output into NaN), and elements the explicit scheme cannot step.
#pragma once

#include <string>

#include "model/model_state.h"
#include "util/status.h"

// After derive_element_properties and assemble_matrices: fails naming the
// input values behind the first quantity that is not finite (masses, area
// ratios, damping terms, stiffnesses, K, MK, Q, the natural frequencies).
// The detail does not name the file the values came from.
status check_finite_network(const model_state& s);

// For the parameter file's values and delta: derives the element
// properties, assembles the matrices and runs every check on them (chamber
// stiffnesses, recursion divisors, every number finite). Call once: the
// volumes are converted in place. Details name parameters.txt's values.
status derive_checked_network(model_state& s);

// The first element without mass that feels a stiffness, or -1. Such an
// element has no finite highest frequency: the central difference grows on
// it at any time step.
int massless_stiff_element(const model_state& s);

// "piston", "internal duct 2", "external duct 3".
std::string element_name(const model_state& s, int element);
