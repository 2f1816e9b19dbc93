// The real program, driven as a user drives it: parameter file and answers
// in, console and files out.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "test_support.h"

namespace {

// A network as written in a parameter file, and the console that the
// set-up must print for it, worked out here from the program's formulas.
struct network {
  double m0, radius, f0;
  int n, division;
  double HCR, b;
  std::vector<double> V, A, L, C;  // A and L without the piston

  std::string parameter_file() const {
    std::string text = format("%g\t%g\t%g\n%d\t%d\t%g\t%g\n", m0, radius, f0, n, division, HCR, b);
    for (const auto* group : {&V, &A, &L, &C}) {
      for (double v : *group) text += format("%.17g\t", v);
      text += "\n";
    }
    return text;
  }

  std::string setup_console(double delta) const {
    const int nd = 2 * n + 1;
    std::vector<double> area(nd), length(nd), mass(nd), ratio(nd), mp(nd), mm(nd);
    area[0] = radius * radius * 3.141592;
    mass[0] = m0 * 0.001;
    length[0] = mass[0] / area[0] * 10000 / 1.2 * 1000;
    ratio[0] = 1;
    for (int i = 1; i < nd; ++i) {
      area[i] = A[i - 1];
      length[i] = L[i - 1];
      ratio[i] = area[i] / area[0];
      mass[i] = area[i] * 0.0001 * length[i] * 0.001 * 1.2;
    }
    std::string t = "chamber volume unit conversion done!\nM[i]\tC[i]\n";
    for (int i = 0; i < nd; ++i) t += format("%f\t%f\n", mass[i], C[i]);
    t += "i\tR[i]\tA[i]\tL[i]\tM[i]\n";
    for (int i = 0; i < nd; ++i) t += format("%d\t%f\t%f\t%f\t%f\n", i, ratio[i], area[i], length[i], mass[i]);
    for (int i = 0; i < nd; ++i) {
      mp[i] = mass[i] * 2 + C[i] * delta;
      mm[i] = mass[i] * 2 - C[i] * delta;
      t += format("%f\t%f\n", mm[i], mp[i]);
    }
    t += "\n-- damping effects below --\n";
    for (int i = 0; i < nd; ++i) t += format("%f\t", 1 - mm[i] / mp[i]);
    t += "\nratio and mass vector calculation done!\n";
    for (int i = 0; i <= n; ++i) {
      const double ks = area[0] * HCR * area[0] * 1e-8 * 101300 / (V[i] / 1000);
      t += format("standard stiffness matrix values %d\t%f\n", i, ks);
    }
    return t + "\nread data stored to matrices!\n";
  }
};

const network closed_box{20, 8, 40, 0, 100, 1.4, 1.0, {20}, {}, {}, {1.0}};
const network two_chamber{
    30, 10, 30, 2, 200, 1.4, 2.0, {40, 10, 5}, {20, 15, 25, 20}, {50, 80, 150, 120}, {1.5, 0.02, 0.02, 0.05, 0.05}};

const std::string dialogue_head =
    "Choose vector sum option\n\t 0: All ducts, 1: ignore internal ducts\nYour choice =\t"
    "Choose Sequential Processing or One time Processing\n\tSequential Processing:\t0\n\tOne Time "
    "Processing:\t1\nYou choose :\n";
const std::string excitation_question =
    "Choose Sinusoidal, Sweep or Random\n\n\t0:Sinusoidal, 1:Linear Sweep, 2:Random\nYour choice =\t\n";
const std::string matrix_lines =
    "upper left block k0 done!\nstandard stiffnes matrix is ready!\nactual stiffnes matrix is ready!\nready to "
    "begin simulation!\n";

std::string up_to_setup_end(const std::string& out) {
  const std::string end = "read data stored to matrices!\n";
  const std::size_t at = out.find(end);
  return at == std::string::npos ? out : out.substr(0, at + end.size());
}

class ProgramRun : public ::testing::Test {
 protected:
  program_run run(const network& net, const std::string& answers) {
    write_file(dir.file("parameters.txt"), net.parameter_file());
    return run_program_in(dir.path(), answers);
  }
  std::string file(const char* name) { return read_file(dir.file(name)); }
  scratch_dir dir;
};

TEST_F(ProgramRun, ExamplesPrintTheSetUpExactlyInEveryMode) {
  for (const network* net : {&closed_box, &two_chamber}) {
    const double d = static_cast<double>(net->division);
    struct mode {
      std::string answers, dialogue;
      double delta;
    } modes[] = {
        {"0\n1\n0\n50\n",
         dialogue_head + excitation_question +
             "input frequency[Hz]=You have chosen sinsoidal wave at 50.000000 [Hz].\n",
         1.0 / 50 / d},
        {"1\n1\n1\n250\n",
         dialogue_head + excitation_question +
             "Sweep rate is set as highest frequency per second.\nThis is to simplify DFT analysis; time window is "
             "always 1[s].\nhighest frequency[Hz]=" +
             // The stored 1/(250 division) lies above the exact value: one step less.
             format("Number of Rows = %d\n", 250 * net->division - 1) +
             "You have chosen linear sweep at 250.000000 [Hz/s] up to 250.000000 [Hz].\n",
         1.0 / 250 / d},
        {"0\n1\n2\n", dialogue_head + excitation_question + "You have chosen random signal.\n", 1.0 / 100 / d},
    };
    for (const mode& m : modes) {
      const program_run r = run(*net, m.answers);
      ASSERT_EQ(r.exit_code, 0) << r.err;
      EXPECT_EQ(r.err, "");
      const std::string expected =
          "[0] values and parameters caluculation done!\n" + m.dialogue + net->setup_console(m.delta);
      EXPECT_EQ(up_to_setup_end(r.out), expected) << m.answers;
    }
  }
}

TEST_F(ProgramRun, WorkedPistonNumbersInTheTable) {
  const network worked{10, 5, 50, 0, 20, 1.4, 1.0, {10}, {}, {}, {0.5}};
  const program_run r = run(worked, "0\n1\n0\n50\n");
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_NE(r.out.find("\n0\t1.000000\t78.539800\t1061.033175\t0.010000\n"), std::string::npos) << r.out;
  EXPECT_EQ(up_to_setup_end(r.out), "[0] values and parameters caluculation done!\n" + dialogue_head +
                                        excitation_question +
                                        "input frequency[Hz]=You have chosen sinsoidal wave at 50.000000 [Hz].\n" +
                                        worked.setup_console(0.001));
}

TEST_F(ProgramRun, OneTimeSinusoidEndToEnd) {
  const network worked{10, 5, 50, 0, 20, 1.4, 1.0, {10}, {}, {}, {0.5}};
  const program_run r = run(worked, "0\n1\n0\n50\n");
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(file("dft_parameters.txt"),
            "base frequency=50.000000\nnumber_of_cycles=50\ndivision_per_cycle=20\ndelta=0.001000");
  const std::string tail = r.out.substr(up_to_setup_end(r.out).size());
  EXPECT_EQ(tail, matrix_lines +
                      "Now recursive calculation process begins.\n50.000000\t50\t20\t0.001000\nDynamic simulation "
                      "became complete!\nMatrces have been recorded.\n Now DFT calculation begins\nnumber of data "
                      "points =1000\ntime resolution =0.001000\nfrequency resolution =\t1.000000\n\ntime window = "
                      "1\nlower frequency = 1\t[Hz]\nupper frequency = 200\t[Hz]\n100 of 200 steps done.\n200 of 200 "
                      "steps done.\nDFT has been completed.\n");
  EXPECT_EQ(split_lines(file("x_vectors.csv")).size(), 1002u);
  EXPECT_EQ(split_lines(file("dftv.txt")).size(), 1003u);
  EXPECT_EQ(split_lines(file("dft_result.csv")).size(), 202u);
  EXPECT_EQ(file("dft_sequential_calculation_result.csv"), "");
  EXPECT_EQ(file("matrices.csv").substr(0, 30), "0,\n\nstandard stiffness matrix\n");
  // The spectrum peaks at the driving frequency.
  const auto rows = split_lines(file("dft_result.csv"));
  int peak = 1;
  for (int j = 1; j <= 200; ++j)
    if (std::stod(split_fields(rows[1 + j])[3]) > std::stod(split_fields(rows[1 + peak])[3])) peak = j;
  EXPECT_EQ(peak, 50);
}

TEST_F(ProgramRun, LinearSweepRecordsNoCycles) {
  const program_run r = run(closed_box, "0\n1\n1\n300\n");
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(split_lines(file("dft_parameters.txt"))[1], "number_of_cycles=0");
  EXPECT_EQ(split_lines(file("x_vectors.csv")).size(), 1u + 29999u + 1u);
}

TEST_F(ProgramRun, RandomRunsRepeatExactly) {
  ASSERT_EQ(run(closed_box, "0\n1\n2\n").exit_code, 0);
  const std::string first = file("v_vectors.csv");
  ASSERT_EQ(run(closed_box, "0\n1\n2\n").exit_code, 0);
  EXPECT_EQ(file("v_vectors.csv"), first);
  EXPECT_EQ(split_lines(first).size(), 1u + 10001u);
}

// n = 0 resonates where the suspension and the box together balance the
// piston mass: f = sqrt((Ku + KS0) / M0) / 2 pi.
TEST_F(ProgramRun, SequentialSweepPeaksAtTheBoxResonance) {
  const program_run r = run(closed_box, "0\n0\n");
  ASSERT_EQ(r.exit_code, 0) << r.err;
  const auto rows = split_lines(file("dft_sequential_calculation_result.csv"));
  ASSERT_EQ(rows.size(), 392u);
  EXPECT_EQ(rows[0], "frequency[Hz],SPL,phase,Pa,Re,Im");
  int peak = 10;
  for (int f = 10; f <= 400; ++f) {
    const auto fields = split_fields(rows[f - 9]);
    ASSERT_EQ(std::stoi(fields[0]), f);
    if (std::stod(fields[3]) > std::stod(split_fields(rows[peak - 9])[3])) peak = f;
  }
  const double area = 8 * 8 * 3.141592, mass = 0.02;
  const double ku = 40 * 40 * 39.47840117785601 * mass;
  const double ks = area * area * 1e-8 * 1.4 * 101300 / 0.02;
  const double resonance = std::sqrt((ku + ks) / mass) / (2 * M_PI);
  EXPECT_NEAR(peak, resonance, 1.5) << "resonance " << resonance;

  // The console gains one line per frequency; nothing of the one-time tail.
  const auto console = split_lines(r.out);
  ASSERT_GE(console.size(), 391u);
  EXPECT_EQ(console[console.size() - 391].substr(0, 8), "10 [Hz]\t");
  EXPECT_EQ(console.back().substr(0, 9), "400 [Hz]\t");
  EXPECT_EQ(r.out.find("Now recursive"), std::string::npos);
  EXPECT_EQ(file("dft_parameters.txt"), "");
  EXPECT_EQ(file("matrices.csv"), "");
  EXPECT_FALSE(file_exists(dir.file("dft_result.csv")));
  // No headers; the first run and 391 sweep runs of 1001 steps each.
  const auto history = split_lines(file("x_vectors.csv"));
  EXPECT_EQ(history.size(), 392u * 1001u);
  EXPECT_EQ(history[0].substr(0, 9), "0.000000,");
}

// A mode answer other than 0 and 1: the sequential set-up with the
// one-time tail.
TEST_F(ProgramRun, OtherModeAnswerGetsSequentialSetUpAndOneTimeTail) {
  const program_run r = run(closed_box, "0\n2\n");
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(file("dft_sequential_calculation_result.csv"), "frequency[Hz],SPL,phase,Pa,Re,Im\n");
  EXPECT_EQ(file("dft_parameters.txt"),
            "base frequency=10.000000\nnumber_of_cycles=10\ndivision_per_cycle=100\ndelta=0.001000");
  EXPECT_EQ(split_lines(file("x_vectors.csv")).size(), 1001u);  // no header
  EXPECT_NE(r.out.find("DFT has been completed."), std::string::npos);
  EXPECT_EQ(r.out.find("Now recursive"), std::string::npos);
}

}  // namespace
