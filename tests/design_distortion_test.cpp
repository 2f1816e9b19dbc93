// The large-signal driver against references that share none of its
// stepping: the linear network's own stepping and exact steady state, the
// second-order (Volterra) solution for Bl = B + b1 x, the symmetry of even
// curves, the energy balance, the step's order of accuracy, and the same
// equations integrated by Boost.Odeint's Dormand-Prince.
#include <gtest/gtest.h>

#include <boost/numeric/odeint.hpp>
#include <cmath>

#include "analysis/distortion_sweep.h"
#include "analysis/steady_state.h"
#include "design/driver.h"
#include "control/design_distortion.h"
#include "control/design_transient.h"
#include "design_test_support.h"
#include "simulation/filtered_voltage.h"
#include "simulation/transient_run.h"
#include "test_support.h"

namespace {

// 8-inch woofer: Bl 9.47061 T*m, Kms 1.18346 N/mm, Le 0.6 mH at rest.
const std::string woofer =
    "[driver]\nfs = \"28 Hz\"\nQms = 4.5\nQes = 0.42\nVas = \"58 l\"\nSd = \"220 cm2\"\nRe = \"5.6 ohm\"\n"
    "Le = \"0.6 mH\"\nXmax = \"6 mm\"\n";
const std::string closed = "[enclosure]\ntype = \"closed\"\nVb = \"30 l\"\n";
const std::string vented = "[enclosure]\ntype = \"vented\"\nVb = \"50 l\"\nfb = \"32 Hz\"\nport_diameter = \"75 mm\"\n";
const std::string sealed_vented = vented + "Ql = \"inf\"\n";
const std::string baffle = "[enclosure]\ntype = \"baffle\"\n";
const std::string bandpass = "[enclosure]\ntype = \"bandpass4\"\nVb = \"40 l\"\nVr = \"20 l\"\nfb = \"60 Hz\"\n"
                             "port_diameter = \"75 mm\"\n";
const std::string at_rest = "[nonlinear]\nBl = [\"9.47061 T*m\"]\nKms = [\"1.18346 N/mm\"]\nLe = [\"0.6 mH\"]\n";

// A realistic motor and suspension: Bl falls and tilts outward, the
// suspension stiffens, Le falls as the coil leaves the gap.
const std::string curves =
    "[nonlinear]\nBl = [\"9.47061 T*m\", \"-0.15 T*m/mm\", \"-0.05 T*m/mm2\"]\n"
    "Kms = [\"1.18346 N/mm\", \"-0.03 N/mm2\", \"0.012 N/mm3\"]\n"
    "Le = [\"0.6 mH\", \"-0.03 mH/mm\", \"0.001 mH/mm2\"]\nrange = \"12 mm\"\n";

double largest(const std::vector<double>& v) {
  double m = 0;
  for (double x : v) m = std::max(m, std::abs(x));
  return m;
}

// Today's linear stepping and the large-signal stepping with every
// coefficient above order 0 zero, on the same network, the same burst and
// the same step: the flux form with Newton's method, the suspension's
// increment and the port's loss of 0 change nothing but rounding.
TEST(LargeSignal, CurvesAtRestStepAsTheLinearNetwork) {
  const struct {
    const char* name;
    std::string text;
  } cases[] = {
      {"closed", woofer + closed + at_rest},
      {"vented with leak", woofer + vented + at_rest},
      {"bandpass4", woofer + bandpass + at_rest},
      {"baffle", woofer + baffle + at_rest},
      {"no inductance", woofer + baffle + "[nonlinear]\nBl = [\"9.47061 T*m\"]\nKms = [\"1.18346 N/mm\"]\n"},
      {"port loss 0", woofer + vented + "port_loss = 0\n" + at_rest},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    design_result r = compute(c.text, {40});
    ASSERT_TRUE(r.large);
    large_signal_design& l = *r.large;
    voice_coil coil{0, l.driver.bl, l.driver.re, l.driver.le, l.compiled.coil_polarity};
    if (std::string(c.name) == "no inductance") {
      coil.le = 0;
      l.model.le = curve();
    }
    voltage_signal burst;
    burst.kind = signal_kind::burst;
    burst.frequency = 40;
    burst.cycles = 4;
    burst.peak = 4;
    const double delta = 1 / (40.0 * 400);
    const std::vector<double> v = voltage_samples(burst, highpass_filter{}, delta, 4000);
    transient_record linear, large;
    ASSERT_EQ(run_transient(*l.compiled.network, coil, burst, v, delta, linear).message, "");
    ASSERT_EQ(run_transient(*l.compiled.network, coil, burst, v, delta, large, &l.model).message, "");
    const double peak_x = largest(linear.x), peak_i = largest(linear.current);
    for (std::size_t k = 0; k < linear.x.size(); ++k) ASSERT_NEAR(large.x[k], linear.x[k], 1e-9 * peak_x) << k;
    for (std::size_t k = 0; k < linear.current.size(); ++k)
      ASSERT_NEAR(large.current[k], linear.current[k], 1e-9 * peak_i) << k;
  }
}

// The periodic state of the curves at rest is the linear network's exact
// steady state: SPL, excursion and no harmonics.
TEST(LargeSignal, CurvesAtRestReachTheExactSteadyState) {
  for (const std::string& box : {closed, vented, bandpass, baffle}) {
    design_result r = compute(woofer + box + at_rest, {40});
    const distortion_setup setup = large_signal_setup(r);
    for (double f : {15.0, 45.0, 150.0}) {
      SCOPED_TRACE(box + std::to_string(f));
      const distortion_row row = distortion_at(setup, f, {2.83})[0];
      EXPECT_EQ(row.status, periodic_status::ok);
      EXPECT_NEAR(std::pow(10, (row.spl - row.spl_linear) / 20), 1, 1e-3);
      voice_coil coil = setup.coil;
      coil.voltage = 2.83;
      const steady_point p = solve_steady_state(*setup.network, f, &coil);
      const double x = std::abs(p.X[0]) * std::sqrt(2.0);
      EXPECT_NEAR(row.excursion_out, x, 1e-3 * x);
      EXPECT_NEAR(row.excursion_in, x, 1e-3 * x);
      EXPECT_LT(row.thd, 1e-6);
      EXPECT_LT(std::abs(row.dc_offset), 1e-6 * x);
    }
  }
}

// Even curves and an even number of steps per period: the motion is
// odd-symmetric over half a period, so no even harmonic and no drift.
TEST(LargeSignal, EvenCurvesMakeNoEvenHarmonicsAndNoOffset) {
  const std::string even =
      "[nonlinear]\nBl = [\"9.47061 T*m\", \"0 T*m/mm\", \"-0.04 T*m/mm2\"]\n"
      "Kms = [\"1.18346 N/mm\", \"0 N/mm2\", \"0.02 N/mm3\"]\n"
      "Le = [\"0.6 mH\", \"0 mH/mm\", \"-0.004 mH/mm2\"]\nLe_i = [\"0 /A\", \"-0.002 /A2\"]\nrange = \"12 mm\"\n";
  for (const std::string& box : {closed, vented + "port_loss = 1.5\n"}) {
    design_result r = compute(woofer + box + even, {40});
    const distortion_setup setup = large_signal_setup(r);
    for (double f : {20.0, 50.0}) {
      SCOPED_TRACE(box + std::to_string(f));
      const distortion_row row = distortion_at(setup, f, {10})[0];
      EXPECT_EQ(row.status, periodic_status::ok);
      EXPECT_GT(row.h3, 1e-3);  // the odd curves do distort
      EXPECT_LT(row.h2, 1e-6);
      EXPECT_LT(std::abs(row.dc_offset), 1e-6 * row.excursion_out);
    }
  }
}

// Bl = B + b1 x at a small drive against the second-order solution: the
// linear network at 2w driven by -1/2 b1 X1 U1 in the coil and
// 1/2 b1 X1 I1 on the cone, and the offset 1/2 b1 Re(X1 I1*) / K0 with
// K0 the static stiffness the cone sees.
TEST(LargeSignal, LinearlyTiltedBlMatchesTheSecondOrderSolution) {
  const double b1 = -0.5e3;  // T*m per m
  const std::string tilted = "[nonlinear]\nBl = [\"9.47061 T*m\", \"-0.5 T*m/mm\"]\nKms = [\"1.18346 N/mm\"]\n"
                             "Le = [\"0.6 mH\"]\nrange = \"12 mm\"\n";
  const struct {
    const char* name;
    std::string box;
    bool box_stiffens;
  } cases[] = {{"closed", closed, true}, {"vented", vented, false}, {"baffle", baffle, false}};
  for (const auto& c : cases) {
    design_result r = compute(woofer + c.box + tilted, {40});
    const distortion_setup setup = large_signal_setup(r);
    const model_state& s = *setup.network;
    const double p = setup.coil.polarity, bl = setup.coil.bl, volts = 0.03;
    const double k0 = r.large->model.kms.value(0) + (c.box_stiffens ? rho_c2 * 0.022 * 0.022 / 0.030 : 0);
    for (double f : {18.0, 35.0, 90.0}) {
      SCOPED_TRACE(std::string(c.name) + " " + std::to_string(f));
      voice_coil unit = setup.coil;
      unit.voltage = 1;
      const steady_point one = solve_steady_state(s, f, &unit), two = solve_steady_state(s, 2 * f, &unit);
      const complex v1(0, -std::sqrt(2.0) * volts);  // sin(w t), peak
      const complex x1 = p * one.X[0] * v1, u1 = complex(0, one.w) * x1, i1 = one.current * v1;
      const complex e2 = -0.5 * b1 * x1 * u1, f2 = 0.5 * b1 * x1 * i1;
      // A force F on the cone is the voltage F Ze / Bl behind the coil.
      const complex v2 = e2 + f2 * complex(setup.coil.re, two.w * setup.coil.le) / bl;
      const double p1 = std::abs(far_field_pressure(one.w, radiated(s, one, setup.radiators).U * v1, setup.at));
      const double p2 = std::abs(far_field_pressure(two.w, radiated(s, two, setup.radiators).U * v2, setup.at));
      const double dc = 0.5 * b1 * (x1 * std::conj(i1)).real() / k0;
      const distortion_row row = distortion_at(setup, f, {volts})[0];
      EXPECT_NEAR(row.h2, p2 / p1, 1e-3 * p2 / p1);
      EXPECT_NEAR(row.dc_offset, dc, 1e-3 * std::abs(dc));
      // H2 grows as V, H3 as V^2.
      const distortion_row twice = distortion_at(setup, f, {2 * volts})[0];
      EXPECT_NEAR(twice.h2 / row.h2, 2, 2e-3);
      EXPECT_NEAR(twice.h3 / row.h3, 4, 0.05);
    }
  }
}

// With b1 < 0 the coil's force pushes harder inward: the cone drifts in
// below the resonance, where the current leads the excursion, and out
// above it; a vented box turns the sign at each impedance peak and at fb.
TEST(LargeSignal, OffsetTurnsAtTheResonances) {
  const std::string tilted = "[nonlinear]\nBl = [\"9.47061 T*m\", \"-0.5 T*m/mm\"]\nKms = [\"1.18346 N/mm\"]\n"
                             "Le = [\"0.6 mH\"]\nrange = \"12 mm\"\n";
  const struct {
    std::string box;
    std::vector<std::pair<double, int>> signs;  // frequency, sign of the offset
  } cases[] = {
      {closed, {{20, -1}, {35, -1}, {80, 1}, {200, 1}}},    // fc 43 Hz
      {baffle, {{12, -1}, {22, -1}, {40, 1}, {150, 1}}},    // fs 28 Hz
      {sealed_vented, {{12, -1}, {25, 1}, {38, -1}, {150, 1}}},  // peaks ~19 and ~54 Hz, fb 32 Hz
  };
  for (const auto& c : cases) {
    design_result r = compute(woofer + c.box + tilted, {40});
    const distortion_setup setup = large_signal_setup(r);
    for (const auto& [f, sign] : c.signs) {
      SCOPED_TRACE(c.box + std::to_string(f));
      EXPECT_EQ(distortion_at(setup, f, {2.83})[0].dc_offset > 0 ? 1 : -1, sign);
    }
  }
}

// Mean v i over the settled period equals what Re, Rms, the leak and the
// port (its damping and its quadratic loss) dissipate.
TEST(LargeSignal, InputPowerEqualsTheLosses) {
  for (const std::string& box : {closed, vented + "port_loss = 1.5\n", baffle}) {
    design_result r = compute(woofer + box + curves + "Le_i = [\"-0.01 /A\", \"-0.002 /A2\"]\n", {40});
    const distortion_setup setup = large_signal_setup(r);
    const model_state& s = *setup.network;
    for (double f : {25.0, 60.0}) {
      SCOPED_TRACE(box + std::to_string(f));
      periodic_state start;
      const periodic_response resp =
          periodic_steady_state(setup, f, distortion_steps(setup, f), {{1, std::sqrt(2.0) * 10}}, start, 1);
      ASSERT_TRUE(resp.settled);
      double input = 0, losses = 0;
      const int n = resp.steps;
      for (int k = 0; k < n; ++k) {
        input += resp.voltage[k] * resp.current[k] / n;
        losses += setup.coil.re * resp.current[k] * resp.current[k] / n;
        for (int e = 0; e < s.ND; ++e) losses += s.C[e] * resp.velocity[e][k] * resp.velocity[e][k] / n;
        if (setup.port >= 0) {
          const double w = std::abs(resp.velocity[setup.port][k]);
          losses += 0.5 * rho * r.large->model.port_loss * r.large->model.port_area * w * w * w / n;
        }
      }
      EXPECT_NEAR(losses / input, 1, 1e-4);
    }
  }
}

// The central difference is second order: halving the step cuts the THD's
// error about four times.
TEST(LargeSignal, HalvingTheStepQuartersTheThdError) {
  design_result r = compute(woofer + closed + curves, {40});
  const distortion_setup setup = large_signal_setup(r);
  const auto thd = [&](int steps) {
    periodic_state start;
    const periodic_response resp = periodic_steady_state(setup, 30, steps, {{1, std::sqrt(2.0) * 10}}, start, 1);
    double sum = 0;
    for (int n = 2; n <= 10; ++n) sum += std::norm(period_bin(resp.pressure, n));
    return std::sqrt(sum) / std::abs(period_bin(resp.pressure, 1));
  };
  const double coarse = thd(250), fine = thd(500), reference = thd(8000);
  const double ratio = (coarse - reference) / (fine - reference);
  EXPECT_GT(ratio, 3.5);
  EXPECT_LT(ratio, 4.5);
}

// --transient steps the same large-signal driver: a sine switched on
// settles onto the sweep's periodic state, its drift and its asymmetric
// peaks included.
TEST(LargeSignal, TransientSettlesOntoThePeriodicState) {
  design_result r = compute(woofer + closed + curves + "[drive]\nvoltage = \"10 V\"\n", {40});
  voltage_signal sine;
  sine.kind = signal_kind::sine;
  sine.frequency = 40;
  sine.seconds = 1;
  transient_result t;
  ASSERT_EQ(compute_transient(r, sine, 0, t).message, "");
  const int period = static_cast<int>(std::lround(1 / (40 * t.plan.delta)));
  const int rows = t.record.rows();
  double mean = 0, out = 0, in = 0;
  for (int k = rows - period; k < rows; ++k) {
    const double x = t.columns.excursion_mm[k] * 1e-3;
    mean += x / period;
    out = std::max(out, x);
    in = std::max(in, -x);
  }
  const distortion_row row = distortion_at(large_signal_setup(r), 40, {10})[0];
  EXPECT_GT(std::abs(row.dc_offset), 1e-3 * row.excursion_out);  // a drift worth checking
  EXPECT_NEAR(mean, row.dc_offset, 0.01 * std::abs(row.dc_offset) + 1e-3 * out);
  EXPECT_NEAR(out, row.excursion_out, 2e-3 * out);
  EXPECT_NEAR(in, row.excursion_in, 2e-3 * in);
}

// Two tones through Bl = B + b1 x at a small drive: the products at
// f2 +- f1 from the second-order sources of each pair of tones,
// -1/2 b1 (X1 U2 + X2 U1) in the coil and 1/2 b1 (X1 I2 + X2 I1) on the
// cone (the first tone conjugated for f2 - f1).
TEST(LargeSignal, TwoTonesMatchTheSecondOrderProducts) {
  const double b1 = -0.5e3;
  const std::string tilted = "[nonlinear]\nBl = [\"9.47061 T*m\", \"-0.5 T*m/mm\"]\nKms = [\"1.18346 N/mm\"]\n"
                             "Le = [\"0.6 mH\"]\nrange = \"12 mm\"\n";
  for (const std::string& box : {closed, vented}) {
    design_result r = compute(woofer + box + tilted, {40});
    const distortion_setup setup = large_signal_setup(r);
    const model_state& s = *setup.network;
    const double p = setup.coil.polarity, bl = setup.coil.bl, volts = 0.03, ratio = 4, f1 = 30, f2 = 240;
    const double a2 = std::sqrt(2.0) * volts / std::sqrt(ratio * ratio + 1), a1 = ratio * a2;
    voice_coil unit = setup.coil;
    unit.voltage = 1;
    struct tone {
      complex x, u, i;
    };
    const auto tone_of = [&](double f, double amplitude) {
      const steady_point one = solve_steady_state(s, f, &unit);
      const complex v(0, -amplitude);
      const complex x = p * one.X[0] * v;
      return tone{x, complex(0, one.w) * x, one.current * v};
    };
    const tone t1 = tone_of(f1, a1), t2 = tone_of(f2, a2);
    const auto pressure = [&](double f, complex e, complex force) {
      const steady_point at = solve_steady_state(s, f, &unit);
      const complex v = e + force * complex(setup.coil.re, at.w * setup.coil.le) / bl;
      return std::abs(far_field_pressure(at.w, radiated(s, at, setup.radiators).U * v, setup.at));
    };
    const double sum = pressure(f2 + f1, -0.5 * b1 * (t1.x * t2.u + t2.x * t1.u), 0.5 * b1 * (t1.x * t2.i + t2.x * t1.i));
    const double difference = pressure(f2 - f1, -0.5 * b1 * (std::conj(t1.x) * t2.u + t2.x * std::conj(t1.u)),
                                       0.5 * b1 * (std::conj(t1.x) * t2.i + t2.x * std::conj(t1.i)));
    const double carrier = pressure(f2, complex(0, -a2), 0);
    const imd_row row = two_tone_at(setup, f1, f2, ratio, volts);
    EXPECT_EQ(row.status, periodic_status::ok);
    EXPECT_NEAR(row.imd2, (sum + difference) / carrier, 2e-3 * row.imd2) << box;
  }
}

// A row whose excursion passes the range says so: the polynomials no
// longer hold there.
TEST(LargeSignal, RowsBeyondTheRangeAreMarked) {
  design_result r = compute(woofer + closed + curves, {40});
  const std::vector<distortion_row> rows = distortion_at(large_signal_setup(r), 20, {2, 40});
  EXPECT_EQ(rows[0].status, periodic_status::ok);
  EXPECT_LT(std::max(rows[0].excursion_out, rows[0].excursion_in), 0.012);
  EXPECT_EQ(rows[1].status, periodic_status::beyond_range);
  EXPECT_GT(std::max(rows[1].excursion_out, rows[1].excursion_in), 0.012);
  EXPECT_STREQ(status_name(rows[1].status), "beyond_range");
}

// The max level sits where the THD crosses the criterion or the
// excursion reaches the range: within at the level, beyond 1 % above it.
TEST(LargeSignal, MaxLevelSitsAtTheCriterion) {
  design_result r = compute(woofer + closed + curves, {40});
  const distortion_setup setup = large_signal_setup(r);
  for (double f : {20.0, 45.0, 150.0}) {
    SCOPED_TRACE(f);
    const level_limit l = distortion_limited_level(setup, f, 0.03, 1, 1000);
    ASSERT_GT(l.voltage, 0);
    const distortion_row at = distortion_at(setup, f, {l.voltage})[0], above = distortion_at(setup, f, {l.voltage * 1.01})[0];
    EXPECT_NEAR(at.spl, l.spl, 1e-3);
    if (std::string(l.limited_by) == "THD") {
      EXPECT_LT(at.thd, 0.03);
      EXPECT_GE(above.thd, 0.03);
    } else {
      EXPECT_EQ(std::string(l.limited_by), "range");
      EXPECT_EQ(above.status, periodic_status::beyond_range);
    }
    EXPECT_EQ(at.status, periodic_status::ok);
  }
}

// The same equations as a first-order system for Boost.Odeint, in the
// coil's coordinates: the cone (x outward, u), the coil's flux, and a
// port's air (its outward displacement and velocity) on a sealed box:
//   Mms u' = Bl(x) i + Le'(x) G(i) - Rms u - Kms(x) x + Sd p_box
//   flux'  = v - Re i - Bl(x) u,   flux = Le(x) g(i) i
//   Mp w'  = Ap p_box - Cp w - 1/2 rho xi Ap w|w|
//   p_box  = -rho c^2 (Sd x + Ap xp) / Vb
struct driver_equations {
  const large_signal& m;
  double mms, rms, sd, re, vb;  // SI; vb = inf for a baffle
  double mp = 0, cp = 0, ap = 0;  // the port, when mp > 0
  double amplitude = 0, w = 0;  // v = amplitude sin(w t)

  using state = std::vector<double>;  // x, u, flux, xp, wp

  double current(double x, double flux) const {
    const double le = m.le.value(x);
    double i = flux / le;
    for (int n = 0; n < 50; ++n) {
      const double change = (le * m.g(i) * i - flux) / (le * (m.g(i) + m.g_slope(i) * i));
      i -= change;
      if (std::abs(change) <= 1e-15 * std::abs(i)) break;
    }
    return i;
  }
  double box_pressure(const state& z) const {
    return std::isinf(vb) ? 0 : -rho_c2 * (sd * z[0] + ap * z[3]) / vb;
  }
  void operator()(const state& z, state& dz, double t) const {
    const double x = z[0], u = z[1], i = current(x, z[2]), p = box_pressure(z);
    dz[0] = u;
    dz[1] = (m.bl.value(x) * i + m.le.slope(x) * m.G(i) - rms * u - m.kms.value(x) * x + sd * p) / mms;
    dz[2] = amplitude * std::sin(w * t) - re * i - m.bl.value(x) * u;
    dz[3] = z[4];
    dz[4] = mp > 0 ? (ap * p - cp * z[4] - 0.5 * rho * m.port_loss * ap * z[4] * std::abs(z[4])) / mp : 0;
  }
};

TEST(LargeSignal, AgreesWithDormandPrince) {
  namespace odeint = boost::numeric::odeint;
  const struct {
    const char* name;
    std::string box;
    double vb;
  } cases[] = {
      {"closed", closed, 0.030},
      {"sealed vented with port loss", sealed_vented + "port_loss = 1.5\n", 0.050},
      {"baffle", baffle, INFINITY},
  };
  for (const auto& c : cases) {
    design_result r = compute(woofer + c.box + curves + "Le_i = [\"-0.01 /A\", \"-0.002 /A2\"]\n", {40});
    const distortion_setup setup = large_signal_setup(r);
    const model_state& s = *setup.network;
    const large_signal& m = r.large->model;
    driver_equations eq{m, s.M[0], s.C[0], s.A[0] * 1e-4, setup.coil.re, c.vb};
    if (setup.port >= 0) {
      eq.mp = s.M[setup.port];
      eq.cp = s.C[setup.port];
      eq.ap = s.A[setup.port] * 1e-4;
    }
    for (double f : {22.0, 45.0, 110.0}) {
      SCOPED_TRACE(std::string(c.name) + " " + std::to_string(f));
      const double volts = 8;
      const distortion_row row = distortion_at(setup, f, {volts})[0];
      ASSERT_EQ(row.status, periodic_status::ok);
      const int steps = distortion_steps(setup, f);
      eq.amplitude = std::sqrt(2.0) * volts;
      eq.w = 2 * exact_pi * f;
      // From rest through enough periods to settle; the last one sampled
      // where the stepping samples it.
      const int periods = static_cast<int>(std::ceil(3.0 * f));
      std::vector<double> times;
      for (int k = 0; k <= steps; ++k) times.push_back((periods + static_cast<double>(k) / steps) / f);
      times.insert(times.begin(), 0.0);
      driver_equations::state z(5, 0.0);
      std::vector<double> pressure, excursion;
      odeint::integrate_times(
          odeint::make_dense_output(1e-12, 1e-10, odeint::runge_kutta_dopri5<driver_equations::state>()), eq, z,
          times.begin(), times.end(), 1e-5, [&](const driver_equations::state& y, double t) {
            if (t == 0.0 || pressure.size() == static_cast<std::size_t>(steps)) return;
            driver_equations::state dy(5);
            eq(y, dy, t);
            pressure.push_back(rho / (2 * pi) * (eq.sd * dy[1] + eq.ap * dy[4]));
            excursion.push_back(y[0]);
          });
      ASSERT_EQ(pressure.size(), static_cast<std::size_t>(steps));
      const double p1 = std::abs(period_bin(pressure, 1));
      const auto h = [&](int n) { return std::abs(period_bin(pressure, n)) / p1; };
      double sum = 0;
      for (int n = 2; n <= 10; ++n) sum += h(n) * h(n);
      const double spl = 20 * std::log10(p1 / std::sqrt(2.0) / 20e-6);
      EXPECT_NEAR(row.spl, spl, 0.02);
      EXPECT_NEAR(row.h2, h(2), 0.01 * h(2) + 1e-5);
      EXPECT_NEAR(row.h3, h(3), 0.01 * h(3) + 1e-5);
      EXPECT_NEAR(row.thd, std::sqrt(sum), 0.01 * std::sqrt(sum) + 1e-5);
      const double dc = period_bin(excursion, 0).real();
      EXPECT_NEAR(row.dc_offset, dc, 0.01 * std::abs(dc) + 2e-4 * largest(excursion));
    }
  }
}

}  // namespace

namespace {

const std::string design_program = "'" ACOUSTIC_DESIGN_PATH "'";

// acoustic_design as a user runs it: the table's columns and rows in
// order, the same bytes on one thread and on two, the command line's
// levels and grid, and nothing written when the sweep is refused.
TEST(DistortionProgram, WritesTheTableInOrderOnAnyThreadCount) {
  if (std::string(ACOUSTIC_DESIGN_PATH).empty()) GTEST_SKIP() << "acoustic_design not built";
  scratch_dir dir;
  write_file(dir.file("box.toml"), woofer + vented + "port_loss = 1.5\n" + curves +
                                       "[distortion]\nvoltages = [\"10 V\", \"2.83 V\"]\n"
                                       "two_tone = { f1 = \"40 Hz\", f2 = \"400 Hz\" }\n");
  const program_run one = run_in(dir.path(), "ACOUSTIC_THREADS=1 " + design_program + " box.toml --out one", "");
  ASSERT_EQ(one.exit_code, 0) << one.err;
  EXPECT_TRUE(contains(one.out, "wrote one/box_distortion.csv, one/box_maxspl.csv, one/box_imd.csv")) << one.out;
  EXPECT_EQ(split(read_file(dir.file("one/box_maxspl.csv")))[0],
            "frequency[Hz],max_voltage[V],max_SPL[dB],limited_by,Xmax_voltage[V],Xmax_SPL[dB]");
  const program_run two = run_in(dir.path(), "ACOUSTIC_THREADS=2 " + design_program + " box.toml --out two", "");
  ASSERT_EQ(two.exit_code, 0) << two.err;
  const std::string table = read_file(dir.file("one/box_distortion.csv"));
  EXPECT_EQ(table, read_file(dir.file("two/box_distortion.csv")));
  EXPECT_EQ(read_file(dir.file("one/box_imd.csv")), read_file(dir.file("two/box_imd.csv")));
  EXPECT_EQ(read_file(dir.file("one/box_maxspl.csv")), read_file(dir.file("two/box_maxspl.csv")));
  const std::vector<std::string> lines = split(table);
  EXPECT_EQ(lines[0],
            "frequency[Hz],voltage[V],SPL_fundamental[dB],SPL_linear[dB],compression[dB],H2[%],H3[%],THD[%],"
            "dc_offset[mm],excursion_out[mm],excursion_in[mm],port_velocity[m/s],status");
  EXPECT_TRUE(contains(lines[1], "10.000000,10.000000,")) << lines[1];
  EXPECT_TRUE(contains(lines[2], "10.000000,2.830000,")) << lines[2];
  const std::vector<std::vector<double>> rows = csv_rows(dir.file("one/box_distortion.csv"));
  ASSERT_EQ(rows.size(), 2u * 68u);  // 10 to 500 Hz, 1/12 octave
  EXPECT_NEAR(rows.back()[0], 10 * std::pow(2.0, 67.0 / 12), 1e-6);
  const std::vector<std::string> imd = split(read_file(dir.file("one/box_imd.csv")));
  EXPECT_EQ(imd[0], "f1[Hz],f2[Hz],voltage[V],IMD2[%],IMD3[%],status");
  EXPECT_TRUE(contains(imd[1], "40.000000,400.000000,10.000000,")) << imd[1];

  if (std::system("gnuplot -e 'set terminal pngcairo' > /dev/null 2>&1") == 0) {
    EXPECT_TRUE(contains(one.out, "one/box_distortion.png")) << one.out;
    EXPECT_EQ(read_file(dir.file("one/box_distortion.png")).substr(1, 3), "PNG");
  }

  // The command line's levels and grid replace the file's.
  const program_run options = run_in(
      dir.path(), design_program + " box.toml --out one --distortion 5V --distortion-grid 20:80:2", "");
  ASSERT_EQ(options.exit_code, 0) << options.err;
  const std::vector<std::vector<double>> chosen = csv_rows(dir.file("one/box_distortion.csv"));
  ASSERT_EQ(chosen.size(), 5u);
  for (std::size_t k = 0; k < chosen.size(); ++k) {
    EXPECT_NEAR(chosen[k][0], 20 * std::pow(2.0, k / 2.0), 1e-5);
    EXPECT_EQ(chosen[k][1], 5);
  }
  // Without [nonlinear] the sweep is refused, and the earlier table stays.
  write_file(dir.file("plain.toml"), woofer + vented);
  const program_run refused = run_in(dir.path(), design_program + " plain.toml --out one --distortion 5V", "");
  EXPECT_NE(refused.exit_code, 0);
  EXPECT_TRUE(contains(refused.err, "expected a [nonlinear] table")) << refused.err;
  EXPECT_FALSE(file_exists(dir.file("one/plain_distortion.csv")));
  EXPECT_EQ(csv_rows(dir.file("one/box_distortion.csv")).size(), 5u);
  // A level far past what the curves hold: one line, the earlier tables stay.
  const std::string before = read_file(dir.file("one/box_distortion.csv"));
  const program_run wild =
      run_in(dir.path(), design_program + " box.toml --out one --distortion 5000V --distortion-grid 20:40:1", "");
  EXPECT_NE(wild.exit_code, 0);
  EXPECT_TRUE(contains(wild.err, "box.toml: the large-signal response at 20 Hz and 5000 V grew without bound")) << wild.err;
  EXPECT_EQ(read_file(dir.file("one/box_distortion.csv")), before);
}

// The picture's script holds every level's rows inline, in the table's
// order, and quotes a title gnuplot would otherwise end early.
TEST(DistortionPicture, ScriptCarriesEveryRowInline) {
  distortion_picture p;
  p.title = "Bob's box";
  p.voltages = {10, 2.83};
  p.resonance = 40;
  for (double f : {20.0, 40.0, 80.0, 200.0})
    for (double v : p.voltages) {
      distortion_row r;
      r.frequency = f;
      r.voltage = v;
      r.thd = v / f;
      p.rows.push_back(r);
    }
  p.limits = {level_limit{20, 5, 90, "THD"}, level_limit{40, 0, 0, "THD"}, level_limit{80, 9, 99, "range"},
              level_limit{200, 9, 100, "THD"}};
  const std::string script = distortion_picture_script(p, "out/it's.png");
  EXPECT_TRUE(contains(script, "set output 'out/it''s.png'\n")) << script;
  EXPECT_TRUE(contains(script, "set multiplot layout 3,2 title 'Bob''s box'\n")) << script;
  // $L0 is the first level (10 V): THD = 10 / f in percent.
  EXPECT_TRUE(contains(script, "$L0 << EOD\n20 50 0.0001 0.0001 0 0 0 -0 0\n40 25 ")) << script;
  EXPECT_TRUE(contains(script, "$L1 << EOD\n20 14.15 ")) << script;
  // Compression against level in rising order; a frequency without a max level is missing.
  EXPECT_TRUE(contains(script, "$C << EOD\n2.83 0 0 0\n10 0 0 0\nEOD\n")) << script;
  EXPECT_TRUE(contains(script, "$M << EOD\n20 90 ?\n40 ? ?\n80 99 ?\n")) << script;
}

}  // namespace
