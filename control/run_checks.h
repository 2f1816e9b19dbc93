// Checks on the run configuration that need the whole model: refusing a
// sequential sweep whose analysis cannot work, and warning (on standard
// error) where the explicit scheme is unstable or the sweep is aliased.
#pragma once

#include "model/model_state.h"
#include "model/status.h"

// The time step as the signal file prints it and the analysis reads it
// back (six decimals).
double printed_time_step(double delta);

// A sequential sweep analyses every run with the printed time step; fails
// before any run when that window has no whole second.
status check_sequential_window(const model_state& s);

// Warns when delta exceeds 2 / w_max, giving the smallest stable division.
// Needs K and M assembled.
void warn_if_unstable(const model_state& s);

// In a sequential sweep every run is sampled at 10 division Hz; warns
// when frequencies up to 400 Hz lie above half of that.
void warn_if_aliased(const model_state& s);
