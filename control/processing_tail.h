// What follows the first simulation run: in one-time processing the run
// parameters, the matrix report and the full spectrum; in sequential
// processing the sweep from 10 Hz to 400 Hz, one run and one bin each.
#pragma once

#include "model/model_state.h"
#include "simulation/history_pipeline.h"
#include "util/status.h"

// The frequency-response header, written at set-up when seqsw != 1.
void write_sequential_header(model_state& s);

// Runs the tail: one-time for every seqsw other than 0.
status run_processing_tail(model_state& s, history_pipeline& histories);
