// The stiffness and iteration matrices and their report.
#include "model/matrix_assembly.h"

#include <gtest/gtest.h>

#include "test_support.h"

namespace {

const char* one_branch = "10 5 50\n1 20 1.4 1\n10 2\n3 4\n50 60\n0.5 0.01 0.02\n";
const char* three_branches =
    "10 5 50\n3 20 1.4 1\n10 2 3 4\n3 4 5 6 7 8\n50 60 70 80 90 100\n0.5 0.01 0.02 0.03 0.04 0.05 0.06\n";

// Chamber stiffness referred to the piston area, N/m: A0^2 HCR p0 / V.
double chamber_stiffness(double radius_cm, double volume_litres) {
  const double area_cm2 = radius_cm * radius_cm * 3.141592;
  return area_cm2 * area_cm2 * 1e-8 * 1.4 * 101300 / (volume_litres / 1000);
}

TEST(AssembleMatrices, StandardStiffnessForOneBranch) {
  scratch_dir dir;
  auto s = build_model(one_branch, 1e-4);
  const double k0 = chamber_stiffness(5, 10), k1 = chamber_stiffness(5, 2);
  const double ku = 50 * 50 * 39.47840117785601 * 0.01;
  const double expected[3][3] = {{k0 + ku, k0, 0}, {k0, k0 + k1, -k1}, {0, -k1, k1}};
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) EXPECT_NEAR(s->KH[i][j], expected[i][j], 1e-9 * k1) << i << "," << j;
}

TEST(AssembleMatrices, StandardStiffnessForThreeBranches) {
  scratch_dir dir;
  auto s = build_model(three_branches, 1e-4);
  const double k[4] = {chamber_stiffness(5, 10), chamber_stiffness(5, 2), chamber_stiffness(5, 3),
                       chamber_stiffness(5, 4)};
  for (int i = 0; i < 7; ++i) {
    for (int j = 0; j < 7; ++j) {
      double expected = 0;
      if (i <= 3 && j <= 3) expected = k[0];  // piston and internal ducts share the main chamber
      if (i == j && i >= 1 && i <= 3) expected += k[i];
      if (i == j && i >= 4) expected = k[i - 3];
      const int branch = std::min(i, j);
      if (branch >= 1 && branch <= 3 && std::max(i, j) == branch + 3) expected = -k[branch];
      if (i == 0 && j == 0) expected += s->Ku;
      EXPECT_NEAR(s->KH[i][j], expected, 1e-9 * k[1]) << i << "," << j;
    }
  }
  // Beyond the ND x ND block everything is cleared.
  EXPECT_EQ(s->KH[7][7], 0);
  EXPECT_EQ(s->Q[24][24], 0);
}

TEST(AssembleMatrices, StiffnessIsSymmetricAndScaledByAreaRatios) {
  scratch_dir dir;
  auto s = build_model(three_branches, 1e-4);
  for (int i = 0; i < s->ND; ++i) {
    for (int j = 0; j < s->ND; ++j) {
      EXPECT_EQ(s->KH[i][j], s->KH[j][i]);
      EXPECT_DOUBLE_EQ(s->K[i][j], s->K[j][i]);  // (KH R_i) R_j: symmetric up to rounding
      EXPECT_DOUBLE_EQ(s->K[i][j], s->KH[i][j] * (s->A[i] / s->A[0]) * (s->A[j] / s->A[0]));
    }
  }
}

TEST(AssembleMatrices, ClosedBoxIterationEntryByHand) {
  scratch_dir dir;
  const double delta = 0.001;
  auto s = build_model("10 5 50\n0 20 1.4 1\n10\n0.5\n", delta);
  const double k = chamber_stiffness(5, 10) + 50 * 50 * 39.47840117785601 * 0.01;
  const double mp = 2 * 0.01 + 0.5 * delta;
  EXPECT_NEAR(s->Q[0][0], 2 * (2 * 0.01 - delta * delta * k) / mp, 1e-12);
  EXPECT_NEAR(s->MM_over_MP[0], (2 * 0.01 - 0.5 * delta) / mp, 1e-15);
  for (int i = 0; i < MAX_ELEMENTS; ++i) {
    EXPECT_EQ(s->xp[i], 0);
    EXPECT_EQ(s->xc[i], 0);
    EXPECT_EQ(s->force[i], 0);
  }
}

TEST(Matrices, ReportLayout) {
  scratch_dir dir;
  auto s = build_model(one_branch, 1e-4);
  ASSERT_TRUE(s->matrix.open("matrices.csv").ok());
  ASSERT_TRUE(matrices(*s).ok());
  ASSERT_TRUE(s->matrix.close().ok());
  std::string expected = "0,1,2,\n\nstandard stiffness matrix\n";
  auto rows = [&](const element_matrix& X) {
    for (int i = 0; i < 3; ++i) {
      for (int j = 0; j < 3; ++j) expected += format("%f,", X[i][j]);
      expected += "\n";
    }
  };
  rows(s->KH);
  expected += "\nactual stiffness matrix\n";
  rows(s->K);
  expected += "\nQ matrix\n";
  rows(s->Q);
  EXPECT_EQ(read_file("matrices.csv"), expected);
}

}  // namespace
