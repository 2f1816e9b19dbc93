// NAME.csv's columns for a design with resonators or a flow source: the
// main chamber's pressure, the insertion loss and every resonator's neck
// velocity, as one block after the loudspeaker's numeric columns; and the
// whole table of a flow source, which has no coil's columns.
#pragma once

#include <string>

#include "analysis/design_response.h"

// A flow source has no coil's columns, and SPL, phase and group delay only
// when something radiates; chamber_pressure[dB], then with resonators
// IL[dB] (radiated, where something radiates), IL_chamber[dB] and
// resonator_i_velocity[m/s].
struct branch_columns {
  bool shown = false;
  bool coil = true;
  bool radiates = true;
  int resonators = 0;
};
branch_columns branch_columns_of(const design_drive& drive, int resonators);

// The block's header, from its leading comma, and one row's values
// appended to `row`, each after a comma.
std::string branch_header(const branch_columns& b);
void append_branch_values(std::string& row, const design_point& p, const branch_columns& b);

// NAME.csv of a flow source: frequency, SPL, phase and group delay when
// something radiates, port_velocity and radiator_excursion when there is
// one, then the block; each line ends in a newline.
std::string flow_header(bool port, bool radiator, const branch_columns& b);
std::string flow_row(const design_point& p, bool port, bool radiator, const branch_columns& b);
