#include "model/natural_frequencies.h"

#include <algorithm>
#include <cmath>

#include "util/symmetric_eigenvalues.h"

std::vector<double> natural_angular_frequencies(const model_state& s) {
  const int nd = s.ND;
  for (int i = 0; i < nd; ++i)
    if (!(s.M[i] > 0)) return {};
  // M^-1/2 K M^-1/2 is symmetric and has the eigenvalues of M^-1 K.
  dense_matrix a(nd, std::vector<double>(nd));
  for (int i = 0; i < nd; ++i)
    for (int j = 0; j < nd; ++j) a[i][j] = s.K[i][j] / std::sqrt(s.M[i] * s.M[j]);
  std::vector<double> w = symmetric_eigenvalues(a);
  for (double& x : w) x = std::sqrt(std::max(x, 0.0));
  return w;
}

double critical_time_step(const model_state& s) {
  const std::vector<double> w = natural_angular_frequencies(s);
  if (w.empty() || !(w.back() > 0)) return 0;
  return 2 / w.back();
}

double smallest_stable_division(double F, double limit) { return std::floor(1 / (F * limit)) + 1; }
