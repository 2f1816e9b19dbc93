// acoustic_steady against hand-worked networks, closed-form loudspeaker
// theory and a sequential run of acoustic_sim; open chambers in
// acoustic_sim; acoustic_plot on the folders real runs leave.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>

#include "test_support.h"

namespace {

using complex = std::complex<double>;

program_run run_steady(const scratch_dir& dir, const std::string& parameters,
                       const std::string& options = "--vector-sum 0") {
  write_file(dir.file("parameters.txt"), parameters);
  return run_in(dir.path(), "'" ACOUSTIC_STEADY_PATH "' " + options, "");
}

// The number the console prints after `label`.
double printed(const std::string& console, const std::string& label) {
  const std::size_t at = console.find(label);
  return at == std::string::npos ? NAN : std::strtod(console.c_str() + at + label.size(), nullptr);
}

// The natural frequencies as printed, Hz.
std::vector<double> natural_frequencies(const std::string& console) {
  std::vector<double> hz;
  for (const std::string& line : split(console))
    if (line.rfind("  ", 0) == 0) hz.push_back(std::stod(line.substr(line.find('\t') + 1)));
  return hz;
}

class Steady : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::string(ACOUSTIC_STEADY_PATH).empty()) GTEST_SKIP() << "acoustic_steady not built (no Eigen)";
  }
};

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
    const program_run steady = run_steady(dir, example_params(example));
    ASSERT_EQ(steady.exit_code, 0) << shown(steady.err);
    const int division = example[0] == 'c' ? 100 : 200;
    const auto sim = csv_rows(dir.file("dft_sequential_calculation_result.csv"));
    const auto exact = csv_rows(dir.file("steady_state_response.csv"));
    const auto elements = csv_rows(dir.file("steady_state_elements.csv"));
    ASSERT_EQ(sim.size(), exact.size());
    int compared = 0;
    for (std::size_t i = 1; i + 1 < sim.size(); ++i) {
      const double f = exact[i][0];
      bool near_resonance = false;
      for (double fn : natural_frequencies(steady.out)) near_resonance = near_resonance || std::fabs(f - fn) <= 2;
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
               {"20 8 40\n0 100 1.4 1\n1e-320\n0.2\n", "acoustic_steady: parameters.txt: chamber volume V[0]"},
               {"30 10 30\n1 10 1.4 2\n40 10\n1e308 25\n50 150\n1.5 0.02 0.05\n",
                "acoustic_steady: parameters.txt: duct area A[1] = 1e+308 cm^2 against a piston of 314.159 cm^2"},
               {"20 1e-160 40\n1 100 1.4 1\n20 5\n20 25\n50 150\n1.0 0.05 0.08\n",
                "acoustic_steady: parameters.txt: duct area A[1] = 20 cm^2 against a piston of 3.14176e-320"},
               {"20 8 1.41e308\n0 100 1.4 1\n20\n0.2\n", "acoustic_steady: parameters.txt: piston mass m0 = 20 g"},
               {std::string("20 8 40\n0 100 1.4 1\n20\0\n0.2\n", 29), "acoustic_steady: parameters.txt: value 8"}};
  for (const auto& c : cases) {
    scratch_dir dir;
    const program_run r = run_steady(dir, c.parameters);
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_EQ(r.err.rfind(c.error, 0), 0u) << shown(r.err);
    EXPECT_EQ(split(r.err).size(), 1u);
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
  ASSERT_EQ(run_steady(steady, closed_box).exit_code, 0);
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

// A 20 g piston of 6.5 cm radius on a 40 Hz suspension in an infinite
// baffle, 1 W into RE: p_rms^2 = rho c / (2 pi) eta0 W / r^2 with
// eta0 = rho / (2 pi c) BL^2 Sd^2 / (RE Mms^2), times the second-order
// high-pass of fs and Qts; excursion and impedance of the same mass on a
// spring, Z = RE + BL^2 / (C + i w M + K / (i w)).
TEST_F(Steady, InfiniteBaffleFollowsTheSecondOrderHighPass) {
  scratch_dir dir;
  const double M = 0.02, C = 1.26, bl = 7, re = 5.6, Sd = 6.5 * 6.5 * 3.141592e-4, fs = 40, rho = 1.2;
  const double c = std::sqrt(1.4 * 101300 / rho), eta0 = rho / (2 * M_PI * c) * bl * bl * Sd * Sd / (re * M * M);
  const double K = std::pow(2 * M_PI * fs, 2) * M, Qts = 2 * M_PI * fs * M / (C + bl * bl / re);
  const program_run r = run_steady(dir, "20 6.5 40\n0 100 1.4 1\ninf\n1.26\n",
                                   message("--vector-sum 0 --voltage %.17g --bl 7 --re 5.6", std::sqrt(re)));
  ASSERT_EQ(r.exit_code, 0) << shown(r.err);
  EXPECT_NEAR(printed(r.out, "Qts = "), Qts, 1e-5);
  const auto rows = csv_rows(dir.file("steady_state_design.csv"));
  ASSERT_EQ(rows.size(), 391u);
  for (const auto& row : rows) {
    const double w = 2 * M_PI * row[0];
    const complex s(0, w / (2 * M_PI * fs)), high_pass = s * s / (s * s + s / Qts + 1.0);
    const double spl =
        10 * std::log10(rho * c / (2 * M_PI) / 4e-10) + 10 * std::log10(eta0) + 20 * std::log10(std::abs(high_pass));
    const complex x = bl * std::sqrt(re) / re / (K - w * w * M + complex(0, w) * (C + bl * bl / re));
    const complex z = re + bl * bl / (C + complex(0, w * M) + K / complex(0, w));
    EXPECT_NEAR(row[1], spl, 0.01) << row[0];
    EXPECT_NEAR(row[2], std::arg(high_pass) * 180 / M_PI, 0.05) << row[0];
    EXPECT_NEAR(row[4], std::abs(x) * std::sqrt(2.0) * 1000, 1e-3 * row[4]) << row[0];
    EXPECT_NEAR(row[5], std::abs(z), 1e-3 * row[5]) << row[0];
    EXPECT_NEAR(row[6], std::arg(z) * 180 / M_PI, 0.05) << row[0];
  }
  // The group delay is -d(phase)/dw: central differences of the phase.
  for (std::size_t i = 1; i + 1 < rows.size(); ++i)
    EXPECT_NEAR(rows[i][3], -(rows[i + 1][2] - rows[i - 1][2]) / 720 * 1000, 0.01 + 0.01 * rows[i][3]) << rows[i][0];
}

// A closed box: fc = fs sqrt(1 + Vas / Vb) from the printed Vas, and the
// impedance peaks at fc. A vented box: two impedance peaks, and both the impedance between
// them and the excursion have their dip at the port's tuning.
TEST_F(Steady, ClosedAndVentedBoxes) {
  scratch_dir closed;
  const program_run box =
      run_steady(closed, "20 6.5 40\n0 100 1.4 1\n25\n1.26\n", "--vector-sum 0 --voltage 2.83 --bl 7 --re 5.6");
  ASSERT_EQ(box.exit_code, 0) << shown(box.err);
  const double fc = 40 * std::sqrt(1 + printed(box.out, "Vas = ") / 25);
  EXPECT_NEAR(printed(box.out, "fc = "), fc, 1e-5);
  // Undamped, the box is one mass on the suspension and the box spring,
  // w = sqrt(k / m); the explicit scheme is stable below 2 / w, so a
  // sweep's step 1 / (10 division) needs division > w / 20.
  const double area = 6.5 * 6.5 * 3.141592;
  const double w = std::sqrt((40 * 40 * 39.47840117785601 * 0.02 + area * area * 1.4 * 1.013e-3 / 0.025) / 0.02);
  ASSERT_EQ(natural_frequencies(box.out).size(), 1u);
  EXPECT_NEAR(natural_frequencies(box.out)[0], w / 6.283184, 1e-5);
  EXPECT_NEAR(fc, w / 2 / M_PI, 1e-4);
  EXPECT_TRUE(contains(box.out, message("time step below %f s (w_max = %f rad/s)", 2 / w, w))) << shown(box.out);
  EXPECT_TRUE(contains(box.out, message("smallest stable division: %.0f for", std::floor(w / 20) + 1)));
  const auto rows = csv_rows(closed.file("steady_state_design.csv"));
  std::size_t peak = 0;
  for (std::size_t i = 0; i < rows.size(); ++i)
    if (rows[i][5] > rows[peak][5]) peak = i;
  EXPECT_NEAR(rows[peak][0], fc, 1.0);

  scratch_dir vented;
  const program_run port = run_steady(vented, example_params("vented_box"),
                                      "--vector-sum 0 --voltage 2.83 --bl 7 --re 5.6 --xmax 1 --duct-velocity-limit 5");
  ASSERT_EQ(port.exit_code, 0) << shown(port.err);
  const double fb = printed(port.out, "tuned to ");
  const auto v = csv_rows(vented.file("steady_state_design.csv"));
  std::size_t least_excursion = 0, dip = 0;
  std::vector<std::size_t> peaks;
  for (std::size_t i = 1; i + 1 < v.size(); ++i) {
    if (v[i][4] < v[i - 1][4] && v[i][4] < v[i + 1][4]) least_excursion = i;
    if (v[i][7] > v[i - 1][7] && v[i][7] > v[i + 1][7]) peaks.push_back(i);
    if (v[i][7] < v[i - 1][7] && v[i][7] < v[i + 1][7]) dip = i;
  }
  ASSERT_EQ(peaks.size(), 2u);
  EXPECT_TRUE(peaks[0] < dip && dip < peaks[1]);
  // The 1 Hz grid, and the port's losses moving the dip a little.
  EXPECT_NEAR(v[dip][0], fb, 1.5);
  EXPECT_NEAR(v[least_excursion][0], fb, 1.5);
  EXPECT_TRUE(contains(port.out, "\nexcursion above 1.0 mm from 10 Hz to "));
  EXPECT_TRUE(contains(port.out, "\nduct 1 air velocity above 5 m/s from "));
  EXPECT_FALSE(contains(port.out, "within the limits"));
  // Far below the tuning piston and port cancel: a fourth-order roll-off,
  // 24 dB per octave (were the port's sign wrong, they would add: 12 dB).
  EXPECT_NEAR(v[10][1] - v[0][1], 24, 1.5);
}

// An open chamber is an infinite volume, and its stiffness exactly 0: an
// infinite baffle writes what a main chamber too large to add to any sum
// writes, and a vented box's external duct, open on both sides, never
// moves.
TEST(OpenChamber, StiffnessExactlyZero) {
  for (const char* answers : {"0\n1\n0\n50\n", "0\n2\n"}) {
    scratch_dir open, huge;
    const program_run a = run_sim(open, "20 6.5 40\n0 100 1.4 1\ninf\n1.26\n", answers);
    const program_run b = run_sim(huge, "20 6.5 40\n0 100 1.4 1\n1e308\n1.26\n", answers);
    ASSERT_EQ(a.exit_code, 0) << shown(a.err);
    EXPECT_EQ(a.out, b.out);
    for (const std::string& f : output_files) EXPECT_TRUE(read_file(open.file(f)) == read_file(huge.file(f))) << f;
  }
  scratch_dir vented;
  const program_run r = run_sim(vented, example_params("vented_box"), "0\n1\n0\n50\n");
  EXPECT_TRUE(contains(r.out, "standard stiffness matrix values 1\t0.000000\n"));
  const auto x = csv_rows(vented.file("x_vectors.csv"));
  ASSERT_EQ(x.size(), 5001u);
  for (const auto& row : x) ASSERT_EQ(row[4], 0.0);  // time, force, x[0], x[1], x[2]
}

// --vector-sum answers the console's question: the same files as answering it.
TEST_F(Steady, VectorSumOptionAnswersTheQuestion) {
  scratch_dir asked, given;
  write_file(asked.file("parameters.txt"), example_params("two_chamber"));
  ASSERT_EQ(run_in(asked.path(), "'" ACOUSTIC_STEADY_PATH "'", "1\n").exit_code, 0);
  ASSERT_EQ(run_steady(given, example_params("two_chamber"), "--vector-sum 1").exit_code, 0);
  for (const char* f : {"steady_state_response.csv", "steady_state_design.csv"})
    EXPECT_TRUE(read_file(asked.file(f)) == read_file(given.file(f))) << f;
}

TEST_F(Steady, BadOptionsAreOneErrorLine) {
  const std::pair<const char*, const char*> cases[] = {
      {"--bogus 1", "unknown option \"--bogus\": see --help"},
      {"--distance", "option --distance needs a value: see --help"},
      {"--space up", "option --space is \"up\": expected half or full"},
      {"--xmax -1", "option --xmax is \"-1\": expected a positive number"},
      {"--voltage 2.83 --bl 7", "a voice coil needs --voltage, --bl and --re together: --re is missing"}};
  for (const auto& c : cases) {
    scratch_dir dir;
    const program_run r = run_steady(dir, closed_box, c.first);
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_EQ(r.err, std::string("acoustic_steady: ") + c.second + "\n");
    EXPECT_FALSE(file_exists(dir.file("steady_state_design.csv")));
  }
}

}  // namespace
