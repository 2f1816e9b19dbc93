// The matrix report "matrices.csv" of a one-time run: the element
// indices, then the standard and actual stiffness matrices and the
// iteration matrix, every value followed by a comma.
#pragma once

#include "model/model_state.h"
#include "util/status.h"

// Writes the report to the stream `matrix` (the name `matrices` is the
// operation's historical one).
status matrices(model_state& s);
