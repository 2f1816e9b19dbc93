// [nonlinear], [distortion] and port_loss as an engineer types them: the
// units per length^k, worked by hand, and one error line naming the key
// for every slip.
#include <gtest/gtest.h>

#include <cmath>

#include "control/design_program.h"
#include "design/nonlinear_model.h"
#include "design/nonlinear_sheet.h"
#include "design_test_support.h"
#include "test_support.h"

namespace {

const std::string woofer =
    "[driver]\nfs = \"28 Hz\"\nQms = 4.5\nQes = 0.42\nVas = \"58 l\"\nSd = \"220 cm2\"\nRe = \"5.6 ohm\"\n"
    "Le = \"0.6 mH\"\nXmax = \"6 mm\"\n[enclosure]\ntype = \"closed\"\nVb = \"30 l\"\n";
const std::string vented_woofer =
    "[driver]\nfs = \"28 Hz\"\nQms = 4.5\nQes = 0.42\nVas = \"58 l\"\nSd = \"220 cm2\"\nRe = \"5.6 ohm\"\n"
    "Le = \"0.6 mH\"\nXmax = \"6 mm\"\n[enclosure]\ntype = \"vented\"\nVb = \"50 l\"\nfb = \"32 Hz\"\n"
    "port_diameter = \"75 mm\"\n";
const std::string at_rest = "[nonlinear]\nBl = [\"9.47 T*m\"]\nKms = [\"1.1835 N/mm\"]\n";

// The design in `text`, read as if from `path` (its folder holds a curves table).
status read_design_file_text_for_test(const std::string& path, const std::string& text, design_file& file) {
  write_file(path, text);
  return read_design_file(path, file);
}

std::string outcome(const std::string& text) { return design_outcome(text); }

TEST(NonlinearSheet, CoefficientsConvertPerLengthToThePowerK) {
  const struct {
    const char* line;
    std::vector<double> nonlinear_sheet::*field;
    std::vector<double> si;
  } cases[] = {
      {"Bl = [\"13 T*m\", \"-0.052 T*m/mm\", \"-0.0338 T*m/mm2\"]", &nonlinear_sheet::bl, {13, -52, -33800}},
      {"Bl = [\"13 Tm\", \"-5.2 N/A/cm\", \"-1 T*m/m2\", \"2 T*m/in3\"]", &nonlinear_sheet::bl,
       {13, -520, -1, 2 / (0.0254 * 0.0254 * 0.0254)}},
      {"Kms = [\"2 N/mm\", \"0.02 N/mm2\", \"0.001 N/mm3\"]", &nonlinear_sheet::kms, {2000, 2e4, 1e6}},
      {"Kms = [\"2000 N/m\", \"0.02 N/mm/mm\"]", &nonlinear_sheet::kms, {2000, 2e4}},
      {"Cms = [\"0.8 mm/N\", \"-0.01 mm/N/mm\", \"-3 m/N/m2\"]", &nonlinear_sheet::cms, {8e-4, -1e-2, -3}},
      {"Le = [\"1.2 mH\", \"-0.036 mH/mm\", \"5 uH/mm2\"]", &nonlinear_sheet::le, {1.2e-3, -0.036, 5}},
      {"Le_i = [\"0.01 /A\", \"-0.02 /A2\"]", &nonlinear_sheet::le_i, {0.01, -0.02}},
  };
  for (const auto& c : cases) {
    design_file d;
    const std::string text = woofer + "[nonlinear]\nBl = [\"9.47 T*m\"]\nKms = [\"1.18 N/mm\"]\n" + c.line + "\n";
    // The case's line replaces the default of its key (Cms that of Kms).
    std::string doc = text;
    std::string key = std::string(c.line).substr(0, std::string(c.line).find(' '));
    if (key == "Cms") key = "Kms";
    if (key == "Bl" || key == "Kms") {
      const std::size_t at = doc.find(key + " = [\"", doc.find("[nonlinear]"));
      doc.erase(at, doc.find('\n', at) + 1 - at);
    }
    ASSERT_EQ(parse_design_text(doc, "box.toml", d).message, "") << c.line;
    const std::vector<double>& got = d.nonlinear.*c.field;
    ASSERT_EQ(got.size(), c.si.size()) << c.line;
    for (std::size_t k = 0; k < got.size(); ++k) EXPECT_NEAR(got[k], c.si[k], 1e-12 * std::abs(c.si[k])) << c.line << k;
  }
}

TEST(NonlinearSheet, EverySlipIsOneLineNamingTheKey) {
  const struct {
    std::string text;
    const char* expected;
  } cases[] = {
      {woofer + "[nonlinear]\nBl = [13]\nKms = [\"1.18 N/mm\"]\n",
       "error: box.toml: nonlinear.Bl[0] = 13: expected a string with its unit, e.g. \"13 T*m\""},
      {woofer + "[nonlinear]\nBl = [\"9.47 T*m\", \"-0.05 T*m/mm\", \"-0.03 T*m/mm\"]\nKms = [\"1.18 N/mm\"]\n",
       "error: box.toml: nonlinear.Bl[2] = \"-0.03 T*m/mm\": expected T*m/mm2 for order 2 (T*m, Tm, N/A per mm2, "
       "cm2, m2 or in2)"},
      {woofer + "[nonlinear]\nBl = [\"9.47 T*m\"]\nKms = [\"1.18 N/mm\", \"0.01 N/mm\"]\n",
       "error: box.toml: nonlinear.Kms[1] = \"0.01 N/mm\": expected N/mm2 for order 1 (N/mm, N/cm, N/m per mm, cm, "
       "m or in)"},
      {woofer + "[nonlinear]\nBl = [\"1 T*m\",\"0 T*m/mm\",\"0 T*m/mm2\",\"0 T*m/mm3\",\"0 T*m/mm4\",\"0 T*m/mm5\","
                "\"0 T*m/mm6\",\"0 T*m/mm7\",\"0 T*m/mm8\",\"0 T*m/mm9\"]\nKms = [\"1.18 N/mm\"]\n",
       "error: box.toml: nonlinear.Bl with 10 coefficients: expected at most 9 (orders 0 to 8)"},
      {woofer + "[nonlinear]\nBl = [\"9.47 T*m\"]\nKms = [\"1.18 N/mm\"]\nCms = [\"0.85 mm/N\"]\n",
       "error: box.toml: nonlinear: Kms and Cms both given: expected one of them"},
      {woofer + "[nonlinear]\nBl = [\"9.47 T*m\"]\n",
       "error: box.toml: nonlinear.Kms is missing: expected Kms(x) or Cms(x)'s coefficients"},
      {woofer + "[nonlinear]\nBl = [\"9.47 T*m\"]\nKms = [\"1.18 N/mm\"]\nBL = [\"1 T*m\"]\n",
       "error: box.toml: unknown key nonlinear.BL: expected Bl, Kms or Cms, Le, Le_i, range or curves"},
      {woofer + "[nonlinear]\nBl = [\"9.47 T*m\", \"0 T*m/mm\", \"-0.1 T*m/mm2\"]\nKms = [\"1.1835 N/mm\"]\n",
       "error: nonlinear: Bl(x) is not positive at x = -12 mm: expected it positive within +-12 mm (range)"},
      {woofer + "[nonlinear]\nBl = [\"9.47 T*m\"]\nKms = [\"1.1835 N/mm\", \"0.2 N/mm2\"]\nrange = \"10 mm\"\n",
       "error: nonlinear: Kms(x) is not positive at x = -10 mm: expected it positive within +-10 mm (range)"},
      {woofer + "[nonlinear]\nBl = [\"9.47 T*m\"]\nKms = [\"1.1835 N/mm\", \"0.1 N/mm2\"]\nrange = \"10 mm\"\n",
       "error: nonlinear: the tangent stiffness d(Kms(x) x)/dx is not positive at x = -10 mm: expected it positive "
       "within +-10 mm (range)"},
      {woofer + at_rest + "Le = [\"0.6 mH\", \"0.06 mH/mm\"]\n",
       "error: nonlinear: Le(x) is not positive at x = -12 mm: expected it positive within +-12 mm (range)"},
      {woofer + at_rest + "Le_i = [\"0 /A\", \"-0.5 /A2\"]\n",
       "error: nonlinear: the incremental inductance d(Le g(i) i)/di is not positive at x = -12 mm: expected it "
       "positive within +-12 mm (range)"},
      {woofer + at_rest + "Le_i = [\"0.01 /A2\"]\n",
       "error: box.toml: nonlinear.Le_i[0] = \"0.01 /A2\": expected a number per ampere^1, e.g. \"0.01 /A\""},
      {woofer + "port_loss = 1.5\n", "error: enclosure.port_loss given without a port: expected a vented box or a bandpass4"},
      {vented_woofer + "port_loss = -1\n",
       "error: box.toml: enclosure.port_loss: expected a number >= 0 without a unit (about 1.5 for an unflared port)"},
      {woofer + "[distortion]\nvoltages = [\"2.83 V\"]\n",
       "error: box.toml: [distortion] given without [nonlinear]: expected the driver's large-signal curves"},
      {woofer + at_rest + "[distortion]\nvoltages = [\"0 V\"]\n",
       "error: box.toml: distortion.voltages[0] = \"0 V\": expected a positive value"},
      {woofer + at_rest + "[distortion]\nvoltages = [\"2.83 V\", \"inf V\"]\n",
       "error: box.toml: distortion.voltages[1] = \"inf V\" is not a finite number: expected a number and one of "
       "the units V"},
      {woofer + at_rest + "[distortion]\nvoltages = [\"2.83 V\"]\ntwo_tone = { f1 = \"40 Hz\", f2 = \"80 Hz\" }\n",
       "error: box.toml: distortion.two_tone.f2 = 80 Hz: expected more than 2 f1 = 80 Hz"},
      {woofer + at_rest + "[distortion]\nvoltages = [\"2.83 V\"]\ntwo_tone = { f1 = \"40 Hz\", f2 = \"300 Hz\" }\n",
       "error: box.toml: distortion.two_tone.f2 = 300 Hz: expected a whole multiple of f1 = 40 Hz"},
      {woofer + at_rest + "[distortion]\nvoltages = [\"2.83 V\"]\ncriterion = 10\n",
       "error: box.toml: distortion.criterion: expected a THD in percent above 0 and below 100, e.g. \"10 %\""},
      {woofer + at_rest + "[distortion]\ncriterion = \"3 %\"\n",
       "error: box.toml: distortion.voltages is missing: expected 1 to 10 rms voltages"},
      {"[driver]\nfs = \"28 Hz\"\nQms = 4.5\nQes = 0.42\nVas = \"58 l\"\nSd = \"220 cm2\"\nRe = \"5.6 ohm\"\n"
       "[enclosure]\ntype = \"closed\"\nVb = \"30 l\"\n" + at_rest,
       "error: nonlinear.range is missing: expected range or the driver's Xmax"},
      {woofer + "[nonlinear]\nBl = [\"12 T*m\"]\nKms = [\"1.1835 N/mm\"]\n",
       "error: nonlinear.Bl at rest 12 T*m differs from the datasheet's 9.471 T*m by 26.7 %: expected within 20 %"},
      {woofer + "[nonlinear]\nBl = [\"9.47 T*m\"]\nKms = [\"1.1835 N/mm\"]\nrange = \"10 mm\"\nLe = [\"0.65 mH\"]\n",
       "nonlinear.Le at rest 0.65 mH differs from the datasheet's 0.6 mH by 8.3 %: the large-signal figures use the "
       "curves\n"},
  };
  for (const auto& c : cases) EXPECT_EQ(outcome(c.text), c.expected) << c.text;
}

TEST(NonlinearSheet, VoltageListsAsTheCommandLineWritesThem) {
  const struct {
    const char* text;
    std::vector<double> volts;
    bool ok;
  } cases[] = {
      {"2.83V,10V,20V", {2.83, 10, 20}, true}, {"2.83,10", {2.83, 10}, true}, {"0V", {}, false},
      {"2.83V,,10V", {}, false},              {"-1", {}, false},           {"nanV", {}, false},
      {"1,2,3,4,5,6,7,8,9,10,11", {}, false}, {"3 mV", {}, false},
  };
  for (const auto& c : cases) {
    std::vector<double> volts;
    const status s = parse_voltage_list(c.text, "option --distortion", volts);
    EXPECT_EQ(s.ok(), c.ok) << c.text << " " << s.message;
    if (c.ok) EXPECT_EQ(volts, c.volts) << c.text;
  }
}

// The measured curves' spline: through every point, monotone where the
// data are, never beyond its neighbours, its slope the derivative of its
// value; the table's span is the range.
TEST(NonlinearCurves, MonotoneSplineThroughTheMeasuredPoints) {
  const std::vector<double> x = {-0.012, -0.008, -0.004, 0, 0.003, 0.008, 0.012};
  const std::vector<double> bl = {4.1, 6.9, 8.9, 9.5, 9.2, 7.0, 4.6};       // one hump
  const std::vector<double> kms = {3000, 1600, 1250, 1180, 1220, 1700, 3200};  // one dip
  const std::vector<double> rising = {0.4, 0.45, 0.5, 0.6, 0.61, 0.9, 1.0};
  for (const std::vector<double>* y : {&bl, &kms, &rising}) {
    const curve c = monotone_spline(x, *y);
    for (std::size_t j = 0; j < x.size(); ++j) EXPECT_NEAR(c.value(x[j]), (*y)[j], 1e-12 * std::abs((*y)[j]));
    for (std::size_t j = 0; j + 1 < x.size(); ++j) {
      const double low = std::min((*y)[j], (*y)[j + 1]), high = std::max((*y)[j], (*y)[j + 1]);
      for (int k = 1; k < 20; ++k) {
        const double at = x[j] + (x[j + 1] - x[j]) * k / 20;
        // Within its interval's data where they are monotone; the hump and
        // the dip stay at their measured points.
        EXPECT_GE(c.value(at), low - 1e-12) << at;
        EXPECT_LE(c.value(at), high + 1e-12) << at;
        const double h = 1e-7;
        EXPECT_NEAR(c.slope(at), (c.value(at + h) - c.value(at - h)) / (2 * h), 1e-5 * (high - low) / (x[j + 1] - x[j]) + 1e-6);
      }
    }
  }
  // Outside the table: the end's tangent.
  const curve c = monotone_spline(x, rising);
  EXPECT_NEAR(c.value(0.014), 1.0 + c.slope(0.012) * 0.002, 1e-12);
}

TEST(NonlinearCurves, TableFromTheDesignFilesFolder) {
  scratch_dir dir;
  write_file(dir.file("woofer_curves.csv"),
             "x[mm],Bl[T*m],Kms[N/mm],Le[mH]\n-10,6.5,2.4,0.7\n-5,8.8,1.4,0.65\n0,9.47,1.1835,0.6\n"
             "5,9.0,1.5,0.55\n8,7.2,2.2,0.5\n");
  design_file file;
  ASSERT_EQ(read_design_file_text_for_test(dir.file("box.toml"),
                                           woofer + "[nonlinear]\ncurves = \"woofer_curves.csv\"\n", file).message,
            "");
  design_result r;
  ASSERT_EQ(compute_design(file, {20, 100}, r).message, "");
  ASSERT_TRUE(r.large);
  const large_signal& m = r.large->model;
  EXPECT_DOUBLE_EQ(m.range, 0.008);  // the nearer end of the table
  EXPECT_NEAR(m.bl.value(-0.005), 8.8, 1e-12);
  EXPECT_NEAR(m.kms.value(0.005), 1500, 1e-9);
  EXPECT_NEAR(m.le.value(0.008), 0.5e-3, 1e-15);

  const struct {
    const char* table;
    const char* expected;
  } bad[] = {
      {"x,Bl,Kms\n", "header x,Bl,Kms: expected x[mm],Bl[T*m],Kms[N/mm],Le[mH]"},
      {"x[mm],Bl[T*m],Kms[N/mm]\n-1,9,1\n1,9,x\n2,9,1\n", "line 3: x: expected a number"},
      {"x[mm],Bl[T*m],Kms[N/mm]\n-1,9,1\n1,9,1\n1,9,1\n", "line 4: x 1 mm: expected x rising"},
      {"x[mm],Bl[T*m],Kms[N/mm]\n1,9,1.1835\n2,9,1\n3,9,1\n", "expected x on both sides of 0"},
      {"x[mm],Bl[T*m],Kms[N/mm]\n-1,9,1.1835\n1,9,1\n", "expected at least 3 rows"},
  };
  for (const auto& c : bad) {
    write_file(dir.file("woofer_curves.csv"), c.table);
    design_result broken;
    const status s = compute_design(file, {20, 100}, broken);
    EXPECT_TRUE(contains(s.message, "nonlinear.curves: ")) << s.message;
    EXPECT_TRUE(contains(s.message, c.expected)) << s.message;
  }
}

}  // namespace
