// What a designer reads from a transient: the cone's excursion and
// velocity, the port's air velocity and the pressure at the listening
// point, each at the row's time, in the design's signs (forward, out of
// the box), and how long the record must be for the response to settle.
#pragma once

#include <vector>

#include "analysis/design_figures.h"
#include "model/enclosure.h"
#include "model/model_state.h"
#include "simulation/transient_run.h"

struct transient_columns {
  std::vector<double> excursion_mm;   // forward, mm
  std::vector<double> cone_velocity;  // forward, m/s
  std::vector<double> port_velocity;  // out of the box, m/s; empty without a port
  std::vector<double> radiator_mm;    // a passive radiator's excursion, outward, mm; empty without one
  std::vector<double> pressure;       // Pa at the listening point
};

// p(t) = rho / (k pi r) dU/dt, U the outward volume velocity of the
// radiators (k = 2 in half space, 4 in full space), as the steady state's
// far-field pressure has it.
transient_columns transient_figures(const model_state& s, const transient_record& record, double polarity,
                                    const std::vector<radiator>& radiators, int port, const listening_point& at,
                                    int passive = -1);

// The rows up to the first one from which pressure and excursion stay
// within 0.1 % of their peaks around their final (last-row) values.
int settled_rows(const transient_columns& columns);

// The largest |value| and its row.
struct column_peak {
  double value = 0;
  int row = 0;
};
column_peak peak_of(const std::vector<double>& column);
