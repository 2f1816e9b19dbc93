// One simulation run: the central-difference recursion from step 0 to
// n_rows, the displacement and velocity sums, the histories and the signal
// file "dftv.txt" (n_rows, delta, then sumv of every step).
#pragma once

#include "model/model_state.h"
#include "model/status.h"

constexpr const char* signal_file_name = "dftv.txt";

// Runs from the state the previous run left (rest after assembly).
// Fails only when a file cannot be written.
status results(model_state& s);

// One step of the recursion for step k, without any output: excitation,
// sumx, xn and vc, sumv. The caller writes and then shifts.
void advance(model_state& s, int k);
void shift_state(model_state& s);
