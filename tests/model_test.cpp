// The model against numbers worked out by hand from the network: the
// parameter file, the stiffness matrices and the natural frequencies.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "model/natural_frequencies.h"
#include "test_support.h"

namespace {

// Chamber stiffness referred to the piston area, N/m: A0^2 HCR p0 / V.
double chamber_stiffness(double radius_cm, double volume_litres) {
  const double area_cm2 = radius_cm * radius_cm * 3.141592;
  return area_cm2 * area_cm2 * 1e-8 * 1.4 * 101300 / (volume_litres / 1000);
}

TEST(Parameters, WorkedPistonNumbersAndFileOrder) {
  scratch_dir dir;
  auto worked = build_model("10\t5\t50\n0\t20\t1.4\t1\n10\n0.5\n", 0);
  EXPECT_EQ(message("%f %f %f %f", worked->A[0], worked->M[0], worked->L[0], worked->Ku),
            "78.539800 0.010000 1061.033175 986.960029");
  // Any white space separates values; internal ducts come before external ones.
  auto s = build_model("30 10\n30 2\t200 1.4 2\r\n40 10 5 20 15 25 21\n\n 50 80 150 120 1.5 .1 .2 .3 .4", 0);
  EXPECT_EQ(s->ND, 5);
  EXPECT_EQ(s->division, 200);
  const double expected[][5] = {{40, 10, 5}, {0, 20, 15, 25, 21}, {0, 50, 80, 150, 120}, {1.5, .1, .2, .3, .4}};
  const double* read[] = {s->V, s->A, s->L, s->C};
  for (int g = 0; g < 4; ++g)
    for (int i = g == 0 || g == 3 ? 0 : 1; i < (g == 0 ? 3 : 5); ++i) EXPECT_EQ(read[g][i], expected[g][i]) << g << i;
}

// Main chamber shared by the piston and the internal ducts; side chamber i
// couples internal duct i with external duct n+i; the suspension acts on
// the piston alone.
TEST(MatrixAssembly, StandardStiffnessOfThreeBranches) {
  scratch_dir dir;
  auto s = build_model(
      "10 5 50\n3 20 1.4 1\n10 2 3 4\n3 4 5 6 7 8\n50 60 70 80 90 100\n0.5 0.01 0.02 0.03 0.04 0.05 0.06\n", 1e-4);
  const double k[4] = {chamber_stiffness(5, 10), chamber_stiffness(5, 2), chamber_stiffness(5, 3),
                       chamber_stiffness(5, 4)};
  const double ku = 50 * 50 * 39.47840117785601 * 0.01;
  for (int i = 0; i < 7; ++i) {
    for (int j = 0; j < 7; ++j) {
      double expected = (i <= 3 && j <= 3) ? k[0] : 0;
      if (i == j) expected += i == 0 ? ku : k[i <= 3 ? i : i - 3];
      if (std::min(i, j) >= 1 && std::max(i, j) == std::min(i, j) + 3) expected = -k[std::min(i, j)];
      EXPECT_NEAR(s->KH[i][j], expected, 1e-9 * k[1]) << i << "," << j;
      EXPECT_DOUBLE_EQ(s->K[i][j], s->KH[i][j] * (s->A[i] / s->A[0]) * (s->A[j] / s->A[0]));
    }
  }
  EXPECT_EQ(s->KH[7][7], 0);
  EXPECT_EQ(s->Q[24][24], 0);
}

// The eigenvalues w^2 of M^-1 K are those of M^-1/2 K M^-1/2: their sum is
// the trace, sum K_ii / M_i, and the sum of their squares the Frobenius
// norm, sum K_ij^2 / (M_i M_j). The scheme is stable below 2 / w_max.
TEST(NaturalFrequencies, InvariantsOfTheTwoChamberNetwork) {
  scratch_dir dir;
  auto s = build_model(example_params("two_chamber"), 1e-4);
  const std::vector<double> w = natural_angular_frequencies(*s);
  ASSERT_EQ(w.size(), 5u);
  EXPECT_TRUE(std::is_sorted(w.begin(), w.end()));
  double trace = 0, frobenius = 0, sum = 0, squares = 0;
  for (int i = 0; i < 5; ++i) {
    trace += s->K[i][i] / s->M[i];
    for (int j = 0; j < 5; ++j) frobenius += s->K[i][j] * s->K[i][j] / (s->M[i] * s->M[j]);
    sum += w[i] * w[i];
    squares += std::pow(w[i], 4);
  }
  EXPECT_NEAR(sum, trace, 1e-9 * trace);
  EXPECT_NEAR(squares, frobenius, 1e-9 * frobenius);
  EXPECT_DOUBLE_EQ(critical_time_step(*s), 2 / w.back());
}

}  // namespace
