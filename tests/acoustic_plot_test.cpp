// acoustic_plot on the folders that real runs leave.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>

#include "test_support.h"

namespace {

program_run run_plot(const std::string& dir, const std::string& path_prefix = "") {
  const std::string command = "cd '" + dir + "' && " + path_prefix + "'" ACOUSTIC_PLOT_PATH "' > .out 2> .err";
  const int raw = std::system(command.c_str());
  program_run r;
  r.exit_code = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  r.out = read_file(dir + "/.out");
  r.err = read_file(dir + "/.err");
  return r;
}

void run_steady(const std::string& dir) {
  const std::string command = "cd '" + dir + "' && echo 0 | '" ACOUSTIC_STEADY_PATH "' > /dev/null";
  ASSERT_EQ(std::system(command.c_str()), 0);
}

// Width and height from the PNG signature and IHDR chunk.
bool png_size(const std::string& path, std::uint32_t& width, std::uint32_t& height) {
  const std::string data = read_file(path);
  if (data.size() < 24 || data.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0 || data.compare(12, 4, "IHDR") != 0)
    return false;
  auto be32 = [&](std::size_t at) {
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v = v << 8 | static_cast<unsigned char>(data[at + i]);
    return v;
  };
  width = be32(16);
  height = be32(20);
  return true;
}

void expect_pictures(const std::string& dir, const program_run& r, std::initializer_list<const char*> names) {
  ASSERT_EQ(r.exit_code, 0) << r.err;
  for (const char* name : names) {
    std::uint32_t w = 0, h = 0;
    EXPECT_TRUE(png_size(dir + "/" + name, w, h)) << name;
    EXPECT_EQ(w, 1000u) << name;
    EXPECT_EQ(h, 700u) << name;
    EXPECT_GT(read_file(dir + "/" + name).size(), 10000u) << name;  // a drawn plot, not an empty frame
    EXPECT_NE(r.out.find(std::string("wrote ") + name), std::string::npos) << r.out;
  }
}

class PlotExample : public ::testing::TestWithParam<const char*> {};

TEST_P(PlotExample, OneTimeRun) {
  scratch_dir dir;
  write_file(dir.file("parameters.txt"), read_file(std::string(EXAMPLES_DIR) + "/" + GetParam() + "/parameters.txt"));
  ASSERT_EQ(run_program_in(dir.path(), "0\n1\n0\n50\n").exit_code, 0);
  expect_pictures(dir.path(), run_plot(dir.path()), {"spectrum.png", "history.png"});
  EXPECT_FALSE(file_exists(dir.file("response.png")));
}

TEST_P(PlotExample, SequentialRunWithTheSteadyState) {
  scratch_dir dir;
  write_file(dir.file("parameters.txt"), read_file(std::string(EXAMPLES_DIR) + "/" + GetParam() + "/parameters.txt"));
  ASSERT_EQ(run_program_in(dir.path(), "0\n0\n").exit_code, 0);
  run_steady(dir.path());
  expect_pictures(dir.path(), run_plot(dir.path()), {"response.png", "elements.png"});
  EXPECT_FALSE(file_exists(dir.file("history.png")));  // sweep histories have no headers
}

INSTANTIATE_TEST_SUITE_P(Examples, PlotExample, ::testing::Values("closed_box", "two_chamber"));

TEST(AcousticPlot, MissingGnuplotIsAClearError) {
  scratch_dir dir;
  mkdir(dir.file("bin").c_str(), 0755);
  for (const char* tool : {"sh", "awk", "sed", "head", "tr", "grep", "cat"}) {
    const std::string target = "/usr/bin/" + std::string(tool);
    const std::string fallback = "/bin/" + std::string(tool);
    ASSERT_EQ(
        symlink(file_exists(target) ? target.c_str() : fallback.c_str(), dir.file("bin/" + std::string(tool)).c_str()),
        0);
  }
  write_file(dir.file("dft_result.csv"),
             "frequency[Hz],SPL,phase,Pa,Re,Im\n0.000000,1.000000,0.000000,1.000000,1.000000,0.000000\n");
  const program_run r = run_plot(dir.path(), "PATH='" + dir.file("bin") + "' /bin/sh ");
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(r.err.find("acoustic_plot: gnuplot not found"), std::string::npos) << r.err;
}

TEST(AcousticPlot, MalformedFileIsNamed) {
  scratch_dir dir;
  write_file(dir.file("dft_result.csv"),
             "frequency[Hz],SPL,phase,Pa,Re,Im\n0.000000,abc,0.000000,1.000000,1.000000,0.000000\n");
  const program_run r = run_plot(dir.path());
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(r.err.find("dft_result.csv: line 2 field 2 is \"abc\""), std::string::npos) << r.err;
  EXPECT_FALSE(file_exists(dir.file("spectrum.png")));

  write_file(dir.file("dft_result.csv"), "freq,level\n1,2\n");
  const program_run header = run_plot(dir.path());
  EXPECT_NE(header.err.find("dft_result.csv: header"), std::string::npos) << header.err;
}

TEST(AcousticPlot, NothingToDraw) {
  scratch_dir dir;
  const program_run r = run_plot(dir.path());
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(r.err.find("nothing to draw"), std::string::npos) << r.err;
}

}  // namespace
