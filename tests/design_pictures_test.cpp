// acoustic_design's pictures as a user meets them: no gnuplot or a failing
// one costs the pictures alone (one warning, the tables kept, no earlier
// picture left), a run that fails midway writes nothing, and two --vary
// options make a grid.
#include <gtest/gtest.h>

#include <cmath>

#include "test_support.h"

namespace {

const std::string design_program = "'" ACOUSTIC_DESIGN_PATH "'";
const std::string vented = EXAMPLES_DIR "/designs/woofer_vented.toml";

bool have_gnuplot() { return std::system("gnuplot -e 'set terminal pngcairo' > /dev/null 2>&1") == 0; }

TEST(DesignPictures, MissingOrFailingGnuplotKeepsTheTables) {
  if (!have_gnuplot()) GTEST_SKIP() << "no gnuplot";
  scratch_dir dir;
  ASSERT_EQ(std::system(("mkdir -p '" + dir.file("fake") + "' '" + dir.file("empty") + "'").c_str()), 0);
  // A real gnuplot told to draw on a terminal it does not have.
  write_file(dir.file("fake/gnuplot"), std::string("#!/bin/sh\n{ echo 'set terminal no_such_terminal'; cat; } | PATH='") +
                                           std::getenv("PATH") + "' gnuplot \"$@\"\n");
  ASSERT_EQ(std::system(("chmod +x '" + dir.file("fake/gnuplot") + "'").c_str()), 0);
  const struct {
    const char* name;
    std::string path;
    std::string warning;
  } cases[] = {
      {"missing", dir.file("empty"),
       "acoustic_design: warning: no pictures: gnuplot not found: expected gnuplot with the pngcairo terminal "
       "(Debian: apt-get install gnuplot-nox)\n"},
      {"bad terminal", dir.file("fake") + ":" + std::getenv("PATH"),
       "acoustic_design: warning: no pictures: gnuplot: unknown or ambiguous terminal type; type just 'set "
       "terminal' for a list\n"},
  };
  for (const auto& c : cases) {
    write_file(dir.file("out/woofer_vented.png"), "an earlier picture");
    write_file(dir.file("out/woofer_vented_transient.png"), "an earlier picture");
    const program_run r = run_in(dir.path(), "PATH='" + c.path + "' " + design_program + " " + vented +
                                                 " --out out --transient burst:32Hz:4",
                                 "");
    EXPECT_EQ(r.exit_code, 0) << c.name;
    EXPECT_EQ(r.err, c.warning) << c.name;
    EXPECT_TRUE(contains(r.out, "wrote out/woofer_vented.csv, out/woofer_vented_summary.csv\n")) << c.name;
    EXPECT_TRUE(contains(r.out, "wrote out/woofer_vented_transient.csv\n")) << c.name;
    EXPECT_EQ(split(read_file(dir.file("out/woofer_vented.csv"))).size(), 368u) << c.name;
    for (const char* png : {"out/woofer_vented.png", "out/woofer_vented_transient.png", "out/woofer_vented.png.incomplete"})
      EXPECT_FALSE(file_exists(dir.file(png))) << c.name << " " << png;
  }
  const program_run drawn = run_in(dir.path(), design_program + " " + vented + " --out out", "");
  EXPECT_EQ(drawn.err, "");
  EXPECT_EQ(read_file(dir.file("out/woofer_vented.png")).substr(1, 3), "PNG");
  // --no-picture: the tables, and no picture of an earlier run.
  const program_run bare = run_in(dir.path(), design_program + " " + vented + " --out out --no-picture", "");
  EXPECT_EQ(bare.err, "");
  EXPECT_TRUE(contains(bare.out, "wrote out/woofer_vented.csv, out/woofer_vented_summary.csv\n"));
  EXPECT_FALSE(file_exists(dir.file("out/woofer_vented.png")));
}

// The second design fails to read: the first one's files are not written.
TEST(DesignPictures, ARunThatFailsMidwayWritesNothing) {
  scratch_dir dir;
  write_file(dir.file("bad.toml"), "[driver]\nfs = \"28 Hz\"\n");
  const program_run r = run_in(dir.path(), design_program + " " + vented + " bad.toml --out out --no-picture", "");
  EXPECT_EQ(r.exit_code, 1);
  for (const char* file : {"out/woofer_vented.csv", "out/woofer_vented_summary.csv", "out/compare_summary.csv"})
    EXPECT_FALSE(file_exists(dir.file(file))) << file;
}

// Vb 30..60 l by fb 28..34 Hz: 16 rows, the first key outer, both values given.
TEST(DesignPictures, TwoVariedKeysMakeAGrid) {
  scratch_dir dir;
  const program_run r = run_in(dir.path(),
                               design_program + " " + vented +
                                   " --out out --no-picture --vary enclosure.Vb=30l:60l:10l --vary enclosure.fb=28Hz:34Hz:2Hz",
                               "");
  ASSERT_EQ(r.exit_code, 0) << shown(r.err);
  const std::vector<std::string> lines = split(read_file(dir.file("out/compare_summary.csv")));
  ASSERT_EQ(lines.size(), 17u);
  EXPECT_EQ(lines[0].rfind("design,Vb[l],fb[Hz],fs[Hz],", 0), 0u) << lines[0];
  for (int i = 0; i < 16; ++i) {
    const int vb = 30 + 10 * (i / 4), fb = 28 + 2 * (i % 4);
    const std::vector<std::string> f = split(lines[i + 1], ',');
    EXPECT_EQ(f[0], "Vb = " + std::to_string(vb) + " l; fb = " + std::to_string(fb) + " Hz") << i;
    EXPECT_EQ(f[1], std::to_string(vb)) << i;
    EXPECT_EQ(f[2], std::to_string(fb)) << i;
  }
  const program_run third =
      run_in(dir.path(),
             design_program + " " + vented +
                 " --out out --vary enclosure.Vb=30l:60l:10l --vary enclosure.fb=28Hz:34Hz:2Hz --vary driver.Qes=0.3:0.4:0.1",
             "");
  EXPECT_EQ(third.exit_code, 1);
  EXPECT_EQ(third.err, "acoustic_design: option --vary is given 3 times: expected at most 2 (a grid of two keys)\n");
}

// With a second-order high-pass (20 Hz, Q 0.707) a step of 2.83 V rms:
// the amplifier's column holds the step, sqrt(2) 2.83 V, on every row; the
// coil's voltage follows the filter's step response
// V e^(-a t) (cos(wd t) - a / wd sin(wd t)), a = w / (2 Q), wd = w sqrt(1 - 1 / (4 Q^2)).
TEST(DesignPictures, TransientGivesTheAmplifierVoltageBesideTheFilteredOne) {
  scratch_dir dir;
  std::string text = read_file(vented);
  text.insert(text.find("[limits]"), "[drive]\nhighpass = { order = 2, frequency = \"20 Hz\", Q = 0.707 }\n\n");
  write_file(dir.file("hp.toml"), text);
  const program_run r = run_in(dir.path(), design_program + " hp.toml --out out --no-picture --transient step", "");
  ASSERT_EQ(r.exit_code, 0) << shown(r.err);
  const std::string table = read_file(dir.file("out/hp_transient.csv"));
  EXPECT_EQ(table.substr(0, table.find('\n')),
            "time[ms],voltage[V],current[A],excursion[mm],cone_velocity[m/s],port_velocity[m/s],pressure[Pa],"
            "amplifier_voltage[V]");
  const double v = std::sqrt(2.0) * 2.83, w = 2 * M_PI * 20, a = w / (2 * 0.707),
               wd = w * std::sqrt(1 - 1 / (4 * 0.707 * 0.707));
  const std::vector<std::vector<double>> rows = csv_rows(dir.file("out/hp_transient.csv"));
  ASSERT_GT(rows.size(), 100u);
  for (const std::vector<double>& row : rows) {
    ASSERT_EQ(row.size(), 8u);
    EXPECT_NEAR(row[7], v, 1e-6) << row[0];
    const double t = row[0] / 1000;
    ASSERT_NEAR(row[1], v * std::exp(-a * t) * (std::cos(wd * t) - a / wd * std::sin(wd * t)), 2e-3) << row[0];
  }
  // Without a filter the table is as it was.
  const program_run plain = run_in(dir.path(), design_program + " " + vented + " --out out --no-picture --transient step", "");
  ASSERT_EQ(plain.exit_code, 0);
  const std::string plain_table = read_file(dir.file("out/woofer_vented_transient.csv"));
  EXPECT_EQ(plain_table.substr(0, plain_table.find('\n')),
            "time[ms],voltage[V],current[A],excursion[mm],cone_velocity[m/s],port_velocity[m/s],pressure[Pa]");
}

// The lines of the data block $NAME in a script.
std::vector<std::string> block(const std::string& script, const std::string& name) {
  const std::string start = "$" + name + " << EOD\n";
  const std::size_t at = script.find(start);
  if (at == std::string::npos) return {};
  const std::size_t end = script.find("EOD\n", at + start.size());
  return split(script.substr(at + start.size(), end - at - start.size()));
}

// What the program fed gnuplot, copied on the way by a gnuplot on the PATH.
std::string captured_run(const scratch_dir& dir, const std::string& args) {
  EXPECT_EQ(std::system(("mkdir -p '" + dir.file("capture") + "'").c_str()), 0);
  write_file(dir.file("capture/gnuplot"), "#!/bin/sh\ntee '" + dir.file("script.gp") + "' | PATH='" +
                                              std::getenv("PATH") + "' gnuplot \"$@\"\n");
  EXPECT_EQ(std::system(("chmod +x '" + dir.file("capture/gnuplot") + "'").c_str()), 0);
  const program_run r = run_in(dir.path(), "PATH='" + dir.file("capture") + ":" + std::getenv("PATH") + "' " +
                                               design_program + " " + args,
                               "");
  EXPECT_EQ(r.exit_code, 0) << shown(r.err);
  EXPECT_EQ(r.err, "");
  return read_file(dir.file("script.gp"));
}

// The picture draws the table's own rows and marks the summary's F3 and fb.
TEST(DesignPictures, PictureDrawsTheTableItWrote) {
  if (!have_gnuplot()) GTEST_SKIP() << "no gnuplot";
  scratch_dir dir;
  const std::string script = captured_run(dir, vented + " --out out");
  const std::vector<std::string> table = split(read_file(dir.file("out/woofer_vented.csv")));
  ASSERT_EQ(table.size(), 368u);
  EXPECT_EQ(block(script, "design"), std::vector<std::string>(table.begin() + 1, table.end()));
  std::string f3, fb;
  for (const std::string& line : split(read_file(dir.file("out/woofer_vented_summary.csv")))) {
    const std::vector<std::string> f = split(line, ',');
    if (f[0] == "F3") f3 = f[1];
    if (f[0] == "fb") fb = f[1];
  }
  ASSERT_EQ(fb, "32");
  EXPECT_TRUE(contains(script, "set arrow 1 from " + f3 + ", graph 0 to " + f3 + ", graph 1 nohead")) << f3;
  EXPECT_TRUE(contains(script, "set label 1 'F3 " + f3 + " Hz' at " + f3 + ", graph"));
  EXPECT_TRUE(contains(script, "set arrow 2 from 32, graph 0 to 32, graph 1 nohead"));
}

// study.png's points: the varied value, then F3, lowest_max_SPL,
// port_physical_length and Zmin exactly as compare_summary.csv gives them.
TEST(DesignPictures, StudyPointsEqualTheSummaryFigures) {
  if (!have_gnuplot()) GTEST_SKIP() << "no gnuplot";
  scratch_dir dir;
  const std::string script = captured_run(dir, vented + " --out out --vary enclosure.Vb=30l:50l:10l");
  const std::vector<std::string> summary = split(read_file(dir.file("out/compare_summary.csv")));
  const std::vector<std::string> header = split(summary[0], ',');
  auto column = [&](const std::string& name) {
    for (std::size_t c = 0; c < header.size(); ++c)
      if (header[c].rfind(name + "[", 0) == 0) return c;
    ADD_FAILURE() << name;
    return std::size_t{0};
  };
  const std::vector<std::string> points = block(script, "study");
  ASSERT_EQ(points.size(), 3u);
  for (std::size_t i = 0; i < 3; ++i) {
    const std::vector<std::string> row = split(summary[i + 1], ','), point = split(points[i], ',');
    ASSERT_EQ(point.size(), 6u);
    EXPECT_EQ(point[0], std::to_string(30 + 10 * i));
    EXPECT_EQ(point[1], row[column("F3")]) << i;
    EXPECT_EQ(point[2], row[column("lowest_max_SPL")]) << i;
    EXPECT_EQ(point[3], row[column("port_physical_length")]) << i;
    EXPECT_EQ(point[4], row[column("Zmin")]) << i;
  }
}

}  // namespace
