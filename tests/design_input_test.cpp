// What goes into acoustic_design: the mistakes people make in a design
// file, each refused (or let through) with the line it deserves, the units
// they type, and the datasheets as printed (any sufficient set, Kms,
// trust, the sheet's sensitivity).
#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

#include "control/design_program.h"
#include "design/plausibility.h"
#include "design/units.h"
#include "design_test_support.h"
#include "util/message.h"
#include "test_support.h"

namespace {

const std::string design_program = "'" ACOUSTIC_DESIGN_PATH "'";

// An 8-inch woofer: Mms 38.24 g, Bl 9.471 T*m, Cms 0.845 mm/N follow by hand
// from fs, Vas, Sd, Qes, Re with rho c^2 = 1.4 x 101300 Pa.
const std::string woofer_lines[] = {
    "fs = \"28 Hz\"", "Qms = 4.5", "Qes = 0.42", "Vas = \"58 l\"", "Sd = \"220 cm2\"", "Re = \"5.6 ohm\"",
    "Le = \"0.6 mH\"", "Xmax = \"6 mm\"", "Pe = \"100 W\""};

// The woofer with the line starting "KEY =" replaced by `line` (added when
// no line has that key, dropped when `line` is just the key), then `rest`.
std::string woofer_with(const std::string& line, const std::string& rest = "[enclosure]\ntype = \"closed\"\nVb = \"30 l\"\n") {
  const std::string key = line.substr(0, line.find(' '));
  std::string text = "[driver]\n";
  bool replaced = false;
  for (const std::string& l : woofer_lines) {
    if (!key.empty() && l.compare(0, key.size() + 1, key + " ") == 0) {
      replaced = true;
      if (line != key) text += line + "\n";
    } else {
      text += l + "\n";
    }
  }
  if (!replaced && !line.empty()) text += line + "\n";
  return text + rest;
}

const std::string vented = "[enclosure]\ntype = \"vented\"\nVb = \"50 l\"\nfb = \"32 Hz\"\nport_diameter = \"75 mm\"\n";

// A 12-inch subwoofer's sheet (fs 24 Hz, Vas 95 l, Sd 500 cm2: Mms 166 g).
std::string subwoofer(const std::string& vas, const std::string& sd) {
  return "[driver]\nfs = \"24 Hz\"\nQms = 5.5\nQes = 0.45\nVas = \"" + vas + "\"\nSd = \"" + sd +
         "\"\nRe = \"3.4 Ohm\"\nXmax = \"14 mm\"\nPe = \"400 W\"\n[enclosure]\ntype = \"closed\"\nVb = \"60 l\"\n";
}

// The mistakes people make, as the program answers them: the exit status
// and a phrase the one line on standard error holds (a warning's line for
// exit 0). A slip's suggestion is the typed number in the unit it was
// meant in, never a factor of 1000 of the shown value.
TEST(DesignInput, TheMistakesPeopleMake) {
  const struct {
    const char* what;
    std::string text;
    const char* options;
    int exit;
    const char* phrase;
  } cases[] = {
      {"Vas in m3 for l", woofer_with("Vas = \"58 m3\""), "", 1,
       "driver.Vas = \"58 m3\" (5.8e+04 l) lies outside what loudspeakers have (0.0001 l to 5000 l): did you mean "
       "driver.Vas = \"58 l\" (58 in l, not m3)?"},
      // 58 ft3 = 1642 l: Cms 23.9 mm/N for a 220 cm2 cone.
      {"Vas in ft3 for l", woofer_with("Vas = \"58 ft3\""), "", 1,
       "the derived driver.Cms = 23.9 mm/N (from Vas = \"58 ft3\", Sd = \"220 cm2\") lies outside what loudspeakers "
       "have (0.005 mm/N to 10 mm/N): did you mean driver.Vas = \"58 l\" (58 in l, not ft3)?"},
      {"Vas in cm3 for l", woofer_with("Vas = \"58 cm3\""), "", 1, "did you mean driver.Vas = \"58 l\" (58 in l, not cm3)?"},
      // 95 ft3 for a 12-inch cone: Mms/Sd below 0.02 g/cm2.
      {"subwoofer Vas in ft3", subwoofer("95 ft3", "500 cm2"), "", 1, "did you mean driver.Vas = \"95 l\""},
      // Mms = 38.24 g x (220 mm2 / 220 cm2)^2 = 0.00382 g.
      {"Sd in mm2 for cm2", woofer_with("Sd = \"220 mm2\""), "", 1,
       "the derived driver.Mms = 0.00382 g (from fs = \"28 Hz\", Vas = \"58 l\", Sd = \"220 mm2\") lies outside"},
      {"Sd in mm2, the suggestion", woofer_with("Sd = \"220 mm2\""), "", 1,
       "did you mean driver.Sd = \"220 cm2\" (220 in cm2, not mm2)?"},
      {"subwoofer Sd in mm2", subwoofer("95 l", "500 mm2"), "", 1, "did you mean driver.Sd = \"500 cm2\""},
      {"Sd in m2 for cm2", woofer_with("Sd = \"220 m2\""), "", 1, "did you mean driver.Sd = \"220 cm2\" (220 in cm2, not m2)?"},
      // Ten times the area: 100 times the mass, 3824 g. Of the typed values
      // only Vas read as 58 ft3 (1642 l) makes it a driver: a 20-inch cone
      // of 135 g.
      {"Sd ten times too large", woofer_with("Sd = \"2200 cm2\""), "", 1,
       "the derived driver.Mms = 3.82e+03 g (from fs = \"28 Hz\", Vas = \"58 l\", Sd = \"2200 cm2\") lies outside what "
       "loudspeakers have (0.05 g to 2000 g): did you mean driver.Vas = \"58 ft3\" (58 in ft3, not l)?"},
      {"Xmax in cm for mm", woofer_with("Xmax = \"7 cm\""), "", 1,
       "driver.Xmax = \"7 cm\" (70 mm) lies outside what loudspeakers have (0.05 mm to 60 mm): did you mean "
       "driver.Xmax = \"7 mm\" (7 in mm, not cm)?"},
      {"Xmax 12 cm for 12 mm", woofer_with("Xmax = \"12 cm\""), "", 1,
       "driver.Xmax = \"12 cm\" (120 mm) lies outside what loudspeakers have (0.05 mm to 60 mm): did you mean "
       "driver.Xmax = \"12 mm\" (12 in mm, not cm)?"},
      {"Xmax in m for mm", woofer_with("Xmax = \"8 m\""), "", 1, "did you mean driver.Xmax = \"8 mm\" (8 in mm, not m)?"},
      {"Le in H for mH", woofer_with("Le = \"0.6 H\""), "", 1, "did you mean driver.Le = \"0.6 mH\" (0.6 in mH, not H)?"},
      {"Le in uH for mH", woofer_with("Le = \"0.6 uH\""), "", 1, "did you mean driver.Le = \"0.6 mH\" (0.6 in mH, not uH)?"},
      {"Pe in kW for W", woofer_with("Pe = \"100 kW\""), "", 1, "did you mean driver.Pe = \"100 W\" (100 in W, not kW)?"},
      {"Mms in kg for g", woofer_with("Mms = \"38 kg\""), "", 1, "did you mean driver.Mms = \"38 g\" (38 in g, not kg)?"},
      {"Mms in g for kg", woofer_with("Vas", "Mms = \"0.038 g\"\n[enclosure]\ntype = \"closed\"\nVb = \"30 l\"\n"), "",
       1, "did you mean driver.Mms = \"0.038 kg\" (0.038 in kg, not g)?"},
      {"Kms in N/m for N/mm", woofer_with("Kms = \"1.2 N/m\""), "", 1,
       "did you mean driver.Kms = \"1.2 N/mm\" (1.2 in N/mm, not N/m)?"},
      {"diameter in m for cm", woofer_with("Sd", "diameter = \"17 m\"\n[enclosure]\ntype = \"baffle\"\n"), "", 1,
       "did you mean driver.diameter = \"17 cm\" (17 in cm, not m)?"},
      {"port length in mm for m", woofer_with("", "[enclosure]\ntype = \"vented\"\nVb = \"50 l\"\nport_length = \"0.2 mm\"\nport_diameter = \"75 mm\"\n"),
       "", 1, "did you mean enclosure.port_length = \"0.2 m\" (0.2 in m, not mm)?"},
      {"port diameter in m for mm", woofer_with("", "[enclosure]\ntype = \"vented\"\nVb = \"50 l\"\nfb = \"32 Hz\"\nport_diameter = \"75 m\"\n"),
       "", 1, "did you mean enclosure.port_diameter = \"75 mm\" (75 in mm, not m)?"},
      // 75 cm tunes 50 l with a 25 m port; 75 mm, or a box of 50 ft3, would do.
      {"port diameter in cm, the port's length computed", woofer_with("", "[enclosure]\ntype = \"vented\"\nVb = \"50 l\"\nfb = \"32 Hz\"\nport_diameter = \"75 cm\"\n"),
       "", 1,
       "the derived port length = 2.53e+04 mm (from Vb = \"50 l\", fb = \"32 Hz\", port_diameter = \"75 cm\") lies "
       "outside what loudspeakers have (5 mm to 5000 mm): expected"},
      {"the box's depth in mm for m", woofer_with("", "[enclosure]\ntype = \"closed\"\nVb = \"30 l\"\ndepth = \"0.4 mm\"\n"),
       "", 1, "did you mean enclosure.depth = \"0.4 m\" (0.4 in m, not mm)?"},
      {"Vb in m3: 30 l and 30 ft3 both fit", woofer_with("", "[enclosure]\ntype = \"closed\"\nVb = \"30 m3\"\n"), "", 1,
       "enclosure.Vb = \"30 m3\" (3e+04 l) lies outside what loudspeakers have (0.05 l to 10000 l): expected"},
      {"a plenum of 20 m3", woofer_with("", "[enclosure]\ntype = \"closed\"\nVb = \"20 m3\"\n"), "--accept-unusual", 0,
       "enclosure.Vb = \"20 m3\" (2e+04 l) lies outside what loudspeakers have (0.05 l to 10000 l): going on with it"},
      // Let through, no port tunes it; the smallest port overflows and is not named.
      {"a box of 1e200 m3, accepted", woofer_with("", "[enclosure]\ntype = \"vented\"\nVb = \"1e200 m3\"\nfb = \"32 Hz\"\nport_diameter = \"75 mm\"\n"),
       "--accept-unusual", 1, "would be -54.8 mm long: expected a box of less than 236 l"},
      {"a subnormal Re", woofer_with("Re = \"4.94066e-324 ohm\""), "", 1,
       "driver.Re = \"4.94066e-324 ohm\" lies outside what loudspeakers have (0.2 ohm to 100 ohm)"},
      {"Re in ohm for mohm", woofer_with("Re = \"5600 ohm\""), "", 1, "driver.Re = \"5600 ohm\" lies outside"},
      {"fs in kHz for Hz", woofer_with("fs = \"28 kHz\""), "", 1, "driver.fs = \"28 kHz\" (2.8e+04 Hz) lies outside"},
      {"Qms a thousand times", woofer_with("Qms = 4500"), "", 1, "driver.Qms = 4500 lies outside what loudspeakers have (0.2 to 200)"},
      // 9.47 T*m from the set: 12 T*m is 27 % off.
      {"Bl 27 % off", woofer_with("Bl = \"12 T*m\""), "", 1,
       "driver.Bl = 12 T*m disagrees with 9.471 T*m from fs, Mms, Re and Qes (27 %): expected the sheet's figures within "
       "20 % of each other"},
      {"Bl 27 % off, accepted", woofer_with("Bl = \"12 T*m\""), "--accept-unusual", 0,
       "driver.Bl = 12 T*m disagrees with 9.471 T*m from fs, Mms, Re and Qes (27 %): the design uses 9.471 T*m"},
      // 1e159 / 9.4706 - 1 = 1.06e158: a percentage in three figures.
      {"Bl 1e160 % off, accepted", woofer_with("Bl = \"1e159 T*m\""), "--accept-unusual", 0,
       "driver.Bl = 1e+159 T*m disagrees with 9.471 T*m from fs, Mms, Re and Qes (1.06e+160 %): the design uses 9.471 "
       "T*m"},
      {"Qts 4 % off", woofer_with("Qts = 0.40"), "", 0,
       "driver.Qts = 0.4 disagrees with 0.3841 from Qes and Qms (4 %): the design uses 0.3841"},
      {"Qsm for Qms", woofer_with("Qsm = 3"), "", 1, "unknown key driver.Qsm: did you mean driver.Qms?"},
      {"Vsa for Vas", woofer_with("Vsa = \"58 l\""), "", 1, "unknown key driver.Vsa: did you mean driver.Vas?"},
      {"sensitivty", woofer_with("sensitivty = \"88 dB\""), "", 1, "unknown key driver.sensitivty: did you mean driver.sensitivity?"},
      {"a key far from any", woofer_with("colour = \"black\""), "", 1,
       "unknown key driver.colour: expected one of the keys of [driver]: name, fs, Qms, Qes, Qts, Vas, Mms, Cms, Kms, Sd"},
      {"enclosre", woofer_with("", "[enclosre]\ntype = \"closed\"\n"), "", 1,
       "unknown table or key enclosre: did you mean [enclosure]?"},
      {"litres spelt out", woofer_with("Vas = \"58 litres\""), "", 1,
       "driver.Vas = \"58 litres\" has the unit \"litres\": expected a number and one of the units l, m3, cm3, ft3"},
      {"Qts not below Qms", woofer_with("Qes", "Qts = 5\n[enclosure]\ntype = \"closed\"\nVb = \"30 l\"\n"), "", 1,
       "driver.Qts = 5 is not below Qms = 4.5: expected Qts < Qms"},
      {"trust names a figure not given", woofer_with("trust = [\"Bl\"]"), "", 1,
       "driver.trust names Bl, which the sheet does not give"},
      {"1 W without the rated impedance", woofer_with("sensitivity = \"88.4 dB\"\nsensitivity_drive = \"1 W\""), "", 1,
       "driver.sensitivity_drive = \"1 W\" is a power into the rated impedance: expected driver.Znom with it"},
      // 88.40 dB at 2.83 V by hand.
      {"the sheet's sensitivity 3 dB off", woofer_with("sensitivity = \"85.4 dB\""), "", 0,
       "driver.sensitivity = 85.4 dB at 2.83 V disagrees with 88.4 dB from the driver's figures at that drive, half "
       "space, 1 m (3 dB apart)"},
      {"--align with Vas in m3", woofer_with("Vas = \"58 m3\"", ""), "ALIGN", 1,
       "d.toml: driver.Vas = \"58 m3\" (5.8e+04 l) lies outside"},
      {"--transient with Sd in mm2", woofer_with("Sd = \"220 mm2\""), "--transient step", 1,
       "did you mean driver.Sd = \"220 cm2\""},
      {"--emit-parameters with Xmax in cm", woofer_with("Xmax = \"12 cm\""), "--emit-parameters sim", 1,
       "did you mean driver.Xmax = \"12 mm\""},
      {"--vary into a plenum", woofer_with(""), "--vary enclosure.Vb=4000l:16000l:6000l", 1,
       "d.toml: Vb = 16000 l: enclosure.Vb = \"16000 l\" lies outside what loudspeakers have (0.05 l to 10000 l): did "
       "you mean enclosure.Vb = \"16000 cm3\" (16000 in cm3, not l)?"},
  };
  for (const auto& c : cases) {
    scratch_dir dir;
    write_file(dir.file("d.toml"), c.text);
    const std::string options = std::string(c.options) == "ALIGN" ? "--align d.toml --write w"
                                                                   : std::string("d.toml --grid 10:100:4 ") + c.options;
    const program_run r = run_in(dir.path(), design_program + " " + options + " --out out", "");
    EXPECT_EQ(r.exit_code, c.exit) << c.what << shown(r.err);
    EXPECT_TRUE(contains(r.err, c.phrase)) << c.what << "\n" << r.err;
    if (c.exit != 0) {
      int errors = 0;  // lines beside the warnings --accept-unusual lets through
      for (const std::string& line : split(r.err)) errors += !contains(line, "acoustic_design: warning: ");
      EXPECT_EQ(errors, 1) << c.what << "\n" << r.err;
      EXPECT_FALSE(file_exists(dir.file("out"))) << c.what;
      EXPECT_FALSE(file_exists(dir.file("sim"))) << c.what;
    }
  }
}

// The units people type, each against its SI value worked out by hand.
TEST(DesignInput, UnitsAsTyped) {
  const struct {
    const char* text;
    dimension d;
    double si;
    const char* plain;  // the unit a slip is searched from
  } cases[] = {
      {"3.4 Ohm", dimension::resistance, 3.4, "ohm"},
      {"3.4 ohms", dimension::resistance, 3.4, "ohm"},
      {"3.4 \xE2\x84\xA6", dimension::resistance, 3.4, "ohm"},  // ohm sign
      {"3.4\xCE\xA9", dimension::resistance, 3.4, "ohm"},       // capital omega
      {"1.2 kW", dimension::power, 1200, "kW"},
      {"350 W", dimension::power, 350, "W"},
      {"60 uH", dimension::inductance, 6e-5, "uH"},
      {"60 \xC2\xB5H", dimension::inductance, 6e-5, "uH"},  // micro sign
      {"60 \xCE\xBCH", dimension::inductance, 6e-5, "uH"},  // mu
      {"1.2 N/mm", dimension::stiffness, 1200, "N/mm"},
      {"1200 N/m", dimension::stiffness, 1200, "N/m"},
      {"220 cm\xC2\xB2", dimension::area, 0.022, "cm2"},
      {"0.058 m\xC2\xB3", dimension::volume, 0.058, "m3"},
      {"2 ft3", dimension::volume, 2 * 0.3048 * 0.3048 * 0.3048, "ft3"},
      {"8 in", dimension::length, 0.2032, "in"},
      {"50 in2", dimension::area, 50 * 0.0254 * 0.0254, "in2"},
      {"86.5 dB", dimension::level, 86.5, "dB"},
  };
  for (const auto& c : cases) {
    double si = 0;
    typed_quantity typed;
    EXPECT_EQ(parse_quantity(c.text, c.d, si, typed).message, "") << c.text;
    EXPECT_NEAR(si, c.si, 1e-12 * c.si) << c.text;
    EXPECT_EQ(typed.unit, c.plain) << c.text;
  }
  // The neighbours a slip may come from, and none for inches or hertz.
  const std::pair<const char*, std::vector<std::string>> families[] = {
      {"cm", {"mm", "m"}},           {"cm2", {"m2", "mm2"}},   {"l", {"m3", "cm3", "ft3"}}, {"g", {"kg"}},
      {"mH", {"H", "uH"}},           {"kW", {"W"}},            {"N/m", {"N/mm"}},           {"in", {}},
      {"Hz", {}},                    {"ohm", {}},
  };
  for (const auto& [unit, family] : families) EXPECT_EQ(slip_units(unit), family) << unit;
}

// The datasheet as printed: fs, Re, Bl, Mms, Sd with Qms (or Rms), with
// no Qes and no Vas, is the same driver, every figure of the design within
// 1e-9, as the sheet of fs, Qms, Qes, Vas, Sd, Re.
TEST(DesignInput, AnySufficientSetIsTheSameDriver) {
  const std::string box = "[enclosure]\ntype = \"vented\"\nVb = \"50 l\"\nfb = \"32 Hz\"\nport_diameter = \"75 mm\"\n";
  const design_result today = compute(woofer_with("", box), {10, 20, 32, 50, 100, 400});
  const driver_parameters& d = today.driver;
  // Against the hand numbers first: Mms 38.2366 g, Bl 9.47061 T*m.
  EXPECT_NEAR(d.mms, 0.0382366, 1e-7);
  EXPECT_NEAR(d.bl, 9.47061, 1e-5);
  const auto exact = [](double v) { return message("%.17g", v); };
  const std::string rest = "Le = \"0.6 mH\"\nXmax = \"6 mm\"\nPe = \"100 W\"\n" + box;
  const std::string sheets[] = {
      "[driver]\nfs = \"28 Hz\"\nRe = \"5.6 ohm\"\nBl = \"" + exact(d.bl) + " T*m\"\nMms = \"" + exact(d.mms * 1e3) +
          " g\"\nSd = \"220 cm2\"\nQms = 4.5\n" + rest,
      "[driver]\nfs = \"28 Hz\"\nRe = \"5.6 ohm\"\nBl = \"" + exact(d.bl) + " T*m\"\nMms = \"" + exact(d.mms * 1e3) +
          " g\"\nSd = \"220 cm2\"\nRms = \"" + exact(d.rms) + " kg/s\"\n" + rest,
      "[driver]\nRe = \"5.6 ohm\"\nBl = \"" + exact(d.bl) + " T*m\"\nMms = \"" + exact(d.mms * 1e3) +
          " g\"\nKms = \"" + exact(1e-3 / d.cms) + " N/mm\"\nSd = \"220 cm2\"\nQms = 4.5\n" + rest,
      // Bl and Mms trusted over Vas and Qes given 1 % off: the same design.
      "[driver]\nfs = \"28 Hz\"\nQms = 4.5\nQes = " + exact(d.qes * 1.01) + "\nVas = \"" + exact(d.vas * 1e3 * 0.99) +
          " l\"\nSd = \"220 cm2\"\nRe = \"5.6 ohm\"\nBl = \"" + exact(d.bl) + " T*m\"\nMms = \"" + exact(d.mms * 1e3) +
          " g\"\ntrust = [\"Bl\", \"Mms\"]\n" + rest,
  };
  for (const std::string& sheet : sheets) {
    const design_result r = compute(sheet, {10, 20, 32, 50, 100, 400});
    const driver_parameters& e = r.driver;
    for (const auto& [name, a, b] : {std::tuple<const char*, double, double>{"fs", e.fs, d.fs}, {"Qms", e.qms, d.qms},
                                     {"Qes", e.qes, d.qes}, {"Vas", e.vas, d.vas}, {"Mms", e.mms, d.mms},
                                     {"Cms", e.cms, d.cms}, {"Rms", e.rms, d.rms}, {"Bl", e.bl, d.bl}})
      EXPECT_NEAR(a, b, 1e-9 * std::fabs(b)) << name << "\n" << sheet;
    ASSERT_EQ(r.points.size(), today.points.size());
    for (std::size_t k = 0; k < r.points.size(); ++k) {
      EXPECT_NEAR(r.points[k].spl, today.points[k].spl, 1e-9 * std::fabs(today.points[k].spl));
      EXPECT_NEAR(r.points[k].excursion_mm, today.points[k].excursion_mm, 1e-9 * today.points[k].excursion_mm);
      EXPECT_NEAR(std::abs(r.points[k].impedance), std::abs(today.points[k].impedance),
                  1e-9 * std::abs(today.points[k].impedance));
    }
    ASSERT_EQ(r.summary.rows.size(), today.summary.rows.size());
    for (std::size_t k = 0; k < r.summary.rows.size(); ++k)
      EXPECT_NEAR(r.summary.rows[k].value, today.summary.rows[k].value, 1e-9 * std::fabs(today.summary.rows[k].value))
          << r.summary.rows[k].quantity;
  }
}

// The sheet's sensitivity against p = rho Sd Bl V / (2 pi r Re Mms), half
// space, 1 m: 88.398 dB at 2.83 V and 88.393 dB at 1 W into 8 ohm (2.828 V)
// by hand; a warning beyond 1 dB names both.
TEST(DesignInput, TheSheetsSensitivity) {
  const struct {
    std::string lines;
    const char* warning;  // empty: none
  } cases[] = {
      {"sensitivity = \"88.4 dB\"", ""},
      {"sensitivity = \"87.5 dB\"", ""},
      {"sensitivity = \"87.3 dB\"",
       "driver.sensitivity = 87.3 dB at 2.83 V disagrees with 88.4 dB from the driver's figures at that drive, half "
       "space, 1 m (1.1 dB apart): the design goes on with its figures\n"},
      {"sensitivity = \"88.4 dB\"\nsensitivity_drive = \"1 W\"\nZnom = \"8 ohm\"", ""},
      {"sensitivity = \"91.4 dB\"\nsensitivity_drive = \"1 W\"\nZnom = \"8 ohm\"",
       "driver.sensitivity = 91.4 dB at 1 W into 8 ohm (2.83 V) disagrees with 88.39 dB from the driver's figures at "
       "that drive, half space, 1 m (3 dB apart): the design goes on with its figures\n"},
      {"sensitivity = \"85.4 dB\"\nsensitivity_drive = \"2 V\"", ""},  // 88.398 - 20 log10(2.83 / 2) = 85.38
  };
  for (const auto& c : cases) {
    const design_result r = compute(woofer_with(c.lines), {50});
    std::string warnings;
    for (const std::string& w : r.warnings) warnings += w + "\n";
    EXPECT_EQ(warnings, c.warning) << c.lines;
  }
}

// Which figure wins when the sheet gives more than a sufficient set: by
// default fs, Vas, Qms, Qes; `trust` names others. Mms = 40 g beside the
// set's 38.24 g; trusted, Cms = 1 / ((2 pi 28 Hz)^2 40 g) = 0.8077 mm/N and
// Vas = rho c^2 Sd^2 Cms = 55.44 l.
TEST(DesignInput, WhichFigureWins) {
  const std::pair<std::string, std::string> cases[] = {
      {"Mms = \"40 g\"", "driver.Mms = 40 g disagrees with 38.24 g from fs, Vas and Sd (5 %): the design uses 38.24 g\n"},
      {"Mms = \"40 g\"\ntrust = [\"Mms\"]",
       "driver.Vas = 58 l disagrees with 55.44 l from Cms and Sd (5 %): the design uses 55.44 l\n"},
      // Kms = 1 / 0.845 mm/N = 1.1835 N/mm from the set.
      {"Kms = \"1.25 N/mm\"", "driver.Kms = 1.25 N/mm disagrees with 1.183 N/mm from Cms (6 %): the design uses 1.183 N/mm\n"},
      {"Kms = \"1183.5 N/m\"", ""},
      // Trusted Kms and Mms fix fs = 1 / (2 pi sqrt(38.24 g x 0.8 mm/N)) = 28.78 Hz
      // and Vas = 141820 Pa x (220 cm2)^2 x 0.8 mm/N = 54.91 l.
      {"Kms = \"1.25 N/mm\"\nMms = \"38.24 g\"\ntrust = [\"Kms\", \"Mms\"]",
       "driver.fs = 28 Hz disagrees with 28.78 Hz from Mms and Kms (3 %): the design uses 28.78 Hz\n"
       "driver.Vas = 58 l disagrees with 54.91 l from Cms and Sd (6 %): the design uses 54.91 l\n"},
      // Bl trusted over Qes: Qes = 2 pi fs Mms Re / Bl^2 = 0.4383 for 9.27 T*m.
      {"Bl = \"9.27 T*m\"\ntrust = [\"Bl\"]",
       "driver.Qes = 0.42 disagrees with 0.4384 from fs, Mms, Re and Bl (4 %): the design uses 0.4384\n"},
      // Qts trusted over Qes: Qes = 1 / (1 / 0.37 - 1 / 4.5) = 0.4031.
      {"Qts = 0.37\ntrust = [\"Qts\"]",
       "driver.Qes = 0.42 disagrees with 0.4031 from Qts and Qms (4 %): the design uses 0.4031\n"},
      {"trust = [\"Qsm\"]",
       "error: driver.trust names \"Qsm\": expected some of fs, Qms, Qes, Qts, Vas, Mms, Cms, Kms, Rms and Bl"},
  };
  for (const auto& [lines, expected] : cases) {
    design_file file;
    ASSERT_EQ(parse_design_text(woofer_with(lines), "d.toml", file).message, "");
    design_result r;
    const status s = compute_design(file, {50}, r);
    std::string got = s.ok() ? "" : "error: " + s.message;
    for (const std::string& w : r.warnings) got += w + "\n";
    EXPECT_EQ(got, expected) << lines;
  }
}

// A study prints each of its warnings once, not once per value.
TEST(DesignInput, AStudyWarnsOnce) {
  scratch_dir dir;
  write_file(dir.file("d.toml"), woofer_with("Qts = 0.40"));
  const program_run r = run_in(dir.path(), design_program + " d.toml --grid 10:100:4 --vary enclosure.Vb=20l:40l:10l", "");
  EXPECT_EQ(r.exit_code, 0) << shown(r.err);
  EXPECT_EQ(r.err,
            "acoustic_design: warning: d.toml: Vb = 20 l: driver.Qts = 0.4 disagrees with 0.3841 from Qes and Qms (4 %): the "
            "design uses 0.3841\n");
}

// --align gates the driver as a design does, and what --write writes runs.
TEST(DesignInput, WrittenAlignmentsRun) {
  scratch_dir dir;
  write_file(dir.file("d.toml"), woofer_with("", ""));
  const program_run r = run_in(dir.path(), design_program + " --align d.toml --write w", "");
  ASSERT_EQ(r.exit_code, 0) << shown(r.err);
  int written = 0;
  for (const std::string& line : split(r.out))
    if (line.compare(0, 8, "wrote w/") == 0) {
      ++written;
      const std::string file = line.substr(6);
      const program_run run = run_in(dir.path(), design_program + " " + file + " --grid 10:100:4 --out o", "");
      EXPECT_EQ(run.exit_code, 0) << file << shown(run.err);
    }
  EXPECT_GE(written, 4);
}

}  // namespace
