// The transform of the velocity signal, from signal files written here.
#include "analysis/dft.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "test_support.h"

namespace {

// The signal file as the simulation writes it: count, time step, samples
// (one more than declared).
void write_signal(int ndps, double delta, const std::function<double(int)>& sample) {
  std::string text = message("%d\n%f\n", ndps, delta);
  for (int k = 0; k <= ndps; ++k) text += message("%f\n", sample(k));
  write_file("dftv.txt", text);
}

// The analysis of the signal file written by a run of n_rows steps of delta.
status run_dft(model_state& s, int n_rows, double delta) {
  s.n_rows = n_rows;
  s.delta = delta;
  s.dft_input = std::fopen("dftv.txt", "r");
  const status done = dft(s);
  std::fclose(s.dft_input);
  s.dft_input = nullptr;
  return done;
}

// A cosine of amplitude a and phase theta that fits the window exactly
// lands in its bin as (2 pi / N) (N / 2) a e^(i theta) = pi a e^(i theta).
TEST(Dft, BinOfAKnownSinusoidAndOfSilence) {
  scratch_dir dir;
  const double a = 100, theta = 0.5235987755982988;  // 30 degrees
  write_signal(1000, 0.001, [&](int k) { return a * std::cos(50 * 6.283184 / 1000 * k + theta); });
  model_state s;
  ASSERT_TRUE(run_dft(s, 1000, 0.001).ok());
  const auto row = split(split(read_file("dft_result.csv.incomplete"))[1 + 50], ',');
  EXPECT_EQ(row[0], "50.000000");
  EXPECT_NEAR(std::stod(row[4]), 3.141592 * a * std::cos(theta), 1e-3);
  EXPECT_NEAR(std::stod(row[5]), 3.141592 * a * std::sin(theta), 1e-3);
  EXPECT_NEAR(std::stod(row[2]), 30, 1e-4);
  const double pa = 0.6 * std::pow(3.141592 * a, 2);
  EXPECT_NEAR(std::stod(row[3]), pa, 0.1);
  EXPECT_NEAR(std::stod(row[1]), 10 * std::log(pa / 0.00002), 1e-5);  // the natural logarithm

  write_signal(1000, 0.001, [](int) { return 0.0; });
  ASSERT_TRUE(run_dft(s, 1000, 0.001).ok());
  const auto silent = split(split(read_file("dft_result.csv.incomplete"))[10], ',');
  EXPECT_EQ(silent[1], "-inf");
  EXPECT_EQ(silent[3], "0.000000");
}

TEST(Dft, ShortSignalIsAnalysedUpTo40Hz) {
  scratch_dir dir;
  write_signal(30, 1.0 / 30, [](int k) { return k % 3 - 1.0; });
  model_state s;
  ASSERT_TRUE(run_dft(s, 30, 1.0 / 30).ok());
  const auto lines = split(read_file("dft_result.csv.incomplete"));
  ASSERT_EQ(lines.size(), 42u);
  EXPECT_EQ(split(lines.back(), ',')[0], "40.000000");
}

TEST(SignalReading, BrokenSignalsAreErrorsAndWriteNothing) {
  scratch_dir dir;
  const struct {
    const char* text;
    int n_rows;  // and the time step of the run that wrote it
    double delta;
    const char* message;
  } cases[] = {{"", 100, 0.01, "is empty"},
               {"100\n", 100, 0.01, "ends before the time step"},
               {"100\n0.010000\n1.0\n2.0\n", 100, 0.01, "sample 3 of 100 is missing"},
               {"3\n0.400000\n1.0\nx\n3.0\n", 3, 0.4, "sample 2 of 3 is \"x\""},
               {"0\n0.010000\n0.0\n", 0, 0.01, "declares 0 samples"},
               {"-5\n0.010000\n", -5, 0.01, "declares -5 samples"},
               // printed as 0.000003: 0.9 s, no whole second
               {"300000\n0.000003\n", 300000, 1.0 / 300000, "0.900000 s (300000 samples of 0.000003 s)"},
               {"5\n2500000.000000\n1\n", 1000, 0.001,
                "declares 5 samples of 2500000.000000 s, but the run wrote 1000 samples of 0.001000 s"}};
  for (const auto& c : cases) {
    write_file("dftv.txt", c.text);
    model_state s;
    const status done = run_dft(s, c.n_rows, c.delta);
    EXPECT_EQ(done.message.rfind("dftv.txt: ", 0), 0u) << shown(done.message);
    EXPECT_TRUE(contains(done.message, c.message)) << shown(done.message);
    EXPECT_FALSE(file_exists("dft_result.csv.incomplete"));
  }
}

}  // namespace
