// The Jacobi eigenvalue routine against matrices whose spectra are known
// in closed form.
#include "util/symmetric_eigenvalues.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace {

// The fixed-fixed chain of N equal springs and masses: tridiag(-1, 2, -1)
// has the eigenvalues 2 - 2 cos(j pi / (N + 1)), j = 1..N.
TEST(SymmetricEigenvalues, SpringChain) {
  for (int N : {1, 2, 5, 25}) {
    dense_matrix a(N, std::vector<double>(N, 0.0));
    for (int i = 0; i < N; ++i) {
      a[i][i] = 2;
      if (i + 1 < N) a[i][i + 1] = a[i + 1][i] = -1;
    }
    const std::vector<double> values = symmetric_eigenvalues(a);
    ASSERT_EQ(values.size(), static_cast<std::size_t>(N));
    for (int j = 1; j <= N; ++j) EXPECT_NEAR(values[j - 1], 2 - 2 * std::cos(j * M_PI / (N + 1)), 1e-12) << N;
  }
}

// A rotated diagonal: Q D Q^T with Q a product of random plane rotations
// has exactly D's values, whatever the rotations fill in.
TEST(SymmetricEigenvalues, RotatedDiagonal) {
  const int N = 7;
  const double d[N] = {-3, 0.5, 1, 1, 4, 9, 1e3};
  dense_matrix a(N, std::vector<double>(N, 0.0));
  for (int i = 0; i < N; ++i) a[i][i] = d[i];
  std::mt19937 rng(3);
  for (int r = 0; r < 40; ++r) {
    const int p = rng() % N, q = (p + 1 + rng() % (N - 1)) % N;
    const double t = (rng() % 1000) / 100.0, c = std::cos(t), s = std::sin(t);
    for (auto& row : a) {
      const double x = row[p], y = row[q];
      row[p] = c * x - s * y;
      row[q] = s * x + c * y;
    }
    for (int k = 0; k < N; ++k) {
      const double x = a[p][k], y = a[q][k];
      a[p][k] = c * x - s * y;
      a[q][k] = s * x + c * y;
    }
  }
  const std::vector<double> values = symmetric_eigenvalues(a);
  for (int i = 0; i < N; ++i) EXPECT_NEAR(values[i], d[i], 1e-9 * 1e3) << i;
}

}  // namespace
