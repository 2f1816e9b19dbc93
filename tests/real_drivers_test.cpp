// Real drivers, from a 3/4-inch dome tweeter to a 21-inch subwoofer, pass
// the gate as their makers' sheets give them, and the same sheets with a
// unit slipped do not. The figures are the published small-signal ones,
// rounded; the tweeters' sheets give the moving mass rather than Vas.
#include <gtest/gtest.h>

#include <string>

#include "control/design_program.h"
#include "test_support.h"

namespace {

struct real_driver {
  const char* name;
  std::string sheet;  // [driver] lines; "Sd" and "Vas" or "Mms" always among them
};

std::string sheet(const char* fs, double qms, double qes, const std::string& compliance_or_mass, const char* sd,
                  const char* re, const char* le, const char* xmax, const char* pe) {
  return std::string("fs = \"") + fs + "\"\nQms = " + std::to_string(qms) + "\nQes = " + std::to_string(qes) + "\n" +
         compliance_or_mass + "\nSd = \"" + sd + "\"\nRe = \"" + re + "\"\nLe = \"" + le + "\"\nXmax = \"" + xmax +
         "\"\nPe = \"" + pe + "\"\n";
}

const real_driver drivers[] = {
    {"Dayton Audio ND20FA-6, 3/4-inch dome", sheet("1100 Hz", 2.5, 1.9, "Mms = \"0.2 g\"", "2.5 cm2", "5.4 ohm", "0.03 mH", "0.3 mm", "15 W")},
    {"Scan-Speak D2905/990000, 1-inch dome", sheet("500 Hz", 1.2, 1.0, "Mms = \"0.4 g\"", "7 cm2", "4.7 ohm", "0.03 mH", "0.2 mm", "90 W")},
    {"SEAS 27TBFC/G, 1-inch dome", sheet("700 Hz", 1.3, 0.9, "Mms = \"0.45 g\"", "8 cm2", "4.8 ohm", "0.05 mH", "0.5 mm", "90 W")},
    {"Dayton Audio RS28A-4, 1-inch dome", sheet("720 Hz", 2.2, 1.2, "Mms = \"0.3 g\"", "6.6 cm2", "3.4 ohm", "40 uH", "0.4 mm", "80 W")},
    {"Tang Band W2-852SH, 2-inch full range", sheet("180 Hz", 3.5, 0.7, "Vas = \"0.3 l\"", "12.5 cm2", "6.4 ohm", "0.06 mH", "2 mm", "15 W")},
    {"Tang Band W3-871SC, 3-inch full range", sheet("108 Hz", 2.9, 0.55, "Vas = \"1.3 l\"", "32 cm2", "6.3 ohm", "0.05 mH", "2 mm", "15 W")},
    {"Fostex FE126En, 4.5-inch full range", sheet("83 Hz", 5.6, 0.37, "Vas = \"7.2 l\"", "50 cm2", "7 ohm", "0.05 mH", "0.5 mm", "8 W")},
    {"Dayton Audio RS100-4, 4-inch woofer", sheet("63 Hz", 3.1, 0.5, "Vas = \"2.6 l\"", "50 cm2", "3.5 ohm", "0.2 mH", "4.5 mm", "30 W")},
    {"SB Acoustics SB12NRXF25-4, 4.5-inch woofer", sheet("55 Hz", 3.0, 0.45, "Vas = \"3.9 l\"", "53 cm2", "3.2 ohm", "0.2 mH", "4 mm", "40 W")},
    {"Scan-Speak 15W/8530K00, 5.5-inch woofer", sheet("38 Hz", 3.4, 0.37, "Vas = \"21 l\"", "86 cm2", "5.8 ohm", "0.28 mH", "6.5 mm", "60 W")},
    {"SB Acoustics SB17NRX2C35-8, 6.5-inch woofer", sheet("34 Hz", 4.4, 0.38, "Vas = \"30 l\"", "133 cm2", "5.8 ohm", "0.5 mH", "5.5 mm", "60 W")},
    {"Scan-Speak 18W/8545-00, 7-inch woofer", sheet("28 Hz", 3.2, 0.39, "Vas = \"45 l\"", "154 cm2", "5.8 ohm", "0.25 mH", "6.5 mm", "80 W")},
    {"Dayton Audio RS225-8, 8-inch woofer", sheet("28 Hz", 2.4, 0.4, "Vas = \"38 l\"", "214 cm2", "5.9 ohm", "0.7 mH", "7.1 mm", "80 W")},
    {"Dayton Audio RSS265HF-4, 10-inch subwoofer", sheet("22.8 Hz", 3.9, 0.46, "Vas = \"49.6 l\"", "338 cm2", "3.3 ohm", "1.5 mH", "12.5 mm", "300 W")},
    {"Dayton Audio RSS315HF-4, 12-inch subwoofer", sheet("19.7 Hz", 3.5, 0.4, "Vas = \"84 l\"", "480 cm2", "3.2 ohm", "1.6 mH", "14 mm", "350 W")},
    {"JL Audio 12W7AE-3, 12-inch car subwoofer", sheet("26 Hz", 12, 0.5, "Vas = \"34 l\"", "500 cm2", "2.9 ohm", "4 mH", "30 mm", "1 kW")},
    {"Eminence Kappa Pro-15LF, 15-inch woofer", sheet("33 Hz", 5.6, 0.29, "Vas = \"180 l\"", "855 cm2", "5.3 ohm", "1.5 mH", "4.7 mm", "600 W")},
    {"JBL 2226H, 15-inch woofer", sheet("40 Hz", 10, 0.24, "Vas = \"150 l\"", "880 cm2", "5.5 ohm", "1 mH", "4 mm", "600 W")},
    {"Dayton Audio UM18-22, 18-inch subwoofer", sheet("18 Hz", 4.7, 0.45, "Vas = \"170 l\"", "1140 cm2", "3.6 ohm", "3 mH", "28 mm", "1.2 kW")},
    {"B&C 18SW115, 18-inch subwoofer", sheet("34 Hz", 7.3, 0.32, "Vas = \"170 l\"", "1150 cm2", "5.1 ohm", "2.1 mH", "12.7 mm", "1600 W")},
    {"B&C 21SW152, 21-inch subwoofer", sheet("31 Hz", 8.6, 0.37, "Vas = \"227 l\"", "1680 cm2", "5 ohm", "2.1 mH", "12 mm", "1700 W")},
    {"Eighteen Sound 21NLW9600, 21-inch subwoofer", sheet("35 Hz", 7, 0.3, "Vas = \"240 l\"", "1680 cm2", "5.2 ohm", "2 mH", "16 mm", "1700 W")},
};

std::string gated(const std::string& driver_lines) {
  design_file file;
  status s = parse_design_text("[driver]\n" + driver_lines + "[enclosure]\ntype = \"baffle\"\n", "d.toml", file);
  design_result r;
  if (s.ok()) s = compute_design(file, {20, 200, 2000}, r);
  if (!s.ok()) return "error: " + s.message;
  // A tweeter on a baffle at 20 Hz outruns its Xmax at 2.83 V: that is
  // the drive's warning, not the datasheet's.
  std::string warnings;
  for (const std::string& w : r.warnings)
    if (w.rfind("the drive's ", 0) != 0) warnings += w + "\n";
  return warnings;
}

// `text` with the first occurrence of `from` replaced by `to`.
std::string replaced(std::string text, const std::string& from, const std::string& to) {
  const std::size_t at = text.find(from);
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

TEST(RealDrivers, PassTheGateAsPrinted) {
  for (const real_driver& d : drivers) EXPECT_EQ(gated(d.sheet), "") << d.name;
}

// The same sheets with one unit slipped: the area in mm2, the volume in m3,
// the mass in kg. Every one is refused.
TEST(RealDrivers, ASlippedUnitIsRefused) {
  for (const real_driver& d : drivers) {
    const std::string area = replaced(d.sheet, " cm2\"", " mm2\"");
    EXPECT_EQ(gated(area).rfind("error: ", 0), 0u) << d.name << " with Sd in mm2";
    const std::string volume_or_mass =
        d.sheet.find("Vas") != std::string::npos ? replaced(d.sheet, " l\"", " m3\"") : replaced(d.sheet, " g\"", " kg\"");
    EXPECT_EQ(gated(volume_or_mass).rfind("error: ", 0), 0u) << d.name << " with Vas in m3 or Mms in kg";
  }
}

// --align checks each driver as a design does, and every box it writes
// is worked out again here, as acoustic_design would work it out.
TEST(RealDrivers, TheirWrittenAlignmentsRun) {
  for (const real_driver& d : drivers) {
    scratch_dir dir;
    write_file(dir.file("d.toml"), "[driver]\n" + d.sheet);
    const program_run r = run_in(dir.path(), "'" ACOUSTIC_DESIGN_PATH "' --align d.toml --write w", "");
    ASSERT_EQ(r.exit_code, 0) << d.name << shown(r.err);
    for (const std::string& line : split(r.out)) {
      if (line.compare(0, 8, "wrote w/") != 0) continue;
      design_file file;
      ASSERT_EQ(read_design_file(dir.file(line.substr(6)), file).message, "") << d.name;
      design_result result;
      EXPECT_EQ(compute_design(file, {20, 200}, result).message, "") << d.name << ": " << line;
    }
  }
}

}  // namespace
