// Run timing for each excitation and processing mode: the spec's worked
// counts, and the exact truncation the sweep's row count needs.
#include "control/run_timing.h"

#include <gtest/gtest.h>

#include "util/binary_double.h"

namespace {

struct timing_case {
  char excitation;  // s sinusoid, w sweep, r random, q sequential set-up
  double F;
  int division;
  double F_used;
  int n_rows, n_cycles, req_cycles;
  double delta;
};

TEST(RunTiming, WorkedCounts) {
  const timing_case cases[] = {
      {'s', 50, 20, 50, 1000, 50, 50, 0.001},
      {'s', 2.5, 20, 2.5, 40, 2, 2, 0.02},  // whole cycles only: 0.8 s
      {'s', 0.5, 20, 0.5, 0, 0, 0, 0.1},
      // The stored delta lies above 1/N for these three: one step less.
      {'w', 200, 10, 200, 1999, 0, 0, 1.0 / 2000},
      {'w', 300, 10, 300, 2999, 0, 0, 1.0 / 3000},
      {'w', 300, 100, 300, 29999, 0, 0, 1.0 / 30000},
      {'w', 201, 10, 201, 2010, 0, 0, 1.0 / 2010},
      {'w', 250.25, 10, 250.25, 2502, 0, 0, 1.0 / 2502.5},
      {'w', 150, 10, 200, 1999, 0, 0, 1.0 / 2000},  // held to 200..300 Hz
      {'w', 1000, 10, 300, 2999, 0, 0, 1.0 / 3000},
      {'r', 0, 30, 100, 3000, 100, 100, 1.0 / 3000},
      {'q', 0, 30, 10, 300, 10, 0, 1.0 / 300},
  };
  for (const timing_case& c : cases) {
    model_state s;
    s.division = c.division;
    s.choice = 7;
    const status st = c.excitation == 's'   ? time_sinusoid(s, c.F)
                      : c.excitation == 'w' ? time_sweep(s, c.F)
                      : c.excitation == 'r' ? time_random(s)
                                            : time_sequential(s);
    ASSERT_TRUE(st.ok()) << st.message;
    const std::string where = std::string(1, c.excitation) + " " + std::to_string(c.F);
    EXPECT_EQ(s.F, c.F_used) << where;
    EXPECT_EQ(s.n_rows, c.n_rows) << where;
    EXPECT_EQ(s.n_cycles, c.n_cycles) << where;
    EXPECT_EQ(s.req_cycles, c.req_cycles) << where;
    EXPECT_DOUBLE_EQ(s.delta, c.delta) << where;
    if (c.excitation == 'w') {
      EXPECT_EQ(s.phi, s.F);
    }
    if (c.excitation == 'q') {
      EXPECT_EQ(s.choice, 0);
      EXPECT_EQ(s.fsmin, 10);
      EXPECT_EQ(s.fseq, 10);
      EXPECT_EQ(s.fsmax, 400);
    }
  }
}

TEST(RunTiming, StepCountsThatOverflowAreRefused) {
  model_state s;
  s.division = 1000;
  EXPECT_FALSE(time_sinusoid(s, 1e7).ok());
  s.division = 1;
  EXPECT_FALSE(time_sinusoid(s, 1e300).ok());
  s.division = 2000000000;
  EXPECT_FALSE(time_sequential(s).ok());
  EXPECT_FALSE(time_random(s).ok());
  EXPECT_FALSE(time_sweep(s, 300).ok());
}

TEST(ExactQuotient, AgreesWithExactFractions) {
  const struct {
    double num, den;
    std::int64_t q;
  } cases[] = {{1.0, 0.25, 4},
               {7.0, 2.0, 3},
               {1.0, 3.0, 0},
               {1.0, 0.1, 9},  // the double 0.1 exceeds 1/10
               {1e15, 1e-3, 999999999999999979},
               {5e-324, 1.0, 0}};
  for (const auto& c : cases) {
    std::int64_t q = -1;
    ASSERT_TRUE(exact_truncated_quotient(c.num, c.den, q));
    EXPECT_EQ(q, c.q) << c.num << " / " << c.den;
  }
  std::int64_t q;
  EXPECT_FALSE(exact_truncated_quotient(1e300, 1e-300, q));
}

}  // namespace
