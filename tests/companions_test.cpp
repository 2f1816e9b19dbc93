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
  for (const std::string& line : split_lines(r.run.out))
    if (line.rfind("  ", 0) == 0) r.natural.push_back(std::stod(line.substr(line.find('\t') + 1)));
  return r;
}

double chamber_stiffness(double area_cm2, double volume_litres) {
  return area_cm2 * area_cm2 * 1e-8 * 1.4 * 101300 / (volume_litres / 1000);
}

class Steady : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::string(ACOUSTIC_STEADY_PATH).empty()) GTEST_SKIP() << "acoustic_steady not built (no Eigen)";
  }
};

// n = 0: one mass on the suspension and the box spring, w = sqrt(k / m).
// The explicit scheme is stable below 2 / w; a sweep's step 1 / (10
// division) needs division > w / 20. The velocity response peaks at w.
TEST_F(Steady, ClosedBoxByHand) {
  scratch_dir dir;
  const steady_run r = run_steady(dir, "20 8 40\n0 100 1.4 1\n20\n0.2\n");
  ASSERT_EQ(r.run.exit_code, 0) << r.run.err;
  const double area = 8 * 8 * 3.141592, mass = 0.02;
  const double w = std::sqrt((40 * 40 * 39.47840117785601 * mass + chamber_stiffness(area, 20)) / mass);
  ASSERT_EQ(r.natural.size(), 1u) << r.run.out;
  EXPECT_NEAR(r.natural[0], w / 6.283184, 1e-5);
  EXPECT_TRUE(contains(r.run.out, format("time step below %f s (w_max = %f rad/s)", 2 / w, w))) << r.run.out;
  EXPECT_TRUE(contains(r.run.out, format("smallest stable division: %.0f for", std::floor(w / 20) + 1)));
  const auto rows = csv_rows(dir.file("steady_state_response.csv"));
  ASSERT_EQ(rows.size(), 391u);
  std::size_t peak = 0;
  for (std::size_t i = 0; i < rows.size(); ++i)
    if (rows[i][3] > rows[peak][3]) peak = i;
  EXPECT_NEAR(rows[peak][0], w / 6.283184, 0.5);
  // Velocity amplitude = w x displacement amplitude (mm to m).
  const auto elements = csv_rows(dir.file("steady_state_elements.csv"));
  EXPECT_NEAR(elements[40][2], elements[40][1] / 1000 * 50 * 6.283184, 1e-6);
}

// Undamped n = 1: the three roots of det(K - lambda M) = 0, found here by
// bisection on the determinant of the network's springs and masses.
TEST_F(Steady, OneBranchEigenfrequencies) {
  scratch_dir dir;
  const steady_run r = run_steady(dir, "20 8 40\n1 100 1.4 1\n20 5\n20 25\n50 150\n0 0 0\n");
  ASSERT_EQ(r.run.exit_code, 0) << r.run.err;
  const double area = 64 * 3.141592, k0 = chamber_stiffness(area, 20), k1 = chamber_stiffness(area, 5);
  const double mass[3] = {0.02, 20e-4 * 50e-3 * 1.2, 25e-4 * 150e-3 * 1.2}, ratio[3] = {1, 20 / area, 25 / area};
  const double ku = 40 * 40 * 39.47840117785601 * mass[0];
  const double standard[3][3] = {{k0 + ku, k0, 0}, {k0, k0 + k1, -k1}, {0, -k1, k1}};
  auto det = [&](double lambda) {
    double a[3][3];
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j < 3; ++j) a[i][j] = standard[i][j] * ratio[i] * ratio[j] - (i == j ? lambda * mass[i] : 0);
    return a[0][0] * (a[1][1] * a[2][2] - a[1][2] * a[2][1]) - a[0][1] * (a[1][0] * a[2][2] - a[1][2] * a[2][0]) +
           a[0][2] * (a[1][0] * a[2][1] - a[1][1] * a[2][0]);
  };
  std::vector<double> roots;
  for (double lo = 1, hi = 1.001; hi < 1e12; lo = hi, hi *= 1.001) {
    if ((det(lo) < 0) == (det(hi) < 0)) continue;
    double a = lo, b = hi;
    for (int i = 0; i < 100; ++i) ((det(a) < 0) != (det((a + b) / 2) < 0) ? b : a) = (a + b) / 2;
    roots.push_back(std::sqrt(a) / 6.283184);
  }
  ASSERT_EQ(roots.size(), 3u);
  ASSERT_EQ(r.natural.size(), 3u) << r.run.out;
  for (int i = 0; i < 3; ++i) EXPECT_NEAR(r.natural[i], roots[i], 1e-6 * roots[i] + 1e-6) << i;
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
    ASSERT_EQ(steady.run.exit_code, 0) << steady.run.err;
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
    EXPECT_EQ(r.run.err.rfind(c.error, 0), 0u) << r.run.err;
    EXPECT_EQ(split_lines(r.run.err).size(), 1u);
    EXPECT_EQ(read_file(dir.file("steady_state_response.csv")), "");
  }
}

program_run run_plot(const scratch_dir& dir) { return run_in(dir.path(), "'" ACOUSTIC_PLOT_PATH "'", ""); }

// Pictures of a one-time run and of a sweep with its steady state; a
// malformed file or an empty folder is one error line.
TEST_F(Steady, PlotDrawsWhatTheRunsLeft) {
  if (std::system("gnuplot -e 'set terminal pngcairo' > /dev/null 2>&1") != 0) GTEST_SKIP() << "no gnuplot";
  scratch_dir dir;
  ASSERT_EQ(run_sim(dir, example_params("two_chamber"), "0\n1\n0\n50\n").exit_code, 0);
  EXPECT_EQ(run_plot(dir).out, "wrote spectrum.png\nwrote history.png\n");
  scratch_dir sweep;
  ASSERT_EQ(run_sim(sweep, closed_box, "0\n0\n").exit_code, 0);
  ASSERT_EQ(run_steady(sweep, closed_box).run.exit_code, 0);
  EXPECT_EQ(run_plot(sweep).out, "wrote response.png\nwrote elements.png\n");
  EXPECT_EQ(read_file(sweep.file("response.png")).substr(1, 3), "PNG");

  write_file(sweep.file("steady_state_response.csv"), "frequency[Hz],SPL,phase,Pa,Re,Im\n10.0,abc,0.0,1.0,1.0,0.0\n");
  EXPECT_EQ(run_plot(sweep).err, "steady_state_response.csv: line 2 field 2 is \"abc\": expected a number\n");
  scratch_dir empty;
  const program_run nothing = run_plot(empty);
  EXPECT_EQ(nothing.exit_code, 1);
  EXPECT_TRUE(contains(nothing.err, "acoustic_plot: nothing to draw")) << nothing.err;
}

}  // namespace
