// The subsonic high-pass against the Butterworth magnitude
// |H|^2 = x^2n / (1 + x^2n), x = f / fc, and what it does to a design.
#include <gtest/gtest.h>

#include <cmath>

#include "control/design_program.h"
#include "model/drive_filter.h"
#include "design_test_support.h"
#include "test_support.h"

namespace {

TEST(DriveFilter, ButterworthMagnitudeAndDelay) {
  for (int order = 1; order <= 4; ++order) {
    highpass_filter f{order, 20, order == 2 ? 1 / std::sqrt(2.0) : 0};
    for (double x : {0.1, 0.5, 1.0, 2.0, 10.0}) {
      const double w = 2 * M_PI * 20 * x;
      const double expected = std::sqrt(std::pow(x, 2 * order) / (1 + std::pow(x, 2 * order)));
      EXPECT_NEAR(std::abs(highpass_response(f, w)), expected, 1e-12) << order << " " << x;
      // d arg H / dw against a central difference of the phase.
      const double dw = w * 1e-6;
      const double slope = std::arg(highpass_response(f, w + dw) / highpass_response(f, w - dw)) / (2 * dw);
      EXPECT_NEAR(highpass_phase_slope(f, w), slope, 1e-6 * std::abs(slope) + 1e-12) << order << " " << x;
    }
  }
  // A second order with its own Q: at the corner |H| = Q.
  EXPECT_NEAR(std::abs(highpass_response({2, 30, 1.5}, 2 * M_PI * 30)), 1.5, 1e-12);
  EXPECT_EQ(highpass_response({}, 100.0), std::complex<double>(1, 0));
}


const std::string vented_woofer =
    "[driver]\nfs = \"28 Hz\"\nQms = 4.5\nQes = 0.42\nVas = \"58 l\"\nSd = \"220 cm2\"\nRe = \"5.6 ohm\"\n"
    "Xmax = \"6 mm\"\nPe = \"100 W\"\n[enclosure]\ntype = \"vented\"\nVb = \"50 l\"\nfb = \"32 Hz\"\n"
    "port_diameter = \"75 mm\"\n";

// A second-order Butterworth at 20 Hz: at 10 Hz |H| = 0.25 / sqrt(1.0625).
// Excursion, port velocity and pressure scale by it, the phase turns by
// arg H; the impedance does not change; the most the limits allow at a
// frequency stays what it was, reached with 1 / |H| times the voltage.
TEST(DriveFilter, SubsonicFilterScalesTheDesign) {
  const design_result plain = compute(vented_woofer, {10, 40});
  const design_result filtered =
      compute(vented_woofer + "[drive]\nhighpass = { order = 2, frequency = \"20 Hz\", Q = 0.707 }\n", {10, 40});
  const double h = 0.25 / std::sqrt(1.0625);
  // with Q = 0.707 instead of 1 / sqrt(2): |H|^2 = x^4 / ((1 - x^2)^2 + x^2 / Q^2)
  const double x = 0.5, q = 0.707;
  const double hq = x * x / std::sqrt(std::pow(1 - x * x, 2) + x * x / (q * q));
  EXPECT_NEAR(hq, h, 1e-3 * h);
  const design_point& a = plain.points[0];
  const design_point& b = filtered.points[0];
  EXPECT_NEAR(b.excursion_mm / a.excursion_mm, hq, 1e-3 * hq);
  EXPECT_NEAR(b.port_velocity / a.port_velocity, hq, 1e-3 * hq);
  EXPECT_NEAR(b.spl - a.spl, 20 * std::log10(hq), 1e-3);
  EXPECT_NEAR(b.spl_unfiltered, a.spl, 1e-9);
  EXPECT_NEAR(b.excursion_unfiltered_mm, a.excursion_mm, 1e-9);
  // arg H = 180 - atan2(x / Q, 1 - x^2) in degrees
  const double turn = 180 - std::atan2(x / q, 1 - x * x) * 180 / M_PI;
  EXPECT_NEAR(std::remainder(b.phase - a.phase - turn, 360), 0, 1e-3);
  EXPECT_EQ(b.impedance, a.impedance);
  EXPECT_NEAR(b.max_spl, a.max_spl, 1e-9);
  EXPECT_NEAR(b.max_voltage, a.max_voltage / hq, 1e-3 * b.max_voltage);
}

TEST(DriveFilter, BadFiltersAreOneLine) {
  const struct {
    const char* value;
    const char* err;
  } cases[] = {
      {"{ order = 5, frequency = \"20 Hz\" }", "d.toml: drive.highpass.order: expected a whole number from 1 to 4"},
      {"{ order = 3, frequency = \"20 Hz\", Q = 0.8 }",
       "d.toml: drive.highpass.Q: expected no Q for order 3: Butterworth fixes it"},
      {"{ order = 2 }", "d.toml: drive.highpass.frequency: expected the corner frequency, e.g. \"20 Hz\""},
      {"{ order = 2, frequency = \"20 ms\" }",
       "d.toml: drive.highpass.frequency = \"20 ms\" has the unit \"ms\": expected a number and one of the units "
       "Hz, kHz"},
      {"{ order = 2, frequency = \"20 Hz\", slope = 12 }",
       "d.toml: unknown key drive.highpass.slope: expected order, frequency and, for order 2, Q"},
      {"20", "d.toml: drive.highpass: expected a table { order = 1..4, frequency = \"20 Hz\" } (Q = 0.707 for "
             "order 2 only)"},
  };
  for (const auto& c : cases) {
    design_file file;
    EXPECT_EQ(parse_design_text(vented_woofer + "[drive]\nhighpass = " + c.value + "\n", "d.toml", file).message,
              c.err);
  }
}

}  // namespace
