// The passive radiator against the boxes it becomes at its limits: held
// by a very stiff suspension it is a wall (the closed box), without one it
// is a port whose air has its mass (the vented box); its tuning in the box
// against the hand formula.
#include <gtest/gtest.h>

#include <cmath>

#include "control/design_program.h"
#include "control/design_summary.h"
#include "design_test_support.h"
#include "test_support.h"

namespace {

const std::string woofer =
    "[driver]\nfs = \"28 Hz\"\nQms = 4.5\nQes = 0.42\nVas = \"58 l\"\nSd = \"220 cm2\"\nRe = \"5.6 ohm\"\n";


std::string radiator_box(const std::string& suspension) {
  return woofer + "[enclosure]\ntype = \"passive_radiator\"\nVb = \"40 l\"\nQl = inf\n[passive_radiator]\n"
                  "Sd = \"330 cm2\"\nMmp = \"180 g\"\nQmp = 6\n" + suspension;
}

TEST(PassiveRadiator, VeryStiffIsTheClosedBox) {
  const std::vector<double> grid = log_grid(5, 500, 12);
  const design_result closed = compute(woofer + "[enclosure]\ntype = \"closed\"\nVb = \"40 l\"\n", grid);
  // 100 times the box's tuning of about 30 Hz.
  const design_result stiff = compute(radiator_box("fp = \"3000 Hz\"\n"), grid, true);
  for (std::size_t i = 0; i < grid.size(); ++i)
    EXPECT_NEAR(stiff.points[i].spl, closed.points[i].spl, 0.1) << grid[i] << " Hz";
}

// No suspension (a compliance of 1e6 mm/N) against a port of the
// radiator's area whose effective length puts the radiator's mass in its
// air: L = Mmp / (rho A), less the end correction 2 x 0.61 r of a port
// free at both ends.
TEST(PassiveRadiator, WithoutSuspensionIsTheVentedBox) {
  const std::vector<double> grid = log_grid(5, 500, 12);
  const double area = 330e-4, mass = 0.180, radius = std::sqrt(area / 3.141592);
  const double physical = mass / (1.2 * area) - 2 * 0.61 * radius;
  const design_result port = compute(
      woofer + message("[enclosure]\ntype = \"vented\"\nVb = \"40 l\"\nQl = inf\nport_area = \"330 cm2\"\n"
                       "port_length = \"%.12g mm\"\nport_ends = \"free-free\"\n",
                       physical * 1e3),
      grid, true);  // its air outweighs the box: a limit, not a loudspeaker
  const design_result loose = compute(radiator_box("Cmp = \"1e6 mm/N\"\n"), grid, true);
  for (std::size_t i = 0; i < grid.size(); ++i)
    EXPECT_NEAR(loose.points[i].spl, port.points[i].spl, 0.01) << grid[i] << " Hz";
  EXPECT_NEAR(summary_value(loose.summary, "fp_box"), summary_value(port.summary, "fb"), 1e-3);
}

// fp' = sqrt(fp^2 + rho c^2 A^2 / (Vb Mmp) / (2 pi)^2), rho c^2 = 1.4 x
// 101300 Pa; two radiators double area, mass and stiffness.
TEST(PassiveRadiator, TuningInTheBox) {
  for (int count : {1, 2}) {
    const design_result r = compute(radiator_box(message("fp = \"18 Hz\"\ncount = %d\n", count)), {30});
    const double a = count * 330e-4, m = count * 0.180;
    const double box = 1.4 * 101300 * a * a / (0.040 * m) / std::pow(2 * M_PI, 2);
    EXPECT_NEAR(summary_value(r.summary, "fp_box"), std::sqrt(18 * 18 + box), 1e-3) << count;
  }
  // Ql is defined at fp': the leak's Ral = Ql rho c^2 / (2 pi fp' Vb).
  const std::string leaky = radiator_box("fp = \"18 Hz\"\n");
  const design_result r = compute(leaky.substr(0, leaky.find("Ql = inf")) + "Ql = 7" +
                                      leaky.substr(leaky.find("Ql = inf") + 8),
                                  {30});
  const double fp_box = summary_value(r.summary, "fp_box");
  EXPECT_NEAR(r.compiled.leak_resistance, 7 * 1.4 * 101300 / (2 * M_PI * fp_box * 0.040),
              1e-5 * r.compiled.leak_resistance);
}

TEST(PassiveRadiator, ItsXmaxLimitsTheVoltage) {
  const design_result r = compute(radiator_box("fp = \"18 Hz\"\nXmax = \"2 mm\"\n"), {10, 25});
  for (const design_point& p : r.points) EXPECT_LE(p.radiator_excursion_mm * p.max_voltage / 2.83, 2 + 1e-9);
  // At 10 Hz below the tuning the radiator moves most: its 2 mm decide.
  EXPECT_NEAR(r.points[0].radiator_excursion_mm * r.points[0].max_voltage / 2.83, 2, 1e-6);
}

TEST(PassiveRadiator, BadTablesAndTheParameterFile) {
  const struct {
    std::string text, err;
  } cases[] = {
      {woofer + "[enclosure]\ntype = \"passive_radiator\"\nVb = \"40 l\"\n",
       "no [passive_radiator] table: a passive radiator box needs Sd, Mmp, fp or Cmp, and Qmp"},
      {radiator_box(""), "passive_radiator: no fp and no Cmp: expected its free-air resonance or compliance"},
      {radiator_box("fp = \"18 Hz\"\nCmp = \"1 mm/N\"\n"), "passive_radiator: fp and Cmp both given: expected one of them"},
      {woofer + "[enclosure]\ntype = \"closed\"\nVb = \"40 l\"\n[passive_radiator]\nSd = \"330 cm2\"\n",
       "[passive_radiator] given: expected enclosure.type = \"passive_radiator\" with it"},
  };
  for (const auto& c : cases) {
    design_file file;
    ASSERT_EQ(parse_design_text(c.text, "d.toml", file).message, "");
    design_result r;
    EXPECT_EQ(compute_design(file, {30}, r).message, c.err);
  }
  scratch_dir dir;
  write_file(dir.file("p.toml"), radiator_box("fp = \"18 Hz\"\n"));
  const program_run run = run_in(dir.path(), "'" ACOUSTIC_DESIGN_PATH "' p.toml --emit-parameters sim", "");
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_EQ(run.err,
            "acoustic_design: --emit-parameters: a passive radiator cannot be written for acoustic_sim: its parameter "
            "file has no suspension for a duct\n");
}

}  // namespace
