#include "model/natural_frequencies.h"

#include <algorithm>
#include <cmath>

#include "util/symmetric_eigenvalues.h"

std::vector<double> natural_angular_frequencies_of_masses(const model_state& s) {
  // M^-1/2 K M^-1/2 is symmetric and has the eigenvalues of M^-1 K.
  std::vector<int> massive;
  for (int i = 0; i < s.ND; ++i)
    if (s.M[i] > 0) massive.push_back(i);
  const std::size_t n = massive.size();
  dense_matrix a(n, std::vector<double>(n));
  for (std::size_t i = 0; i < n; ++i)
    for (std::size_t j = 0; j < n; ++j) {
      const int p = massive[i], q = massive[j];
      a[i][j] = s.K[p][q] / std::sqrt(s.M[p] * s.M[q]);
    }
  std::vector<double> w = symmetric_eigenvalues(a);
  for (double& x : w) x = std::sqrt(std::max(x, 0.0));
  return w;
}

std::vector<double> natural_angular_frequencies(const model_state& s) {
  for (int i = 0; i < s.ND; ++i)
    if (!(s.M[i] > 0)) return {};
  return natural_angular_frequencies_of_masses(s);
}

double critical_time_step(const model_state& s) {
  const std::vector<double> w = natural_angular_frequencies(s);
  if (w.empty() || !(w.back() > 0)) return 0;
  return 2 / w.back();
}

double smallest_stable_division(double F, double limit) { return std::floor(1 / (F * limit)) + 1; }
