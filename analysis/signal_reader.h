// Reading the velocity signal back from "dftv.txt": the declared sample
// count, the time step as printed (it replaces delta), the time window and
// the samples themselves.
#pragma once

#include "model/model_state.h"
#include "util/status.h"

// Reads ndps and delta from s.dft_input. When `announce` is set, writes
// the count and the time step to standard output as they are read. Fails
// unless they are n_rows and delta as the run printed them: a signal
// that does not belong to the run is not analysed.
status read_signal_header(model_state& s, bool announce);

// ndps delta, where a window between 0.9 and 1.1 s (both strict) counts as
// 1.00001 s.
double analysis_window(int ndps, double delta);
// Whether a window truncates to a whole number of seconds of at least 1.
bool window_has_whole_second(double tw);

// tw = ndps delta (a window between 0.9 and 1.1 s counts as one second),
// t_window its whole seconds, fres = 1 / t_window. Fails when the window
// truncates to 0 s.
status compute_time_window(model_state& s);

// Reads ndps samples into wave (np1 entries, the last one 0), sets
// delta_dft and the transform weights wave_weight.
status read_signal_samples(model_state& s);

// Frees the sample buffers at the end of an analysis.
void release_signal(model_state& s);
