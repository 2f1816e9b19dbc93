// Checks on the run configuration that need the whole model: refusing a
// sequential sweep whose analysis cannot work, and the warnings where the
// explicit scheme is unstable or the sweep is aliased.
#pragma once

#include <string>

#include "model/model_state.h"
#include "util/status.h"

// Every analysis reads the window back as n_rows steps of the printed time
// step; fails before any run when that window has no whole second.
status check_analysis_window(const model_state& s);

// When delta reaches 2 / w_max, the warning naming the limit and the
// smallest stable division; for an element without mass that feels a
// stiffness (no finite w_max), the warning naming it; empty otherwise. Needs K and M assembled.
std::string instability_warning(const model_state& s);

// In a sequential sweep every run is sampled at 10 division Hz: the
// warning when frequencies up to 400 Hz lie above half of that, else empty.
std::string aliasing_warning(const model_state& s);
