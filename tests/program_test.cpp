// acoustic_sim driven as a user drives it: the console rebuilt from the
// program's texts and formulas, the files of each mode, and byte-identity
// with the same program writing through one fprintf per value.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "test_support.h"

namespace {

// The set-up console of a parameter file for time step delta, worked out
// here from the element formulas.
std::string setup_console(const std::string& parameters, double delta) {
  std::istringstream in(parameters);
  double m0, radius, f0, HCR, b;
  int n, division;
  in >> m0 >> radius >> f0 >> n >> division >> HCR >> b;
  const int nd = 2 * n + 1;
  std::vector<double> V(n + 1), A(nd), L(nd), C(nd), M(nd), R(nd, 1.0);
  for (double& v : V) in >> v;
  for (int i = 1; i < nd; ++i) in >> A[i];
  for (int i = 1; i < nd; ++i) in >> L[i];
  for (double& c : C) in >> c;
  A[0] = radius * radius * 3.141592;
  M[0] = m0 * 0.001;
  L[0] = M[0] / A[0] * 10000 / 1.2 * 1000;
  for (int i = 1; i < nd; ++i) {
    R[i] = A[i] / A[0];
    M[i] = A[i] * 0.0001 * L[i] * 0.001 * 1.2;
  }
  std::string t = "chamber volume unit conversion done!\nM[i]\tC[i]\n", mm_mp, effects;
  for (int i = 0; i < nd; ++i) t += format("%f\t%f\n", M[i], C[i]);
  t += "i\tR[i]\tA[i]\tL[i]\tM[i]\n";
  for (int i = 0; i < nd; ++i) {
    t += format("%d\t%f\t%f\t%f\t%f\n", i, R[i], A[i], L[i], M[i]);
    const double mp = M[i] * 2 + C[i] * delta, mm = M[i] * 2 - C[i] * delta;
    mm_mp += format("%f\t%f\n", mm, mp);
    effects += format("%f\t", 1 - mm / mp);
  }
  t += mm_mp + "\n-- damping effects below --\n" + effects + "\nratio and mass vector calculation done!\n";
  for (int i = 0; i <= n; ++i)
    t += format("standard stiffness matrix values %d\t%f\n", i, A[0] * HCR * A[0] * 1e-8 * 101300 / (V[i] / 1000));
  return t + "\nread data stored to matrices!\n";
}

const std::string dialogue =
    "[0] values and parameters caluculation done!\nChoose vector sum option\n\t 0: All ducts, 1: ignore internal "
    "ducts\nYour choice =\tChoose Sequential Processing or One time Processing\n\tSequential Processing:\t0\n\tOne "
    "Time Processing:\t1\nYou choose :\n";
const std::string excitation =
    "Choose Sinusoidal, Sweep or Random\n\n\t0:Sinusoidal, 1:Linear Sweep, 2:Random\nYour choice =\t\n";
const std::string matrices_ready =
    "upper left block k0 done!\nstandard stiffnes matrix is ready!\nactual stiffnes matrix is ready!\nready to "
    "begin simulation!\n";

TEST(Program, ExamplesPrintTheSetUpExactlyInEveryMode) {
  for (const char* example : {"closed_box", "two_chamber"}) {
    const std::string parameters = example_params(example);
    const int division = example[0] == 'c' ? 100 : 200;
    const struct {
      std::string answers, dialogue;
      double F;
    } modes[] = {
        {"0\n1\n0\n50\n", excitation + "input frequency[Hz]=You have chosen sinsoidal wave at 50.000000 [Hz].\n", 50},
        {"1\n1\n1\n250\n",
         excitation +
             "Sweep rate is set as highest frequency per second.\nThis is to simplify DFT analysis; time "
             "window is always 1[s].\nhighest frequency[Hz]=" +
             format("Number of Rows = %d\n", 250 * division - 1) +
             "You have chosen linear sweep at 250.000000 [Hz/s] up to 250.000000 [Hz].\n",
         250},
        {"0\n1\n2\n", excitation + "You have chosen random signal.\n", 100},
        {"1\n2\n", "", 10},  // the sequential set-up
    };
    for (const auto& m : modes) {
      scratch_dir dir;
      const program_run r = run_sim(dir, parameters, m.answers);
      ASSERT_EQ(r.exit_code, 0) << r.err;
      const std::string expected =
          dialogue + m.dialogue + setup_console(parameters, 1 / m.F / division) + matrices_ready;
      EXPECT_EQ(r.out.substr(0, expected.size()), expected) << example << " " << m.answers;
    }
  }
}

TEST(Program, OneTimeSinusoidEndToEnd) {
  scratch_dir dir;
  const program_run r = run_sim(dir, "10 5 50\n0 20 1.4 1\n10\n0.5\n", "0\n1\n0\n50\n");
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_TRUE(contains(r.out, "\n0\t1.000000\t78.539800\t1061.033175\t0.010000\n"));
  const std::string tail = r.out.substr(r.out.find(matrices_ready) + matrices_ready.size());
  EXPECT_EQ(tail,
            "Now recursive calculation process begins.\n50.000000\t50\t20\t0.001000\nDynamic simulation became "
            "complete!\nMatrces have been recorded.\n Now DFT calculation begins\nnumber of data points "
            "=1000\ntime resolution =0.001000\nfrequency resolution =\t1.000000\n\ntime window = 1\nlower "
            "frequency = 1\t[Hz]\nupper frequency = 200\t[Hz]\n100 of 200 steps done.\n200 of 200 steps "
            "done.\nDFT has been completed.\n");
  EXPECT_EQ(read_file(dir.file("dft_parameters.txt")),
            "base frequency=50.000000\nnumber_of_cycles=50\ndivision_per_cycle=20\ndelta=0.001000");
  EXPECT_EQ(split_lines(read_file(dir.file("x_vectors.csv"))).size(), 1002u);
  EXPECT_EQ(read_file(dir.file("dft_sequential_calculation_result.csv")), "");
  EXPECT_EQ(read_file(dir.file("matrices.csv")).substr(0, 30), "0,\n\nstandard stiffness matrix\n");
  const auto spectrum = csv_rows(dir.file("dft_result.csv"));
  ASSERT_EQ(spectrum.size(), 201u);
  std::size_t peak = 1;
  for (std::size_t j = 1; j < spectrum.size(); ++j)
    if (spectrum[j][3] > spectrum[peak][3]) peak = j;
  EXPECT_EQ(peak, 50u);  // the spectrum peaks at the driving frequency
}

// The closed box resonates where suspension and box together balance the
// piston mass: f = sqrt((Ku + KS0) / M0) / 2 pi = 72.3 Hz.
TEST(Program, SequentialSweepPeaksAtTheBoxResonance) {
  scratch_dir dir;
  const program_run r = run_sim(dir, closed_box, "0\n0\n");
  ASSERT_EQ(r.exit_code, 0) << r.err;
  const auto rows = csv_rows(dir.file("dft_sequential_calculation_result.csv"));
  ASSERT_EQ(rows.size(), 391u);
  std::size_t peak = 0;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    ASSERT_EQ(rows[i][0], 10.0 + i);
    if (rows[i][3] > rows[peak][3]) peak = i;
  }
  const double mass = 0.02, area = 64 * 3.141592;
  const double k = 40 * 40 * 39.47840117785601 * mass + area * area * 1e-8 * 1.4 * 101300 / 0.02;
  EXPECT_NEAR(rows[peak][0], std::sqrt(k / mass) / (2 * M_PI), 1.5);
  const auto console = split_lines(r.out);
  EXPECT_EQ(console[console.size() - 391].substr(0, 8), "10 [Hz]\t");
  EXPECT_EQ(console.back(), format("400 [Hz]\t%f", rows.back()[1]).substr(0, console.back().size()));
  EXPECT_FALSE(contains(r.out, "Now recursive"));
  EXPECT_EQ(read_file(dir.file("dft_parameters.txt")) + read_file(dir.file("matrices.csv")), "");
  EXPECT_FALSE(file_exists(dir.file("dft_result.csv")));
  EXPECT_EQ(split_lines(read_file(dir.file("x_vectors.csv"))).size(), 392u * 1001u);  // no header
}

// A mode answer other than 0 and 1: the sequential set-up, then the
// one-time tail. A random force repeats exactly from run to run.
TEST(Program, OtherModeAnswerAndRepeatableRandomRuns) {
  scratch_dir dir;
  const program_run r = run_sim(dir, closed_box, "0\n2\n");
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(read_file(dir.file("dft_sequential_calculation_result.csv")), "frequency[Hz],SPL,phase,Pa,Re,Im\n");
  EXPECT_EQ(read_file(dir.file("dft_parameters.txt")),
            "base frequency=10.000000\nnumber_of_cycles=10\ndivision_per_cycle=100\ndelta=0.001000");
  EXPECT_EQ(split_lines(read_file(dir.file("x_vectors.csv"))).size(), 1001u);
  EXPECT_TRUE(contains(r.out, "DFT has been completed."));

  ASSERT_EQ(run_sim(dir, closed_box, "0\n1\n2\n").exit_code, 0);
  const std::string first = read_file(dir.file("v_vectors.csv"));
  ASSERT_EQ(run_sim(dir, closed_box, "0\n1\n2\n").exit_code, 0);
  EXPECT_EQ(read_file(dir.file("v_vectors.csv")), first);
}

// The program's own formatter and writer against one fprintf per value:
// every file and the console, byte for byte, for both examples.
TEST(Program, SameBytesAsTheLiteralWriter) {
  if (std::string(ACOUSTIC_BASELINE_PATH).empty()) GTEST_SKIP() << "bench/ not built (no Google Benchmark)";
  const std::string files[] = {"x_vectors.csv",
                               "normalized_x_vectors.csv",
                               "v_vectors.csv",
                               "normalized_v_vectors.csv",
                               "dft_parameters.txt",
                               "matrices.csv",
                               "dft_sequential_calculation_result.csv",
                               "dft_result.csv",
                               "dftv.txt"};
  for (const char* example : {"closed_box", "two_chamber"}) {
    for (const char* answers : {"0\n1\n0\n50\n", "0\n2\n", "1\n1\n1\n250\n", "0\n1\n2\n"}) {
      if (example[0] == 't' && std::string(answers) != "0\n1\n0\n50\n") continue;  // long runs
      scratch_dir ours, literal;
      const program_run a = run_sim(ours, example_params(example), answers);
      write_file(literal.file("parameters.txt"), example_params(example));
      const program_run b = run_in(literal.path(), "'" ACOUSTIC_BASELINE_PATH "'", answers);
      EXPECT_EQ(a.out, b.out);
      for (const std::string& f : files)
        EXPECT_TRUE(read_file(ours.file(f)) == read_file(literal.file(f))) << example << " " << answers << f;
    }
  }
}

}  // namespace
