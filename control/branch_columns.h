// NAME.csv's columns for a design with resonators or a flow source: the
// main chamber's pressure, the insertion loss and every resonator's neck
// velocity, as one block after the loudspeaker's numeric columns; and the
// whole table of a flow source, which has no coil's columns.
#pragma once

#include <string>
#include <vector>

#include "analysis/design_response.h"
#include "util/status.h"
#include "util/text_file.h"

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

// The block's header, from its leading comma, and one row's values.
void put_branch_header(text_file& out, const branch_columns& b);
void put_branch_values(text_file& out, const design_point& p, const branch_columns& b);

// NAME.csv of a flow source: frequency, SPL, phase and group delay when
// something radiates, port_velocity and radiator_excursion when there is
// one, then the block.
status write_flow_table(const std::string& path, const std::vector<design_point>& points, bool port, bool radiator,
                        const branch_columns& b);
