// The four response histories: raw and area-weighted displacements (mm)
// and velocities (m/s) of every element, one row per time step.
#pragma once

#include "model/model_state.h"

// One header line in each file; the raw files carry one field more than
// their rows (the frequency or "random" label).
void write_history_headers(model_state& s);

// What one step writes into the histories.
struct history_row {
  double time, force;  // s, N
  double sumx, sumv;   // mm, m/s
  const double* x;     // displacements, m
  const double* v;     // velocities, m/s
  const double* R;     // area ratios
  int nd;
};
history_row current_history_row(const model_state& s);

// x_vectors.csv, normalized_x_vectors.csv, v_vectors.csv and
// normalized_v_vectors.csv.
enum class history { displacement, displacement_n, velocity, velocity_n };
constexpr history all_histories[] = {history::displacement, history::displacement_n, history::velocity,
                                     history::velocity_n};
text_file& history_file(model_state& s, history which);

// The row into one of the four.
void write_history_file_row(text_file& out, history which, const history_row& row);

// The row of the current step into all four.
void write_history_row(model_state& s);
