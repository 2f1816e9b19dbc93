// The voltage the coil receives: the signal sampled at the rows' times,
// after the high-pass before the amplifier. The filter steps with the
// trapezoidal rule, one section after the other.
#pragma once

#include <vector>

#include "model/drive_filter.h"
#include "simulation/voltage_signal.h"

// v(k delta) for k = 0 .. rows-1; row 0 the value just after t = 0. An
// impulse's Dirac passes the filter whole (a high-pass passes the highest
// frequencies); what it leaves in the filter's states follows from row 0
// on.
std::vector<double> voltage_samples(const voltage_signal& signal, const highpass_filter& filter, double delta,
                                    int rows);
