// What acoustic_design writes: the response table NAME.csv, the summary
// NAME_summary.csv, and, for acoustic_sim, parameters.txt and answers.txt.
#pragma once

#include <string>
#include <vector>

#include "analysis/design_response.h"
#include "control/branch_columns.h"
#include "control/design_summary.h"
#include "design/network_compiler.h"
#include "util/status.h"

// Creates the folder unless it exists.
status ensure_folder(const std::string& dir);

// Which of the response table's optional columns a design has.
struct response_columns {
  bool port = false;      // port_velocity[m/s]
  bool radiator = false;  // radiator_excursion[mm]
  bool filtered = false;  // SPL_unfiltered[dB],excursion_unfiltered[mm]
  bool rated = false;     // excursion_at_Pe[mm] and, with a port, port_velocity_at_Pe[m/s]
  branch_columns branches;  // the chamber's and resonators' block; a flow source's own table
};
response_columns columns_of(const design_drive& drive);

// frequency[Hz],SPL[dB],phase[deg],group_delay[ms],excursion[mm],
// impedance[ohm],impedance_phase[deg],max_SPL[dB],max_voltage[V], the
// optional columns in the order above, and last limited_by (the limit that
// sets max_voltage: Xmax, port, Pe, radiator_Xmax or none); every number
// as "%f". Each ends in a newline. A design with resonators or a flow
// source: see branch_columns.
std::string response_header(const response_columns& c);
std::string response_row(const design_point& p, const response_columns& c);

status write_response_table(const std::string& path, const std::vector<design_point>& points,
                            const response_columns& c);
// The same table as text, byte for byte the file's.
std::string response_table_text(const std::vector<design_point>& points, const response_columns& c);

// quantity,value,unit; values as "%.6g".
// `text` as the whole file at `path`.
status write_text(const std::string& path, const std::string& text);

status write_summary_table(const std::string& path, const design_summary& summary);
std::string summary_table_text(const design_summary& summary);

// The design as acoustic_sim's parameter file and answers (a sinusoid at
// `resonance`, rounded to whole Hz), the coil folded into the piston's
// damping and force, the leak left out. Appends what was left out to
// `notes`. Refuses a bandpass4.
// Fails for a design acoustic_sim's parameter file cannot hold.
status check_emittable(const design_file& file);

status emit_parameters(const std::string& dir, const design_file& file, const driver_parameters& d,
                       double resonance, std::vector<std::string>& notes);
