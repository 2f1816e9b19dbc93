// The whole program from the parameter file to the last closed file.
#pragma once

#include <cstdio>

// Runs acoustic_sim in the working folder with the dialogue's answers read
// from `answers`; returns the process exit status (0 on success, 1 after
// an error line on standard error).
int run_program(std::FILE* answers);
