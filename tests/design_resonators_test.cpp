// Resonators, the air and the flow source against closed forms worked out
// by hand: the Helmholtz tuning with its end corrections, an ideal gas's c
// and rho, a side branch's insertion loss on a chamber driven by a flow,
// and the chamber's and cavity's joint resonance.
#include <algorithm>
#include <cmath>
#include <fstream>
#include <tuple>

#include "control/design_files.h"
#include "control/design_resonators.h"
#include "design/resonator_file.h"
#include "design_test_support.h"
#include "test_support.h"

namespace {

const double c_reference = std::sqrt(1.4 * 101300 / 1.2);

// A flow of 1 l/s into a closed 40 l chamber carrying one resonator.
std::string flow_design(const std::string& resonator, const std::string& extra = "") {
  return "[source]\ntype = \"volume_velocity\"\nvolume_velocity = \"1 l/s\"\n"
         "[enclosure]\ntype = \"closed\"\nVb = \"40 l\"\n" +
         extra + "[[resonator]]\n" + resonator;
}

const std::string trap = "volume = \"5 l\"\nneck_diameter = \"50 mm\"\nneck_length = \"39 mm\"\n";

const design_point& nearest(const design_result& r, double f) {
  const design_point* best = &r.points.front();
  for (const design_point& p : r.points)
    if (std::fabs(p.frequency - f) < std::fabs(best->frequency - f)) best = &p;
  return *best;
}

TEST(DesignResonators, IdealGasAtThreeTemperatures) {
  const struct {
    double celsius, c, rho;
  } cases[] = {{0, 331.32, 1.2923}, {20, 343.24, 1.2041}, {40, 354.75, 1.1272}};
  for (const auto& k : cases) {
    const air_properties a = air_at(k.celsius + 273.15, 101325);
    EXPECT_NEAR(a.speed(), k.c, 1e-4 * k.c) << k.celsius;
    EXPECT_NEAR(a.density, k.rho, 1e-4 * k.rho) << k.celsius;
    // The same through the file, as its summary reports it.
    const design_result r =
        compute(flow_design(trap + "Q = 29\n", "[air]\ntemperature = \"" + std::to_string(k.celsius) + " C\"\n"),
                log_grid(20, 400, 12));
    EXPECT_NEAR(summary_value(r.summary, "air_c"), k.c, 1e-4 * k.c);
    EXPECT_NEAR(summary_value(r.summary, "air_rho"), k.rho, 1e-4 * k.rho);
    EXPECT_NEAR(summary_value(r.summary, "air_temperature"), k.celsius, 1e-9);
  }
  // Without [air]: rho 1.2 and rho c^2 = 1.4 x 101300 Pa, 20.93 C.
  const air_properties reference = reference_air();
  EXPECT_DOUBLE_EQ(reference.density, 1.2);
  EXPECT_DOUBLE_EQ(reference.speed(), c_reference);
  EXPECT_NEAR(reference.temperature - 273.15, 20.93, 0.005);
}

// Sutherland's law: 1.81e-5 Pa s at 20 C, 1.713e-5 at 0 C (textbooks:
// 1.716e-5); Kirchhoff's attenuation in a 50 mm tube at 120 Hz, 20 C, by
// hand: sqrt(w nu / 2) (1 + 0.4 / sqrt(0.71)) / (a c) = 0.0129375 per metre.
TEST(DesignResonators, WallLossesOfAirInATube) {
  EXPECT_NEAR(air_viscosity(293.15), 1.81e-5, 1e-12);
  EXPECT_NEAR(air_viscosity(273.15), 1.716e-5, 0.005e-5);
  const air_properties air = air_at(293.15, 101325);
  EXPECT_NEAR(viscothermal_attenuation(2 * M_PI * 120, 0.025, air), 0.0129375, 1e-6);
  // The resonator's Q from those losses: k Leff / (2 alpha L) at its tuning.
  const design_result r = compute(flow_design(trap + "losses = \"viscothermal\"\n", "[air]\ntemperature = \"20 C\"\n"),
                                  log_grid(20, 400, 12));
  const double fr = summary_value(r.summary, "resonator_1_fr"), w = 2 * M_PI * fr;
  const double q = w / air.speed() * 0.0815 / (2 * 0.0129375 * std::sqrt(fr / 120) * 0.039);
  EXPECT_NEAR(summary_value(r.summary, "resonator_1_Q"), q, 1e-4 * q);
}

// The chamber compresses adiabatically: p = 1.4 P Sd x / Vb behind the
// cone of a closed box; a flow-driven resonator's neck carries p / Ra at
// fr, Ra = w0 rho Leff / (Q S).
TEST(DesignResonators, ChamberAndNeckFollowTheirLaws) {
  const std::string closed = read_file(EXAMPLES_DIR "/designs/woofer_closed.toml");
  const design_result box = compute(closed + "[air]\npressure = \"90 kPa\"\n", {30, 100, 300});
  for (const design_point& p : box.points) {
    const double rms_x = p.excursion_mm * 1e-3 / std::sqrt(2.0);
    EXPECT_NEAR(std::abs(p.chamber_pressure), 1.4 * 90e3 * 220e-4 * rms_x / 30e-3, 1e-9 * std::abs(p.chamber_pressure));
  }
  const design_result trap29 = compute(flow_design(trap + "Q = 29\n"), log_grid(20, 400, 12));
  const double fr = summary_value(trap29.summary, "resonator_1_fr");
  const design_result at = compute(flow_design(trap + "Q = 29\n"), {fr});
  const design_point& p = nearest(at, fr);
  const double area = M_PI * 0.025 * 0.025, ra = 2 * M_PI * fr * 1.2 * 0.0815 / (29 * area);
  EXPECT_NEAR(p.resonator_velocity[0], std::sqrt(2.0) * std::abs(p.chamber_pressure) / ra / area, 1e-3 * p.resonator_velocity[0]);
}

TEST(DesignResonators, FlowUnits) {
  const struct {
    const char* text;
    double si;
  } cases[] = {{"1 l/s", 1e-3}, {"2.5 L/s", 2.5e-3}, {"0.001 m3/s", 1e-3}, {"250 cm3/s", 250e-6}};
  for (const auto& k : cases) {
    double si = 0;
    EXPECT_EQ(parse_volume_velocity(k.text, si).message, "") << k.text;
    EXPECT_NEAR(si, k.si, 1e-15) << k.text;
  }
  double si = 0;
  for (const char* bad : {"1", "1 l", "-1 l/s", "0 l/s", "nan l/s"}) EXPECT_FALSE(parse_volume_velocity(bad, si).ok()) << bad;
  double kelvin = 0, pascal = 0;
  EXPECT_TRUE(parse_temperature("-40 C", kelvin).ok());
  EXPECT_DOUBLE_EQ(kelvin, 233.15);
  EXPECT_TRUE(parse_pressure("1013.25 hPa", pascal).ok());
  EXPECT_DOUBLE_EQ(pascal, 101325);
  EXPECT_FALSE(parse_temperature("0 K", kelvin).ok());
  EXPECT_FALSE(parse_pressure("1 atm", pascal).ok());
}

// fr = c / (2 pi) sqrt(S / (V Leff)), Leff = L + 0.85 r or 0.61 r per end.
TEST(DesignResonators, TuningWithEndCorrections) {
  const double r25 = 0.025, s50 = M_PI * r25 * r25;
  const struct {
    const char* keys;
    double area, volume, effective_length, q;
  } cases[] = {
      {"neck_ends = \"flanged-flanged\"\nQ = 29\n", s50, 5e-3, 0.039 + 1.7 * r25, 29},
      {"neck_ends = \"flanged-free\"\nQ = 12.5\n", s50, 5e-3, 0.039 + 1.46 * r25, 12.5},
      {"neck_ends = \"free-free\"\nQ = 145\n", s50, 5e-3, 0.039 + 1.22 * r25, 145},
  };
  for (const auto& k : cases) {
    const design_result r = compute(flow_design(trap + k.keys), log_grid(20, 400, 12));
    const double fr = c_reference / (2 * M_PI) * std::sqrt(k.area / (k.volume * k.effective_length));
    EXPECT_NEAR(summary_value(r.summary, "resonator_1_fr"), fr, 1e-4 * fr) << k.keys;
    EXPECT_NEAR(summary_value(r.summary, "resonator_1_neck_effective_length"), k.effective_length * 1e3, 1e-6)
        << k.keys;
    EXPECT_NEAR(summary_value(r.summary, "resonator_1_Q"), k.q, 1e-6 * k.q) << k.keys;
  }
  // Two 20 cm2 necks tuned to 80 Hz on 10 l: Leff = c^2 S / (w^2 V).
  const design_result tuned = compute(flow_design(
      "volume = \"10 l\"\nneck_area = \"20 cm2\"\nnecks = 2\nfr = \"80 Hz\"\nQ = 10\n"), log_grid(20, 400, 12));
  const double leff = c_reference * c_reference * 40e-4 / (std::pow(2 * M_PI * 80, 2) * 10e-3);
  EXPECT_NEAR(summary_value(tuned.summary, "resonator_1_fr"), 80, 80e-4);
  EXPECT_NEAR(summary_value(tuned.summary, "resonator_1_neck_effective_length"), leff * 1e3, 1e-6);
}

// A flow U into a closed V0 with a side branch of Q at fr: the chamber's
// pressure falls by |1 + 1 / (i w C0 Ra)| = sqrt(1 + (Q Vr / V0)^2); the
// chamber and the cavity resonate together at fr sqrt(1 + Vr / V0).
TEST(DesignResonators, InsertionLossOnAFlowDrivenChamber) {
  const struct {
    double q, il_at_fr;
  } cases[] = {{29, 11.50}, {145, 25.18}, {1e5, 10 * std::log10(1 + std::pow(1e5 / 8, 2))}};
  for (const auto& k : cases) {
    const design_result r = compute(flow_design(trap + "Q = " + std::to_string(k.q) + "\n"), log_grid(20, 400, 12));
    const double fr = summary_value(r.summary, "resonator_1_fr");
    const design_result at_fr = compute(flow_design(trap + "Q = " + std::to_string(k.q) + "\n"), {fr});
    EXPECT_NEAR(nearest(at_fr, fr).il_chamber, k.il_at_fr, 0.01) << k.q;
    if (k.q < 1e3) {
      EXPECT_NEAR(nearest(at_fr, fr).il_chamber, 10 * std::log10(1 + std::pow(k.q * 5 / 40, 2)), 0.005);
    }
    if (k.q >= 145) {
      const double peak = fr * std::sqrt(1 + 5.0 / 40);
      EXPECT_NEAR(summary_value(r.summary, "peak_1_frequency"), peak, 2e-4 * peak) << k.q;
    }
    EXPECT_LT(summary_value(r.summary, "peak_1_IL"), 0) << k.q;
  }
}

// Without a resonator the flow's chamber pressure is rho c^2 U / (w V0);
// a room-sized chamber draws no loudspeaker's range warning.
TEST(DesignResonators, ChamberPressureOfAFlow) {
  const design_result room = compute(
      "[source]\ntype = \"volume_velocity\"\nvolume_velocity = \"1 l/s\"\n[enclosure]\ntype = \"closed\"\nVb = \"40 m3\"\n",
      {100});
  EXPECT_TRUE(room.warnings.empty());
  const design_result r = compute(
      "[source]\ntype = \"volume_velocity\"\nvolume_velocity = \"1 l/s\"\n[enclosure]\ntype = \"closed\"\nVb = \"40 l\"\n",
      {50, 100, 200});
  for (const design_point& p : r.points) {
    const double pressure = 1.4 * 101300 * 1e-3 / (2 * M_PI * p.frequency * 0.04);
    EXPECT_NEAR(20 * std::log10(std::abs(p.chamber_pressure) / 20e-6), 20 * std::log10(pressure / 20e-6), 1e-5)
        << p.frequency;
  }
}

// Two resonators keep their own figures and columns: each notch lies
// within its own bandwidth, each neck moves most where it and the chamber
// resonate together, fr sqrt(1 + Vr / V0) (a tube's Vr its first mode's,
// (8 / pi^2) S (L + delta)); a tube tuned by fr is c / (4 fr) long
// acoustically.
TEST(DesignResonators, EachResonatorKeepsItsOwnFigures) {
  const std::string text = flow_design(
      "name = \"low\"\nvolume = \"5 l\"\nneck_diameter = \"50 mm\"\nfr = \"80 Hz\"\nQ = 20\n"
      "[[resonator]]\ntype = \"quarter_wave\"\ndiameter = \"40 mm\"\nfr = \"200 Hz\"\nmouth = \"free\"\nQ = 40\n");
  const design_result r = compute(text, log_grid(20, 400, 24));
  EXPECT_NEAR(summary_value(r.summary, "resonator_1_fr"), 80, 1e-6);
  EXPECT_NEAR(summary_value(r.summary, "resonator_2_fr"), 200, 1e-6);
  EXPECT_NEAR(summary_value(r.summary, "resonator_2_neck_effective_length"), c_reference / (4 * 200) * 1e3, 1e-6);
  const double tube = 8 / (M_PI * M_PI) * M_PI * 0.02 * 0.02 * c_reference / (4 * 200);
  for (const auto& [n, fr, q, vr] : {std::tuple<int, double, double, double>{1, 80, 20, 5e-3}, {2, 200, 40, tube}}) {
    const double notch = summary_value(r.summary, "notch_" + std::to_string(n) + "_frequency");
    EXPECT_NEAR(notch, fr, fr / q) << n;
    EXPECT_GT(summary_value(r.summary, "peak_" + std::to_string(n) + "_frequency"), notch) << n;
    const design_point* fastest = &r.points.front();
    for (const design_point& p : r.points)
      if (p.resonator_velocity[n - 1] > fastest->resonator_velocity[n - 1]) fastest = &p;
    EXPECT_NEAR(fastest->frequency, fr * std::sqrt(1 + vr / 40e-3), fr / (2 * q)) << n;
  }
}

// The trap at 0 C tunes lower by c(0 C) / c(reference).
TEST(DesignResonators, ColdAirLowersTheTuning) {
  const design_result warm = compute(flow_design(trap + "Q = 29\n"), log_grid(20, 400, 12));
  const design_result cold = compute(flow_design(trap + "Q = 29\n", "[air]\ntemperature = \"273.15 K\"\n"),
                                     log_grid(20, 400, 12));
  EXPECT_NEAR(summary_value(warm.summary, "resonator_1_fr"), 120.102, 1e-3);
  EXPECT_NEAR(summary_value(cold.summary, "resonator_1_fr"), 120.102 * 331.32 / c_reference, 0.02);
}

// The notch of a Q 200 resonator read off the refined grid's rows is the
// one the search finds; the grid's rows lie f / (8 Q) apart about fr.
TEST(DesignResonators, RefinedGridResolvesTheNotch) {
  const design_result r = compute(flow_design(trap + "Q = 200\n"), log_grid(5, 1000, 48));
  double deepest = -INFINITY;
  for (const design_point& p : r.points) deepest = std::max(deepest, p.il_chamber);
  EXPECT_NEAR(deepest, summary_value(r.summary, "notch_1_IL"), 0.1);
  const std::vector<double> rows = refined_grid({10, 1000}, {{100, 10}}, 8);
  ASSERT_EQ(rows.size(), 2u + 81u);
  EXPECT_DOUBLE_EQ(rows[1], 100 - 5 * 100 / 10.0);
  EXPECT_NEAR(rows[2] - rows[1], 100 / 80.0, 1e-12);
  EXPECT_DOUBLE_EQ(rows[rows.size() - 2], 150);
}

TEST(DesignResonators, ColumnsFollowTheLoudspeakersOwn) {
  scratch_dir dir;
  const design_result flow = compute(flow_design(trap + "Q = 29\n"), {100, 120});
  ASSERT_EQ(write_response_table(dir.file("f.csv"), flow.points, columns_of(flow.drive)).message, "");
  const std::string table = read_file(dir.file("f.csv"));
  EXPECT_EQ(table.substr(0, table.find('\n')),
            "frequency[Hz],chamber_pressure[dB],IL_chamber[dB],resonator_1_velocity[m/s]");
  const std::string woofer = read_file(EXAMPLES_DIR "/designs/woofer_vented.toml");
  const design_result vented = compute(woofer + "[[resonator]]\n" + trap + "Q = 29\n[[resonator]]\n" + trap + "Q = 9\n",
                                       {100});
  ASSERT_EQ(write_response_table(dir.file("v.csv"), vented.points, columns_of(vented.drive)).message, "");
  const std::string v = read_file(dir.file("v.csv"));
  EXPECT_EQ(v.substr(0, v.find('\n')),
            "frequency[Hz],SPL[dB],phase[deg],group_delay[ms],excursion[mm],impedance[ohm],impedance_phase[deg],"
            "max_SPL[dB],max_voltage[V],port_velocity[m/s],excursion_at_Pe[mm],port_velocity_at_Pe[m/s],"
            "chamber_pressure[dB],IL[dB],IL_chamber[dB],resonator_1_velocity[m/s],resonator_2_velocity[m/s],"
            "limited_by");
  EXPECT_EQ(split(split(v)[1], ',').size(), 18u);
}

TEST(DesignResonators, BadInput) {
  const std::string vented = read_file(EXAMPLES_DIR "/designs/woofer_vented.toml");
  const std::string baffle = read_file(EXAMPLES_DIR "/designs/woofer_baffle.toml");
  std::string thirteen = vented;
  for (int i = 0; i < 11; ++i) thirteen += "[[resonator]]\n" + trap + "Q = 29\n";
  const struct {
    std::string text, error;
  } cases[] = {
      {flow_design(trap + "Q = 29\nfr = \"100 Hz\"\n"), "resonator[1].neck_length and resonator[1].fr both given"},
      {flow_design("volume = \"5 l\"\nneck_diameter = \"50 mm\"\nQ = 29\n"), "resonator[1].neck_length is missing"},
      {flow_design(trap + "Q = 29\nlosses = \"viscothermal\"\n"), "resonator[1].Q and resonator[1].losses both"},
      {flow_design(trap), "resonator[1].Q is missing"},
      {flow_design(trap + "neck_area = \"20 cm2\"\nQ = 29\n"), "neck_diameter and resonator[1].neck_area both"},
      {flow_design(trap + "Q = 0\n"), "resonator[1].Q: expected a positive number"},
      {flow_design(trap + "Q = -3\n"), "resonator[1].Q: expected a positive number"},
      {flow_design("volume = \"0 l\"\nneck_diameter = \"50 mm\"\nneck_length = \"39 mm\"\nQ = 2\n"),
       "resonator[1].volume = \"0 l\": expected a positive value"},
      {flow_design("volume = \"inf l\"\nneck_diameter = \"50 mm\"\nneck_length = \"39 mm\"\nQ = 2\n"),
       "resonator[1].volume = \"inf l\" is not a finite number"},
      {flow_design("volume = \"5 l\"\nneck_diameter = \"50 mm\"\nfr = \"400 Hz\"\nQ = 2\n"),
       "resonator[1].fr = 400 Hz: a neck of 50 mm diameter on 5 l would be"},
      {flow_design(trap + "Q = 29\nneck_lenght = \"3 mm\"\n"), "unknown key resonator[1].neck_lenght: did you mean "
                                                             "resonator[1].neck_length?"},
      {flow_design(trap + "Q = 29\n", "[air]\ntemperature = \"-300 C\"\n"), "air.temperature = \"-300 C\" lies at or "
                                                                           "below absolute zero"},
      {flow_design(trap + "Q = 29\n", "[air]\ntemperature = \"20\"\n"), "air.temperature = \"20\": expected a number "
                                                                       "and one of the units C, K"},
      {thirteen, "13 branches (2 of the enclosure's ports, passive radiators and leak, 11 resonators): expected at "
                 "most 12"},
      {baffle + "[[resonator]]\n" + trap + "Q = 29\n", "[[resonator]] on a baffle"},
      {"[source]\ntype = \"volume_velocity\"\n[enclosure]\ntype = \"closed\"\nVb = \"4 l\"\n",
       "source.volume_velocity is missing"},
      {flow_design(trap + "Q = 29\n") + "[driver]\nfs = \"28 Hz\"\n",
       "[source] and [driver] both given"},
      {"[source]\ntype = \"volume_velocity\"\nvolume_velocity = \"1 l/s\"\n[enclosure]\ntype = \"baffle\"\n",
       "[source] volume_velocity drives the main chamber: a baffle has none"},
  };
  for (const auto& k : cases) {
    design_file file;
    status s = parse_design_text(k.text, "d.toml", file);
    design_result r;
    if (s.ok()) s = compute_design(file, {100}, r);
    EXPECT_NE(s.message.find(k.error), std::string::npos) << k.error << "\n got: " << s.message;
  }
  std::string twelve = vented;
  for (int i = 0; i < 10; ++i) twelve += "[[resonator]]\n" + trap + "Q = 29\n";
  compute(twelve, {100});
}

TEST(DesignResonators, ParameterFileRefusesWhatItCannotHold) {
  const struct {
    std::string text, error;
  } cases[] = {
      {flow_design(trap + "Q = 29\n"), "a volume-velocity source cannot be written"},
      {read_file(EXAMPLES_DIR "/designs/woofer_closed.toml") + "[[resonator]]\n" + trap + "Q = 29\n",
       "closed side chamber cannot be written"},
      {read_file(EXAMPLES_DIR "/designs/woofer_vented.toml") + "[model]\nducts = \"auto\"\n",
       "distributed ducts cannot be written"},
  };
  for (const auto& k : cases) {
    design_file file;
    ASSERT_EQ(parse_design_text(k.text, "d.toml", file).message, "");
    EXPECT_NE(check_emittable(file).message.find(k.error), std::string::npos) << k.error;
  }
}

// The shipped trap as a user runs it: its figures, and one line with
// nothing written for what it cannot do.
TEST(DesignResonators, ShippedTrapFromTheCommandLine) {
  if (std::string(ACOUSTIC_DESIGN_PATH).empty()) GTEST_SKIP();
  const std::string program = "'" ACOUSTIC_DESIGN_PATH "' " EXAMPLES_DIR "/designs/chamber_trap.toml --out out";
  scratch_dir dir;
  const program_run r = run_in(dir.path(), program, "");
  EXPECT_EQ(r.exit_code, 0) << r.err;
  const std::string summary = read_file(dir.file("out/chamber_trap_summary.csv"));
  for (const char* row : {"resonator_1_fr,120.102,Hz\n", "resonator_1_Q,29,\n",
                          "resonator_1_neck_effective_length,81.5,mm\n", "notch_1_frequency,119.536,Hz\n"})
    EXPECT_NE(summary.find(row), std::string::npos) << row;
  const struct {
    const char* options;
    const char* error;
  } refused[] = {
      {" --transient step", "--transient drives the design through its voice coil: a volume-velocity source has none"},
      {" --emit-parameters p", "--emit-parameters: a volume-velocity source cannot be written"},
      {" --refine 0", "option --refine is \"0\": expected a whole number of rows per bandwidth from 1 to 1000"},
  };
  for (const auto& k : refused) {
    scratch_dir empty;
    const program_run bad = run_in(empty.path(), program + k.options, "");
    EXPECT_EQ(bad.exit_code, 1) << k.options;
    EXPECT_NE(bad.err.find(k.error), std::string::npos) << bad.err;
    EXPECT_EQ(std::count(bad.err.begin(), bad.err.end(), '\n'), 1) << bad.err;
    EXPECT_FALSE(std::ifstream(empty.file("out/chamber_trap.csv")).good()) << k.options;
  }
}

}  // namespace
