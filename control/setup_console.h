// The set-up's console report: the progress lines after each stage and the
// tables of the derived element properties, in the program's own words
// (misspellings included; users' scripts look for them).
#pragma once

#include "model/model_state.h"

void print_parameters_loaded();

// The mass, ratio and damping tables and the chamber stiffnesses.
void print_element_tables(const model_state& s);

void print_matrices_ready();
