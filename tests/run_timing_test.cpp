// Run timing for each excitation and processing mode: worked counts, and
// the exact truncation the sweep's row count needs.
#include "control/run_timing.h"

#include <gtest/gtest.h>

#include "test_support.h"
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
    ASSERT_TRUE(st.ok()) << shown(st.message);
    const char* shape = "F %g phi %g rows %d cycles %d/%d delta %.12g choice %d sweep %d..%d from %d";
    const bool sweep = c.excitation == 'w', sequential = c.excitation == 'q';
    EXPECT_EQ(
        message(shape, s.F, s.phi, s.n_rows, s.n_cycles, s.req_cycles, s.delta, s.choice, s.fsmin, s.fsmax, s.fseq),
        message(shape, c.F_used, sweep ? c.F_used : 0, c.n_rows, c.n_cycles, c.req_cycles, c.delta, sequential ? 0 : 7,
                sequential ? 10 : 0, sequential ? 400 : 0, sequential ? 10 : 0));
  }
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
