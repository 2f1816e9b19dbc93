// acoustic_design's figures against the textbook: reference efficiency and
// sensitivity, the closed box's fc and Qtc, the Helmholtz tuning, a static
// deflection, and the Butterworth closed box whose F3 is fc.
#include <gtest/gtest.h>

#include <cmath>

#include "control/design_program.h"
#include "design_test_support.h"
#include "test_support.h"

namespace {

// 8-inch woofer: fs 28 Hz, Qms 4.5, Qes 0.42, Vas 58 l, Sd 220 cm2, Re 5.6
// ohm, no inductance.
const std::string woofer =
    "[driver]\nfs = \"28 Hz\"\nQms = 4.5\nQes = 0.42\nVas = \"58 l\"\nSd = \"220 cm2\"\nRe = \"5.6 ohm\"\n";
const double qts = 4.5 * 0.42 / (4.5 + 0.42);


double value(const design_result& r, const char* quantity) { return summary_value(r.summary, quantity); }

// SPL = 112.15 + 10 log10(eta0) for 1 W at 1 m in half space (rho c / 2 pi
// over (20 uPa)^2 with rho c^2 = 1.4 x 101300 Pa, rho = 1.2 kg/m3), and
// 109.14 + 10 log10(eta) in full space, where the same cone radiates half
// the power (eta = eta0 / 2, eta0 being the half-space figure); at 20 fs
// the response is the mass-controlled asymptote.
TEST(DesignFigures, SensitivityFollowsTheReferenceEfficiency) {
  for (const char* space : {"half", "full"}) {
    const design_result r =
        compute(woofer + "[enclosure]\ntype = \"baffle\"\n[drive]\nspace = \"" + space + "\"\n", {20 * 28.0});
    const double eta0 = value(r, "eta0") / 100;
    // 4 pi^2 fs^3 Vas / (c^3 Qes), c = 343.78 m/s
    EXPECT_NEAR(eta0, 4 * M_PI * M_PI * std::pow(28, 3) * 0.058 / (std::pow(343.7782, 3) * 0.42), 1e-5 * eta0);
    const bool half = std::string(space) == "half";
    const double reference = half ? 112.15 + 10 * std::log10(eta0) : 109.14 + 10 * std::log10(eta0 / 2);
    EXPECT_NEAR(value(r, "sensitivity_1W"), reference, 0.01) << space;
    // 2.83 V into 5.6 ohm is 1.43 W.
    EXPECT_NEAR(value(r, "sensitivity"), reference + 10 * std::log10(2.83 * 2.83 / 5.6), 0.01);
    EXPECT_NEAR(r.points[0].spl, value(r, "sensitivity"), 0.1) << space;
  }
}

// Qes from Qts and Qms: 1 / Qes = 1 / Qts - 1 / Qms.
TEST(DesignFigures, QesFollowsFromQtsAndQms) {
  const design_result r = compute(
      "[driver]\nfs = \"28 Hz\"\nQms = 4.5\nQts = 0.38\nVas = \"58 l\"\nSd = \"220 cm2\"\nRe = \"5.6 ohm\"\n"
      "[enclosure]\ntype = \"baffle\"\n",
      {100});
  EXPECT_NEAR(value(r, "Qes"), 1 / (1 / 0.38 - 1 / 4.5), 1e-12);
  EXPECT_NEAR(value(r, "Qts"), 0.38, 1e-12);
}

// A positive voltage moves the cone outward: in the passband of every
// enclosure the pressure is in phase with the voltage, and so is the
// bandpass4's at the centre of its band, where its port breathes out as
// the cone moves into the front chamber.
TEST(DesignFigures, PressureInPhaseWithTheVoltageInThePassband) {
  const std::string closed = woofer + "[enclosure]\ntype = \"closed\"\nVb = \"30 l\"\n";
  const std::string vented =
      woofer + "[enclosure]\ntype = \"vented\"\nVb = \"50 l\"\nfb = \"32 Hz\"\nport_diameter = \"75 mm\"\n";
  for (const std::string& design : {closed, vented}) EXPECT_NEAR(compute(design, {400}).points[0].phase, 0, 20);
  const design_result band =
      compute(woofer + "[enclosure]\ntype = \"bandpass4\"\nVr = \"20 l\"\nVb = \"30 l\"\nfb = \"55 Hz\"\n"
                       "port_diameter = \"75 mm\"\nQl = inf\n");
  const design_point* top = &band.points[0];
  for (const design_point& p : band.points)
    if (p.spl > top->spl) top = &p;
  EXPECT_NEAR(top->phase, 0, 30) << top->frequency;
}

TEST(DesignFigures, ClosedBoxResonanceAndQ) {
  for (double vb : {10.0, 30.0, 120.0}) {
    const design_result r = compute(woofer + "[enclosure]\ntype = \"closed\"\nVb = \"" + message("%g", vb) + " l\"\n");
    const double alpha = 58 / vb;
    EXPECT_NEAR(value(r, "fc"), 28 * std::sqrt(1 + alpha), 1e-3 * 28 * std::sqrt(1 + alpha)) << vb;
    EXPECT_NEAR(value(r, "Qtc"), qts * std::sqrt(1 + alpha), 1e-3 * qts * std::sqrt(1 + alpha)) << vb;
  }
}

// A Butterworth closed box (Qtc = 0.7071: Vb = Vas / ((0.7071 / Qts)^2 - 1))
// is 3 dB down at fc.
TEST(DesignFigures, ButterworthClosedBoxF3IsFc) {
  const double vb = 58 / (std::pow(std::sqrt(0.5) / qts, 2) - 1);
  const design_result r =
      compute(woofer + "[enclosure]\ntype = \"closed\"\nVb = \"" + message("%.9g", vb) + " l\"\n");
  EXPECT_NEAR(value(r, "Qtc"), std::sqrt(0.5), 1e-6);
  EXPECT_NEAR(value(r, "F3"), value(r, "fc"), 0.01 * value(r, "fc"));
}

// fb = c / (2 pi) sqrt(Sp / (Vb Leff)), Leff = L + end corrections: 0.85 r
// for a flanged end, 0.61 r for a free one.
TEST(DesignFigures, VentedBoxTuningAndEndCorrections) {
  const double c = std::sqrt(1.4 * 101300 / 1.2), r_port = 0.0375, sp = M_PI * r_port * r_port;
  const struct {
    const char* ends;
    double factor;
  } cases[] = {{"flanged-free", 1.46}, {"flanged-flanged", 1.70}, {"free-free", 1.22}};
  for (const auto& e : cases) {
    const std::string box = woofer + "[enclosure]\ntype = \"vented\"\nVb = \"50 l\"\nport_diameter = \"75 mm\"\n" +
                            "port_ends = \"" + e.ends + "\"\n";
    const design_result given_length = compute(box + "port_length = \"200 mm\"\n");
    const double leff = 0.2 + e.factor * r_port;
    const double fb = c / (2 * M_PI) * std::sqrt(sp / (0.05 * leff));
    EXPECT_NEAR(value(given_length, "fb"), fb, 1e-3 * fb) << e.ends;
    EXPECT_NEAR(value(given_length, "port_end_correction"), e.factor * 37.5, 1e-9) << e.ends;
    EXPECT_NEAR(value(given_length, "port_effective_length"), leff * 1000, 1e-9) << e.ends;

    const design_result given_fb = compute(box + "fb = \"32 Hz\"\n");
    EXPECT_NEAR(value(given_fb, "fb"), 32, 32e-3) << e.ends;
    const double wb = 2 * M_PI * 32, l32 = c * c * sp / (wb * wb * 0.05);
    EXPECT_NEAR(value(given_fb, "port_effective_length"), l32 * 1000, 1e-3 * l32 * 1000) << e.ends;
    EXPECT_NEAR(value(given_fb, "port_physical_length"), (l32 - e.factor * r_port) * 1000, 1e-3 * l32 * 1000);
  }
}

// Far below fc the cone stands still against its suspension and the box:
// x = sqrt(2) V Bl / Re / (1 / Cms + rho c^2 Sd^2 / Vb), so the voltage
// at Xmax is Xmax over that per volt.
TEST(DesignFigures, MaxVoltageIsXmaxOverTheStaticDeflection) {
  const design_result r =
      compute(woofer + "Xmax = \"6 mm\"\n[enclosure]\ntype = \"closed\"\nVb = \"30 l\"\n", {0.5, 1000});
  const double ws = 2 * M_PI * 28, sd = 0.022, rho_c2 = 1.4 * 101300;
  const double cms = 0.058 / (rho_c2 * sd * sd), mms = 1 / (ws * ws * cms), bl = std::sqrt(ws * mms * 5.6 / 0.42);
  const double per_volt = std::sqrt(2.0) * bl / 5.6 / (1 / cms + rho_c2 * sd * sd / 0.030);
  EXPECT_NEAR(r.points[0].excursion_mm, 2.83 * per_volt * 1000, 1e-3 * 2.83 * per_volt * 1000);
  EXPECT_NEAR(r.points[0].max_voltage, 0.006 / per_volt, 1e-3 * 0.006 / per_volt);
  // Rated power alone: sqrt(Pe Re) everywhere; no limit at all: inf.
  const design_result power = compute(woofer + "Pe = \"100 W\"\n[enclosure]\ntype = \"baffle\"\n", {20, 200});
  EXPECT_NEAR(power.points[1].max_voltage, std::sqrt(560.0), 1e-12);
  EXPECT_NEAR(power.points[1].max_spl - power.points[1].spl, 20 * std::log10(std::sqrt(560.0) / 2.83), 1e-9);
  const design_result free = compute(woofer + "[enclosure]\ntype = \"baffle\"\n", {20});
  EXPECT_TRUE(std::isinf(free.points[0].max_voltage) && std::isinf(free.points[0].max_spl));
}

}  // namespace

namespace {

// Values far from any loudspeaker's (found by fuzzing: Sd of 4e96 cm2 with
// Vas of 6e9 l), let through the gate, give a finite network whose solution
// overflows: one named error, not a table of NaN.
TEST(DesignFigures, OverflowingSolutionIsRefused) {
  design_file file;
  ASSERT_EQ(parse_design_text("[driver]\nfs = \"28 Hz\"\nQms = 4.5\nQes = 0.42\nVas = \"5666666666l\"\n"
                              "Sd = \"4444444444444444444444444444444444444444444444444444444444444444444444444444444444"
                              "4444444444444440 cm2\"\nRe = \"5.6 ohm\"\n[enclosure]\ntype = \"bandpass4\"\n"
                              "Vr = \"20 l\"\nVb = \"30 l\"\nfb = \".5 Hz\"\nport_diameter = \"37 mm\"\n",
                              "d.toml", file)
                .message,
            "");
  design_result r;
  EXPECT_EQ(compute_design(file, {5, 50}, r, true).message,
            "the design's SPL at 5 Hz overflows: expected values a loudspeaker has (see the warnings on the datasheet's "
            "figures)");
}

}  // namespace
