// Undamped natural frequencies of the network, from the eigenvalues of
// M^-1 K, and the stability limit they set for the explicit
// central-difference scheme: a time step below 2 / w_max.
#pragma once

#include <vector>

#include "model/model_state.h"

// Ascending angular frequencies in rad/s, from K and M as assembled.
// Empty when an element has no mass (its equation has no inertia).
std::vector<double> natural_angular_frequencies(const model_state& s);

// The same for the elements with mass, the massless ones held at rest
// (a scheme that steps them apart needs only these).
std::vector<double> natural_angular_frequencies_of_masses(const model_state& s);

// 2 / w_max, or 0 when there is no natural frequency.
double critical_time_step(const model_state& s);

// The smallest division whose step 1 / (F division) lies below `limit`.
double smallest_stable_division(double F, double limit);
