// The transform of the velocity signal, from a signal file written here.
#include "analysis/dft.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <vector>

#include "test_support.h"

namespace {

// The signal file as the simulation writes it: count, time step, samples
// (one more than declared).
void write_signal(int ndps, double delta, const std::function<double(int)>& sample) {
  std::FILE* f = std::fopen("dftv.txt", "w");
  std::fprintf(f, "%d\n%f\n", ndps, delta);
  for (int k = 0; k <= ndps; ++k) std::fprintf(f, "%f\n", sample(k));
  std::fclose(f);
}

status run_dft(model_state& s) {
  s.dft_input = std::fopen("dftv.txt", "r");
  silenced_stdout quiet;
  const status done = dft(s);
  std::fclose(s.dft_input);
  s.dft_input = nullptr;
  return done;
}

TEST(Dft, OneSecondOfSamplesGives201Bins) {
  scratch_dir dir;
  write_signal(1000, 0.001, [](int k) { return std::sin(k * 0.01); });
  model_state s;
  ASSERT_TRUE(run_dft(s).ok());
  EXPECT_DOUBLE_EQ(s.tw, 1.00001);
  EXPECT_EQ(s.t_window, 1);
  EXPECT_EQ(s.fres, 1.0);
  const auto lines = split_lines(read_file("dft_result.csv"));
  ASSERT_EQ(lines.size(), 202u);
  EXPECT_EQ(lines[0], "frequency[Hz],SPL,phase,Pa,Re,Im");
  EXPECT_EQ(split_fields(lines[1])[0], "0.000000");
  EXPECT_EQ(split_fields(lines[201])[0], "200.000000");
  EXPECT_EQ(split_fields(lines[201]).size(), 6u);
}

TEST(Dft, ShortSignalIsAnalysedUpTo40Hz) {
  scratch_dir dir;
  write_signal(30, 1.0 / 30, [](int k) { return k % 3 - 1.0; });
  model_state s;
  ASSERT_TRUE(run_dft(s).ok());
  const auto lines = split_lines(read_file("dft_result.csv"));
  ASSERT_EQ(lines.size(), 42u);
  EXPECT_EQ(split_fields(lines.back())[0], "40.000000");
}

// A cosine of amplitude a and phase theta that fits the window exactly
// (with the transform's own 2 pi = 6.283184) lands in its bin as
// (2 pi / N) (N / 2) a e^(i theta) = pi a e^(i theta), pi = 3.141592.
TEST(Dft, BinOfAKnownSinusoid) {
  scratch_dir dir;
  const int N = 1000, bin = 50;
  const double a = 100, theta = 0.5235987755982988;  // 30 degrees
  write_signal(N, 0.001, [&](int k) { return a * std::cos(bin * 6.283184 / N * k + theta); });
  model_state s;
  ASSERT_TRUE(run_dft(s).ok());
  const auto row = split_fields(split_lines(read_file("dft_result.csv"))[1 + bin]);
  const double re = 3.141592 * a * std::cos(theta), im = 3.141592 * a * std::sin(theta);
  const double pa = (re * re + im * im) * 0.6;
  EXPECT_EQ(row[0], "50.000000");
  EXPECT_NEAR(std::stod(row[4]), re, 1e-3);
  EXPECT_NEAR(std::stod(row[5]), im, 1e-3);
  EXPECT_NEAR(std::stod(row[3]), pa, 0.1);
  EXPECT_NEAR(std::stod(row[1]), 10 * std::log(pa / 0.00002), 1e-5);  // natural logarithm
  // The one-argument arctangent of the parts, in degrees with pi = 3.141592
  // (a quarter turn is 90.000019): 5e-6 degrees off the true value at 30.
  const double phase = std::stod(row[2]);
  EXPECT_NEAR(phase, 30, 1e-4);
  EXPECT_NEAR(phase, std::atan(std::stod(row[5]) / std::stod(row[4])) * 180 / 3.141592, 1e-6);
  EXPECT_GT(std::fabs(phase - std::atan(std::stod(row[5]) / std::stod(row[4])) * 180 / M_PI), 3e-6);
  // A bin away from the tone holds almost nothing.
  const auto quiet = split_fields(split_lines(read_file("dft_result.csv"))[1 + 80]);
  EXPECT_LT(std::fabs(std::stod(quiet[4])), 1e-2);
}

// The transform exactly as written: the weight formed per term, sine and
// cosine as two separate calls, the phase recomputed after every term.
// The analysis must give the same bits.
TEST(Dft, SameBitsAsTheSumsAsWritten) {
  scratch_dir dir;
  const int N = 5000;
  write_signal(N, 0.0002, [&](int k) { return std::sin(k * 0.037) * 3 + std::cos(k * 0.0011) - 0.2; });
  model_state s;
  ASSERT_TRUE(run_dft(s).ok());
  const auto rows = split_lines(read_file("dft_result.csv"));
  std::vector<double> wave(N);
  std::FILE* f = std::fopen("dftv.txt", "r");
  int count;
  double delta;
  ASSERT_EQ(std::fscanf(f, "%d %lf", &count, &delta), 2);
  for (double& w : wave) ASSERT_EQ(std::fscanf(f, "%lf", &w), 1);
  std::fclose(f);
  double (*volatile sine)(double) = std::sin;
  double (*volatile cosine)(double) = std::cos;
  const double delta_dft = 6.283184 / N;
  for (int j : {0, 1, 7, 50, 133, 200}) {
    double re = 0, im = 0, phase = 0;
    for (int k = 0; k < N; ++k) {
      const double a = j * delta_dft * k;
      const double w = wave[k] * 2 * 3.141592 / N;
      re = cosine(a) * w + re;
      im = im - sine(a) * w;
      phase = std::atan(im / re) * 180 / 3.141592;
    }
    const double pa = (re * re + im * im) * 0.6;
    const double spl = 10 * std::log(pa / 0.00002);
    char expected[200];
    std::snprintf(expected, sizeof expected, "%f,%f,%f,%f,%f,%f", static_cast<double>(j), spl, phase, pa, re, im);
    EXPECT_EQ(rows[1 + j], expected) << "bin " << j;
    if (j == 200) {
      EXPECT_EQ(s.dftr, re);
      EXPECT_EQ(s.dfti, im);
      EXPECT_EQ(s.phase, phase);
    }
  }
}

TEST(Dft, SilenceGivesZeroPowerAndUndefinedLevels) {
  scratch_dir dir;
  write_signal(1000, 0.001, [](int) { return 0.0; });
  model_state s;
  ASSERT_TRUE(run_dft(s).ok());
  const auto row = split_fields(split_lines(read_file("dft_result.csv"))[10]);
  EXPECT_EQ(row[1], "-inf");
  EXPECT_EQ(row[3], "0.000000");
  EXPECT_TRUE(row[2] == "nan" || row[2] == "-nan") << row[2];
}

TEST(PointDft, OneRowAtTheSweepFrequency) {
  scratch_dir dir;
  const int N = 1000;
  write_signal(N, 0.001, [&](int k) { return 2 * std::cos(70 * 6.283184 / N * k); });
  model_state s;
  s.fseq = 70;
  ASSERT_TRUE(s.dft_seqoutput.open("seq.csv").ok());
  s.dft_input = std::fopen("dftv.txt", "r");
  {
    silenced_stdout quiet;
    ASSERT_TRUE(point_dft(s).ok());
  }
  std::fclose(s.dft_input);
  s.dft_input = nullptr;
  ASSERT_TRUE(s.dft_seqoutput.close().ok());
  const auto lines = split_lines(read_file("seq.csv"));
  ASSERT_EQ(lines.size(), 1u);
  const auto row = split_fields(lines[0]);
  EXPECT_EQ(row[0], "70.000000");
  EXPECT_NEAR(std::stod(row[4]), 2 * 3.141592, 1e-4);
  EXPECT_EQ(s.delta, 0.001);  // the time step read back replaces delta
}

TEST(SignalReading, ATruncatedOrBrokenSignalIsAnErrorAndWritesNothing) {
  scratch_dir dir;
  struct broken {
    const char* text;
    const char* message;
  } cases[] = {{"", "is empty"},
               {"100\n", "ends before the time step"},
               {"100\n0.010000\n1.0\n2.0\n", "sample 3 of 100 is missing"},
               {"3\n0.400000\n1.0\nx\n3.0\n", "sample 2 of 3 is \"x\""},
               {"0\n0.010000\n0.0\n", "declares 0 samples"},
               {"-5\n0.010000\n", "declares -5 samples"}};
  for (const broken& c : cases) {
    write_file("dftv.txt", c.text);
    model_state s;
    const status done = run_dft(s);
    ASSERT_FALSE(done.ok()) << c.text;
    EXPECT_NE(done.message.find(c.message), std::string::npos) << done.message;
    EXPECT_EQ(done.message.rfind("acoustic_sim: dftv.txt: ", 0), 0u) << done.message;
    EXPECT_FALSE(file_exists("dft_result.csv"));
  }
}

TEST(SignalReading, TheTimeStepIsReadAsPrinted) {
  scratch_dir dir;
  write_signal(300000, 1.0 / 300000, [](int) { return 0.0; });
  model_state s;
  const status done = run_dft(s);
  EXPECT_EQ(s.delta, 0.000003);
  EXPECT_FALSE(done.ok());  // 300000 x 0.000003 = 0.9 s: no whole second
  EXPECT_FALSE(file_exists("dft_result.csv"));
}

}  // namespace
