#include "model/natural_frequencies.h"

#include <algorithm>
#include <cmath>

namespace {

// Cyclic Jacobi rotations on a symmetric matrix; leaves the eigenvalues on
// the diagonal. Plenty for 25 x 25.
void jacobi_eigenvalues(std::vector<std::vector<double>>& a) {
  const int nd = static_cast<int>(a.size());
  for (int sweep = 0; sweep < 100; ++sweep) {
    double off = 0, scale = 0;
    for (int p = 0; p < nd; ++p) {
      scale += a[p][p] * a[p][p];
      for (int q = p + 1; q < nd; ++q) off += a[p][q] * a[p][q];
    }
    if (off <= 1e-30 * scale) return;
    for (int p = 0; p < nd; ++p) {
      for (int q = p + 1; q < nd; ++q) {
        if (a[p][q] == 0) continue;
        const double theta = (a[q][q] - a[p][p]) / (2 * a[p][q]);
        const double t = (theta >= 0 ? 1 : -1) / (std::fabs(theta) + std::sqrt(theta * theta + 1));
        const double c = 1 / std::sqrt(t * t + 1), sn = t * c;
        for (int k = 0; k < nd; ++k) {
          const double akp = a[k][p], akq = a[k][q];
          a[k][p] = c * akp - sn * akq;
          a[k][q] = sn * akp + c * akq;
        }
        for (int k = 0; k < nd; ++k) {
          const double apk = a[p][k], aqk = a[q][k];
          a[p][k] = c * apk - sn * aqk;
          a[q][k] = sn * apk + c * aqk;
        }
      }
    }
  }
}

}  // namespace

std::vector<double> natural_angular_frequencies(const model_state& s) {
  const int nd = s.ND;
  for (int i = 0; i < nd; ++i)
    if (!(s.M[i] > 0)) return {};
  // M^-1/2 K M^-1/2 is symmetric and has the eigenvalues of M^-1 K.
  std::vector<std::vector<double>> a(nd, std::vector<double>(nd));
  for (int i = 0; i < nd; ++i)
    for (int j = 0; j < nd; ++j) a[i][j] = s.K[i][j] / std::sqrt(s.M[i] * s.M[j]);
  jacobi_eigenvalues(a);
  std::vector<double> w(nd);
  for (int i = 0; i < nd; ++i) w[i] = std::sqrt(std::max(a[i][i], 0.0));
  std::sort(w.begin(), w.end());
  return w;
}

double critical_time_step(const model_state& s) {
  const std::vector<double> w = natural_angular_frequencies(s);
  if (w.empty() || !(w.back() > 0)) return 0;
  return 2 / w.back();
}

double smallest_stable_division(double F, double limit) { return std::floor(1 / (F * limit)) + 1; }
