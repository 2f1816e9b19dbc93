// The console dialogue: vector sum, processing mode, excitation and
// frequency, and from them the run timing.
#pragma once

#include <cstdio>

#include "model/model_state.h"
#include "util/status.h"
#include "util/token_reader.h"

// The first question alone: which velocities the sum takes (vvso).
status ask_vector_sum_option(model_state& s, token_reader& answers);

// Asks the questions on standard output, reads the answers from `answers`
// and fixes vvso, seqsw, choice, F, phi, T, delta, n_rows, n_cycles,
// req_cycles and, for the sequential set-up, fsmin, fsmax and fseq.
// Fails on an answer that is not a number, on input that ends early and
// on a frequency that is not a positive finite number of workable size.
status run_dialogue(model_state& s, std::FILE* answers);
