// Bad input and failed writes: one clear line on standard error, a
// non-zero status, and the results of an earlier run left as they were.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <map>
#include <vector>

#include "test_support.h"

namespace {

const std::string good_box = "20\t8\t40\n0\t100\t1.4\t1.0\n20\n1.0\n";
const std::string good_branch = "20 8 40\n1 100 1.4 1\n20 5\n20 25\n50 150\n1.0 0.05 0.08\n";
const std::string sine_50 = "0\n1\n0\n50\n";

const char* output_files[] = {"x_vectors.csv",
                              "normalized_x_vectors.csv",
                              "v_vectors.csv",
                              "normalized_v_vectors.csv",
                              "dft_parameters.txt",
                              "matrices.csv",
                              "dft_sequential_calculation_result.csv",
                              "dft_result.csv",
                              "dftv.txt"};

std::map<std::string, std::string> snapshot(const scratch_dir& dir) {
  std::map<std::string, std::string> files;
  for (const char* name : output_files) files[name] = read_file(dir.file(name));
  return files;
}

// The lines of standard error that are not warnings.
std::vector<std::string> error_lines(const std::string& err) {
  std::vector<std::string> errors;
  for (const std::string& line : split_lines(err))
    if (line.find(": warning: ") == std::string::npos) errors.push_back(line);
  return errors;
}

struct bad_input {
  const char* name;
  std::string parameters;  // empty: no parameter file
  std::string answers;
  std::vector<std::string> key_words;
};

void PrintTo(const bad_input& c, std::ostream* os) { *os << c.name; }

class BadInput : public ::testing::TestWithParam<bad_input> {};

// Every case runs after a good run in the same folder; nothing of that run
// may change.
TEST_P(BadInput, OneErrorLineAndEarlierResultsKept) {
  const bad_input c = GetParam();
  scratch_dir dir;
  write_file(dir.file("parameters.txt"), good_box);
  ASSERT_EQ(run_program_in(dir.path(), sine_50).exit_code, 0);
  const auto before = snapshot(dir);

  if (c.parameters.empty()) {
    std::remove(dir.file("parameters.txt").c_str());
  } else {
    write_file(dir.file("parameters.txt"), c.parameters);
  }
  const program_run r = run_program_in(dir.path(), c.answers);
  EXPECT_NE(r.exit_code, 0);
  EXPECT_EQ(r.err.rfind("acoustic_sim: ", 0), 0u) << r.err;
  EXPECT_EQ(split_lines(r.err).size(), 1u) << r.err;
  for (const std::string& word : c.key_words) EXPECT_NE(r.err.find(word), std::string::npos) << word << " in " << r.err;
  EXPECT_EQ(snapshot(dir), before);
  EXPECT_EQ(r.out.find("read data stored"), std::string::npos);
}

const std::string box_with(const std::string& line1, const std::string& line2, const std::string& rest = "20\n1.0\n") {
  return line1 + "\n" + line2 + "\n" + rest;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BadInput,
    ::testing::Values(
        bad_input{"missing_file", "", sine_50, {"cannot open parameters.txt", "No such file"}},
        bad_input{"not_a_number",
                  box_with("20 8 40", "0 100 abc 1.0"),
                  sine_50,
                  {"parameters.txt", "value 6", "\"abc\"", "expected a number"}},
        bad_input{"file_ends_early",
                  "20 8 40\n1 100 1.4 1\n20 5\n20 25\n50 150\n1.0 0.05\n",
                  sine_50,
                  {"value 16", "C[2]", "ends before"}},
        bad_input{"nan_value", box_with("20 nan 40", "0 100 1.4 1.0"), sine_50, {"value 2", "nan", "positive"}},
        bad_input{"inf_value", box_with("20 8 40", "0 100 1.4 inf"), sine_50, {"value 7", "force amplitude", "finite"}},
        bad_input{"negative_branches", box_with("20 8 40", "-1 100 1.4 1.0"), sine_50, {"branch count", "0 to 12"}},
        bad_input{
            "too_many_branches", box_with("20 8 40", "13 100 1.4 1.0"), sine_50, {"branch count", "\"13\"", "0 to 12"}},
        bad_input{
            "fractional_branches", box_with("20 8 40", "1.5 100 1.4 1.0"), sine_50, {"branch count", "whole number"}},
        bad_input{"division_zero", box_with("20 8 40", "0 0 1.4 1.0"), sine_50, {"division", "\"0\"", "from 1"}},
        bad_input{"radius_zero", box_with("20 0 40", "0 100 1.4 1.0"), sine_50, {"piston radius", "positive"}},
        bad_input{"volume_zero", box_with("20 8 40", "0 100 1.4 1.0", "0\n1.0\n"), sine_50, {"V[0]", "positive"}},
        bad_input{
            "volume_negative", "20 8 40\n1 100 1.4 1\n20 -5\n20 25\n50 150\n1.0 0.05 0.08\n", sine_50, {"V[1]", "-5"}},
        bad_input{"massless_undamped_duct",
                  "20 8 40\n1 100 1.4 1\n20 5\n0 25\n50 150\n1.0 0 0.08\n",
                  sine_50,
                  {"element 1", "2M+C*delta = 0"}},
        bad_input{"negative_mass", box_with("-20 8 40", "0 100 1.4 1.0"), sine_50, {"piston mass", "0 or more"}},
        bad_input{"negative_area",
                  "20 8 40\n1 100 1.4 1\n20 5\n-20 25\n50 150\n1.0 0.05 0.08\n",
                  sine_50,
                  {"A[1]", "0 or more"}},
        bad_input{"negative_length",
                  "20 8 40\n1 100 1.4 1\n20 5\n20 25\n50 -150\n1.0 0.05 0.08\n",
                  sine_50,
                  {"L[2]", "0 or more"}},
        bad_input{"negative_damping",
                  "20 8 40\n1 100 1.4 1\n20 5\n20 25\n50 150\n1.0 -0.05 0.08\n",
                  sine_50,
                  {"C[1]", "0 or more"}},
        bad_input{"answer_not_a_number", good_box, "x\n1\n0\n50\n", {"vector sum option", "\"x\"", "whole number"}},
        bad_input{"mode_not_a_number", good_box, "0\none\n", {"processing mode", "\"one\""}},
        bad_input{"input_ends_early", good_box, "0\n1\n", {"excitation", "input ended"}},
        bad_input{"no_input", good_box, "", {"vector sum option", "input ended"}},
        bad_input{"frequency_zero", good_box, "0\n1\n0\n0\n", {"input frequency[Hz]=", "\"0\"", "positive frequency"}},
        bad_input{"frequency_negative", good_box, "0\n1\n0\n-50\n", {"input frequency", "\"-50\""}},
        bad_input{"frequency_nan", good_box, "0\n1\n0\nnan\n", {"input frequency", "\"nan\""}},
        bad_input{"frequency_inf", good_box, "0\n1\n0\ninf\n", {"input frequency", "\"inf\""}},
        bad_input{"frequency_missing", good_box, "0\n1\n0\n", {"input frequency", "input ended"}},
        bad_input{"frequency_without_finite_period", good_box, "0\n1\n0\n1e-320\n", {"no finite period"}},
        bad_input{"volume_too_small",
                  box_with("20 8 40", "0 100 1.4 1.0", "1e-320\n1.0\n"),
                  sine_50,
                  {"V[0]", "infinite stiffness"}},
        bad_input{"frequency_overflows_steps", good_box, "0\n1\n0\n1e8\n", {"more than 2147483646 time steps"}},
        bad_input{"sweep_frequency_zero", good_box, "0\n1\n1\n0\n", {"highest frequency[Hz]=", "positive frequency"}},
        bad_input{"sequential_step_count_overflows",
                  box_with("20 8 40", "0 300000000 1.4 1.0"),
                  "0\n0\n",
                  {"sequential sweep", "time steps"}},
        bad_input{"sequential_printed_step_too_short",
                  box_with("20 8 40", "0 30000 1.4 1.0"),
                  "0\n0\n",
                  {"division 30000", "0.000003", "0.900000 s"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(BadInput, UnreadableParameterFile) {
  scratch_dir dir;
  mkdir(dir.file("parameters.txt").c_str(), 0755);  // a folder cannot be read as a file
  const program_run r = run_program_in(dir.path(), sine_50);
  EXPECT_NE(r.exit_code, 0);
  EXPECT_NE(r.err.find("parameters.txt: cannot be read"), std::string::npos) << r.err;
  EXPECT_FALSE(file_exists(dir.file("x_vectors.csv")));
}

// Runs whose analysis window has no whole second: the histories of the run
// are kept, the analysis fails, and an earlier spectrum is not touched.
struct short_window {
  const char* name;
  std::string parameters, answers;
  std::vector<std::string> key_words;
};

void PrintTo(const short_window& c, std::ostream* os) { *os << c.name; }

class ShortWindow : public ::testing::TestWithParam<short_window> {};

TEST_P(ShortWindow, FailsAtTheAnalysisAndKeepsTheHistories) {
  const short_window c = GetParam();
  scratch_dir dir;
  write_file(dir.file("parameters.txt"), good_box);
  ASSERT_EQ(run_program_in(dir.path(), sine_50).exit_code, 0);
  const std::string earlier_spectrum = read_file(dir.file("dft_result.csv"));

  write_file(dir.file("parameters.txt"), c.parameters);
  const program_run r = run_program_in(dir.path(), c.answers);
  EXPECT_NE(r.exit_code, 0);
  EXPECT_EQ(error_lines(r.err).size(), 1u) << r.err;
  for (const std::string& word : c.key_words) EXPECT_NE(r.err.find(word), std::string::npos) << word << " in " << r.err;
  EXPECT_EQ(r.out.find("DFT has been completed."), std::string::npos);
  EXPECT_EQ(read_file(dir.file("dft_result.csv")), earlier_spectrum);
  EXPECT_NE(read_file(dir.file("x_vectors.csv")).find("[Hz]\n"), std::string::npos);  // this run's histories
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ShortWindow,
    ::testing::Values(short_window{"below_one_hertz", good_box, "0\n1\n0\n0.5\n", {"dftv.txt", "declares 0 samples"}},
                      short_window{
                          "two_cycles_in_0_8_s", good_box, "0\n1\n0\n2.5\n", {"dftv.txt", "0.800000 s", "0.9 s"}},
                      short_window{"printed_step_too_short",
                                   box_with("20 8 40", "0 300000 1.4 1.0"),
                                   "0\n1\n0\n1\n",
                                   {"dftv.txt", "0.900000 s", "0.000003"}}),
    [](const auto& info) { return std::string(info.param.name); });

// The box resonates at sqrt((Ku + KS0) / M0) = 454.6 rad/s (72.3 Hz), so
// the limit is 2 / 454.6 = 4.40 ms: at 50 Hz a division of 5 (4 ms) is
// stable and 4 (5 ms) is not.
TEST(Warnings, UnstableTimeStepNamesTheLimitAndAStableDivision) {
  scratch_dir dir;
  write_file(dir.file("parameters.txt"), box_with("20 8 40", "0 5 1.4 1.0"));
  const program_run r = run_program_in(dir.path(), "0\n1\n0\n50\n");
  EXPECT_EQ(r.exit_code, 0);
  write_file(dir.file("parameters.txt"), box_with("20 8 40", "0 4 1.4 1.0"));
  const program_run unstable = run_program_in(dir.path(), "0\n1\n0\n50\n");
  EXPECT_EQ(unstable.exit_code, 0);
  EXPECT_NE(unstable.err.find("stability limit 0.0044"), std::string::npos) << unstable.err;
  EXPECT_NE(unstable.err.find("division of at least 5"), std::string::npos) << unstable.err;
  EXPECT_EQ(r.err, "");
}

TEST(Warnings, AliasedSweepNamesTheFirstAliasedFrequency) {
  scratch_dir dir;
  write_file(dir.file("parameters.txt"), box_with("20 8 40", "0 50 1.4 1.0"));
  const program_run r = run_program_in(dir.path(), "0\n0\n");
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_NE(r.err.find("sampled at 500 Hz"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("from 251 Hz"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("division of 400"), std::string::npos) << r.err;
  EXPECT_EQ(split_lines(read_file(dir.file("dft_sequential_calculation_result.csv"))).size(), 392u);
}

// Output that cannot be written: the error names the file and no success
// message follows it.
struct failed_write {
  const char* name;
  const char* file;  // made a link to /dev/full, or a folder
  bool folder;
  std::string answers;
  const char* success_message;
};

void PrintTo(const failed_write& c, std::ostream* os) { *os << c.name; }

class FailedWrite : public ::testing::TestWithParam<failed_write> {};

TEST_P(FailedWrite, IsAnErrorNeverFollowedBySuccess) {
  const failed_write c = GetParam();
  scratch_dir dir;
  write_file(dir.file("parameters.txt"), good_branch);
  if (c.folder) {
    mkdir(dir.file(c.file).c_str(), 0755);
  } else {
    ASSERT_EQ(symlink("/dev/full", dir.file(c.file).c_str()), 0);
  }
  const program_run r = run_program_in(dir.path(), c.answers);
  EXPECT_NE(r.exit_code, 0);
  EXPECT_EQ(split_lines(r.err).size(), 1u) << r.err;
  EXPECT_NE(r.err.find(c.file), std::string::npos) << r.err;
  EXPECT_NE(r.err.find(c.folder ? "cannot create" : "No space left on device"), std::string::npos) << r.err;
  EXPECT_EQ(r.out.find(c.success_message), std::string::npos) << r.out;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FailedWrite,
    ::testing::Values(
        failed_write{"full_history", "v_vectors.csv", false, sine_50, "Dynamic simulation became complete!"},
        failed_write{"full_signal", "dftv.txt", false, sine_50, "Dynamic simulation became complete!"},
        failed_write{"full_parameters", "dft_parameters.txt", false, sine_50, "Dynamic simulation"},
        failed_write{"full_matrices", "matrices.csv", false, sine_50, "Matrces have been recorded."},
        failed_write{"full_spectrum", "dft_result.csv", false, sine_50, "DFT has been completed."},
        failed_write{"full_response", "dft_sequential_calculation_result.csv", false, "0\n0\n", "[Hz]\t"},
        failed_write{"uncreatable_history", "normalized_x_vectors.csv", true, sine_50, "read data stored"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FailedWrite, ReadOnlyFolder) {
  if (geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
  scratch_dir dir;
  write_file(dir.file("parameters.txt"), good_box);
  chmod(dir.path().c_str(), 0555);
  const program_run r = run_program_in(dir.path(), sine_50);
  chmod(dir.path().c_str(), 0755);
  EXPECT_NE(r.exit_code, 0);
  EXPECT_NE(r.err.find("cannot create x_vectors.csv"), std::string::npos) << r.err;
}

}  // namespace
