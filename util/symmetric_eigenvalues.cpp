#include "util/symmetric_eigenvalues.h"

#include <algorithm>
#include <cmath>

namespace {

double off_diagonal_square_sum(const dense_matrix& a) {
  double off = 0;
  for (std::size_t p = 0; p < a.size(); ++p)
    for (std::size_t q = p + 1; q < a.size(); ++q) off += a[p][q] * a[p][q];
  return off;
}

double diagonal_square_sum(const dense_matrix& a) {
  double sum = 0;
  for (std::size_t p = 0; p < a.size(); ++p) sum += a[p][p] * a[p][p];
  return sum;
}

// The rotation in the (p, q) plane that zeroes a[p][q], applied from both
// sides (Golub and Van Loan's symmetric Schur decomposition).
void rotate(dense_matrix& a, std::size_t p, std::size_t q) {
  const double theta = (a[q][q] - a[p][p]) / (2 * a[p][q]);
  const double t = (theta >= 0 ? 1 : -1) / (std::fabs(theta) + std::sqrt(theta * theta + 1));
  const double c = 1 / std::sqrt(t * t + 1), s = t * c;
  for (std::size_t k = 0; k < a.size(); ++k) {
    const double akp = a[k][p], akq = a[k][q];
    a[k][p] = c * akp - s * akq;
    a[k][q] = s * akp + c * akq;
  }
  for (std::size_t k = 0; k < a.size(); ++k) {
    const double apk = a[p][k], aqk = a[q][k];
    a[p][k] = c * apk - s * aqk;
    a[q][k] = s * apk + c * aqk;
  }
}

}  // namespace

std::vector<double> symmetric_eigenvalues(dense_matrix a) {
  // Quadratic convergence: a handful of sweeps for 25 x 25; 100 is a bound.
  for (int sweep = 0; sweep < 100; ++sweep) {
    if (off_diagonal_square_sum(a) <= 1e-30 * diagonal_square_sum(a)) break;
    for (std::size_t p = 0; p < a.size(); ++p)
      for (std::size_t q = p + 1; q < a.size(); ++q)
        if (a[p][q] != 0) rotate(a, p, q);
  }
  std::vector<double> eigenvalues(a.size());
  for (std::size_t i = 0; i < a.size(); ++i) eigenvalues[i] = a[i][i];
  std::sort(eigenvalues.begin(), eigenvalues.end());
  return eigenvalues;
}
