// The force on the piston, by hand, and a run that stops at its first
// failed write. (The recursion, the histories and the signal file are
// checked end to end: against the steady state in companions_test, byte for
// byte in program_test.)
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "simulation/excitation.h"
#include "simulation/simulation_run.h"
#include "test_support.h"

namespace {

// glibc's rand() from its default seed starts 1804289383, 846930886,
// 1681692777: levels 83, 86, 77 of 0..99, i.e. 33, 36, 27 fiftieths of b.
TEST(Excitation, ForceOfEachKindByHand) {
  model_state s;
  s.delta = 1e-3;
  s.b = 2;
  s.F = s.phi = 50;
  s.MP[0] = 0.04;
  const struct {
    int choice, k;
    double force;
  } cases[] = {{0, 0, 0},
               {0, 3, std::sin(50 * 6.283184 * 0.003) * 2},
               {1, 3, std::sin(50 * 6.283184 * 9e-6) * 2},
               {2, 0, 0.66 * 2},
               {2, 1, 0.72 * 2},
               {7, 2, 0.54 * 2}};
  std::srand(1);
  for (const auto& c : cases) {
    s.choice = c.choice;
    excite(s, c.k);
    EXPECT_DOUBLE_EQ(s.tempo, c.k * 1e-3);
    EXPECT_DOUBLE_EQ(s.forte, c.force) << c.choice << " step " << c.k;
    EXPECT_DOUBLE_EQ(s.force[0], 2 * 1e-6 / 0.04 * c.force);
  }
}

// Histories on a full disk: the run stops within 1024 steps of the first
// failed write (a buffer of 64 KiB holds at most 65536 / 30 rows of this
// network), not after all 100001.
// The same with the histories' worker, whose files alone fail.
TEST(SimulationRun, StopsAtTheFirstFailedWrite) {
  for (int threads : {1, 2}) {
    for (bool only_workers_files : {false, true}) {
      scratch_dir dir;
      auto s = build_model(closed_box, 1e-4);
      s->F = 50;
      s->n_rows = 100000;
      s->threads = threads;
      for (text_file* f : {&s->displacement, &s->displacement_n, &s->velocity, &s->velocity_n}) {
        const bool fails = !only_workers_files || f != &s->displacement;
        ASSERT_TRUE(f->open(fails ? "/dev/full" : dir.file("x.csv")).ok());
      }
      history_pipeline histories(*s);
      const status outcome = results(*s, histories);
      EXPECT_EQ(outcome.message, "cannot write /dev/full: No space left on device") << threads;
      EXPECT_LT(s->tempo, (65536 / 30 + 1024) * 1e-4) << threads << only_workers_files;
    }
  }
}

}  // namespace
