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
  std::string text = format("%d\n%f\n", ndps, delta);
  for (int k = 0; k <= ndps; ++k) text += format("%f\n", sample(k));
  write_file("dftv.txt", text);
}

status analyse(model_state& s, status (*analysis)(model_state&)) {
  s.dft_input = std::fopen("dftv.txt", "r");
  const status done = analysis(s);
  std::fclose(s.dft_input);
  s.dft_input = nullptr;
  return done;
}

// The transform exactly as written: the weight formed per term, sine and
// cosine as two separate calls, the phase recomputed after every term. The
// analysis must give the same bits, in the 201 rows of a one-second window.
TEST(Dft, SameBitsAsTheSumsAsWritten) {
  scratch_dir dir;
  const int N = 2000;
  write_signal(N, 0.0005, [&](int k) { return std::sin(k * 0.037) * 3 + std::cos(k * 0.0011) - 0.2; });
  model_state s;
  ASSERT_TRUE(analyse(s, dft).ok());
  EXPECT_EQ(s.t_window, 1);
  const auto rows = split_lines(read_file("dft_result.csv"));
  ASSERT_EQ(rows.size(), 202u);
  EXPECT_EQ(rows[0], "frequency[Hz],SPL,phase,Pa,Re,Im");
  const auto signal = split_lines(read_file("dftv.txt"));
  std::vector<double> wave;
  for (int k = 0; k < N; ++k) wave.push_back(std::stod(signal[2 + k]));
  double (*volatile sine)(double) = std::sin;
  for (int j : {0, 1, 7, 50, 133, 200}) {
    double re = 0, im = 0, phase = 0;
    for (int k = 0; k < N; ++k) {
      const double a = j * (6.283184 / N) * k, w = wave[k] * 2 * 3.141592 / N;
      re = std::cos(a) * w + re;
      im = im - sine(a) * w;
      phase = std::atan(im / re) * 180 / 3.141592;
    }
    const double pa = (re * re + im * im) * 0.6;
    EXPECT_EQ(rows[1 + j], format("%f,%f,%f,%f,%f,%f", j * 1.0, 10 * std::log(pa / 0.00002), phase, pa, re, im));
  }
}

// A cosine of amplitude a and phase theta that fits the window exactly
// lands in its bin as (2 pi / N) (N / 2) a e^(i theta) = pi a e^(i theta).
TEST(Dft, BinOfAKnownSinusoidAndOfSilence) {
  scratch_dir dir;
  const double a = 100, theta = 0.5235987755982988;  // 30 degrees
  write_signal(1000, 0.001, [&](int k) { return a * std::cos(50 * 6.283184 / 1000 * k + theta); });
  model_state s;
  ASSERT_TRUE(analyse(s, dft).ok());
  const auto row = split_fields(split_lines(read_file("dft_result.csv"))[1 + 50]);
  EXPECT_EQ(row[0], "50.000000");
  EXPECT_NEAR(std::stod(row[4]), 3.141592 * a * std::cos(theta), 1e-3);
  EXPECT_NEAR(std::stod(row[5]), 3.141592 * a * std::sin(theta), 1e-3);
  EXPECT_NEAR(std::stod(row[2]), 30, 1e-4);
  const double pa = 0.6 * std::pow(3.141592 * a, 2);
  EXPECT_NEAR(std::stod(row[3]), pa, 0.1);
  EXPECT_NEAR(std::stod(row[1]), 10 * std::log(pa / 0.00002), 1e-5);  // the natural logarithm

  write_signal(1000, 0.001, [](int) { return 0.0; });
  ASSERT_TRUE(analyse(s, dft).ok());
  const auto silent = split_fields(split_lines(read_file("dft_result.csv"))[10]);
  EXPECT_EQ(silent[1], "-inf");
  EXPECT_EQ(silent[3], "0.000000");
}

TEST(Dft, ShortSignalIsAnalysedUpTo40Hz) {
  scratch_dir dir;
  write_signal(30, 1.0 / 30, [](int k) { return k % 3 - 1.0; });
  model_state s;
  ASSERT_TRUE(analyse(s, dft).ok());
  const auto lines = split_lines(read_file("dft_result.csv"));
  ASSERT_EQ(lines.size(), 42u);
  EXPECT_EQ(split_fields(lines.back())[0], "40.000000");
}

TEST(PointDft, OneRowAtTheSweepFrequency) {
  scratch_dir dir;
  write_signal(1000, 0.001, [&](int k) { return 2 * std::cos(70 * 6.283184 / 1000 * k); });
  model_state s;
  s.fseq = 70;
  ASSERT_TRUE(s.dft_seqoutput.open("seq.csv").ok());
  ASSERT_TRUE(analyse(s, point_dft).ok());
  ASSERT_TRUE(s.dft_seqoutput.close().ok());
  const auto lines = split_lines(read_file("seq.csv"));
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(split_fields(lines[0])[0], "70.000000");
  EXPECT_NEAR(std::stod(split_fields(lines[0])[4]), 2 * 3.141592, 1e-4);
  EXPECT_EQ(s.delta, 0.001);  // the time step read back replaces delta
}

TEST(SignalReading, BrokenSignalsAreErrorsAndWriteNothing) {
  scratch_dir dir;
  const struct {
    const char* text;
    const char* message;
  } cases[] = {{"", "is empty"},
               {"100\n", "ends before the time step"},
               {"100\n0.010000\n1.0\n2.0\n", "sample 3 of 100 is missing"},
               {"3\n0.400000\n1.0\nx\n3.0\n", "sample 2 of 3 is \"x\""},
               {"0\n0.010000\n0.0\n", "declares 0 samples"},
               {"-5\n0.010000\n", "declares -5 samples"},
               // printed as 0.000003: 0.9 s, no whole second
               {"300000\n0.000003\n", "0.900000 s (300000 samples of 0.000003 s)"}};
  for (const auto& c : cases) {
    write_file("dftv.txt", c.text);
    model_state s;
    const status done = analyse(s, dft);
    EXPECT_EQ(done.message.rfind("dftv.txt: ", 0), 0u) << done.message;
    EXPECT_TRUE(contains(done.message, c.message)) << done.message;
    EXPECT_FALSE(file_exists("dft_result.csv"));
  }
}

}  // namespace
