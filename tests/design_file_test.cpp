// The design file as an engineer writes it: units, keys, the datasheet's
// redundant figures and the slips they reveal.
#include <gtest/gtest.h>

#include <cmath>

#include "control/design_program.h"
#include "design/units.h"
#include "design_test_support.h"
#include "test_support.h"

namespace {

const std::string woofer =
    "[driver]\nfs = \"28 Hz\"\nQms = 4.5\nQes = 0.42\nVas = \"58 l\"\nSd = \"220 cm2\"\nRe = \"5.6 ohm\"\n";

status parse(const std::string& text, design_file& d) { return parse_design_text(text, "box.toml", d); }

std::string outcome(const std::string& text) { return design_outcome(text); }

TEST(DesignUnits, EveryUnitConvertsToSI) {
  const struct {
    const char* text;
    dimension d;
    double si;
  } cases[] = {
      {"28 Hz", dimension::frequency, 28},       {"1.2kHz", dimension::frequency, 1200},
      {"38 g", dimension::mass, 0.038},          {"0.038 kg", dimension::mass, 0.038},
      {"58 l", dimension::volume, 0.058},        {"58 L", dimension::volume, 0.058},
      {"0.058 m3", dimension::volume, 0.058},
      {"500 cm3", dimension::volume, 5e-4},      {"1 ft3", dimension::volume, 0.028316846592},
      {"220 cm2", dimension::area, 0.022},       {"0.022 m2", dimension::area, 0.022},
      {"10 in2", dimension::area, 0.0064516},    {"75 mm", dimension::length, 0.075},
      {"7.5 cm", dimension::length, 0.075},      {"2 m", dimension::length, 2},
      {"3 in", dimension::length, 0.0762},       {"5.6 ohm", dimension::resistance, 5.6},
      {"0.6 mH", dimension::inductance, 6e-4},   {"0.001 H", dimension::inductance, 1e-3},
      {"9.1 T*m", dimension::force_factor, 9.1}, {"9.1 Tm", dimension::force_factor, 9.1},
      {"9.1 N/A", dimension::force_factor, 9.1}, {"100 W", dimension::power, 100},
      {"2.83 V", dimension::voltage, 2.83},      {"17 m/s", dimension::velocity, 17},
      {"0.84 mm/N", dimension::compliance, 8.4e-4}, {"8.4e-4 m/N", dimension::compliance, 8.4e-4},
      {"1.5 kg/s", dimension::mechanical_resistance, 1.5}, {"1.5 N*s/m", dimension::mechanical_resistance, 1.5},
  };
  for (const auto& c : cases) {
    double si = 0;
    EXPECT_EQ(parse_quantity(c.text, c.d, si).message, "") << c.text;
    EXPECT_NEAR(si, c.si, 1e-12 * c.si) << c.text;
  }
  double si = 0;
  EXPECT_EQ(parse_quantity("28 Hz ", dimension::mass, si).message,
            "\"28 Hz \" has the unit \"Hz\": expected a number and one of the units g, kg");
}

// One line naming the key and what it takes; nothing is computed.
TEST(DesignFile, BadInputIsOneLineNamingTheKey) {
  const std::pair<std::string, std::string> cases[] = {
      {woofer + "[enclosure]\ntype = \"closed\"\nVb = 30\n",
       "box.toml: enclosure.Vb = 30: expected a string with its unit, e.g. \"30 l\" (units: l, m3, cm3, ft3)"},
      {woofer + "[enclosure]\ntype = \"closed\"\nVb = true\n",
       "box.toml: enclosure.Vb: expected a string with its unit (units: l, m3, cm3, ft3)"},
      {woofer + "Mms = \"38 gram\"\n[enclosure]\ntype = \"baffle\"\n",
       "box.toml: driver.Mms = \"38 gram\" has the unit \"gram\": expected a number and one of the units g, kg"},
      {woofer + "Qtss = 0.38\n[enclosure]\ntype = \"baffle\"\n", "box.toml: unknown key driver.Qtss: did you mean driver.Qts?"},
      {woofer + "[enclosures]\ntype = \"baffle\"\n", "box.toml: unknown table or key enclosures: did you mean [enclosure]?"},
      {woofer + "[enclosure]\ntype = \"vented\nVb = \"30 l\"\n", "box.toml: line 9: "},
      {woofer + "[enclosure]\ntype = \"vented\"\nports = 0\n",
       "box.toml: enclosure.ports: expected a whole number from 1 to 1000"},
      {woofer + "[enclosure]\ntype = \"sealed\"\n",
       "box.toml: enclosure.type = \"sealed\": expected closed | vented | bandpass4 | baffle | passive_radiator"},
      {woofer + "[enclosure]\ntype = \"closed\"\n", "error: enclosure.Vb is missing: a closed box needs it"},
      {woofer + "[enclosure]\ntype = \"closed\"\nVb = \"30 l\"\nfb = \"30 Hz\"\n",
       "error: enclosure.fb does not apply to a closed box"},
      {woofer + "[enclosure]\ntype = \"vented\"\nVb = \"30 l\"\nfb = \"30 Hz\"\n",
       "error: enclosure.port_diameter is missing: expected the port's diameter or port_area"},
      // Leff = 118183 m2/s2 x 17.67 cm2 / ((2 pi 80 Hz)^2 x 200 l) = 41.3 mm against 1.46 x 75 mm.
      {woofer + "[enclosure]\ntype = \"vented\"\nVb = \"200 l\"\nfb = \"80 Hz\"\nport_diameter = \"150 mm\"\n",
       "error: a port of 150 mm diameter tuning 200 l to 80 Hz would be -68.2 mm long: expected a port of more than "
       "397.4 mm diameter (1240 cm2) or a box of less than 75.5 l"},
      {"[driver]\nfs = \"28 Hz\"\n[enclosure]\ntype = \"baffle\"\n",
       "error: driver.Re is missing: expected the coil's resistance, e.g. \"5.6 ohm\""},
      {woofer + "[enclosure]\ntype = \"baffle\"\n[drive]\nspace = \"quarter\"\n",
       "box.toml: drive.space = \"quarter\": expected half | full"},
  };
  for (const auto& [text, expected] : cases) {
    design_file file;
    const status s = parse(text, file);
    const std::string got = s.ok() ? outcome(text) : s.message;
    EXPECT_EQ(got.rfind(expected, 0), 0u) << got;
    EXPECT_EQ(split(got).size(), 1u) << got;
  }
}

// A redundant figure that disagrees by 2 to 20 % is a warning saying what
// the design goes on with; a value no loudspeaker has is an error naming
// the slip that explains it, when exactly one does.
TEST(DesignFile, DisagreementsAndSlipsAreNamed) {
  const std::pair<std::string, std::string> cases[] = {
      // 9.47 T*m from the set: 4 % apart.
      {"Bl = \"9.1 T*m\"\n",
       "driver.Bl = 9.1 T*m disagrees with 9.471 T*m from fs, Mms, Re and Qes (4 %): the design uses 9.471 T*m\n"},
      {"Bl = \"9.4 T*m\"\n", ""},
      {"Qts = 0.40\n", "driver.Qts = 0.4 disagrees with 0.3841 from Qes and Qms (4 %): the design uses 0.3841\n"},
      {"Mms = \"0.038 g\"\n",
       "error: driver.Mms = \"0.038 g\" lies outside what loudspeakers have (0.05 g to 2000 g): did you mean "
       "driver.Mms = \"0.038 kg\" (0.038 in kg, not g)?"},
      {"Cms = \"0.845 mm/N\"\nMms = \"38.2 g\"\n", ""},
  };
  for (const auto& [extra, expected] : cases)
    EXPECT_EQ(outcome(woofer + extra + "[enclosure]\ntype = \"baffle\"\n"), expected) << extra;
  EXPECT_EQ(outcome("[driver]\nfs = \"28 Hz\"\nQms = 4.5\nQes = 0.42\nMms = \"0.038 g\"\nSd = \"220 cm2\"\nRe = "
                    "\"5.6 ohm\"\n[enclosure]\ntype = \"closed\"\nVb = \"30 l\"\n"),
            "error: driver.Mms = \"0.038 g\" lies outside what loudspeakers have (0.05 g to 2000 g): did you mean "
            "driver.Mms = \"0.038 kg\" (0.038 in kg, not g)?");
  EXPECT_EQ(outcome(woofer + "[enclosure]\ntype = \"vented\"\nVb = \"50 l\"\nport_length = \"20 cm\"\n"
                             "port_diameter = \"3 in\"\n"),
            "");
  // 30 l and 30 ft3 (850 l) both make a box: no guess.
  EXPECT_EQ(outcome(woofer + "[enclosure]\ntype = \"closed\"\nVb = \"30 m3\"\n"),
            "error: enclosure.Vb = \"30 m3\" (3e+04 l) lies outside what loudspeakers have (0.05 l to 10000 l): "
            "expected a figure a loudspeaker has (--accept-unusual for a real outlier)");
}

}  // namespace
