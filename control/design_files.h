// What acoustic_design writes: the response table NAME.csv, the summary
// NAME_summary.csv, and, for acoustic_sim, parameters.txt and answers.txt.
#pragma once

#include <string>
#include <vector>

#include "analysis/design_response.h"
#include "control/design_summary.h"
#include "design/network_compiler.h"
#include "util/status.h"

// Creates the folder unless it exists.
status ensure_folder(const std::string& dir);

// frequency[Hz],SPL[dB],phase[deg],group_delay[ms],excursion[mm],
// impedance[ohm],impedance_phase[deg],max_SPL[dB],max_voltage[V] and
// port_velocity[m/s] with a port; every number as "%f".
status write_response_table(const std::string& path, const std::vector<design_point>& points, bool port,
                            bool filtered = false, bool radiator = false);
// The same table as text, byte for byte the file's.
std::string response_table_text(const std::vector<design_point>& points, bool port, bool filtered = false,
                                bool radiator = false);

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
