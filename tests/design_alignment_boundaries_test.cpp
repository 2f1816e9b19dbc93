// The alignments at the edges of their families, as a driver typed either
// way reaches them: Qts from Qms and Qes (a round trip through floating
// point) or given, with a stiff suspension (Qms 100) and a lossy one
// (Qms 5). Against Thiele's lossless table (QB3's first row: fb = 2 fs),
// the Butterworth box (Vb = Vas / sqrt 2, fb = fs) and the closed box's
// Qtc = Qts sqrt(1 + Vas / Vb).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "control/design_alignments.h"
#include "control/design_program.h"
#include "control/design_summary.h"
#include "design/alignments.h"
#include "design_test_support.h"
#include "test_support.h"

namespace {

const double b4_qts = 0.38268343236509;  // 1 / sqrt(4 + 2 sqrt 2)
const double fs = 28, vas = 0.058;

// fs 28 Hz, Vas 58 l, Le 0; Qts typed, or Qes typed so that Qts follows.
std::string driver(double qts, double qms, bool qes_typed) {
  const std::string q = qes_typed ? message("Qes = %.17g\n", 1 / (1 / qts - 1 / qms)) : message("Qts = %.17g\n", qts);
  return message("[driver]\nfs = \"28 Hz\"\nQms = %g\n%sVas = \"58 l\"\nSd = \"220 cm2\"\nRe = \"5.6 ohm\"\nPe = \"100 W\"\n",
                 qms, q.c_str());
}

struct aligned {
  std::vector<alignment_row> rows;
  std::vector<std::string> notes;
  const alignment_row* vented() const {
    return rows.empty() || rows.back().name == "closed" ? nullptr : &rows.back();
  }
  int closed() const {
    int n = 0;
    for (const alignment_row& r : rows) n += r.name == "closed";
    return n;
  }
};

aligned align(const std::string& text) {
  scratch_dir dir;
  write_file(dir.file("d.toml"), text);
  aligned a;
  std::string name;
  EXPECT_EQ(compute_alignments(dir.file("d.toml"), a.rows, a.notes, name).message, "");
  return a;
}

// QB3 by hand: a2 = sqrt(2 / Qts^2 - 2), h = fb / fs = 1 / (2 a2 Qts^2),
// Vas / Vb = a2 h - 1 - h^2. At Qts 0.2: a2 = 6.9282, h = 1.80422,
// alpha = 8.24479; at 0.18: a2 = 7.72841, h = 1.99680, alpha = 10.4449.
TEST(AlignmentBoundaries, FamiliesAtTheEdges) {
  const struct {
    double qts;
    const char* vented;  // empty: a note instead
    double fb, vb;       // Hz, l; 0: not checked here
    int closed;          // closed rows: the Qtc above Qts of 0.5, 0.577, 0.707, 1
  } cases[] = {
      {0.2, "QB3", 28 * 1.8042196, 58 / 8.2447917, 4},
      {0.18, "QB3", 28 * 1.9968000, 58 / 10.444888, 4},
      {0.1799, "", 0, 0, 4},
      {b4_qts - 1e-4, "QB3", 0, 0, 4},
      {b4_qts, "B4", 28, 58 / std::sqrt(2.0), 4},
      {b4_qts + 1e-4, "C4", 0, 0, 4},
      {0.5, "C4", 0, 0, 3},
  };
  for (const auto& c : cases)
    for (double qms : {100.0, 5.0})
      for (bool qes_typed : {false, true}) {
        const aligned a = align(driver(c.qts, qms, qes_typed));
        const std::string what = message("Qts %.17g Qms %g %s", c.qts, qms, qes_typed ? "from Qes" : "typed");
        EXPECT_EQ(a.closed(), c.closed) << what;
        for (const alignment_row& r : a.rows)
          if (r.name == "closed") {
            EXPECT_GT(r.qtc, c.qts) << what;
            // Qtc = Qts sqrt(1 + Vas / Vb)
            EXPECT_NEAR(c.qts * std::sqrt(1 + vas / r.vb), r.qtc, 1e-6 * r.qtc) << what;
          }
        const alignment_row* v = a.vented();
        if (*c.vented == '\0') {
          EXPECT_EQ(v, nullptr) << what;
          EXPECT_EQ(a.notes.back(), "no vented alignment: Qts = 0.1799 is below the QB3 family's 0.18 (Thiele's fb = 2 "
                                    "fs): expected a closed box")
              << what;
          continue;
        }
        ASSERT_NE(v, nullptr) << what;
        EXPECT_EQ(v->name, c.vented) << what;
        if (c.fb > 0) {
          EXPECT_NEAR(v->fb, c.fb, 1e-5 * c.fb) << what;
        }
        if (c.vb > 0) {
          EXPECT_NEAR(v->vb * 1e3, c.vb, 1e-5 * c.vb) << what;
        }
      }
}

// Thiele's first QB3 row: fb = 2 fs within 0.3 %.
TEST(AlignmentBoundaries, LowestQuasiThirdOrderRowTunesToTwiceFs) {
  const vented_alignment v = vented_box_alignment(fs, 0.18, vas);
  ASSERT_TRUE(v.reachable);
  EXPECT_NEAR(v.fb / fs, 2, 0.006);
}

// B4 is named within a relative 1e-6 of its Qts, QB3 below and C4 above,
// and Vb and fb run on through the edges: no step.
TEST(AlignmentBoundaries, NoStepAcrossTheButterworthWindow) {
  const vented_alignment b4 = vented_box_alignment(fs, b4_qts, vas);
  ASSERT_EQ(b4.name, "B4");
  const struct {
    double relative;  // Qts / B4's - 1
    const char* name;
    double within;    // relative distance of Vb and fb from B4's
  } cases[] = {
      {-5e-7, "B4", 0}, {5e-7, "B4", 0}, {-2e-6, "QB3", 2e-5},
      {2e-6, "C4", 2e-5}, {-1e-4 / b4_qts, "QB3", 1e-3}, {1e-4 / b4_qts, "C4", 1e-3},
  };
  for (const auto& c : cases) {
    const vented_alignment v = vented_box_alignment(fs, b4_qts * (1 + c.relative), vas);
    EXPECT_EQ(v.name, c.name) << c.relative;
    // QB3 and C4 reach the driver's own Qts, however close to B4's.
    if (v.name != "B4") {
      EXPECT_NEAR(1 / std::sqrt(v.a1 * v.a3), b4_qts * (1 + c.relative), 1e-12) << c.relative;
    }
    EXPECT_NEAR(v.vb, b4.vb, c.within * b4.vb) << c.relative;
    EXPECT_NEAR(v.fb, b4.fb, c.within * b4.fb) << c.relative;
  }
  // On each side the volume moves away from B4's in the same sense as Qts.
  EXPECT_LT(vented_box_alignment(fs, b4_qts - 1e-4, vas).vb, b4.vb);
  EXPECT_GT(vented_box_alignment(fs, b4_qts + 1e-4, vas).vb, b4.vb);
}

// The port is sized without the leak: at sqrt(Pe Re) its lossless box
// keeps the air within 17 m/s, and a port 5 mm narrower does not.
TEST(AlignmentBoundaries, PortSizedForTheTightBox) {
  const aligned a = align(driver(0.3, 5, false));
  const alignment_row* v = a.vented();
  ASSERT_NE(v, nullptr);
  ASSERT_GT(v->port_diameter, 0.005);
  const double volts = std::sqrt(100 * 5.6);
  const auto peak_at_pe = [&](double diameter, const char* ql) {
    const design_result r = compute(driver(0.3, 5, false) +
                                        message("[enclosure]\ntype = \"vented\"\nVb = \"%.9g l\"\nfb = \"%.9g Hz\"\n"
                                                "port_diameter = \"%g mm\"\nQl = %s\n",
                                                v->vb * 1e3, v->fb, diameter * 1e3, ql),
                                    log_grid(5, 1000, 384));
    double peak = 0;
    for (const design_point& p : r.points) peak = std::max(peak, p.port_velocity * volts / 2.83);
    return peak;
  };
  // On a grid four times finer than the sizing's, the peak it may have
  // stepped over stays within 0.1 % of the limit.
  EXPECT_LE(peak_at_pe(v->port_diameter, "inf"), 17 * 1.001);
  EXPECT_GT(peak_at_pe(v->port_diameter - 0.005, "inf"), 17);
  // The port's air by hand, pi / 4 d^2 L, against 10 % of Vb.
  const double air = M_PI / 4 * v->port_diameter * v->port_diameter * v->port_length;
  const std::string note = message("%s: the port's air, %.4g l, takes %.3g %% of Vb: the box must be %.4g l gross to "
                                   "hold it",
                                   v->name.c_str(), air * 1e3, 100 * air / v->vb, (v->vb + air) * 1e3);
  ASSERT_GT(air, 0.1 * v->vb);  // 3.9 l of 19 l
  EXPECT_EQ(std::count(a.notes.begin(), a.notes.end(), note), 1);
  // The leak of Ql 10 would have let a narrower port pass.
  EXPECT_LT(peak_at_pe(v->port_diameter, "10"), peak_at_pe(v->port_diameter, "inf"));
}

}  // namespace
