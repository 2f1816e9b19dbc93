// acoustic_design as a user runs it: the shipped designs, the parameter
// file it emits for acoustic_sim checked through acoustic_steady, and one
// error line for every bad command line, in all three companions.
#include <gtest/gtest.h>

#include <cmath>
#include <map>

#include "test_support.h"

namespace {

const std::string design_program = "'" ACOUSTIC_DESIGN_PATH "'";
const std::string designs = EXAMPLES_DIR "/designs/";

bool have_gnuplot() { return std::system("gnuplot -e 'set terminal pngcairo' > /dev/null 2>&1") == 0; }

std::map<std::string, double> summary_of(const std::string& path) {
  std::map<std::string, double> values;
  for (const std::string& line : split(read_file(path))) {
    const std::vector<std::string> fields = split(line, ',');
    if (fields.size() >= 2 && fields[0] != "quantity") values[fields[0]] = std::stod(fields[1]);
  }
  return values;
}

// Every shipped design runs clean and answers with the figures its
// enclosure has, checked against the hand-worked numbers in its comment.
TEST(DesignProgram, ShippedDesigns) {
  const struct {
    const char* name;
    std::map<std::string, double> figures;  // within 0.1 %
    const char* extra_columns;
  } cases[] = {
      // fc = 28 Hz sqrt(1 + 58 / 30) = 47.956 Hz, Qtc = 0.38415 x 1.7127
      {"woofer_closed", {{"fc", 47.956}, {"Qtc", 0.65793}, {"Vb", 30}}, ",excursion_at_Pe[mm]"},
      // Leff = c^2 Sp / ((2 pi 32 Hz)^2 50 l) = 258.3 mm, less 1.46 x 37.5 mm
      {"woofer_vented", {{"fb", 32}, {"port_effective_length", 258.31}, {"port_physical_length", 203.56}},
       ",port_velocity[m/s],excursion_at_Pe[mm],port_velocity_at_Pe[m/s]"},
      {"woofer_baffle", {{"fs", 28}, {"Bl", 9.4706}}, ",excursion_at_Pe[mm]"},
      {"woofer_bandpass4", {{"fb", 55}, {"Vr", 20}}, ",port_velocity[m/s],excursion_at_Pe[mm],port_velocity_at_Pe[m/s]"},
      // fp' = sqrt(18^2 + rho c^2 A^2 / (Vb Mmp) / (2 pi)^2) = 29.45 Hz
      {"woofer_passive", {{"fp_box", 29.45}, {"Vb", 40}}, ",radiator_excursion[mm],excursion_at_Pe[mm]"},
  };
  for (const auto& c : cases) {
    scratch_dir dir;
    const program_run r = run_in(dir.path(), design_program + " " + designs + c.name + ".toml --out out", "");
    EXPECT_EQ(r.exit_code, 0) << c.name << shown(r.err);
    EXPECT_EQ(r.err, "") << c.name;
    const std::string table = read_file(dir.file(std::string("out/") + c.name + ".csv"));
    EXPECT_EQ(table.substr(0, table.find('\n')),
              std::string("frequency[Hz],SPL[dB],phase[deg],group_delay[ms],excursion[mm],impedance[ohm],"
                          "impedance_phase[deg],max_SPL[dB],max_voltage[V]") +
                  c.extra_columns + ",limited_by");
    // 5 Hz to 1 kHz at 48 per octave: 5 x 2^(k/48) <= 1000, k = 0..366.
    EXPECT_EQ(split(table).size(), 368u) << c.name;
    const auto summary = summary_of(dir.file(std::string("out/") + c.name + "_summary.csv"));
    for (const auto& [quantity, expected] : c.figures)
      EXPECT_NEAR(summary.at(quantity), expected, 1e-3 * expected) << c.name << " " << quantity;
    if (have_gnuplot()) {
      EXPECT_TRUE(file_exists(dir.file(std::string("out/") + c.name + ".png"))) << c.name;
    }
  }
}

// With Le = 0 and no leak the coil is exactly a force and a damping: the
// emitted parameter file, solved by acoustic_steady with its force, gives
// the design's SPL, excursion and port velocity to the printed digits.
TEST(DesignProgram, EmittedParametersSolveToTheSameFigures) {
  if (std::string(ACOUSTIC_STEADY_PATH).empty()) GTEST_SKIP() << "acoustic_steady not built";
  scratch_dir dir;
  write_file(dir.file("box.toml"),
             "[driver]\nfs = \"28 Hz\"\nQms = 4.5\nQes = 0.42\nVas = \"58 l\"\nSd = \"220 cm2\"\nRe = \"5.6 ohm\"\n"
             "[enclosure]\ntype = \"vented\"\nVb = \"50 l\"\nfb = \"32 Hz\"\nport_diameter = \"75 mm\"\nQl = inf\n");
  const program_run design = run_in(dir.path(), design_program + " box.toml --grid 10:400:12 --emit-parameters sim", "");
  ASSERT_EQ(design.exit_code, 0) << shown(design.err);
  EXPECT_EQ(read_file(dir.file("sim/answers.txt")), "0\n1\n0\n32\n");
  const program_run steady = run_in(dir.path() + "/sim", "'" ACOUSTIC_STEADY_PATH "' --vector-sum 0", "");
  ASSERT_EQ(steady.exit_code, 0) << shown(steady.err);
  // Both grids hold 10, 20, 40, 80, 160 and 320 Hz.
  std::map<std::string, std::vector<std::string>> by_frequency;
  for (const std::string& line : split(read_file(dir.file("sim/steady_state_design.csv"))))
    by_frequency[line.substr(0, line.find(','))] = split(line, ',');
  int shared = 0;
  for (const std::string& line : split(read_file(dir.file("box.csv")))) {
    const std::vector<std::string> d = split(line, ',');
    const auto s = by_frequency.find(d[0]);
    if (s == by_frequency.end() || d[0][0] == 'f') continue;
    ++shared;
    EXPECT_EQ(d[1], s->second[1]) << "SPL at " << d[0];
    EXPECT_EQ(d[4], s->second[4]) << "excursion at " << d[0];
    EXPECT_EQ(d[9], s->second[5]) << "port velocity at " << d[0];
  }
  EXPECT_EQ(shared, 6);
  // acoustic_sim runs what was emitted, stable and free of warnings.
  const program_run sim = run_in(dir.path() + "/sim", "'" ACOUSTIC_SIM_PATH "'", read_file(dir.file("sim/answers.txt")));
  EXPECT_EQ(sim.exit_code, 0);
  EXPECT_EQ(sim.err, "");
}

TEST(DesignProgram, EmittingWhatTheSimulationCannotHoldIsSaid) {
  scratch_dir dir;
  const program_run leaky = run_in(dir.path(), design_program + " " + designs + "woofer_vented.toml --out . " +
                                                   "--emit-parameters sim", "");
  EXPECT_EQ(leaky.exit_code, 0);
  EXPECT_TRUE(contains(leaky.out, "note: parameters.txt leaves out the box's leak (Ql)")) << leaky.out;
  EXPECT_TRUE(contains(leaky.out, "note: parameters.txt leaves out Le")) << leaky.out;
  const program_run bandpass = run_in(dir.path(), design_program + " " + designs + "woofer_bandpass4.toml --out . " +
                                                      "--emit-parameters bp", "");
  EXPECT_EQ(bandpass.exit_code, 1);
  EXPECT_TRUE(contains(bandpass.err, "acoustic_design: --emit-parameters: a bandpass4 cannot be written")) << bandpass.err;
  EXPECT_FALSE(file_exists(dir.file("bp/parameters.txt")));
}

// A failed design leaves the earlier results as they were.
TEST(DesignProgram, BadDesignKeepsEarlierResults) {
  scratch_dir dir;
  const std::string good = read_file(designs + "woofer_closed.toml");
  write_file(dir.file("box.toml"), good);
  ASSERT_EQ(run_in(dir.path(), design_program + " box.toml", "").exit_code, 0);
  const std::string before = read_file(dir.file("box.csv")) + read_file(dir.file("box_summary.csv"));
  write_file(dir.file("box.toml"), good + "Xmax = \"6 mm\"\n");  // in [drive], where it does not belong
  const program_run r = run_in(dir.path(), design_program + " box.toml", "");
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.err, "acoustic_design: box.toml: unknown key drive.Xmax: expected one of the keys of [drive]: voltage, distance, "
                   "space, highpass\n");
  EXPECT_EQ(read_file(dir.file("box.csv")) + read_file(dir.file("box_summary.csv")), before);
}

std::string transient_error(const std::string& value) {
  return "acoustic_design: option --transient is \"" + value +
         "\": expected step, impulse, burst:FREQ:CYCLES (e.g. burst:40Hz:8) or sine:FREQ:SECONDS (e.g. "
         "sine:40Hz:2s), FREQ from 0 to 20 kHz, CYCLES a whole number from 1 to 1000, SECONDS up to 60 s\n";
}

TEST(CommandLines, OneErrorLineAndHelp) {
  const std::string plot = "'" ACOUSTIC_PLOT_PATH "'";
  const struct {
    std::string command, err;
  } cases[] = {
      {design_program, "acoustic_design: no design file: expected acoustic_design DESIGN.toml (see --help)\n"},
      {design_program + " --bogus", "acoustic_design: unknown option \"--bogus\": see --help\n"},
      {design_program + " x.toml --out", "acoustic_design: option --out needs a value: see --help\n"},
      {design_program + " x.toml --grid=5:1000", "acoustic_design: option --grid is \"5:1000\": expected "
                                                 "FROM:TO:PER_OCTAVE, e.g. 5:1000:48 (Hz, 0 < FROM < TO, PER_OCTAVE a "
                                                 "whole number from 1 to 1000)\n"},
      {design_program + " missing.toml", "acoustic_design: cannot open missing.toml: expected a design file (TOML)\n"},
      {design_program + " x.toml --transient burst:40Hz", transient_error("burst:40Hz")},
      {design_program + " x.toml --transient burst:40kHz:8", transient_error("burst:40kHz:8")},
      {design_program + " x.toml --transient burst:40Hz:0", transient_error("burst:40Hz:0")},
      {design_program + " x.toml --transient sine:40Hz:2kg", transient_error("sine:40Hz:2kg")},
      {design_program + " x.toml --transient sine:40Hz:61s", transient_error("sine:40Hz:61s")},
      {design_program + " x.toml --transient pulse", transient_error("pulse")},
      {design_program + " x.toml --duration 1s", "acoustic_design: option --duration needs --transient: see --help\n"},
      {design_program + " x.toml --transient step --duration 0s",
       "acoustic_design: option --duration is \"0s\": expected a time above 0 and up to 60 s, e.g. 500ms\n"},
      {design_program + " --write d", "acoustic_design: option --write needs --align: see --help\n"},
      {design_program + " x.toml --align y.toml",
       "acoustic_design: option --align works on the driver alone: expected no design file, --vary, --transient, "
       "--at or --emit-parameters with it\n"},
      {design_program + " a.toml b.toml --vary enclosure.Vb=20l:30l:10l",
       "acoustic_design: option --vary studies one design: expected one design file\n"},
      {plot + " --transient x.csv", "acoustic_plot: option --transient needs --output: see --help\n"},
      {plot + " --bogus", "acoustic_plot: unknown option \"--bogus\": see --help\n"},
      {plot + " --design", "acoustic_plot: option --design needs a value: see --help\n"},
  };
  scratch_dir dir;
  for (const auto& c : cases) {
    const program_run r = run_in(dir.path(), c.command, "");
    EXPECT_EQ(r.exit_code, 1) << c.command;
    EXPECT_EQ(r.err, c.err) << c.command;
  }
  for (const std::string& program : {design_program, plot, std::string("'" ACOUSTIC_STEADY_PATH "'")}) {
    const program_run help = run_in(dir.path(), program + " --help", "");
    EXPECT_EQ(help.exit_code, 0) << program;
    EXPECT_TRUE(contains(help.out, "--help")) << program;
  }
  // acoustic_steady takes --opt=value as well as --opt value.
  write_file(dir.file("parameters.txt"), closed_box);
  EXPECT_EQ(run_in(dir.path(), "'" ACOUSTIC_STEADY_PATH "' --vector-sum=0 --space=full --distance 2", "").exit_code, 0);
  EXPECT_EQ(read_file(dir.file("steady_state_design_settings.txt")).substr(0, 27), "distance=2 m\nspace=full\ndri");
}

}  // namespace
