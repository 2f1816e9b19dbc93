// Ducts as plane-wave lines against closed forms: a port into the room is
// the lumped mass times tan kL / kL; a port on a box resonates at the roots
// of kL tan kL = S L / V; a tube closed at its far end takes a tone out at
// odd multiples of c / (4 (L + delta)); the shipped vented box, its port a
// line, stays within 0.2 dB of its lumped self below 400 Hz.
#include <cmath>

#include "analysis/duct_line.h"
#include "control/design_ducts.h"
#include "design_test_support.h"
#include "test_support.h"

namespace {

const double c_reference = std::sqrt(1.4 * 101300 / 1.2);

duct_line lossless_port(double length, line_end end = line_end::room) {
  duct_line l;
  l.area = M_PI * 0.0375 * 0.0375;
  l.length = length;
  l.density = 1.2;
  l.bulk_modulus = 1.4 * 101300;
  l.end = end;
  return l;
}

TEST(DuctLine, PortIntoTheRoomIsTheLumpedMassTimesTanKLOverKL) {
  for (double kl : {0.01, 0.172, 0.5, 1.2, 2.0}) {
    const duct_line l = lossless_port(0.6);
    const double w = kl * c_reference / l.length;
    const complex lumped(0, w * l.density * l.length / l.area);
    const complex ratio = line_input_impedance(l, w) / lumped;
    EXPECT_NEAR(ratio.real(), std::tan(kl) / kl, 1e-9 * std::fabs(std::tan(kl) / kl)) << kl;
    EXPECT_NEAR(ratio.imag(), 0, 1e-9) << kl;
  }
  // The lumped duct holds to 1 % up to kL = 0.172.
  EXPECT_LT(std::tan(0.172) / 0.172 - 1, 0.01);
  // Its far end carries U / cos kL.
  const duct_line l = lossless_port(0.6);
  const double w = 0.9 * c_reference / l.length;
  EXPECT_NEAR(std::abs(line_far_flow_ratio(l, w)), 1 / std::cos(0.9), 1e-9);
}

// 50 l, a 75 mm port of 654.75 mm effective length: 19.908, 264.056 and
// 525.821 Hz; lumped, 20.099 Hz.
TEST(DuctLine, PortOnABoxResonatesAtTheRootsOfKLTanKL) {
  const double area = M_PI * 0.0375 * 0.0375, length = 0.65475, volume = 0.05;
  const double to_hz = c_reference / (2 * M_PI * length);
  const double roots[] = {19.908, 264.056, 525.821};
  for (int n = 1; n <= 3; ++n) {
    const double x = line_resonance_root(area, length, volume, n);
    EXPECT_NEAR(x * std::tan(x), area * length / volume, 1e-9) << n;
    EXPECT_NEAR(x * to_hz, roots[n - 1], 1e-4 * roots[n - 1]) << n;
  }
  EXPECT_NEAR(std::sqrt(c_reference * c_reference * area / (volume * length)) / (2 * M_PI), 20.099, 1e-3);

  // The same in the network: a flow into the box with a lossless port as a
  // line; the chamber's pressure grows without bound at each root.
  const std::string text =
      "[source]\ntype = \"volume_velocity\"\nvolume_velocity = \"1 l/s\"\n[enclosure]\ntype = \"vented\"\n"
      "Vb = \"50 l\"\nport_diameter = \"75 mm\"\nport_length = \"600 mm\"\nport_ends = \"flanged-free\"\n"
      "Ql = \"inf\"\n[model]\nducts = \"distributed\"\n";
  for (double root : roots) {
    std::vector<double> grid;
    for (int k = -200; k <= 200; ++k) grid.push_back(root * (1 + k * 1e-5));
    const design_result r = compute(text, grid);
    const design_point* top = &r.points.front();
    for (const design_point& p : r.points)
      if (std::abs(p.chamber_pressure) > std::abs(top->chamber_pressure)) top = &p;
    EXPECT_NEAR(top->frequency, root, 1e-4 * root);
  }
}

// A tube 500 mm long, 50 mm wide, flanged: notches at (2n - 1) c / (4 (L + 0.85 r)).
TEST(DuctLine, QuarterWaveTubeNotchesAtOddQuarterWavelengths) {
  const std::string text =
      "[source]\ntype = \"volume_velocity\"\nvolume_velocity = \"1 l/s\"\n[enclosure]\ntype = \"closed\"\n"
      "Vb = \"40 l\"\n[[resonator]]\ntype = \"quarter_wave\"\ndiameter = \"50 mm\"\nlength = \"500 mm\"\n"
      "mouth = \"flanged\"\nQ = 500\n";
  const double acoustic = 0.5 + 0.85 * 0.025;
  for (int n = 1; n <= 3; ++n) {
    const double notch = (2 * n - 1) * c_reference / (4 * acoustic);
    std::vector<double> grid;
    for (int k = -300; k <= 300; ++k) grid.push_back(notch * (1 + k * 1e-4));
    const design_result r = compute(text, grid);
    const design_point* deepest = &r.points.front();
    for (const design_point& p : r.points)
      if (std::fabs(p.frequency / notch - 1) < 0.03 && p.il_chamber > deepest->il_chamber) deepest = &p;
    EXPECT_NEAR(deepest->frequency, notch, 1e-3 * notch) << n;
    EXPECT_GT(deepest->il_chamber, 5) << n;
  }
}

// A closed tube, a line with its Q spread along it, takes out at fr what
// its first mode would: 10 log10(1 + (Q Vr / V0)^2), Vr = (8 / pi^2) S (L + delta).
TEST(DuctLine, ClosedTubeLosesWhatItsFirstModeLoses) {
  const std::string text =
      "[source]\ntype = \"volume_velocity\"\nvolume_velocity = \"1 l/s\"\n[enclosure]\ntype = \"closed\"\n"
      "Vb = \"10 l\"\n[[resonator]]\ntype = \"quarter_wave\"\ndiameter = \"100 mm\"\nfr = \"100 Hz\"\n"
      "mouth = \"flanged\"\nQ = 40\n";
  const design_result r = compute(text, {100});
  const design_point* at = nullptr;
  for (const design_point& p : r.points)
    if (p.frequency == 100) at = &p;
  ASSERT_NE(at, nullptr);
  const double vr = 8 / (M_PI * M_PI) * M_PI * 0.05 * 0.05 * c_reference / 400;
  EXPECT_NEAR(at->il_chamber, 10 * std::log10(1 + std::pow(40 * vr / 0.01, 2)), 0.02);
}

TEST(DuctLine, ShippedVentedBoxAsALineStaysNearItsLumpedSelf) {
  const std::string woofer = read_file(EXAMPLES_DIR "/designs/woofer_vented.toml");
  const design_result lumped = compute(woofer + "[model]\nducts = \"lumped\"\n");
  const design_result line = compute(woofer + "[model]\nducts = \"distributed\"\n");
  ASSERT_EQ(lumped.points.size(), line.points.size());
  double largest = 0;
  for (std::size_t i = 0; i < line.points.size(); ++i)
    if (line.points[i].frequency < 400) largest = std::max(largest, std::fabs(line.points[i].spl - lumped.points[i].spl));
  EXPECT_LT(largest, 0.2);
  EXPECT_GT(largest, 0.05);  // the line is not the lumped duct
  // Its first pipe resonance lies near c / (2 Leff) with the box nearly a
  // pressure release there.
  const double leff = summary_value(line.summary, "port_effective_length") * 1e-3;
  EXPECT_NEAR(summary_value(line.summary, "port_pipe_resonance_1"), c_reference / (2 * leff), 0.01 * c_reference / (2 * leff));
  // Lumped, the port is named with its line's tunings.
  ASSERT_EQ(lumped.warnings.size(), 1u);
  EXPECT_EQ(lumped.warnings[0],
            "port: the line tunes to 31.88 Hz, not 32.00 Hz; first pipe resonance near 667 Hz: set [model] ducts = "
            "\"distributed\"");
  // A loudspeaker design of today stays silent.
  EXPECT_TRUE(compute(woofer).warnings.empty());
}

// "auto" makes a line of exactly the ducts the warning names: the port's
// pipe resonance (667 Hz) lies below a 1 kHz grid's top, above 400 Hz.
TEST(DuctLine, AutoChoosesTheDuctsTheWarningNames) {
  const std::string woofer = read_file(EXAMPLES_DIR "/designs/woofer_vented.toml") + "[model]\nducts = \"auto\"\n";
  const struct {
    double top;
    bool line;
  } cases[] = {{1000, true}, {400, false}};
  for (const auto& k : cases) {
    const design_result r = compute(woofer, log_grid(10, k.top, 12));
    EXPECT_EQ(r.compiled.network->line_length[r.compiled.port] > 0, k.line) << k.top;
    EXPECT_TRUE(r.warnings.empty()) << k.top;
  }
  const std::string trap =
      "[source]\ntype = \"volume_velocity\"\nvolume_velocity = \"1 l/s\"\n[enclosure]\ntype = \"closed\"\n"
      "Vb = \"40 l\"\n[[resonator]]\nname = \"trap\"\nvolume = \"5 l\"\nneck_diameter = \"50 mm\"\n"
      "neck_length = \"39 mm\"\nQ = 29\n";
  // The neck's own air lowers the tuning by more than fr / (8 Q) = 0.52 Hz.
  const design_result lumped = compute(trap, log_grid(10, 400, 12));
  ASSERT_EQ(lumped.warnings.size(), 1u);
  EXPECT_EQ(lumped.warnings[0].substr(0, 50), "trap: the line tunes to 119.46 Hz, not 120.10 Hz; ");
  // At Q 2 the same departure lies within the bandwidth.
  std::string broad = trap;
  broad.replace(broad.find("Q = 29"), 6, "Q = 2");
  EXPECT_TRUE(compute(broad, log_grid(10, 400, 12)).warnings.empty());
}

// A flow into a lossless plenum with an outlet: the outlet carries
// U / (1 - (f / fb)^2) and radiates rho w |U_port| / (2 pi r).
TEST(DuctLine, PlenumOutletRadiatesTheHelmholtzFlow) {
  const std::string text =
      "[source]\ntype = \"volume_velocity\"\nvolume_velocity = \"1 l/s\"\n[enclosure]\ntype = \"vented\"\n"
      "Vb = \"50 l\"\nport_area = \"240 cm2\"\nport_length = \"300 mm\"\nQl = \"inf\"\n";
  const design_result r = compute(text, {10, 20, 60, 150});
  const double fb = summary_value(r.summary, "fb");
  for (const design_point& p : r.points) {
    const double w = 2 * M_PI * p.frequency, port = 1e-3 / std::fabs(1 - std::pow(p.frequency / fb, 2));
    const double pressure = 1.2 * w * port / (2 * M_PI);
    EXPECT_NEAR(p.spl, 20 * std::log10(pressure / 20e-6), 1e-4) << p.frequency;
    EXPECT_NEAR(p.port_velocity, std::sqrt(2.0) * port / 240e-4, 1e-6 * p.port_velocity) << p.frequency;
  }
}

}  // namespace
