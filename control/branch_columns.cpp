#include "control/branch_columns.h"

#include <cmath>

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

void put_values(text_file& out, std::initializer_list<double> values) {
  for (double v : values) {
    out.put(',');
    out.put_fixed(v);
  }
}

}  // namespace

void put_branch_header(text_file& out, const branch_columns& b) {
  out.put(",chamber_pressure[dB]");
  if (b.resonators > 0) {
    if (b.radiates) out.put(",IL[dB]");
    out.put(",IL_chamber[dB]");
  }
  for (int i = 1; i <= b.resonators; ++i) out.put(message(",resonator_%d_velocity[m/s]", i));
}

void put_branch_values(text_file& out, const design_point& p, const branch_columns& b) {
  put_values(out, {20 * std::log10(std::abs(p.chamber_pressure) / 20e-6)});
  if (b.resonators > 0) {
    if (b.radiates) put_values(out, {p.il});
    put_values(out, {p.il_chamber});
  }
  for (int i = 0; i < b.resonators; ++i) put_values(out, {p.resonator_velocity[i]});
}

status write_flow_table(const std::string& path, const std::vector<design_point>& points, bool port, bool radiator,
                        const branch_columns& b) {
  text_file out;
  RETURN_IF_ERROR(out.open(path));
  out.put("frequency[Hz]");
  if (b.radiates) out.put(",SPL[dB],phase[deg],group_delay[ms]");
  if (port) out.put(",port_velocity[m/s]");
  if (radiator) out.put(",radiator_excursion[mm]");
  put_branch_header(out, b);
  out.put('\n');
  for (const design_point& p : points) {
    out.put_fixed(p.frequency);
    if (b.radiates) put_values(out, {p.spl, p.phase, p.group_delay_ms});
    if (port) put_values(out, {p.port_velocity});
    if (radiator) put_values(out, {p.radiator_excursion_mm});
    put_branch_values(out, p, b);
    out.put('\n');
  }
  return out.close();
}
