// One gnuplot process for every picture of a run: the scripts are fed
// through a pipe (no shell, no script file), and each picture is checked.
#pragma once

#include <string>
#include <vector>

#include "pictures/companion_pictures.h"
#include "util/status.h"

// Runs `gnuplot` (looked up on the PATH) on the scripts joined; each must
// leave a non-empty file at the path given as `drawn[i]`. Fails with one
// line: gnuplot missing, its error, or a picture it did not write. A
// failed run removes what it began to draw.
status run_gnuplot(const std::vector<std::string>& scripts, const std::vector<std::string>& drawn,
                   const std::string& gnuplot = "gnuplot");

extern const char* const gnuplot_missing;
