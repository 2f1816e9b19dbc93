// Bad input, failed writes and warnings: one clear line on standard error,
// a non-zero status, and the results of an earlier run left as they were.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "test_support.h"

namespace {

const std::string sine_50 = "0\n1\n0\n50\n";

std::string snapshot(const scratch_dir& dir) {
  std::string files;
  for (const std::string& name : output_files) files += name + ":\n" + read_file(dir.file(name));
  return files;
}

std::string box(const std::string& line1, const std::string& line2, const std::string& rest = "20\n1.0\n") {
  return line1 + "\n" + line2 + "\n" + rest;
}

std::string branch(const std::string& from_volumes) { return "20 8 40\n1 100 1.4 1\n" + from_volumes; }

// Each case runs after a good run in the same folder; nothing of that run
// may change, and nothing of the set-up tables is printed.
TEST(BadInput, OneErrorLineAndEarlierResultsKept) {
  const struct {
    std::string parameters, answers;  // parameters "-": no file
    std::vector<std::string> words;
  } cases[] = {
      {"-", sine_50, {"cannot open parameters.txt", "No such file"}},
      {box("20 8 40", "0 100 abc 1.0"), sine_50, {"parameters.txt: value 6", "\"abc\"", "expected a number"}},
      {branch("20 5\n20 25\n50 150\n1.0 0.05\n"), sine_50, {"value 16", "C[2]", "ends before"}},
      {box("20 nan 40", "0 100 1.4 1.0"), sine_50, {"value 2", "nan", "positive"}},
      {box("20 8 40", "0 100 1.4 inf"), sine_50, {"value 7", "force amplitude", "finite"}},
      {box("20 8 40", "-1 100 1.4 1.0"), sine_50, {"branch count", "0 to 12"}},
      {box("20 8 40", "13 100 1.4 1.0"), sine_50, {"branch count", "\"13\"", "0 to 12"}},
      {box("20 8 40", "1.5 100 1.4 1.0"), sine_50, {"branch count", "whole number"}},
      {box("20 8 40", "0 0 1.4 1.0"), sine_50, {"division", "\"0\"", "from 1 to 2147483647"}},
      {box("20 8 40", "0 2147483648 1.4 1.0"), sine_50, {"division", "from 1 to 2147483647"}},
      {box("20 8 40", "0 2147483647 1.4 1.0"), sine_50, {"division 2147483647", "more than 2147483646 time steps"}},
      {box("20 0 40", "0 100 1.4 1.0"), sine_50, {"piston radius", "positive"}},
      {box("20 8 40", "0 100 1.4 1.0", "0\n1.0\n"), sine_50, {"V[0]", "positive"}},
      {branch("20 -5\n20 25\n50 150\n1.0 0.05 0.08\n"), sine_50, {"V[1]", "-5"}},
      {branch("20 5\n0 25\n50 150\n1.0 0 0.08\n"), sine_50, {"element 1", "2M+C*delta = 0"}},
      {box("-20 8 40", "0 100 1.4 1.0"), sine_50, {"piston mass", "0 or more"}},
      {branch("20 5\n-20 25\n50 150\n1.0 0.05 0.08\n"), sine_50, {"A[1]", "0 or more"}},
      {branch("20 5\n20 25\n50 -150\n1.0 0.05 0.08\n"), sine_50, {"L[2]", "0 or more"}},
      {branch("20 5\n20 25\n50 150\n1.0 -0.05 0.08\n"), sine_50, {"C[1]", "0 or more"}},
      {box("20 8 40", "0 100 1.4 1.0", "1e-320\n1.0\n"), sine_50, {"V[0]", "infinite stiffness"}},
      {closed_box, "x\n1\n0\n50\n", {"vector sum option", "\"x\"", "whole number"}},
      {closed_box, "0\none\n", {"processing mode", "\"one\""}},
      {closed_box, "0\n1\n", {"excitation", "input ended"}},
      {closed_box, "", {"vector sum option", "input ended"}},
      {closed_box, "0\n1\n0\n0\n", {"input frequency[Hz]=", "\"0\"", "positive frequency"}},
      {closed_box, "0\n1\n0\n-50\n", {"input frequency", "\"-50\""}},
      {closed_box, "0\n1\n0\nnan\n", {"input frequency", "\"nan\""}},
      {closed_box, "0\n1\n0\n", {"input frequency", "input ended"}},
      {closed_box, "0\n1\n0\n1e-320\n", {"no finite period"}},
      {closed_box, "0\n1\n0\n1e8\n", {"more than 2147483646 time steps"}},
      {closed_box, "0\n1\n1\n0\n", {"highest frequency[Hz]=", "positive frequency"}},
      {box("20 8 40", "0 300000000 1.4 1.0"), "0\n0\n", {"sequential sweep", "time steps"}},
      {box("20 8 40", "0 30000 1.4 1.0"), "0\n0\n", {"division 30000", "0.000003", "0.900000 s", "longer than 0.9"}},
  };
  for (const auto& c : cases) {
    scratch_dir dir;
    ASSERT_EQ(run_sim(dir, closed_box, sine_50).exit_code, 0);
    const auto before = snapshot(dir);
    if (c.parameters == "-") std::remove(dir.file("parameters.txt").c_str());
    const program_run r = run_sim(dir, c.parameters == "-" ? "" : c.parameters, c.answers);
    const std::string where = c.words[0];
    EXPECT_EQ(r.exit_code, 1) << where;
    EXPECT_EQ(r.err.rfind("acoustic_sim: ", 0), 0u) << r.err;
    EXPECT_EQ(split(r.err).size(), 1u) << r.err;
    for (const std::string& word : c.words) EXPECT_TRUE(contains(r.err, word)) << word << " in " << r.err;
    EXPECT_TRUE(snapshot(dir) == before) << where;
    EXPECT_FALSE(contains(r.out, "read data stored")) << where;
  }
}

// A one-time window without a whole second: this run's histories, no
// spectrum, and the earlier spectrum untouched.
TEST(BadInput, ShortWindowFailsAtTheAnalysis) {
  const struct {
    std::string parameters, answers, words;
  } cases[] = {{closed_box, "0\n1\n0\n0.5\n", "declares 0 samples"},
               {closed_box, "0\n1\n0\n2.5\n", "0.800000 s"},
               {box("20 8 40", "0 300000 1.4 1.0"), "0\n1\n0\n1\n", "0.000003"}};
  for (const auto& c : cases) {
    scratch_dir dir;
    ASSERT_EQ(run_sim(dir, closed_box, sine_50).exit_code, 0);
    const std::string spectrum = read_file(dir.file("dft_result.csv"));
    const program_run r = run_sim(dir, c.parameters, c.answers);
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_TRUE(contains(r.err, "acoustic_sim: dftv.txt: ") && contains(r.err, c.words)) << r.err;
    EXPECT_EQ(read_file(dir.file("dft_result.csv")), spectrum);
    EXPECT_FALSE(contains(r.out, "DFT has been completed."));
  }
}

// The box resonates at w = sqrt((Ku + KS0) / M0) = 454.4 rad/s (72.32 Hz),
// so the scheme is stable below 2 / w = 4.40 ms: at 50 Hz a division of 5
// (4 ms) is stable and 4 (5 ms) is not. A sweep at division 50 is sampled
// at 500 Hz.
TEST(Warnings, InstabilityAndAliasing) {
  scratch_dir dir;
  EXPECT_EQ(run_sim(dir, box("20 8 40", "0 5 1.4 1.0"), sine_50).err, "");
  const program_run unstable = run_sim(dir, box("20 8 40", "0 4 1.4 1.0"), sine_50);
  EXPECT_EQ(unstable.exit_code, 0);
  EXPECT_EQ(unstable.err,
            "acoustic_sim: warning: time step 0.005 s exceeds the stability limit 0.00440124 s of the explicit scheme "
            "(highest natural frequency 72.3228 Hz); the run will diverge: a division of at least 5 would be stable\n");
  EXPECT_EQ(run_sim(dir, box("20 8 40", "0 50 1.4 1.0"), "0\n0\n").err,
            "acoustic_sim: warning: every sweep run is sampled at 500 Hz, so from 251 Hz upwards the response is "
            "aliased; a division of 400 gives 400 Hz ten steps per period\n");
}

// Output that cannot be written: the error names the file, no success
// message follows it, and the exit status says so. A folder where a file
// should be cannot be created by root either; /dev/full is full for all.
TEST(FailedWrite, IsAnErrorNeverFollowedBySuccess) {
  const struct {
    const char* file;
    bool folder;
    std::string answers;
    const char* success;
  } cases[] = {{"v_vectors.csv", false, sine_50, "Dynamic simulation"},
               {"dftv.txt", false, sine_50, "Dynamic simulation"},
               {"dft_parameters.txt", false, sine_50, "Dynamic simulation"},
               {"matrices.csv", false, sine_50, "Matrces have been recorded."},
               {"dft_result.csv", false, sine_50, "DFT has been completed."},
               {"dft_sequential_calculation_result.csv", false, "0\n0\n", "[Hz]\t"},
               {"normalized_x_vectors.csv", true, sine_50, "read data stored"},
               {"dftv.txt", true, sine_50, "Dynamic simulation"}};
  for (const auto& c : cases) {
    scratch_dir dir;
    if (c.folder) {
      mkdir(dir.file(c.file).c_str(), 0755);
    } else {
      ASSERT_EQ(symlink("/dev/full", dir.file(c.file).c_str()), 0);
    }
    const program_run r = run_sim(dir, one_branch, c.answers);
    EXPECT_EQ(r.exit_code, 1) << c.file;
    const std::string error = c.folder ? "cannot create " : "cannot write ";
    EXPECT_EQ(r.err,
              "acoustic_sim: " + error + c.file + (c.folder ? ": Is a directory\n" : ": No space left on device\n"));
    EXPECT_FALSE(contains(r.out, c.success)) << r.out;
  }
  scratch_dir dir;
  mkdir(dir.file("parameters.txt").c_str(), 0755);
  EXPECT_EQ(run_sim(dir, "", sine_50).err, "acoustic_sim: parameters.txt: cannot be read: Is a directory\n");
  scratch_dir console;
  write_file(console.file("parameters.txt"), closed_box);
  const program_run full = run_in(console.path(), "'" ACOUSTIC_SIM_PATH "'", sine_50, "> /dev/full");
  EXPECT_EQ(full.exit_code, 1);
  EXPECT_EQ(full.err, "acoustic_sim: cannot write to standard output\n");
}

}  // namespace
