// acoustic_steady: the exact steady state of the network in
// "parameters.txt" for every integer frequency from 10 to 400 Hz, its
// natural frequencies, the stability limit of the explicit scheme, and the
// figures an enclosure is designed by.
#pragma once

#include <cstdio>

#include "control/steady_options.h"
#include "util/reporter.h"
#include "util/status.h"

// Asks the vector sum question unless the options answer it (reading from
// `answers`), prints the natural frequencies and design figures and writes
// the steady-state files.
status run_steady_program(const steady_options& options, std::FILE* answers, const reporter& report);
