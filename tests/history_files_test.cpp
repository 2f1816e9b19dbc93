// Headers and rows of the four response histories.
#include "simulation/history_files.h"

#include <gtest/gtest.h>

#include <cmath>

#include "simulation/time_stepping.h"
#include "test_support.h"

namespace {

const char* one_branch = "10 5 50\n1 20 1.4 1\n10 2\n3 4\n50 60\n0.5 0.01 0.02\n";

struct history {
  std::string x, xn, v, vn;
};

history run_once(model_state& s, int choice, double F) {
  s.seqsw = 1;
  s.choice = choice;
  s.F = F;
  s.phi = F;
  s.n_rows = 20;
  EXPECT_TRUE(s.displacement.open("x_vectors.csv").ok());
  EXPECT_TRUE(s.displacement_n.open("normalized_x_vectors.csv").ok());
  EXPECT_TRUE(s.velocity.open("v_vectors.csv").ok());
  EXPECT_TRUE(s.velocity_n.open("normalized_v_vectors.csv").ok());
  {
    silenced_stdout quiet;
    EXPECT_TRUE(results(s).ok());
  }
  for (text_file* f : {&s.displacement, &s.displacement_n, &s.velocity, &s.velocity_n}) EXPECT_TRUE(f->close().ok());
  return {read_file("x_vectors.csv"), read_file("normalized_x_vectors.csv"), read_file("v_vectors.csv"),
          read_file("normalized_v_vectors.csv")};
}

TEST(HistoryHeaders, SinusoidOfOneElement) {
  scratch_dir dir;
  auto s = build_model("10 5 50\n0 20 1.4 1\n10\n0.5\n", 0.001);
  const history h = run_once(*s, 0, 50);
  const auto x = split_lines(h.x);
  EXPECT_EQ(x[0], "time[s],force[N],x[0],50.000000[Hz]");
  for (std::size_t r = 1; r < x.size(); ++r) EXPECT_EQ(split_fields(x[r]).size(), 3u) << x[r];
  EXPECT_EQ(split_lines(h.v)[0], "time[s],force[N],v[0],50.000000[Hz]");
  EXPECT_EQ(split_lines(h.xn)[0], "time[s],sum_x[mm],x_n[0],force[N],50.000000[Hz]");
  EXPECT_EQ(split_lines(h.vn)[0], "time[s],sum_v[m/s],v_n[0],force[N],50.000000[Hz]");
}

TEST(HistoryHeaders, SweepAndRandom) {
  scratch_dir dir;
  auto s = build_model(one_branch, 1e-4);
  const history sweep = run_once(*s, 1, 300);
  EXPECT_EQ(split_lines(sweep.x)[0], "time[s],force[N],x[0],x[1],x[2],random");
  EXPECT_EQ(split_lines(sweep.v)[0], "time[s],force[N],v[0],v[1],v[2],random");
  EXPECT_EQ(split_lines(sweep.xn)[0],
            "time[s],sum_x[mm],x_n[0],x_n[1],x_n[2],force[N],sweep rate[Hz/s]=300.000000,final "
            "frequency[Hz]=300.000000");
  EXPECT_EQ(split_lines(sweep.vn)[0],
            "time[s],sum_v[m/s],v_n[0],v_n[1],v_n[2],force[N],sweep rate[Hz/s],final frequency[Hz]");
  const history random = run_once(*s, 2, 100);
  EXPECT_EQ(split_lines(random.x)[0], "time[s],force[N],x[0],x[1],x[2],random");
  EXPECT_EQ(split_lines(random.xn)[0], "time[s],sum_x[mm],x_n[0],x_n[1],x_n[2],force[N],random");
  EXPECT_EQ(split_lines(random.vn)[0], "time[s],sum_v[m/s],v_n[0],v_n[1],v_n[2],force[N],random");
}

TEST(HistoryRows, FieldCountsAndTheRawHeaderCarriesOneFieldMore) {
  scratch_dir dir;
  auto s = build_model(one_branch, 1e-4);
  const history h = run_once(*s, 0, 120);
  for (const std::string* file : {&h.x, &h.v}) {
    const auto lines = split_lines(*file);
    ASSERT_EQ(lines.size(), 22u);  // header and n_rows + 1 rows
    EXPECT_EQ(split_fields(lines[0]).size(), 6u);
    for (std::size_t r = 1; r < lines.size(); ++r) EXPECT_EQ(split_fields(lines[r]).size(), 5u);
  }
  for (const std::string* file : {&h.xn, &h.vn}) {
    const auto lines = split_lines(*file);
    EXPECT_EQ(split_fields(lines[0]).size(), 7u);
    for (std::size_t r = 1; r < lines.size(); ++r) EXPECT_EQ(split_fields(lines[r]).size(), 6u);
  }
}

TEST(HistoryRows, WeightedValuesAddUpToTheirSums) {
  scratch_dir dir;
  auto s = build_model(one_branch, 1e-4);
  s->b = 1000;  // large enough for six decimals to show every element
  const history h = run_once(*s, 0, 120);
  const auto xn = split_lines(h.xn), vn = split_lines(h.vn), x = split_lines(h.x);
  for (std::size_t r = 1; r < xn.size(); ++r) {
    const auto fx = split_fields(xn[r]), fv = split_fields(vn[r]), raw = split_fields(x[r]);
    double sx = 0, sv = 0;
    for (int i = 0; i < 3; ++i) {
      sx += std::stod(fx[2 + i]);
      sv += std::stod(fv[2 + i]);
    }
    // Three printed values each off by up to half a unit of 1e-6.
    EXPECT_NEAR(sx, std::stod(fx[1]), 2e-6) << xn[r];
    EXPECT_NEAR(sv, std::stod(fv[1]), 2e-6) << vn[r];
    // Time and force agree across the files; force is last in the weighted ones.
    EXPECT_EQ(fx[0], raw[0]);
    EXPECT_EQ(fx.back(), raw[1]);
    EXPECT_EQ(fv.back(), raw[1]);
  }
  // The last row is step n_rows at time n_rows * delta.
  EXPECT_EQ(split_fields(x.back())[0], "0.002000");
}

TEST(HistoryRows, SequentialRunsAppendWithoutHeaders) {
  scratch_dir dir;
  auto s = build_model(one_branch, 1e-4);
  const history first = run_once(*s, 0, 120);
  s->seqsw = 0;
  ASSERT_TRUE(s->displacement.open("x_vectors.csv", "a").ok());
  {
    silenced_stdout quiet;
    ASSERT_TRUE(results(*s).ok());
  }
  ASSERT_TRUE(s->displacement.close().ok());
  const auto lines = split_lines(read_file("x_vectors.csv"));
  ASSERT_EQ(lines.size(), 22u + 21u);
  EXPECT_EQ(split_fields(lines[22])[0], "0.000000");  // the time column starts again
}

}  // namespace
