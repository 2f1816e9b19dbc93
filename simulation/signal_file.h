// The signal file "dftv.txt": how a simulation run hands its velocity sum
// to the analysis. Line 1 the declared sample count n_rows, line 2 the
// time step with six decimals, then sumv of every step 0..n_rows (one more
// sample than declared; the reader takes the declared count).
#pragma once

constexpr const char* signal_file_name = "dftv.txt";

// The time step as the file prints it and the analysis reads it back.
double printed_time_step(double delta);
