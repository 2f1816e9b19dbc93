// acoustic_sim's command line and environment: --no-histories writes the
// same files but the four histories, --help and bad options, and a thread
// count that is not one.
#include <gtest/gtest.h>

#include "test_support.h"

namespace {

const std::string sim = "'" ACOUSTIC_SIM_PATH "'";
const char* const histories[] = {"x_vectors.csv", "normalized_x_vectors.csv", "v_vectors.csv",
                                 "normalized_v_vectors.csv"};

bool is_history(const std::string& name) {
  for (const char* h : histories)
    if (name == h) return true;
  return false;
}

TEST(NoHistories, SameFilesButTheHistories) {
  // one-time sinusoid, one-time sweep, sequential sweep
  for (const char* answers : {"0\n1\n0\n50\n", "1\n1\n1\n250\n", "0\n0\n"}) {
    scratch_dir full, lean;
    const program_run a = run_sim(full, one_branch, answers);
    write_file(lean.file("parameters.txt"), one_branch);
    const program_run b = run_in(lean.path(), sim + " --no-histories", answers);
    ASSERT_EQ(a.exit_code, 0);
    ASSERT_EQ(b.exit_code, 0) << b.err;
    EXPECT_EQ(a.out, b.out) << answers;
    EXPECT_EQ(b.err, "") << answers;
    for (const std::string& f : output_files) {
      if (is_history(f)) {
        EXPECT_FALSE(file_exists(lean.file(f))) << answers << f;
      } else {
        EXPECT_EQ(file_exists(full.file(f)), file_exists(lean.file(f))) << answers << f;
        EXPECT_TRUE(read_file(full.file(f)) == read_file(lean.file(f))) << answers << f;
      }
    }
  }
}

// The earlier histories are not removed, but the user learns that they are
// not this run's.
TEST(NoHistories, EarlierHistoriesKeptAndNamed) {
  scratch_dir dir;
  ASSERT_EQ(run_sim(dir, one_branch, "0\n1\n0\n50\n").exit_code, 0);
  const std::string before = read_file(dir.file("v_vectors.csv"));
  const program_run r = run_in(dir.path(), sim + " --no-histories", "0\n1\n0\n20\n");
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(r.err,
            "acoustic_sim: warning: without histories, the earlier x_vectors.csv, normalized_x_vectors.csv, "
            "v_vectors.csv, normalized_v_vectors.csv stay as they are: they are not this run's\n");
  EXPECT_TRUE(read_file(dir.file("v_vectors.csv")) == before);
  EXPECT_TRUE(contains(read_file(dir.file("dft_parameters.txt")), "base frequency=20.000000"));
}

TEST(SimCommandLine, BadOptionsAndThreadCounts) {
  const struct {
    std::string command, err;
  } cases[] = {
      {sim + " --histories", "acoustic_sim: unknown option \"--histories\": see --help\n"},
      {sim + " parameters.txt", "acoustic_sim: unexpected argument \"parameters.txt\": see --help\n"},
      {"ACOUSTIC_THREADS=0 " + sim,
       "acoustic_sim: ACOUSTIC_THREADS = \"0\": expected a whole number of threads from 1 to 256\n"},
      {"ACOUSTIC_THREADS=two " + sim,
       "acoustic_sim: ACOUSTIC_THREADS = \"two\": expected a whole number of threads from 1 to 256\n"},
      {"ACOUSTIC_THREADS=2.5 " + sim,
       "acoustic_sim: ACOUSTIC_THREADS = \"2.5\": expected a whole number of threads from 1 to 256\n"},
      {"ACOUSTIC_THREADS=257 " + sim,
       "acoustic_sim: ACOUSTIC_THREADS = \"257\": expected a whole number of threads from 1 to 256\n"},
  };
  for (const auto& c : cases) {
    scratch_dir dir;
    write_file(dir.file("parameters.txt"), one_branch);
    const program_run r = run_in(dir.path(), c.command, "0\n1\n0\n50\n");
    EXPECT_EQ(r.exit_code, 1) << c.command;
    EXPECT_EQ(r.err, c.err) << c.command;
    EXPECT_EQ(r.out, "") << c.command;
    EXPECT_EQ(run_in(dir.path(), "ls", "").out, "parameters.txt\n") << c.command;
  }
  // An empty ACOUSTIC_THREADS follows the machine.
  scratch_dir dir;
  write_file(dir.file("parameters.txt"), one_branch);
  EXPECT_EQ(run_in(dir.path(), "ACOUSTIC_THREADS= " + sim, "0\n1\n0\n50\n").exit_code, 0);
}

TEST(SimCommandLine, HelpAsksNothing) {
  scratch_dir dir;
  const program_run r = run_in(dir.path(), sim + " --help", "");
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(r.out.rfind("Usage: acoustic_sim [--no-histories]\n", 0), 0u) << r.out;
  EXPECT_TRUE(contains(r.out, "ACOUSTIC_THREADS"));
  EXPECT_EQ(r.err, "");
}

}  // namespace
