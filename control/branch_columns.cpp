#include "control/branch_columns.h"

#include <cmath>

#include "util/fixed_format.h"
#include "util/message.h"

branch_columns branch_columns_of(const design_drive& drive, int resonators) {
  branch_columns b;
  b.shown = resonators > 0 || drive.flow > 0;
  b.coil = !(drive.flow > 0);
  b.radiates = !drive.radiators.empty();
  b.resonators = resonators;
  return b;
}

namespace {

void append_values(std::string& row, std::initializer_list<double> values) {
  char number[fixed6_max_chars];
  for (double v : values) {
    row += ',';
    row.append(number, format_fixed6(v, number));
  }
}

}  // namespace

std::string branch_header(const branch_columns& b) {
  std::string h = ",chamber_pressure[dB]";
  if (b.resonators > 0) {
    if (b.radiates) h += ",IL[dB]";
    h += ",IL_chamber[dB]";
  }
  for (int i = 1; i <= b.resonators; ++i) h += message(",resonator_%d_velocity[m/s]", i);
  return h;
}

void append_branch_values(std::string& row, const design_point& p, const branch_columns& b) {
  append_values(row, {20 * std::log10(std::abs(p.chamber_pressure) / 20e-6)});
  if (b.resonators > 0) {
    if (b.radiates) append_values(row, {p.il});
    append_values(row, {p.il_chamber});
  }
  for (int i = 0; i < b.resonators; ++i) append_values(row, {p.resonator_velocity[i]});
}

std::string flow_header(bool port, bool radiator, const branch_columns& b) {
  std::string h = "frequency[Hz]";
  if (b.radiates) h += ",SPL[dB],phase[deg],group_delay[ms]";
  if (port) h += ",port_velocity[m/s]";
  if (radiator) h += ",radiator_excursion[mm]";
  return h + branch_header(b) + "\n";
}

std::string flow_row(const design_point& p, bool port, bool radiator, const branch_columns& b) {
  char number[fixed6_max_chars];
  std::string row(number, format_fixed6(p.frequency, number));
  if (b.radiates) append_values(row, {p.spl, p.phase, p.group_delay_ms});
  if (port) append_values(row, {p.port_velocity});
  if (radiator) append_values(row, {p.radiator_excursion_mm});
  append_branch_values(row, p, b);
  return row + "\n";
}
