#include "analysis/transient_figures.h"

#include <algorithm>
#include <cmath>

transient_columns transient_figures(const model_state& s, const transient_record& r, double polarity,
                                    const std::vector<radiator>& radiators, int port, const listening_point& at,
                                    int passive) {
  transient_columns c;
  const int rows = r.rows();
  const double to_pressure = at.density / ((at.full_space ? 4 : 2) * pi * at.distance);
  c.excursion_mm.resize(rows);
  c.cone_velocity.resize(rows);
  c.pressure.resize(rows);
  double port_outward = -1;
  if (port >= 0) c.port_velocity.resize(rows);
  if (passive >= 0) c.radiator_mm.resize(rows);
  for (const radiator& rad : radiators)
    if (rad.element == port) port_outward = rad.outward;
  for (int k = 0; k < rows; ++k) {
    c.excursion_mm[k] = polarity * r.x_of(k, 0) * 1000;
    c.cone_velocity[k] = polarity * r.v_of(k, 0);
    double dU = 0;
    for (const radiator& rad : radiators) dU += s.A[rad.element] * 1e-4 * rad.outward * r.a_of(k, rad.element);
    c.pressure[k] = to_pressure * dU;
    if (port >= 0) c.port_velocity[k] = port_outward * r.v_of(k, port);
    if (passive >= 0) c.radiator_mm[k] = -r.x_of(k, passive) * 1000;
  }
  return c;
}

column_peak peak_of(const std::vector<double>& column) {
  column_peak peak;
  for (std::size_t k = 0; k < column.size(); ++k) {
    if (std::abs(column[k]) > std::abs(peak.value)) {
      peak.value = column[k];
      peak.row = static_cast<int>(k);
    }
  }
  return peak;
}

int settled_rows(const transient_columns& c) {
  int last_outside = -1;
  for (const std::vector<double>* column : {&c.pressure, &c.excursion_mm}) {
    if (column->empty()) continue;
    const double band = 1e-3 * std::abs(peak_of(*column).value), final_value = column->back();
    for (int k = static_cast<int>(column->size()) - 1; k > last_outside; --k) {
      if (std::abs((*column)[k] - final_value) > band) {
        last_outside = k;
        break;
      }
    }
  }
  const int rows = static_cast<int>(c.pressure.size());
  return std::min(rows, last_outside + 2);
}
