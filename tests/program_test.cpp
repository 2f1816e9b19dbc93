// acoustic_sim end to end: every file and the console of every mode,
// byte for byte, and the same bytes as one fprintf per value would write.
#include <gtest/gtest.h>

#include <cstdint>

#include "test_support.h"

namespace {

// The largest network: 12 branches, 25 elements.
std::string parameters_of(const std::string& example) {
  if (example != "twelve_branches") return example_params(example.c_str());
  std::string text = "40 12 25\n12 500 1.4 2\n50";
  for (int i = 0; i < 12; ++i) text += message(" %g", 2 + 0.25 * i);
  for (int i = 0; i < 24; ++i) text += message(" %g", 5 + 0.3 * i);
  for (int i = 0; i < 24; ++i) text += message(" %g", 40.0 + 5 * i);
  text += " 1.5";
  for (int i = 0; i < 24; ++i) text += " 0.03";
  return text;
}

// An FNV-1a hash of the console, then of the name and bytes of every file
// the run left, in name order.
std::uint64_t run_hash(const std::string& console, const scratch_dir& dir) {
  std::uint64_t h = 1469598103934665603ull;
  auto add = [&h](const std::string& bytes) {
    for (unsigned char c : bytes) h = (h ^ c) * 1099511628211ull;
  };
  add(console);
  for (const std::string& f : split(run_in(dir.path(), "LC_ALL=C ls", "").out)) {
    if (f != "parameters.txt") add(std::string(1, '\0') + f + '\0' + read_file(dir.file(f)));
  }
  return h;
}

struct golden_run {
  const char *program, *example, *answers;
  std::uint64_t hash;
};

const char* const sim = "'" ACOUSTIC_SIM_PATH "'";
const char* const steady = "'" ACOUSTIC_STEADY_PATH "'";

void PrintTo(const golden_run& run, std::ostream* os) { *os << run.example << " " << run.answers; }

class Golden : public ::testing::TestWithParam<golden_run> {};

// The output as the program wrote it when its numbers were last checked by
// hand and against the physics (the worked piston numbers, the steady
// state, the formatter against the C library). A difference here is a
// changed byte somewhere in the run: compare the files with those of the
// last commit that passed. acoustic_sim gives the same bytes on one thread
// and on several, whatever the machine has.
TEST_P(Golden, SameBytesAsTheCheckedProgram) {
  const bool threaded = GetParam().program == sim;
  for (const char* threads : {"1", "2", "3"}) {
    if (!threaded && threads[0] != '1') continue;
    scratch_dir dir;
    write_file(dir.file("parameters.txt"), parameters_of(GetParam().example));
    const program_run r =
        run_in(dir.path(), std::string("ACOUSTIC_THREADS=") + threads + " " + GetParam().program, GetParam().answers);
    EXPECT_EQ(r.exit_code, 0) << shown(r.err);
    EXPECT_EQ(run_hash(r.out, dir), GetParam().hash) << std::hex << run_hash(r.out, dir) << " threads " << threads;
  }
}

INSTANTIATE_TEST_SUITE_P(Examples, Golden,
                         ::testing::Values(golden_run{sim, "closed_box", "0\n1\n0\n50\n", 0x536a02e7c3661011},
                                           golden_run{sim, "closed_box", "1\n1\n1\n250\n", 0x143445230050a906},
                                           golden_run{sim, "closed_box", "0\n1\n2\n", 0xba5b8c49786cbd29},
                                           golden_run{sim, "closed_box", "0\n0\n", 0xb5fd1c2dafee98c8},
                                           golden_run{sim, "closed_box", "0\n2\n", 0x133b61138980bf3b},
                                           golden_run{sim, "two_chamber", "0\n1\n0\n50\n", 0xb4fb35f4501b8982},
                                           golden_run{sim, "two_chamber", "1\n1\n0\n37.5\n", 0xecf8de373f5376ce},
                                           golden_run{sim, "two_chamber", "0\n1\n2\n", 0xee33eb5458f42eda},
                                           golden_run{sim, "two_chamber", "1\n0\n", 0x20f6fbb908e1fe7a},
                                           golden_run{sim, "two_chamber", "0\n2\n", 0x057060eefd3c9236},
                                           golden_run{sim, "twelve_branches", "1\n1\n0\n10\n", 0x48c3d6427ccc6fec},
                                           golden_run{sim, "twelve_branches", "1\n1\n1\n100\n", 0xf81b9d1707d438f2},
                                           golden_run{steady, "closed_box", "0\n", 0x846f93d4dd9a6e09},
                                           golden_run{steady, "two_chamber", "1\n", 0xf3e8ce1611b17d87}));

// The program's own formatter and writer against one fprintf per value.
TEST(Program, SameBytesAsTheLiteralWriter) {
  if (std::string(ACOUSTIC_SIM_BASELINE_PATH).empty()) GTEST_SKIP() << "bench/ not built (no Google Benchmark)";
  for (const char* answers : {"0\n1\n0\n50\n", "1\n1\n1\n250\n", "0\n2\n"}) {
    scratch_dir ours, literal;
    const program_run a = run_sim(ours, one_branch, answers);
    write_file(literal.file("parameters.txt"), one_branch);
    EXPECT_EQ(a.out, run_in(literal.path(), "'" ACOUSTIC_SIM_BASELINE_PATH "'", answers).out);
    for (const std::string& f : output_files)
      EXPECT_TRUE(read_file(ours.file(f)) == read_file(literal.file(f))) << answers << f;
  }
}

}  // namespace
