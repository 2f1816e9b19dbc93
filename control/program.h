// acoustic_sim from the parameter file to the last closed file: the
// set-up, the first simulation run and the processing tail.
#pragma once

#include <cstdio>

#include "control/sim_options.h"
#include "util/reporter.h"
#include "util/status.h"

// Runs in the working folder with the dialogue's answers read from
// `answers`; warnings go to `report` as they arise.
status run_simulation_program(std::FILE* answers, const sim_options& options, const reporter& report);
