// The parameter file "parameters.txt": reading and checking the model
// inputs, and the piston quantities that follow from them at once.
#pragma once

#include "model/model_state.h"
#include "util/status.h"

constexpr const char* parameter_file_name = "parameters.txt";

// Reads every value from s.input in the file's order (any white space
// separates values), checks each against its meaning, then computes A[0],
// M[0], L[0], R[0] and Ku. Fails naming the value's position and meaning.
status load_parameters(model_state& s);

// From m0, radius and f0 as read: A[0], M[0], L[0], R[0] and Ku. Fails
// when the radius gives no positive finite area.
status derive_piston(model_state& s);

// How many values a file with n branches holds.
int values_needed(int n);

// After load_parameters: how many values follow the last one the model
// needs (they are not read as anything). Counts only in a regular file.
int count_trailing_values(model_state& s);
