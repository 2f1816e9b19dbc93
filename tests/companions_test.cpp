// acoustic_steady against hand-worked networks and against a sequential
// run of acoustic_sim; acoustic_plot on the folders real runs leave.
#include <gtest/gtest.h>

#include <cmath>

#include "test_support.h"

namespace {

struct steady_run {
  program_run run;
  std::vector<double> natural;  // Hz, as printed
};

steady_run run_steady(const scratch_dir& dir, const std::string& parameters, const std::string& answer = "0\n") {
  write_file(dir.file("parameters.txt"), parameters);
  steady_run r{run_in(dir.path(), "'" ACOUSTIC_STEADY_PATH "'", answer), {}};
  for (const std::string& line : split(r.run.out))
    if (line.rfind("  ", 0) == 0) r.natural.push_back(std::stod(line.substr(line.find('\t') + 1)));
  return r;
}

class Steady : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::string(ACOUSTIC_STEADY_PATH).empty()) GTEST_SKIP() << "acoustic_steady not built (no Eigen)";
  }
};

// n = 0: one mass on the suspension and the box spring, w = sqrt(k / m).
// The explicit scheme is stable below 2 / w; a sweep's step 1 / (10
// division) needs division > w / 20.
TEST_F(Steady, ClosedBoxByHand) {
  scratch_dir dir;
  const steady_run r = run_steady(dir, "20 8 40\n0 100 1.4 1\n20\n0.2\n");
  ASSERT_EQ(r.run.exit_code, 0) << shown(r.run.err);
  const double area = 8 * 8 * 3.141592, mass = 0.02;
  const double w = std::sqrt((40 * 40 * 39.47840117785601 * mass + area * area * 1.4 * 1.013e-3 / 0.02) / mass);
  ASSERT_EQ(r.natural.size(), 1u) << shown(r.run.out);
  EXPECT_NEAR(r.natural[0], w / 6.283184, 1e-5);
  EXPECT_TRUE(contains(r.run.out, message("time step below %f s (w_max = %f rad/s)", 2 / w, w))) << shown(r.run.out);
  EXPECT_TRUE(contains(r.run.out, message("smallest stable division: %.0f for", std::floor(w / 20) + 1)));
}

// A sweep run against the exact steady state, wherever there are at least
// 20 steps per period. They differ by the scheme's own errors: the
// backward-difference velocity lags by w delta / 2 (corrected below) and
// shrinks by (w delta)^2 / 24; the central difference shifts every
// resonance by about (w delta)^2 / 24, which the slope s = d ln|H| / d ln f
// turns into an amplitude error of s times that; and the transient of each
// run leaves a few tenths of a percent at the low end. Tolerance 0.5 % +
// 3 (w delta)^2 / 24 (1 + |s|); points within 2 Hz of a resonance, where
// the 1 Hz grid cannot give the slope, are left out. The group delay is
// -d(phase)/dw of the exact curve, checked by central differences.
TEST_F(Steady, SweepAgreesWithinTheSchemesErrorAndGroupDelayIsTheSlopeOfThePhase) {
  for (const char* example : {"closed_box", "two_chamber"}) {
    scratch_dir dir;
    ASSERT_EQ(run_sim(dir, example_params(example), "0\n0\n").exit_code, 0);
    const steady_run steady = run_steady(dir, example_params(example));
    ASSERT_EQ(steady.run.exit_code, 0) << shown(steady.run.err);
    const int division = example[0] == 'c' ? 100 : 200;
    const auto sim = csv_rows(dir.file("dft_sequential_calculation_result.csv"));
    const auto exact = csv_rows(dir.file("steady_state_response.csv"));
    const auto elements = csv_rows(dir.file("steady_state_elements.csv"));
    ASSERT_EQ(sim.size(), exact.size());
    int compared = 0;
    for (std::size_t i = 1; i + 1 < sim.size(); ++i) {
      const double f = exact[i][0];
      bool near_resonance = false;
      for (double fn : steady.natural) near_resonance = near_resonance || std::fabs(f - fn) <= 2;
      if (near_resonance) continue;
      double dphase = exact[i + 1][2] - exact[i - 1][2];
      dphase -= 180 * std::round(dphase / 180);  // the phase is known modulo 180 degrees
      const double delay_ms = -dphase / 360 / 2 * 1000;
      EXPECT_NEAR(elements[i].back(), delay_ms, 0.02 * std::fabs(delay_ms) + 0.01) << example << " " << f;
      if (f > division / 2.0) continue;
      ++compared;
      const double slope = std::log(exact[i + 1][3] / exact[i - 1][3]) / 2 / std::log((f + 1) / (f - 1));
      const double w_delta = 2 * M_PI * f / (10 * division);
      const double scheme = 3 * w_delta * w_delta / 24 * (1 + std::fabs(slope));
      EXPECT_NEAR(std::sqrt(sim[i][3] / exact[i][3]), 1.0, 0.005 + scheme) << example << " at " << f << " Hz";
      double difference = sim[i][2] - (exact[i][2] - 360 * f / (10 * division) / 2);
      difference -= 180 * std::round(difference / 180);
      EXPECT_LT(std::fabs(difference), 1.0 + scheme * 180 / M_PI) << example << " at " << f << " Hz";
    }
    EXPECT_GT(compared, 30);
  }
}

TEST_F(Steady, BadParametersAreOneErrorLineAndNoFiles) {
  const struct {
    std::string parameters, error;
  } cases[] = {{"20 8 40\n0 100 1.4 1\n-20\n0.2\n", "acoustic_steady: parameters.txt: value 8"},
               {"20 8 40\n0 100 1.4 1\n1e-320\n0.2\n", "acoustic_steady: parameters.txt: chamber volume V[0]"}};
  for (const auto& c : cases) {
    scratch_dir dir;
    const steady_run r = run_steady(dir, c.parameters);
    EXPECT_EQ(r.run.exit_code, 1);
    EXPECT_EQ(r.run.err.rfind(c.error, 0), 0u) << shown(r.run.err);
    EXPECT_EQ(split(r.run.err).size(), 1u);
    EXPECT_EQ(read_file(dir.file("steady_state_response.csv")), "");
  }
}

program_run run_plot(const scratch_dir& dir) { return run_in(dir.path(), "'" ACOUSTIC_PLOT_PATH "'", ""); }

// Pictures of what the last run left: a one-time run's spectrum and
// histories, but not once a sweep has followed it; a steady state's
// design, response and amplitudes. A malformed file or an empty folder is
// one error line.
TEST_F(Steady, PlotDrawsWhatTheLastRunLeft) {
  if (std::system("gnuplot -e 'set terminal pngcairo' > /dev/null 2>&1") != 0) GTEST_SKIP() << "no gnuplot";
  scratch_dir dir;
  ASSERT_EQ(run_sim(dir, closed_box, "0\n1\n0\n50\n").exit_code, 0);
  EXPECT_EQ(run_plot(dir).out, "wrote spectrum.png\nwrote history.png\n");
  ASSERT_EQ(run_sim(dir, closed_box, "0\n0\n").exit_code, 0);
  EXPECT_EQ(run_plot(dir).out, "wrote response.png\n");
  scratch_dir steady;
  ASSERT_EQ(run_steady(steady, closed_box).run.exit_code, 0);
  EXPECT_EQ(run_plot(steady).out, "wrote design.png\nwrote response.png\nwrote elements.png\n");
  EXPECT_EQ(read_file(steady.file("design.png")).substr(1, 3), "PNG");
  write_file(steady.file("steady_state_response.csv"), "frequency[Hz],SPL,phase,Pa,Re,Im\n10.0,abc,0,1,1,0\n");
  EXPECT_EQ(run_plot(steady).err,
            "acoustic_plot: steady_state_response.csv: line 2 field 2 is \"abc\": expected a number\n");
  scratch_dir empty;
  const program_run nothing = run_plot(empty);
  EXPECT_EQ(nothing.exit_code, 1);
  EXPECT_TRUE(contains(nothing.err, "acoustic_plot: nothing to draw")) << shown(nothing.err);
}

}  // namespace
