// Reading "parameters.txt" and the piston quantities derived from it.
#include "model/parameters.h"

#include <gtest/gtest.h>

#include "test_support.h"

namespace {

std::string f6(double x) { return format("%f", x); }

TEST(LoadParameters, WorkedPistonNumbers) {
  scratch_dir dir;
  auto s = build_model("10\t5\t50\n0\t20\t1.4\t1\n10\n0.5\n", 0);
  EXPECT_EQ(f6(s->A[0]), "78.539800");
  EXPECT_EQ(f6(s->M[0]), "0.010000");
  EXPECT_EQ(f6(s->L[0]), "1061.033175");
  EXPECT_EQ(f6(s->Ku), "986.960029");
  EXPECT_EQ(s->R[0], 1.0);
  EXPECT_EQ(s->ND, 1);
}

TEST(LoadParameters, ValuesInFileOrderForTwoBranches) {
  scratch_dir dir;
  auto s = build_model("30 10 30\n2 200 1.4 2\n40 10 5\n20 15 25 20\n50 80 150 120\n1.5 .1 .2 .3 .4\n", 0);
  EXPECT_EQ(s->n, 2);
  EXPECT_EQ(s->ND, 5);
  EXPECT_EQ(s->division, 200);
  EXPECT_EQ(s->HCR, 1.4);
  EXPECT_EQ(s->b, 2.0);
  EXPECT_EQ(s->V[0], 40);
  EXPECT_EQ(s->V[2], 5);
  // Internal ducts 1..n before external ducts n+1..2n.
  EXPECT_EQ(s->A[1], 20);
  EXPECT_EQ(s->A[4], 20);
  EXPECT_EQ(s->A[3], 25);
  EXPECT_EQ(s->L[2], 80);
  EXPECT_EQ(s->L[3], 150);
  EXPECT_EQ(s->C[0], 1.5);
  EXPECT_EQ(s->C[4], 0.4);
}

TEST(LoadParameters, AnyWhiteSpaceSeparatesValues) {
  scratch_dir dir;
  auto tabs = build_model("10\t5\t50\n1\t20\t1.4\t1\n10\t2\n3\t4\n5\t6\n0.1\t0.2\t0.3\n", 0);
  auto mixed = build_model("10 5\n50 1\n\n 20 1.4   1 10 2 3\r\n4 5 6 0.1 0.2\t\t0.3", 0);
  EXPECT_EQ(mixed->C[2], tabs->C[2]);
  EXPECT_EQ(mixed->L[2], tabs->L[2]);
  EXPECT_EQ(mixed->V[1], tabs->V[1]);
  EXPECT_EQ(mixed->Ku, tabs->Ku);
}

}  // namespace
