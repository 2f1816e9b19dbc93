// The time-domain simulation: the force, the recursion bit for bit as its
// equations read, its steady state against the exact frequency-domain
// solution, and the histories and signal file a run writes.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstdlib>

#include "model/matrix_assembly.h"
#include "simulation/excitation.h"
#include "simulation/simulation_run.h"
#include "simulation/time_stepping.h"
#include "test_support.h"

namespace {

using complex = std::complex<double>;

std::string twelve_branches() {
  std::string text = "40 12 25\n12 500 1.4 2\n50";
  for (int i = 0; i < 12; ++i) text += format(" %g", 2 + 0.25 * i);
  for (int i = 0; i < 24; ++i) text += format(" %g", 5 + 0.3 * i);
  for (int i = 0; i < 24; ++i) text += format(" %g", 40.0 + 5 * i);
  text += " 1.5";
  for (int i = 0; i < 24; ++i) text += " 0.03";
  return text;
}

// glibc's rand() from its default seed starts 1804289383, 846930886,
// 1681692777: levels 83, 86, 77 of 0..99, i.e. 33, 36, 27 fiftieths of b.
TEST(Excitation, ForceOfEachKindByHand) {
  model_state s;
  s.delta = 1e-3;
  s.b = 2;
  s.F = s.phi = 50;
  s.MP[0] = 0.04;
  const struct {
    int choice, k;
    double force;
  } cases[] = {{0, 0, 0},
               {0, 3, std::sin(50 * 6.283184 * 0.003) * 2},
               {1, 3, std::sin(50 * 6.283184 * 9e-6) * 2},
               {2, 0, 0.66 * 2},
               {2, 1, 0.72 * 2},
               {7, 2, 0.54 * 2}};
  std::srand(1);
  for (const auto& c : cases) {
    s.choice = c.choice;
    excite(s, c.k);
    EXPECT_DOUBLE_EQ(s.tempo, c.k * 1e-3);
    EXPECT_DOUBLE_EQ(s.forte, c.force) << c.choice << " step " << c.k;
    EXPECT_DOUBLE_EQ(s.force[0], 2 * 1e-6 / 0.04 * c.force);
  }
}

// The recursion exactly as the equations read: Q row by row, MM / MP
// divided at every step. The loop must give the same bits, however it is
// laid out, for the largest network and the vector sum without the
// internal ducts.
TEST(TimeStepping, SameBitsAsTheRecursionAsWritten) {
  scratch_dir dir;
  auto fast = build_model(twelve_branches(), 1e-5), plain = build_model(twelve_branches(), 1e-5);
  for (model_state* s : {fast.get(), plain.get()}) {
    s->F = 200;
    s->vvso = 1;
  }
  model_state& p = *plain;
  for (int k = 0; k < 2000; ++k) {
    advance(*fast, k);
    excite(p, k);
    double sumx = 0, sumv = 0;
    for (int j = 0; j < p.ND; ++j) sumx = p.xc[j] * p.R[j] * 1000 + sumx;
    for (int i = 0; i < p.ND; ++i) {
      p.xn[i] = 0;
      for (int j = 0; j < p.ND; ++j) p.xn[i] = p.xn[i] + p.Q[i][j] * p.xc[j];
      p.xn[i] = p.xn[i] - p.MM[i] / p.MP[i] * p.xp[i] + p.force[i];
      p.vc[i] = (p.xc[i] - p.xp[i]) / p.delta;
    }
    sumv = p.vc[0] * p.R[0] + sumv;
    for (int j = 12 + 1; j < p.ND; ++j) sumv = p.vc[j] * p.R[j] + sumv;
    ASSERT_EQ(fast->sumx, sumx) << k;
    ASSERT_EQ(fast->sumv, sumv) << k;
    for (int i = 0; i < MAX_ELEMENTS; ++i) ASSERT_EQ(fast->xn[i], p.xn[i]) << k << " " << i;
    shift_state(*fast);
    shift_state(p);
  }
  EXPECT_NE(fast->sumv, 0);
}

TEST(TimeStepping, FirstStepsMoveThePistonAlone) {
  scratch_dir dir;
  auto s = build_model(one_branch, 1e-4);
  s->F = 50;
  for (int k = 0; k <= 2; ++k) {
    advance(*s, k);
    if (k < 2) {
      EXPECT_EQ(s->sumv, 0) << k;
    }
    shift_state(*s);
  }
  // The force of step 1 (step 0's is 0) moves the piston by 2 delta^2 f / MP.
  EXPECT_DOUBLE_EQ(s->xp[0], 2e-8 * std::sin(50 * 6.283184 * 1e-4) / s->MP[0]);
  EXPECT_EQ(s->xp[1], 0);
  EXPECT_DOUBLE_EQ(s->sumv, s->xp[0] / 1e-4);
}

// Steady state of M x'' + C x' + K x = f with f = b sin(w t) on the
// piston: X = (K - w^2 M + i w C)^-1 F, F[0] = -i b, by Gauss-Jordan.
std::vector<complex> frequency_domain_solution(const model_state& s, double w) {
  const int nd = s.ND;
  std::vector<std::vector<complex>> a(nd, std::vector<complex>(nd + 1));
  for (int i = 0; i < nd; ++i) {
    for (int j = 0; j < nd; ++j) a[i][j] = s.K[i][j];
    a[i][i] += complex(-w * w * s.M[i], w * s.C[i]);
    a[i][nd] = i == 0 ? complex(0, -s.b) : 0.0;
  }
  for (int p = 0; p < nd; ++p) {
    for (int r = 0; r < nd; ++r) {
      if (r == p) continue;
      const complex factor = a[r][p] / a[p][p];
      for (int c = p; c <= nd; ++c) a[r][c] -= factor * a[p][c];
    }
  }
  std::vector<complex> x(nd);
  for (int i = 0; i < nd; ++i) x[i] = a[i][nd] / a[i][i];
  return x;
}

// With 400 steps per period the scheme's errors are about (w delta)^2 / 24
// = 1e-5 and the transient has decayed over 3 s; measured, the worst
// element is off by under 1e-4 of the largest amplitude. 0.1 % still
// catches a wrong sign, stiffness entry or mass, which move amplitudes by
// tens of percent.
TEST(TimeStepping, SteadyStateMatchesTheFrequencyDomainSolution) {
  const struct {
    std::string parameters;
    double F;
  } cases[] = {{closed_box, 55}, {one_branch, 95}, {example_params("two_chamber"), 140}};
  for (const auto& c : cases) {
    scratch_dir dir;
    const int steps = 400;
    auto s = build_model(c.parameters, 1 / c.F / steps);
    s->F = c.F;
    const int total = 3 * static_cast<int>(c.F) * steps, measured = 10 * steps;
    std::vector<complex> sim(s->ND);
    for (int k = 0; k < total; ++k) {
      advance(*s, k);
      if (k >= total - measured)
        for (int i = 0; i < s->ND; ++i) sim[i] += s->xc[i] * std::polar(2.0 / measured, -c.F * 6.283184 * s->tempo);
      shift_state(*s);
    }
    const std::vector<complex> exact = frequency_domain_solution(*s, c.F * 6.283184);
    double largest = 0;
    for (const complex& x : exact) largest = std::max(largest, std::abs(x));
    for (int i = 0; i < s->ND; ++i) EXPECT_LT(std::abs(sim[i] - exact[i]), 1e-3 * largest) << c.F << " " << i;
  }
}

struct histories {
  std::vector<std::string> x, xn, v, vn, signal;
};

histories run_once(model_state& s, int seqsw, int choice, double F) {
  s.seqsw = seqsw;
  s.choice = choice;
  s.F = s.phi = F;
  const char* names[] = {"x_vectors.csv", "normalized_x_vectors.csv", "v_vectors.csv", "normalized_v_vectors.csv"};
  text_file* files[] = {&s.displacement, &s.displacement_n, &s.velocity, &s.velocity_n};
  for (int f = 0; f < 4; ++f) EXPECT_TRUE(files[f]->open(names[f], seqsw == 1 ? "w" : "a").ok());
  EXPECT_TRUE(results(s).ok());
  for (text_file* f : files) EXPECT_TRUE(f->close().ok());
  histories h;
  std::vector<std::string>* out[] = {&h.x, &h.xn, &h.v, &h.vn};
  for (int f = 0; f < 4; ++f) *out[f] = split_lines(read_file(names[f]));
  h.signal = split_lines(read_file("dftv.txt"));
  return h;
}

TEST(Histories, HeadersOfEachExcitation) {
  scratch_dir dir;
  auto s = build_model("10 5 50\n1 20 1.4 1\n10 2\n3 4\n50 60\n0.5 0.01 0.02\n", 1e-4);
  s->n_rows = 5;
  const std::string x = "time[s],force[N],x[0],x[1],x[2]", v = "time[s],force[N],v[0],v[1],v[2]";
  const std::string xn = "time[s],sum_x[mm],x_n[0],x_n[1],x_n[2],force[N]";
  const std::string vn = "time[s],sum_v[m/s],v_n[0],v_n[1],v_n[2],force[N]";
  const struct {
    int choice;
    std::string x, xn, v, vn;
  } cases[] = {{0, x + ",300.000000[Hz]", xn + ",300.000000[Hz]", v + ",300.000000[Hz]", vn + ",300.000000[Hz]"},
               {1, x + ",random", xn + ",sweep rate[Hz/s]=300.000000,final frequency[Hz]=300.000000", v + ",random",
                vn + ",sweep rate[Hz/s],final frequency[Hz]"},
               {2, x + ",random", xn + ",random", v + ",random", vn + ",random"}};
  for (const auto& c : cases) {
    const histories h = run_once(*s, 1, c.choice, 300);
    EXPECT_EQ(h.x[0], c.x);
    EXPECT_EQ(h.xn[0], c.xn);
    EXPECT_EQ(h.v[0], c.v);
    EXPECT_EQ(h.vn[0], c.vn);
  }
}

// Rows: the weighted values add up to their sums, time and force agree
// across the files, and the signal file holds count, step and n_rows + 1
// samples. A sequential run appends without headers and continues from
// the state the last run left.
TEST(Histories, RowsAddUpAndRunsContinue) {
  scratch_dir dir;
  auto s = build_model("10 5 50\n1 20 1.4 1000\n10 2\n3 4\n50 60\n0.5 0.01 0.02\n", 1e-4);
  s->n_rows = 20;
  const histories h = run_once(*s, 1, 0, 120);
  ASSERT_EQ(h.x.size(), 22u);
  ASSERT_EQ(h.signal.size(), 23u);
  EXPECT_EQ(h.signal[0], "20");
  EXPECT_EQ(h.signal[1], "0.000100");
  for (std::size_t r = 1; r < h.x.size(); ++r) {
    const auto x = split_fields(h.x[r]), xn = split_fields(h.xn[r]), v = split_fields(h.v[r]),
               vn = split_fields(h.vn[r]);
    ASSERT_EQ(x.size(), 5u);
    ASSERT_EQ(xn.size(), 6u);
    EXPECT_NEAR(std::stod(xn[2]) + std::stod(xn[3]) + std::stod(xn[4]), std::stod(xn[1]), 2e-6);
    EXPECT_NEAR(std::stod(vn[2]) + std::stod(vn[3]) + std::stod(vn[4]), std::stod(vn[1]), 2e-6);
    EXPECT_EQ(vn[1], h.signal[r + 1]);
    EXPECT_EQ(x[0], format("%f", (r - 1) * 1e-4));
    EXPECT_EQ(xn.back(), x[1]);
    EXPECT_EQ(v[1], x[1]);
  }
  double carried = 0;  // the displacement sum the next run starts from
  for (int i = 0; i < 3; ++i) carried += s->xc[i] * s->R[i];
  s->n_rows = 0;
  const histories next = run_once(*s, 0, 0, 120);
  ASSERT_EQ(next.x.size(), 23u);
  EXPECT_EQ(next.x[22].substr(0, 9), "0.000000,");
  EXPECT_EQ(next.signal.size(), 3u);
  EXPECT_DOUBLE_EQ(s->sumx, carried * 1000);
}

}  // namespace
