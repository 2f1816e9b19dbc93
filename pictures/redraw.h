// acoustic_plot: the pictures of tables already written, redrawn from the
// files (a design, its transient, a comparison, or what acoustic_sim and
// acoustic_steady left in the current folder).
#pragma once

#include "util/status.h"

// Parses the command line, draws, prints "wrote NAME" per picture.
status run_plot_program(int argc, const char* const* argv);
