// One simulation run (the operation `results`): the recursion from step 0
// to n_rows, each step recorded in the four histories and the signal file.
#pragma once

#include "model/model_state.h"
#include "simulation/history_pipeline.h"
#include "util/status.h"

// Runs from the state the previous run left (rest after assembly); in
// one-time processing (seqsw 1) with the history headers and a progress
// line. The rows go into the histories through `histories`. Fails when a
// file cannot be written.
status results(model_state& s, history_pipeline& histories);
