#include "simulation/transient_run.h"

#include <cmath>

#include "model/element_properties.h"
#include "model/matrix_assembly.h"
#include "simulation/nonlinear_stepping.h"
#include "util/message.h"

status run_transient(model_state& s, const voice_coil& coil, const voltage_signal& signal,
                     const std::vector<double>& voltage, double delta, transient_record& out,
                     const large_signal* driver) {
  const int rows = static_cast<int>(voltage.size());
  s.delta = delta;
  derive_damping_terms(s);
  assemble_matrices(s);
  if (!(s.M[0] > 0)) return status::error("the cone has no moving mass: expected Mms > 0");
  const int nd = s.ND;
  network_stepper st(s, coil, driver);
  out = transient_record();
  out.nd = nd;
  out.delta = delta;
  for (auto* column : {&out.time, &out.voltage, &out.current}) column->resize(rows);
  for (auto* column : {&out.x, &out.v, &out.a}) column->resize(static_cast<std::size_t>(rows) * nd);
  const auto keep = [&](int k, double v_now) {
    out.time[k] = k * delta;
    out.voltage[k] = v_now;
    out.current[k] = st.row_i;
    for (int e = 0; e < nd; ++e) {
      out.x[static_cast<std::size_t>(k) * nd + e] = st.row_x[e];
      out.v[static_cast<std::size_t>(k) * nd + e] = st.row_v[e];
      out.a[static_cast<std::size_t>(k) * nd + e] = st.row_a[e];
    }
  };
  const double v0 = voltage.empty() ? 0 : voltage[0];
  st.start(signal, v0);
  keep(0, v0);
  for (int k = 1; k < rows; ++k) {
    st.step(voltage[k]);
    keep(k, voltage[k]);
    for (int e = 0; e < nd; ++e)
      if (!std::isfinite(st.row_x[e]) || !std::isfinite(st.row_v[e]))
        return status::error(
            message("the transient grew without bound at %g s: expected a stable time step", k * delta));
  }
  return status::success();
}
