// The Jacobi eigenvalue routine against matrices whose spectra are known
// in closed form.
#include "util/symmetric_eigenvalues.h"

#include <gtest/gtest.h>

#include <cmath>

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

}  // namespace
