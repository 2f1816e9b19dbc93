// The model as both programs take it in: the parameter file read and
// checked, and the derived properties checked, before anything is written.
#pragma once

#include "model/model_state.h"
#include "util/reporter.h"
#include "util/status.h"

// Opens "parameters.txt" and reads the model from it; warns about values
// after the last one needed and about negative damping.
status load_model(model_state& s, const reporter& report);

// Derives the element properties for the delta already set, assembles the
// matrices and checks that the recursion and the steady state can use them:
// every number finite. The matrices need no assembling after it.
status derive_checked_properties(model_state& s);
