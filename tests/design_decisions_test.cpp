// The figures a designer decides by, against hand rules: the limit that
// sets max_voltage (the smallest of the voltages each limit allows, worked
// out from the row's own figures and the datasheet's numbers), the
// figures at the rated power, the port's air and its pipe resonance, the
// value at a chosen frequency, and the summary's driver and box lines.
#include <gtest/gtest.h>

#include <cmath>
#include <map>

#include "analysis/design_figures.h"
#include "analysis/steady_state.h"
#include "control/design_compare.h"
#include "control/design_files.h"
#include "control/design_program.h"
#include "control/design_summary.h"
#include "design/driver.h"
#include "design_test_support.h"
#include "test_support.h"

namespace {

const std::string design_program = "'" ACOUSTIC_DESIGN_PATH "'";

// The 8-inch woofer with Le = 0, Xmax 6 mm, Pe 100 W, Re 5.6 ohm.
const std::string woofer =
    "[driver]\nfs = \"28 Hz\"\nQms = 4.5\nQes = 0.42\nVas = \"58 l\"\nSd = \"220 cm2\"\nRe = \"5.6 ohm\"\n"
    "Xmax = \"6 mm\"\nPe = \"100 W\"\n";

// A response table's rows by column name.
std::vector<std::map<std::string, std::string>> table_of(const std::string& text) {
  const std::vector<std::string> lines = split(text);
  const std::vector<std::string> header = split(lines.at(0), ',');
  std::vector<std::map<std::string, std::string>> rows;
  for (std::size_t i = 1; i < lines.size(); ++i) {
    if (lines[i].empty()) continue;
    const std::vector<std::string> f = split(lines[i], ',');
    EXPECT_EQ(f.size(), header.size()) << lines[i];
    std::map<std::string, std::string> row;
    for (std::size_t c = 0; c < f.size() && c < header.size(); ++c) row[header[c]] = f[c];
    rows.push_back(row);
  }
  return rows;
}

double number(const std::map<std::string, std::string>& row, const std::string& column) {
  return std::stod(row.at(column));
}

std::string table_text(const design_result& r) {
  const response_columns c = columns_of(r.drive);
  std::string text = response_header(c);
  for (const design_point& p : r.points) text += response_row(p, c);
  return text;
}

// Three frequencies per enclosure type: below the box's resonance, at its
// port or radiator, and high in the passband; the named limit is the one
// whose own voltage is the smallest: 2.83 V x Xmax / excursion, 2.83 V x
// 17 m/s / port velocity, 2.83 V x radiator Xmax / its excursion, and
// sqrt(Pe Re) = 23.664 V.
TEST(DesignDecisions, LimitedByIsTheSmallestLimitVoltage) {
  const struct {
    const char* enclosure;
    std::vector<double> frequencies;
    std::vector<std::string> expected;
  } cases[] = {
      {"[enclosure]\ntype = \"closed\"\nVb = \"30 l\"\n", {10, 45, 200}, {"Xmax", "Xmax", "Pe"}},
      {"[enclosure]\ntype = \"baffle\"\n", {10, 40, 200}, {"Xmax", "Xmax", "Pe"}},
      {"[enclosure]\ntype = \"vented\"\nVb = \"50 l\"\nfb = \"32 Hz\"\nport_diameter = \"40 mm\"\n",
       {10, 32, 200}, {"Xmax", "port", "Pe"}},
      {"[enclosure]\ntype = \"bandpass4\"\nVr = \"20 l\"\nVb = \"30 l\"\nfb = \"55 Hz\"\nport_diameter = \"50 mm\"\n",
       {10, 55, 300}, {"Xmax", "port", "Pe"}},
      {"[enclosure]\ntype = \"passive_radiator\"\nVb = \"40 l\"\n[passive_radiator]\nSd = \"330 cm2\"\nMmp = "
       "\"180 g\"\nfp = \"18 Hz\"\nQmp = 6\nXmax = \"4 mm\"\n",
       {10, 24, 200}, {"Xmax", "radiator_Xmax", "Pe"}},
  };
  for (const auto& c : cases) {
    const design_result r = compute(woofer + c.enclosure, c.frequencies);
    const auto rows = table_of(table_text(r));
    ASSERT_EQ(rows.size(), 3u);
    for (std::size_t i = 0; i < rows.size(); ++i) {
      const auto& row = rows[i];
      std::map<std::string, double> allowed = {{"Xmax", 2.83 * 6 / number(row, "excursion[mm]")},
                                               {"Pe", std::sqrt(100 * 5.6)}};
      if (row.count("port_velocity[m/s]")) allowed["port"] = 2.83 * 17 / number(row, "port_velocity[m/s]");
      if (row.count("radiator_excursion[mm]"))
        allowed["radiator_Xmax"] = 2.83 * 4 / number(row, "radiator_excursion[mm]");
      std::string smallest = "none";
      for (const auto& [name, volts] : allowed)
        if (smallest == "none" || volts < allowed[smallest]) smallest = name;
      EXPECT_EQ(row.at("limited_by"), smallest) << c.enclosure << row.at("frequency[Hz]");
      EXPECT_EQ(row.at("limited_by"), c.expected[i]) << c.enclosure << row.at("frequency[Hz]");
      // The printed figures carry six decimals.
      EXPECT_NEAR(number(row, "max_voltage[V]"), allowed[smallest], 1e-5 * allowed[smallest] + 2e-6);
    }
  }
  // No limit given: none, and max_voltage is inf.
  const design_result free = compute(
      "[driver]\nfs = \"28 Hz\"\nQms = 4.5\nQes = 0.42\nVas = \"58 l\"\nSd = \"220 cm2\"\nRe = \"5.6 ohm\"\n"
      "[enclosure]\ntype = \"closed\"\nVb = \"30 l\"\n",
      {40});
  EXPECT_EQ(split(table_text(free)).at(1).substr(split(table_text(free)).at(1).rfind(',')), ",none");
  EXPECT_EQ(free.points[0].max_voltage, INFINITY);
  EXPECT_EQ(summary_value(free.summary, "lowest_max_SPL_limited_by"), 0);
}

// The summary names the limit at lowest_max_SPL_frequency, in its unit
// column, and the comparison spells the same name.
TEST(DesignDecisions, SummaryNamesTheBindingLimit) {
  const design_result r = compute(woofer + "[enclosure]\ntype = \"vented\"\nVb = \"50 l\"\nfb = \"32 Hz\"\n"
                                           "port_diameter = \"75 mm\"\n");
  const double f = summary_value(r.summary, "lowest_max_SPL_frequency");
  std::string named;
  for (const summary_row& row : r.summary.rows)
    if (row.quantity == "lowest_max_SPL_limited_by") named = row.unit;
  for (const design_point& p : r.points)
    if (p.frequency == f) {
      EXPECT_EQ(named, limit_name(p.limited_by));
    }
  EXPECT_EQ(named, "port");
  EXPECT_EQ(summary_value(r.summary, "lowest_max_SPL_limited_by"), 2);
}

// A 40 mm port at 4 V: the drive itself exceeds 17 m/s near fb and Xmax
// at the grid's foot; each warning gives the highest voltage within its
// limit, 4 V x 17 m/s / the table's highest port velocity and 4 V x 6 mm /
// the largest excursion.
TEST(DesignDecisions, DriveBeyondALimitIsAWarning) {
  const design_result r = compute(woofer + "[enclosure]\ntype = \"vented\"\nVb = \"50 l\"\nfb = \"32 Hz\"\n"
                                           "port_diameter = \"40 mm\"\n[drive]\nvoltage = \"4 V\"\n");
  double port = 0, port_at = 0, x = 0, x_at = 0;
  for (const design_point& p : r.points) {
    if (p.port_velocity > port) port = p.port_velocity, port_at = p.frequency;
    if (p.excursion_mm > x) x = p.excursion_mm, x_at = p.frequency;
  }
  ASSERT_GT(port, 17);
  ASSERT_EQ(r.warnings.size(), 2u);
  EXPECT_EQ(r.warnings[0], message("the drive's 4 V exceeds Xmax at %.6g Hz: at most %.6g V stays within it on the "
                                   "whole grid",
                                   x_at, 4 * 6 / x));
  EXPECT_EQ(r.warnings[1], message("the drive's 4 V exceeds the port velocity limit at %.6g Hz: at most %.6g V "
                                   "stays within it on the whole grid",
                                   port_at, 4 * 17 / port));
  EXPECT_TRUE(compute(woofer + "[enclosure]\ntype = \"vented\"\nVb = \"50 l\"\nfb = \"32 Hz\"\nport_diameter = "
                               "\"75 mm\"\n")
                  .warnings.empty());
}

// At the rated power the filter's input is sqrt(Pe Re) = 23.664 V: the
// coil gets |H| times it, so the excursion is the unfiltered excursion at
// 2.83 V times |H| sqrt(Pe Re) / 2.83, |H| of the second-order Butterworth
// (f/fc)^2 / sqrt(1 + (f/fc)^4).
TEST(DesignDecisions, ExcursionAtRatedPowerScalesTheDrive) {
  const design_result r =
      compute(woofer + "[enclosure]\ntype = \"vented\"\nVb = \"50 l\"\nfb = \"32 Hz\"\nport_diameter = \"75 mm\"\n"
                       "[drive]\nhighpass = { order = 2, frequency = \"25 Hz\" }\n",
              {10, 20, 25, 32, 50, 100});
  const auto rows = table_of(table_text(r));
  for (const auto& row : rows) {
    const double f = number(row, "frequency[Hz]"), x = (f / 25) * (f / 25);
    const double h = x / std::sqrt(1 + x * x), scale = h * std::sqrt(100 * 5.6) / 2.83;
    const double expected = number(row, "excursion_unfiltered[mm]") * scale;
    EXPECT_NEAR(number(row, "excursion_at_Pe[mm]"), expected, 1e-5 * expected + 2e-6) << f;
    const double port = number(row, "port_velocity[m/s]") * std::sqrt(100 * 5.6) / 2.83;
    EXPECT_NEAR(number(row, "port_velocity_at_Pe[m/s]"), port, 1e-5 * port + 2e-6) << f;
  }
  // Without Pe neither column is there.
  const design_result none = compute(
      "[driver]\nfs = \"28 Hz\"\nQms = 4.5\nQes = 0.42\nVas = \"58 l\"\nSd = \"220 cm2\"\nRe = \"5.6 ohm\"\n"
      "[enclosure]\ntype = \"closed\"\nVb = \"30 l\"\n",
      {40});
  EXPECT_FALSE(contains(table_text(none), "at_Pe"));
}

// Where the excursion at Pe crosses Xmax, and the port's highest velocity
// at Pe, read off a fine grid by hand.
TEST(DesignDecisions, RatedPowerSummary) {
  const design_result r = compute(woofer + "[enclosure]\ntype = \"vented\"\nVb = \"50 l\"\nfb = \"32 Hz\"\n"
                                           "port_diameter = \"75 mm\"\n",
                                  log_grid(5, 1000, 192));
  const double below = summary_value(r.summary, "excursion_at_Pe_beyond_Xmax_below");
  // Above the crossing every point keeps within Xmax; the point just below
  // it does not.
  const double scale = std::sqrt(100 * 5.6) / 2.83;
  const design_point* last_over = nullptr;
  for (const design_point& p : r.points) {
    if (p.excursion_mm * scale > 6) last_over = &p;
    if (p.frequency > below) {
      EXPECT_LE(p.excursion_mm * scale, 6) << p.frequency;
    }
  }
  ASSERT_NE(last_over, nullptr);
  EXPECT_LT(below / last_over->frequency, std::pow(2, 1.0 / 192));
  EXPECT_GE(below, last_over->frequency);
  double most = 0, at = 0;
  for (const design_point& p : r.points)
    if (p.port_velocity * scale > most) most = p.port_velocity * scale, at = p.frequency;
  EXPECT_NEAR(summary_value(r.summary, "highest_port_velocity_at_Pe"), most, 1e-9 * most);
  EXPECT_EQ(summary_value(r.summary, "highest_port_velocity_at_Pe_frequency"), at);
}

// The 75 mm port tuning 50 l to 32 Hz: L_eff = c^2 A / (w^2 Vb), its
// physical length L_eff less 1.46 r (flanged and free ends), its air
// A x L, the pipe's first resonance c / (2 L_eff).
TEST(DesignDecisions, PortAirAndPipeResonanceByHand) {
  const double c = speed_of_sound(), area = M_PI * 0.0375 * 0.0375, w = 2 * M_PI * 32;
  const double effective = c * c * area / (w * w * 0.050);
  const double physical = effective - 1.46 * 0.0375;
  const struct {
    const char* extra;
    double gross;  // l, beyond Vb and the port's air
    const char* warning;
  } cases[] = {
      {"", 0, ""},
      {"depth = \"400 mm\"\n", 0, ""},
      {"depth = \"250 mm\"\n", 0,
       "the port, 203.559 mm long, with one diameter (75 mm) clear of the back wall needs 278.559 mm: the box is 250 mm "
       "deep inside"},
  };
  for (const auto& k : cases) {
    const design_result r = compute(woofer + "driver_volume = \"1.5 l\"\n[enclosure]\ntype = \"vented\"\nVb = \"50 l\"\n"
                                             "fb = \"32 Hz\"\nport_diameter = \"75 mm\"\n" + k.extra);
    EXPECT_NEAR(summary_value(r.summary, "port_air_volume"), area * physical * 1e3, 1e-4 * area * physical * 1e3);
    EXPECT_NEAR(summary_value(r.summary, "gross_volume"), 50 + area * physical * 1e3 + 1.5, 1e-5 * 52);
    EXPECT_NEAR(summary_value(r.summary, "port_pipe_resonance_estimate"), c / (2 * effective), 1e-4 * c / effective);
    if (*k.warning) {
      ASSERT_EQ(r.warnings.size(), 1u) << k.extra;
      EXPECT_EQ(r.warnings[0], k.warning);
    } else {
      EXPECT_TRUE(r.warnings.empty()) << k.extra << (r.warnings.empty() ? "" : r.warnings[0]);
    }
  }
  // A 150 mm port tuned to 32 Hz in 20 l takes far more than 10 % of it.
  const design_result big =
      compute(woofer + "[enclosure]\ntype = \"vented\"\nVb = \"20 l\"\nfb = \"32 Hz\"\nport_diameter = \"100 mm\"\n");
  const double air = summary_value(big.summary, "port_air_volume");
  ASSERT_GT(air, 2);
  ASSERT_FALSE(big.warnings.empty());
  EXPECT_EQ(big.warnings[0], message("the ports' air, %.6g l, takes %.3g %% of Vb 20 l (over 10 %%): the box must be "
                                     "%.6g l gross to hold them",
                                     air, 100 * air / 20, 20 + air));
  // A bandpass4's gross volume holds both chambers.
  const design_result bp = compute(woofer + "[enclosure]\ntype = \"bandpass4\"\nVr = \"20 l\"\nVb = \"30 l\"\n"
                                            "fb = \"55 Hz\"\nport_diameter = \"75 mm\"\n");
  EXPECT_NEAR(summary_value(bp.summary, "gross_volume"), 50 + summary_value(bp.summary, "port_air_volume"), 1e-6);
}

// The driver's and the box's lines as typed: Sd in cm2, Ql as given or
// its default 10, the high-pass.
TEST(DesignDecisions, SummaryLinesAsTyped) {
  const struct {
    const char* extra;
    const char* quantity;
    double expected;
  } cases[] = {
      {"[enclosure]\ntype = \"vented\"\nVb = \"50 l\"\nfb = \"32 Hz\"\nport_diameter = \"75 mm\"\n", "Ql", 10},
      {"[enclosure]\ntype = \"vented\"\nVb = \"50 l\"\nfb = \"32 Hz\"\nport_diameter = \"75 mm\"\nQl = 7\n", "Ql", 7},
      {"[enclosure]\ntype = \"closed\"\nVb = \"30 l\"\n", "Sd", 220},
      {"[enclosure]\ntype = \"closed\"\nVb = \"30 l\"\n[drive]\nhighpass = { order = 3, frequency = \"18 Hz\" }\n",
       "highpass_order", 3},
      {"[enclosure]\ntype = \"closed\"\nVb = \"30 l\"\n[drive]\nhighpass = { order = 3, frequency = \"18 Hz\" }\n",
       "highpass_frequency", 18},
      {"[enclosure]\ntype = \"closed\"\nVb = \"30 l\"\n[drive]\nhighpass = { order = 2, frequency = \"18 Hz\", Q = 0.5 "
       "}\n",
       "highpass_Q", 0.5},
  };
  for (const auto& c : cases) {
    const design_result r = compute(woofer + c.extra, {40});
    EXPECT_NEAR(summary_value(r.summary, c.quantity), c.expected, 1e-12 * c.expected) << c.extra;
  }
  EXPECT_TRUE(std::isnan(summary_value(compute(woofer + cases[2].extra, {40}).summary, "highpass_order")));
}

// A closed box with Le = 0 is the second-order high-pass of fc and Qtc:
// its group delay at fc is 2 Qtc / (2 pi fc). fc = 28 Hz sqrt(1 + 58/30),
// Qtc = 0.384146 sqrt(1 + 58/30).
TEST(DesignDecisions, GroupDelayAtTheClosedBoxResonance) {
  const double root = std::sqrt(1 + 58.0 / 30), fc = 28 * root, qtc = 1 / (1 / 4.5 + 1 / 0.42) * root;
  const design_result r = compute(woofer + "[enclosure]\ntype = \"closed\"\nVb = \"30 l\"\n", {fc});
  const double expected_ms = 2 * qtc / (2 * M_PI * fc) * 1e3;
  EXPECT_NEAR(r.points[0].group_delay_ms, expected_ms, 5e-3 * expected_ms);
  // acoustic_steady's design table, from the same network and coil.
  const steady_point p = solve_steady_state(*r.compiled.network, fc, &r.drive.coil);
  EXPECT_NEAR(design_figures(*r.compiled.network, p, r.drive.at).group_delay_ms, expected_ms, 5e-3 * expected_ms);
}

// --at prints the rows at exactly those frequencies: at a grid frequency
// the grid's row byte for byte, off the grid the row a grid through that
// frequency gives; the files are the same with and without it.
TEST(DesignDecisions, ValuesAtChosenFrequencies) {
  scratch_dir dir;
  write_file(dir.file("box.toml"), woofer + "[enclosure]\ntype = \"vented\"\nVb = \"50 l\"\nfb = \"32 Hz\"\n"
                                            "port_diameter = \"75 mm\"\n");
  ASSERT_EQ(run_in(dir.path(), design_program + " box.toml --out plain --grid 10:320:1", "").exit_code, 0);
  const program_run at = run_in(dir.path(), design_program + " box.toml --out at --grid 10:320:1 --at 40Hz,33.3Hz", "");
  ASSERT_EQ(at.exit_code, 0) << shown(at.err);
  EXPECT_EQ(read_file(dir.file("at/box.csv")), read_file(dir.file("plain/box.csv")));
  EXPECT_EQ(read_file(dir.file("at/box_summary.csv")), read_file(dir.file("plain/box_summary.csv")));
  ASSERT_EQ(run_in(dir.path(), design_program + " box.toml --out off --grid 33.3:66.6:1", "").exit_code, 0);
  const std::vector<std::string> grid = split(read_file(dir.file("plain/box.csv")));
  const std::vector<std::string> off = split(read_file(dir.file("off/box.csv")));
  const std::string expected = grid[0] + "\n" + grid[3] + "\n" + off[1] + "\n";
  ASSERT_EQ(grid[3].substr(0, 10), "40.000000,");
  ASSERT_EQ(off[1].substr(0, 10), "33.300000,");
  // After the summary, before the files are named.
  const std::size_t header = at.out.find(grid[0]);
  ASSERT_NE(header, std::string::npos) << at.out;
  EXPECT_EQ(at.out.substr(header, expected.size()), expected);
  EXPECT_LT(at.out.find("Zmin_frequency"), header);
}

}  // namespace

namespace {

// compare_summary.csv: the high-pass's columns where a design has one,
// empty where it has none, and the binding limit by name.
TEST(DesignDecisions, ComparisonShowsTheFilterAndTheLimit) {
  std::vector<compared_design> designs(2);
  const std::string box = "[enclosure]\ntype = \"closed\"\nVb = \"30 l\"\n";
  const std::vector<double> grid = log_grid(10, 400, 12);
  designs[0].label = "plain";
  designs[0].result = compute(woofer + box, grid);
  designs[1].label = "filtered";
  designs[1].result = compute(woofer + box + "[drive]\nhighpass = { order = 2, frequency = \"25 Hz\" }\n", grid);
  const std::vector<std::string> lines = split(comparison_table(designs));
  const std::vector<std::string> header = split(lines.at(0), ',');
  const auto column = [&](const std::string& name) {
    for (std::size_t c = 0; c < header.size(); ++c)
      if (header[c] == name) return c;
    ADD_FAILURE() << name << " not in " << lines[0];
    return std::size_t{0};
  };
  const std::vector<std::string> plain = split(lines.at(1), ','), filtered = split(lines.at(2), ',');
  EXPECT_EQ(plain.at(column("highpass_order")), "");
  EXPECT_EQ(filtered.at(column("highpass_order")), "2");
  EXPECT_EQ(filtered.at(column("highpass_frequency[Hz]")), "25");
  EXPECT_EQ(filtered.at(column("highpass_Q")), "0.707107");
  EXPECT_EQ(plain.at(column("lowest_max_SPL_limited_by")), "Xmax");
}

}  // namespace
