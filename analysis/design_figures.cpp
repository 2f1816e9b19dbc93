#include "analysis/design_figures.h"

#include <cmath>

#include "model/enclosure.h"

double degrees(complex z) { return std::atan2(z.imag(), z.real()) * 180 / pi; }

radiated_flow radiated(const model_state& s, const steady_point& p, const std::vector<radiator>& radiators) {
  const complex i_w(0, p.w);
  radiated_flow flow;
  for (const radiator& r : radiators) {
    const double area_m2 = s.A[r.element] * 1e-4 * r.outward;
    flow.U += area_m2 * i_w * p.X_out[r.element];
    flow.dU += area_m2 * (complex(0, 1) * p.X_out[r.element] + i_w * p.dX_out[r.element]);
  }
  return flow;
}

complex far_field_pressure(double w, complex U, const listening_point& at) {
  return complex(0, w) * at.density * U / ((at.full_space ? 4 : 2) * pi * at.distance);
}

design_row design_figures(const model_state& s, const steady_point& p, const listening_point& at) {
  std::vector<radiator> radiators;
  for (int i = 0; i < s.ND; ++i)
    if (radiates(s, i)) radiators.push_back({i, 1});
  const auto [U, dU] = radiated(s, p, radiators);
  const complex pressure = far_field_pressure(p.w, U, at);
  // The force drive gives peak amplitudes, the coil's rms voltage rms ones.
  const bool coil = p.coil;
  const double to_rms = coil ? 1 : 1 / std::sqrt(2.0), to_peak = coil ? std::sqrt(2.0) : 1;
  design_row row;
  row.frequency = p.frequency;
  row.spl = 20 * std::log10(std::abs(pressure) * to_rms / 20e-6);
  row.phase = degrees(pressure / p.drive);
  // p = c i w U, so d(arg p)/dw = d(arg U)/dw.
  row.group_delay_ms = -(dU / U).imag() * 1000;
  row.excursion_mm = std::abs(p.X[0]) * to_peak * 1000;
  for (int i = 1; i < s.ND; ++i) row.duct_velocity.push_back(std::abs(p.X[i]) * p.w * to_peak);
  if (coil) row.impedance = p.drive / p.current;
  return row;
}

status write_design_file(const std::vector<design_row>& rows, int ducts, bool coil) {
  text_file out;
  RETURN_IF_ERROR(out.open("steady_state_design.csv"));
  out.put("frequency[Hz],SPL[dB],phase[deg],group_delay[ms],excursion[mm]");
  for (int i = 1; i <= ducts; ++i) {
    out.put(",v[");
    out.put_int(i);
    out.put("][m/s]");
  }
  out.put(coil ? ",impedance[ohm],impedance_phase[deg]\n" : "\n");
  for (const design_row& row : rows) {
    out.put_fixed(row.frequency);
    for (double value : {row.spl, row.phase, row.group_delay_ms, row.excursion_mm}) {
      out.put(',');
      out.put_fixed(value);
    }
    for (double v : row.duct_velocity) {
      out.put(',');
      out.put_fixed(v);
    }
    if (coil) {
      out.put(',');
      out.put_fixed(std::abs(row.impedance));
      out.put(',');
      out.put_fixed(degrees(row.impedance));
    }
    out.put('\n');
  }
  return out.close();
}
