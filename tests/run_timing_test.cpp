// Run timing for each excitation and processing mode.
#include "control/run_timing.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

std::unique_ptr<model_state> with_division(int division) {
  auto s = std::make_unique<model_state>();
  s->division = division;
  return s;
}

TEST(RunTiming, SweepRowCountSeesTheRoundedTimeStep) {
  struct row_case {
    double F;
    int division, rows;
  } cases[] = {{200, 10, 1999}, {300, 10, 2999}, {300, 100, 29999}, {201, 10, 2010}, {250.25, 10, 2502}};
  for (const auto& c : cases) {
    auto s = with_division(c.division);
    ASSERT_TRUE(time_sweep(*s, c.F).ok());
    EXPECT_EQ(s->n_rows, c.rows) << "F " << c.F << " division " << c.division;
    EXPECT_EQ(s->phi, s->F);
    EXPECT_EQ(s->n_cycles, 0);
  }
}

TEST(RunTiming, SweepFrequencyIsHeldBetween200And300) {
  const double entered[] = {150, 1000, 200, 300, 250};
  const double used[] = {200, 300, 200, 300, 250};
  for (int i = 0; i < 5; ++i) {
    auto s = with_division(10);
    ASSERT_TRUE(time_sweep(*s, entered[i]).ok());
    EXPECT_EQ(s->F, used[i]);
  }
}

TEST(RunTiming, SinusoidRunsWholeCycles) {
  auto s = with_division(20);
  ASSERT_TRUE(time_sinusoid(*s, 50).ok());
  EXPECT_EQ(s->req_cycles, 50);
  EXPECT_EQ(s->n_cycles, 50);
  EXPECT_EQ(s->n_rows, 1000);
  EXPECT_DOUBLE_EQ(s->delta, 0.001);

  auto fractional = with_division(20);
  ASSERT_TRUE(time_sinusoid(*fractional, 2.5).ok());
  EXPECT_EQ(fractional->n_cycles, 2);
  EXPECT_EQ(fractional->n_rows, 40);
  EXPECT_DOUBLE_EQ(fractional->delta, 0.02);

  auto slow = with_division(20);
  ASSERT_TRUE(time_sinusoid(*slow, 0.5).ok());
  EXPECT_EQ(slow->n_rows, 0);
}

TEST(RunTiming, RandomAndSequentialTimeBases) {
  auto random = with_division(30);
  ASSERT_TRUE(time_random(*random).ok());
  EXPECT_EQ(random->F, 100.0);
  EXPECT_EQ(random->n_rows, 3000);
  EXPECT_EQ(random->n_cycles, 100);

  auto sweep = with_division(30);
  sweep->choice = 5;
  ASSERT_TRUE(time_sequential(*sweep).ok());
  EXPECT_EQ(sweep->choice, 0);
  EXPECT_EQ(sweep->F, 10.0);
  EXPECT_EQ(sweep->fsmin, 10);
  EXPECT_EQ(sweep->fsmax, 400);
  EXPECT_EQ(sweep->fseq, 10);
  EXPECT_EQ(sweep->n_cycles, 10);
  EXPECT_EQ(sweep->n_rows, 300);
  EXPECT_EQ(sweep->req_cycles, 0);
  EXPECT_DOUBLE_EQ(sweep->delta, 1.0 / 300);
}

TEST(RunTiming, StepCountsThatOverflowAreRefused) {
  auto big_frequency = with_division(1000);
  EXPECT_FALSE(time_sinusoid(*big_frequency, 1e7).ok());
  auto huge_frequency = with_division(1);
  EXPECT_FALSE(time_sinusoid(*huge_frequency, 1e300).ok());
  auto big_division = with_division(2000000000);
  EXPECT_FALSE(time_sequential(*big_division).ok());
  EXPECT_FALSE(time_random(*big_division).ok());
  EXPECT_FALSE(time_sweep(*big_division, 300).ok());
}

TEST(ExactQuotient, AgreesWithExactCases) {
  std::int64_t q = 0;
  ASSERT_TRUE(exact_truncated_quotient(1.0, 0.25, q));
  EXPECT_EQ(q, 4);
  ASSERT_TRUE(exact_truncated_quotient(7.0, 2.0, q));
  EXPECT_EQ(q, 3);
  ASSERT_TRUE(exact_truncated_quotient(1.0, 3.0, q));
  EXPECT_EQ(q, 0);
  // 1 / 0.1: the double 0.1 is slightly above one tenth.
  ASSERT_TRUE(exact_truncated_quotient(1.0, 0.1, q));
  EXPECT_EQ(q, 9);
  ASSERT_TRUE(exact_truncated_quotient(1e15, 1e-3, q));
  EXPECT_EQ(q, 999999999999999979);  // worked out with exact fractions
  EXPECT_FALSE(exact_truncated_quotient(1e300, 1e-300, q));
}

}  // namespace
