// Alignments against the textbook: the closed box's Qtc and F3, the
// maximally flat vented box of the classic tables, and each vented
// family's defining property, both on its polynomial and on the network
// that the box compiles into.
#include <gtest/gtest.h>

#include <cmath>

#include "control/design_alignments.h"
#include "control/design_program.h"
#include "control/design_summary.h"
#include "design/alignments.h"
#include "design_test_support.h"
#include "test_support.h"

namespace {

// A driver with Qts as given (Qms large, Le = 0): fs 28 Hz, Vas 58 l.
std::string driver(double qts) {
  return message("[driver]\nfs = \"28 Hz\"\nQms = 100\nQts = %.9g\nVas = \"58 l\"\nSd = \"220 cm2\"\nRe = \"5.6 ohm\"\n",
                 qts);
}

std::vector<alignment_row> align(const std::string& text, std::vector<std::string>& notes) {
  scratch_dir dir;
  write_file(dir.file("d.toml"), text);
  std::vector<alignment_row> rows;
  std::string name;
  EXPECT_EQ(compute_alignments(dir.file("d.toml"), rows, notes, name).message, "");
  return rows;
}


TEST(Alignments, ClosedBoxesHaveTheirQtcAndTheButterworthF3) {
  std::vector<std::string> notes;
  const std::vector<alignment_row> rows = align(driver(0.38), notes);
  int closed = 0;
  for (const alignment_row& r : rows) {
    if (r.name != "closed") continue;
    ++closed;
    const design_result d =
        compute(driver(0.38) + message("[enclosure]\ntype = \"closed\"\nVb = \"%.9g l\"\n", r.vb * 1e3),
                log_grid(5, 1000, 192));
    EXPECT_NEAR(summary_value(d.summary, "Qtc"), r.qtc, 5e-3 * r.qtc);
    EXPECT_NEAR(summary_value(d.summary, "fc"), r.fc, 1e-3 * r.fc);
    EXPECT_NEAR(summary_value(d.summary, "F3"), r.f3, 1e-2 * r.f3) << r.qtc;
    if (r.qtc == 0.707) EXPECT_NEAR(summary_value(d.summary, "F3"), r.fc, 1e-2 * r.fc);
  }
  EXPECT_EQ(closed, 4);
}

// Thiele's B4: Vb = Vas / sqrt(2), fb = fs, F3 = fs, for Qts = 0.383 and
// a lossless box; the network with Ql = inf and Le = 0 agrees.
TEST(Alignments, MaximallyFlatVentedBoxOfTheClassicTable) {
  std::vector<std::string> notes;
  const std::vector<alignment_row> rows =
      align(driver(0.382683432) + "[enclosure]\ntype = \"vented\"\nQl = inf\n", notes);
  ASSERT_FALSE(rows.empty());
  const alignment_row& b4 = rows.back();
  EXPECT_EQ(b4.name, "B4");
  EXPECT_NEAR(b4.vb, 0.058 / std::sqrt(2.0), 0.02 * 0.058 / std::sqrt(2.0));
  EXPECT_NEAR(b4.fb, 28, 0.02 * 28);
  EXPECT_NEAR(b4.f3, 28, 0.02 * 28);
  const design_result d = compute(
      driver(0.382683432) + message("[enclosure]\ntype = \"vented\"\nVb = \"%.9g l\"\nfb = \"%.9g Hz\"\nport_diameter = "
                               "\"%g mm\"\nQl = inf\n",
                               b4.vb * 1e3, b4.fb, b4.port_diameter * 1e3),
      log_grid(5, 1000, 192));
  EXPECT_NEAR(summary_value(d.summary, "F3"), 28, 0.02 * 28);
}

// QB3 (|D|^2 without w^6 and w^4 terms), B4 and C4 (equal ripple): the
// polynomial's property, and the lossless network's response against the
// polynomial's magnitude, both normalised to the passband.
TEST(Alignments, VentedFamiliesHaveTheirPropertyOnTheNetwork) {
  for (double qts : {0.25, 0.3, 0.35, 0.382683432, 0.3827, 0.42, 0.48}) {
    const vented_alignment v = vented_box_alignment(28, qts, 0.058);
    ASSERT_TRUE(v.reachable) << qts;
    const double a1 = v.a1, a2 = v.a2, a3 = v.a3;
    EXPECT_NEAR(1 / std::sqrt(a1 * a3), qts, 1e-9) << qts;
    const char* property = v.name == "B4" ? "maximally flat" : v.name == "QB3" ? "quasi-third-order" : "Chebyshev";
    EXPECT_EQ(v.property.rfind(property, 0), 0u) << qts << " " << v.property;
    if (v.name != "C4") {
      EXPECT_NEAR(a1 * a1 - 2 * a2, 0, 1e-9) << qts;  // w^6
      EXPECT_NEAR(a2 * a2 + 2 - 2 * a1 * a3, 0, 1e-9) << qts;  // w^4
    } else {
      // Equal ripple: the passband's maximum lies ripple_db above 1 and the
      // minimum between it and the top returns to 1.
      double top = 0, top_w = 0;
      for (double w = 1; w < 20; w *= 1.0005) {
        const double m = fourth_order_magnitude(a1, a2, a3, w);
        if (m > top) top = m, top_w = w;
      }
      EXPECT_NEAR(20 * std::log10(top), v.ripple_db, 1e-3) << qts;
      double dip = top;
      for (double w = top_w; w < 50; w *= 1.0005) dip = std::min(dip, fourth_order_magnitude(a1, a2, a3, w));
      EXPECT_NEAR(20 * std::log10(dip), 0, 1e-3) << qts;
    }
    std::vector<double> grid;
    for (double x : {0.5, 0.7, 0.85, 1.0, 1.2, 1.5, 2.0, 3.0}) grid.push_back(x * std::sqrt(28 * v.fb));
    const design_result d = compute(
        driver(qts) + message("[enclosure]\ntype = \"vented\"\nVb = \"%.9g l\"\nfb = \"%.9g Hz\"\nport_diameter = "
                              "\"75 mm\"\nQl = inf\n",
                              v.vb * 1e3, v.fb),
        grid);
    const double passband = passband_level(d.driver, 2.83, d.drive.at);
    for (const design_point& p : d.points) {
      const double expected = 20 * std::log10(fourth_order_magnitude(a1, a2, a3, p.frequency / std::sqrt(28 * v.fb)));
      EXPECT_NEAR(p.spl - passband, expected, 0.05) << qts << " at " << p.frequency << " Hz";
    }
  }
}

TEST(Alignments, WhatTheDriverCannotReachIsANote) {
  std::vector<std::string> notes;
  std::vector<alignment_row> rows = align(driver(0.6), notes);
  for (const alignment_row& r : rows) EXPECT_TRUE(r.name != "closed" || r.qtc > 0.6) << r.qtc;
  ASSERT_GE(notes.size(), 2u);
  EXPECT_EQ(notes[0], "no closed box of Qtc 0.5: the driver's Qts is 0.6 already");
  notes.clear();
  rows = align(driver(0.15), notes);
  EXPECT_EQ(rows.back().name, "closed");
  EXPECT_EQ(notes.back(), "no vented alignment: Qts = 0.15 is below the QB3 family's 0.18 (Thiele's fb = 2 fs): expected a "
            "closed box");
}

// The table as an engineer's script reads it.
TEST(Alignments, TableColumns) {
  std::vector<std::string> notes;
  const std::vector<alignment_row> rows = align(driver(0.382683432), notes);
  const std::vector<std::string> lines = split(alignment_table(rows));
  EXPECT_EQ(lines[0], "alignment,Qtc,Vb[l],fc[Hz],fb[Hz],F3[Hz],port_diameter[mm],port_length[mm]");
  EXPECT_EQ(lines[3].substr(0, 12), "closed,0.707");
  EXPECT_EQ(split(lines[3], ',')[4], "");  // no fb for a closed box
  EXPECT_EQ(lines[5].substr(0, 4), "B4,,");
}

}  // namespace

namespace {

// --align --write: the table, and a design file per alignment that runs
// and has the alignment's figures.
TEST(Alignments, WrittenDesignsRunAsAligned) {
  scratch_dir dir;
  const std::string program = "'" ACOUSTIC_DESIGN_PATH "'";
  const program_run r =
      run_in(dir.path(), program + " --align " EXAMPLES_DIR "/designs/woofer_vented.toml --out out --write start", "");
  ASSERT_EQ(r.exit_code, 0) << shown(r.err);
  const std::vector<std::vector<double>> table = csv_rows(dir.file("out/woofer_vented_alignments.csv"));
  EXPECT_EQ(table.size(), 5u);
  const program_run closed = run_in(dir.path(), program + " start/woofer_vented_closed_q0707.toml --out runs", "");
  ASSERT_EQ(closed.exit_code, 0) << shown(closed.err);
  EXPECT_TRUE(contains(closed.out, "Qtc                        0.70")) << closed.out;
  // Its own comment first; the driver file's opening comment spoke of another box.
  const std::string written = read_file(dir.file("start/woofer_vented_closed_q0707.toml"));
  EXPECT_EQ(written.rfind("# closed Qtc 0.707: second-order high-pass of Q = 0.707;", 0), 0u) << written;
  EXPECT_FALSE(contains(written, "50-litre")) << written;
  const std::vector<std::string> listed = split(run_in(dir.path(), "ls start", "").out);
  EXPECT_EQ(listed.size(), 5u);  // four closed boxes and one vented
  for (const std::string& f : listed) {
    if (f.empty()) continue;
    EXPECT_EQ(run_in(dir.path(), program + " start/" + f + " --out runs", "").exit_code, 0) << f;
  }
}

}  // namespace
