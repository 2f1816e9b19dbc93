// The transient's summary lines against the second-order system a closed
// box with Le = 0 is: a step of sqrt(2) V overshoots its static deflection
// Bl V Cms / (Re (1 + Vas / Vb)) by exp(-zeta pi / sqrt(1 - zeta^2)),
// zeta = 1 / (2 Qtc), at t = pi / (wc sqrt(1 - zeta^2)); and a sine's
// line sets its peak against the steady state at the same frequency.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

#include "control/design_transient.h"
#include "design_test_support.h"
#include "test_support.h"

namespace {

const std::string closed_woofer =
    "[driver]\nfs = \"28 Hz\"\nQms = 4.5\nQes = 0.42\nVas = \"58 l\"\nSd = \"220 cm2\"\nRe = \"5.6 ohm\"\n"
    "Xmax = \"6 mm\"\n[enclosure]\ntype = \"closed\"\nVb = \"30 l\"\n";

// The numbers of "peak excursion A mm at T ms[, R times the steady
// state's S mm at F Hz]".
struct excursion_line {
  double peak = 0, at_ms = 0, ratio = 0, steady = 0, frequency = 0;
  int fields = 0;
};

excursion_line excursion_of(const std::vector<std::string>& lines) {
  excursion_line e;
  for (const std::string& line : lines)
    if (line.rfind("peak excursion", 0) == 0)
      e.fields = std::sscanf(line.c_str(), "peak excursion %lf mm at %lf ms, %lf times the steady state's %lf mm at %lf Hz",
                             &e.peak, &e.at_ms, &e.ratio, &e.steady, &e.frequency);
  return e;
}

TEST(TransientSummary, StepOvershootsTheStaticDeflection) {
  design_result r = compute(closed_woofer, {40});
  voltage_signal step;
  step.kind = signal_kind::step;
  transient_result t;
  ASSERT_EQ(compute_transient(r, step, 0.2, t).message, "");
  const std::vector<std::string> lines = transient_summary(r, step, t);
  // The datasheet's set by hand: rho c^2 = 1.4 x 101300 Pa.
  const double pi = M_PI, fs = 28, vas = 0.058, sd = 0.022, re = 5.6, qes = 0.42, qms = 4.5, vb = 0.030;
  const double cms = vas / (1.4 * 101300 * sd * sd), mms = 1 / std::pow(2 * pi * fs, 2) / cms;
  const double bl = std::sqrt(2 * pi * fs * mms * re / qes);
  const double alpha = vas / vb, qtc = 1 / (1 / qms + 1 / qes) * std::sqrt(1 + alpha);
  const double wc = 2 * pi * fs * std::sqrt(1 + alpha), zeta = 1 / (2 * qtc), damped = std::sqrt(1 - zeta * zeta);
  const double statics_mm = bl * std::sqrt(2.0) * 2.83 * cms / (re * (1 + alpha)) * 1e3;
  const double peak_mm = statics_mm * (1 + std::exp(-zeta * pi / damped)), at_ms = pi / (wc * damped) * 1e3;
  const excursion_line e = excursion_of(lines);
  ASSERT_EQ(e.fields, 2) << lines[1];
  EXPECT_NEAR(e.peak, peak_mm, 1e-3 * peak_mm);
  EXPECT_NEAR(e.at_ms, at_ms, 2 * t.plan.delta * 1e3 + 1e-3 * at_ms);
  // The step: "time step D us: N steps per period of ..., F Hz; R rows, L ms".
  double delta_us = 0;
  int per_period = 0;
  ASSERT_EQ(std::sscanf(lines[0].c_str(), "time step %lf us: %d steps per period", &delta_us, &per_period), 2);
  EXPECT_NEAR(delta_us, t.plan.delta * 1e6, 1e-5 * delta_us);
  EXPECT_EQ(per_period, 50);
}

// A sine held for 2 s at 40 Hz: the line's steady state is the table's
// excursion at 40 Hz, and its ratio is the peak over it.
TEST(TransientSummary, SineAgainstTheSteadyState) {
  design_result r = compute(closed_woofer, {40});
  voltage_signal sine;
  sine.kind = signal_kind::sine;
  sine.frequency = 40;
  sine.seconds = 2;
  transient_result t;
  ASSERT_EQ(compute_transient(r, sine, 0, t).message, "");
  const excursion_line e = excursion_of(transient_summary(r, sine, t));
  ASSERT_EQ(e.fields, 5);
  EXPECT_EQ(e.frequency, 40);
  EXPECT_NEAR(e.steady, r.points[0].excursion_mm, 1e-5 * e.steady);
  EXPECT_NEAR(e.ratio, e.peak / e.steady, 5e-3 * e.ratio);
  // Switched on at a zero crossing, the sine's peak lies within a few
  // per cent above its steady amplitude.
  EXPECT_GT(e.ratio, 0.99);
  EXPECT_LT(e.ratio, 1.5);
}

}  // namespace
