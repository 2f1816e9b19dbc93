// Comparisons and parameter studies as a user runs them: the comparison's
// rows are each design's own summary, and a study over a key gives the
// designs that a file with each value gives.
#include <gtest/gtest.h>

#include <map>

#include "test_support.h"

namespace {

const std::string design_program = "'" ACOUSTIC_DESIGN_PATH "'";
const std::string designs = EXAMPLES_DIR "/designs/";

// quantity -> value text, from NAME_summary.csv; the limit's name where
// the unit column holds it, as the comparison spells it.
std::map<std::string, std::string> own_summary(const std::string& path) {
  std::map<std::string, std::string> values;
  for (const std::string& line : split(read_file(path))) {
    const std::vector<std::string> f = split(line, ',');
    if (f.size() >= 2 && f[0] != "quantity") values[f[0]] = f[0] == "lowest_max_SPL_limited_by" ? f.at(2) : f[1];
  }
  return values;
}

// design -> (quantity -> value text), from compare_summary.csv
std::map<std::string, std::map<std::string, std::string>> compared(const std::string& path) {
  std::map<std::string, std::map<std::string, std::string>> rows;
  const std::vector<std::string> lines = split(read_file(path));
  std::vector<std::string> header = split(lines.at(0), ',');
  EXPECT_EQ(header.at(0), "design");
  for (std::string& h : header) h = h.substr(0, h.find('['));
  for (std::size_t i = 1; i < lines.size(); ++i) {
    if (lines[i].empty()) continue;
    const std::vector<std::string> f = split(lines[i], ',');
    for (std::size_t c = 1; c < f.size(); ++c)
      if (!f[c].empty()) rows[f[0]][header.at(c)] = f[c];
  }
  return rows;
}

TEST(DesignCompare, RowsAreEachDesignsOwnSummary) {
  scratch_dir dir;
  const std::vector<std::string> names = {"woofer_closed", "woofer_vented", "woofer_baffle", "woofer_bandpass4"};
  std::string command = design_program + " --out out";
  for (const std::string& n : names) command += " " + designs + n + ".toml";
  const program_run r = run_in(dir.path(), command, "");
  ASSERT_EQ(r.exit_code, 0) << shown(r.err);
  const auto rows = compared(dir.file("out/compare_summary.csv"));
  ASSERT_EQ(rows.size(), names.size());
  for (const std::string& n : names) {
    const auto own = own_summary(dir.file("out/" + n + "_summary.csv"));
    EXPECT_EQ(rows.at(n), own) << n;
  }
  if (std::system("gnuplot -e 'set terminal pngcairo' > /dev/null 2>&1") == 0) {
    EXPECT_TRUE(file_exists(dir.file("out/compare.png")));
  }
}

// --vary over Vb against files written with each volume.
TEST(DesignCompare, StudyReproducesSeparateDesigns) {
  scratch_dir dir;
  const std::string base = read_file(designs + "woofer_vented.toml");
  const program_run study =
      run_in(dir.path(), design_program + " " + designs + "woofer_vented.toml --out study --vary enclosure.Vb=30l:50l:10l", "");
  ASSERT_EQ(study.exit_code, 0) << shown(study.err);
  const auto rows = compared(dir.file("study/compare_summary.csv"));
  ASSERT_EQ(rows.size(), 3u);
  for (int vb : {30, 40, 50}) {
    std::string text = base;
    const std::size_t at = text.find("Vb = \"50 l\"");
    ASSERT_NE(at, std::string::npos);
    text.replace(at, 11, message("Vb = \"%d l\"", vb));
    write_file(dir.file("w.toml"), text);
    ASSERT_EQ(run_in(dir.path(), design_program + " w.toml --out single", "").exit_code, 0);
    EXPECT_EQ(rows.at(message("Vb = %d l", vb)), own_summary(dir.file("single/w_summary.csv"))) << vb;
  }
}

TEST(DesignCompare, StudyValuesAndErrors) {
  const struct {
    std::string vary;
    int exit_code;
    std::string err;  // or the number of rows when it succeeds
    std::size_t rows;
  } cases[] = {
      {"driver.Qes=0.3:0.5:0.05", 0, "", 5},
      {"enclosure.Vb=20 l:40 l:10 l", 0, "", 3},
      {"enclosure.fb=25Hz:40Hz:2.5Hz", 0, "", 7},
      {"enclosure.Vb=2e1l:4e1l:1e1l", 0, "", 3},
      {"enclosure.Vb=1l:1001l:1l", 1,
       "acoustic_design: option --vary is \"enclosure.Vb=1l:1001l:1l\": 1001 values: expected at most 1000\n"},
      {"enclosure.Vx=1:2:1", 1,
       "acoustic_design: option --vary is \"enclosure.Vx=1:2:1\": unknown key enclosure.Vx: did you mean "
       "enclosure.Vb?\n"},
      {"enclosure.Vb=20Hz:80Hz:10Hz", 1,
       "acoustic_design: option --vary is \"enclosure.Vb=20Hz:80Hz:10Hz\": enclosure.Vb: \"20Hz\" has the unit "
       "\"Hz\": expected a number and one of the units l, m3, cm3, ft3\n"},
      {"enclosure.Vb=20l:80l:7l", 1,
       "acoustic_design: option --vary is \"enclosure.Vb=20l:80l:7l\": STEP does not reach TO from FROM in whole "
       "steps: expected TO = FROM + k STEP\n"},
      {"driver.Qes=0.5:0.3:0.05", 1,
       "acoustic_design: option --vary is \"driver.Qes=0.5:0.3:0.05\": expected FROM below TO and a positive STEP\n"},
  };
  for (const auto& c : cases) {
    scratch_dir dir;
    const program_run r =
        run_in(dir.path(), design_program + " " + designs + "woofer_vented.toml --out out --vary '" + c.vary + "'", "");
    EXPECT_EQ(r.exit_code, c.exit_code) << c.vary;
    if (c.exit_code != 0) {
      EXPECT_EQ(r.err, c.err) << c.vary;
      EXPECT_FALSE(file_exists(dir.file("out/compare_summary.csv"))) << c.vary;
    } else {
      const auto rows = compared(dir.file("out/compare_summary.csv"));
      EXPECT_EQ(rows.size(), c.rows) << c.vary;
      if (c.vary.rfind("enclosure.Vb", 0) == 0) EXPECT_EQ(rows.count("Vb = 20 l"), 1u) << c.vary;
    }
  }
}

// fb varied against a port_length given: the tuning decides the length.
TEST(DesignCompare, VariedTuningReplacesAGivenPortLength) {
  scratch_dir dir;
  write_file(dir.file("w.toml"), std::string() +
                                     "[driver]\nfs = \"28 Hz\"\nQms = 4.5\nQes = 0.42\nVas = \"58 l\"\nSd = \"220 "
                                     "cm2\"\nRe = \"5.6 ohm\"\n[enclosure]\ntype = \"vented\"\nVb = \"50 l\"\n"
                                     "port_length = \"200 mm\"\nport_diameter = \"75 mm\"\n");
  const program_run r = run_in(dir.path(), design_program + " w.toml --out out --vary enclosure.fb=30Hz:34Hz:2Hz", "");
  ASSERT_EQ(r.exit_code, 0) << shown(r.err);
  const auto rows = compared(dir.file("out/compare_summary.csv"));
  for (const char* fb : {"30", "32", "34"}) EXPECT_EQ(rows.at(std::string("fb = ") + fb + " Hz").at("fb"), fb);
}

}  // namespace
