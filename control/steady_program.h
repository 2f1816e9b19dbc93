// acoustic_steady: the exact steady state of the network in
// "parameters.txt" for every integer frequency from 10 to 400 Hz, its
// natural frequencies and the stability limit of the explicit scheme.
#pragma once

#include <cstdio>

#include "util/reporter.h"
#include "util/status.h"

// Asks the vector sum question (answer read from `answers`), prints the
// natural frequencies and writes the steady-state files.
status run_steady_program(std::FILE* answers, const reporter& report);
