// The picture-makers: each script carries exactly the rows of the table it
// draws, its marks at the summary's frequencies and the max-SPL curve cut
// into the stretches the table's limited_by column names; gnuplot missing
// or failing leaves no picture and one line.
#include <gtest/gtest.h>

#include "pictures/compare_picture.h"
#include "pictures/csv_table.h"
#include "pictures/design_picture.h"
#include "pictures/gnuplot_run.h"
#include "pictures/study_picture.h"
#include "pictures/transient_picture.h"
#include "test_support.h"

namespace {

// The lines of the data block $NAME in a script, empty if none.
std::vector<std::string> block(const std::string& script, const std::string& name) {
  const std::string start = "$" + name + " << EOD\n";
  const std::size_t at = script.find(start);
  if (at == std::string::npos) return {};
  const std::size_t end = script.find("EOD\n", at + start.size());
  std::vector<std::string> lines;
  std::size_t from = at + start.size();
  while (from < end) {
    const std::size_t newline = script.find('\n', from);
    lines.push_back(script.substr(from, newline - from));
    from = newline + 1;
  }
  return lines;
}

csv_table parsed(const std::string& text, const std::string& header) {
  csv_table t;
  const status s = parse_csv_table("t.csv", text, header, t);
  EXPECT_TRUE(s.ok()) << s.message;
  return t;
}

// Six rows of a vented box: the binding limit changes Xmax -> port -> Xmax -> Pe.
const std::string vented_table =
    std::string(design_table_header) +
    ",port_velocity[m/s],limited_by\n"
    "10.000000,60.100000,170.000000,12.000000,5.900000,8.000000,20.000000,90.000000,3.000000,4.000000,Xmax\n"
    "20.000000,75.200000,150.000000,14.000000,2.100000,20.000000,-30.000000,101.000000,8.000000,9.000000,Xmax\n"
    "30.000000,85.300000,-170.000000,18.000000,0.400000,6.000000,5.000000,103.000000,9.000000,16.000000,port\n"
    "40.000000,88.000000,-120.000000,9.000000,1.200000,30.000000,40.000000,104.000000,10.000000,3.000000,Xmax\n"
    "80.000000,88.500000,-60.000000,4.000000,0.300000,7.000000,10.000000,106.000000,23.660000,1.000000,Pe\n"
    "160.000000,88.400000,-20.000000,1.000000,0.100000,6.000000,3.000000,106.000000,23.660000,0.200000,Pe\n";

TEST(Pictures, DesignScriptHoldsTheTableRowByRow) {
  const csv_table t = parsed(vented_table, design_table_header);
  summary_figures s;
  s.values = {{"fs", "28"}, {"fb", "32"}, {"F3", "29.3576"}};
  const std::string script = design_picture_script(t, s, {"w: vented", "6", "17", ""}, "out.png");
  EXPECT_EQ(block(script, "design"), split(vented_table.substr(vented_table.find('\n') + 1)));
  // The phase breaks where it jumps by more than 180 degrees (150 -> -170).
  EXPECT_EQ(block(script, "phase"),
            (std::vector<std::string>{"10.000000,170.000000", "20.000000,150.000000", "", "30.000000,-170.000000",
                                      "40.000000,-120.000000", "80.000000,-60.000000", "160.000000,-20.000000"}));
  EXPECT_TRUE(contains(script, "set output 'out.png'\n"));
  EXPECT_TRUE(contains(script, "title 'limit 17 m/s'"));
  EXPECT_TRUE(contains(script, "title 'Xmax 6 mm'"));
}

TEST(Pictures, MaxSplStretchesFollowTheBindingLimit) {
  const csv_table t = parsed(vented_table, design_table_header);
  const std::vector<std::string> rows = split(vented_table.substr(vented_table.find('\n') + 1));
  const std::string script = design_picture_script(t, {}, {}, "out.png");
  const struct {
    const char* limit;
    std::vector<std::string> lines;
  } cases[] = {
      {"Xmax", {rows[0], rows[1], "", rows[3]}},  // two stretches, broken between them
      {"port", {rows[2]}},
      {"Pe", {rows[4], rows[5]}},
      {"radiator_Xmax", {}},
      {"none", {}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(block(script, std::string("limit_") + c.limit), c.lines) << c.limit;
    EXPECT_EQ(contains(script, std::string("title 'max SPL, limited by ") + c.limit + "'"), !c.lines.empty())
        << c.limit;
  }
  // Without the column, one black max-SPL curve.
  const std::string old = "frequency[Hz],SPL[dB],phase[deg],group_delay[ms],excursion[mm],impedance[ohm],"
                          "impedance_phase[deg],max_SPL[dB],max_voltage[V]\n"
                          "10.000000,60.100000,170.000000,12.000000,5.900000,8.000000,20.000000,90.000000,3.000000\n";
  const std::string plain = design_picture_script(parsed(old, design_table_header), {}, {}, "o.png");
  EXPECT_FALSE(contains(plain, "$limit_"));
  EXPECT_TRUE(contains(plain, "using 1:8 with lines lw 2 lc rgb 'black' title 'max SPL within the limits'"));
}

TEST(Pictures, MarksSitAtTheSummarysFrequencies) {
  const csv_table t = parsed(vented_table, design_table_header);
  const struct {
    std::vector<std::pair<std::string, std::string>> summary;
    std::vector<std::string> marks;  // in order: F3 first, then fc, fb, fp_box
  } cases[] = {
      {{{"fb", "32"}, {"F3", "29.3576"}}, {"F3 29.3576 Hz", "fb 32 Hz"}},
      {{{"fc", "47.9555"}, {"Qtc", "0.657927"}, {"F3", "51.6932"}}, {"F3 51.6932 Hz", "fc 47.9555 Hz"}},
      {{{"fp_box", "29.45"}}, {"fp_box 29.45 Hz"}},
      {{{"fs", "28"}}, {}},
  };
  for (const auto& c : cases) {
    summary_figures s;
    s.values = c.summary;
    const std::string script = design_picture_script(t, s, {}, "o.png");
    for (std::size_t i = 0; i < c.marks.size(); ++i) {
      const std::string value = c.marks[i].substr(c.marks[i].find(' ') + 1, c.marks[i].rfind(' ') - c.marks[i].find(' ') - 1);
      EXPECT_TRUE(contains(script, "set arrow " + std::to_string(i + 1) + " from " + value + ", graph 0 to " + value +
                                       ", graph 1 nohead"))
          << c.marks[i];
      EXPECT_TRUE(contains(script, "set label " + std::to_string(i + 1) + " '" + c.marks[i] + "' at " + value + ", graph"))
          << c.marks[i];
    }
    EXPECT_FALSE(contains(script, "set arrow " + std::to_string(c.marks.size() + 1) + " ")) << c.marks.size();
  }
}

TEST(Pictures, ClosedBoxSixthPanelIsTheMaximumVoltage) {
  const std::string closed = std::string(design_table_header) +
                             "\n10.000000,60.100000,170.000000,12.000000,5.900000,8.000000,20.000000,90.000000,3.000000\n";
  summary_figures s;
  s.values = {{"Pe", "100"}, {"Re", "5.6"}};
  const std::string script = design_picture_script(parsed(closed, design_table_header), s, {}, "o.png");
  // sqrt(100 W x 5.6 ohm) = 23.66 V
  EXPECT_TRUE(contains(script, "plot $design using 1:9 with lines lw 2 title 'max voltage', 23.66 with lines"));
}

TEST(Pictures, TransientScriptStartsFromZeroBeforeTheSwitchOn) {
  const std::string table = std::string(transient_table_header) +
                            ",port_velocity[m/s],pressure[Pa],amplifier_voltage[V]\n"
                            "0.000000,3.050000,0.000000,0.000000,0.000000,0.000000,0.010000,4.000000\n"
                            "0.013464,3.049000,0.010000,0.000001,0.000100,0.000000,0.020000,4.000000\n"
                            "0.026928,3.048000,0.020000,0.000003,0.000200,0.000001,0.030000,4.000000\n";
  const csv_table t = parsed(table, transient_table_header);
  const std::string script = transient_picture_script(t, {"step", "6", "17", ""}, "o.png");
  EXPECT_EQ(block(script, "transient"), split(table.substr(table.find('\n') + 1)));
  // One step before the first row, at 0 V, for the filtered and the amplifier's voltage.
  EXPECT_EQ(block(script, "switch_on"),
            (std::vector<std::string>{"-0.013464,0.000000", "0.000000,3.050000", "", "", "-0.013464,0.000000",
                                      "0.000000,4.000000"}));
  EXPECT_TRUE(contains(script, "set yrange [*<0:0<*]"));
  EXPECT_TRUE(contains(script, "using 1:8 with lines lw 1.5 lc rgb 'gray50' title 'the signal, before the high-pass'"));
  EXPECT_TRUE(contains(script, "using 1:7 with lines lw 1.5 title 'at the listening point'"));
}

TEST(Pictures, CompareDrawsEachTableAndEachDistinctLimitOnce) {
  std::vector<compare_curve> curves(3);
  const std::string rows[3] = {"10.000000,60.0,0.0,1.0,2.0,8.0,0.0,90.0,3.0,4.0",
                               "10.000000,61.0,0.0,1.0,2.5,8.0,0.0,91.0,3.0,5.0",
                               "10.000000,62.0,0.0,1.0,3.0,8.0,0.0,92.0,3.0,6.0"};
  const char* xmax[3] = {"6", "8", "6"};
  for (int i = 0; i < 3; ++i) {
    curves[i].name = "d" + std::to_string(i);
    curves[i].table = parsed(std::string(design_table_header) + ",port_velocity[m/s]\n" +
                                 rows[i] + "\n",
                             design_table_header);
    curves[i].xmax_mm = xmax[i];
    curves[i].port_limit = "17";
  }
  const std::string script = compare_picture_script(curves, "t", "", "c.png");
  for (int i = 0; i < 3; ++i) EXPECT_EQ(block(script, "c" + std::to_string(i)), std::vector<std::string>{rows[i]});
  // Xmax 6 mm in the first design's colour, 8 mm in the second's; one port limit.
  EXPECT_TRUE(contains(script, ", 6 with lines lw 1.5 dt 2 lc 1 title 'Xmax 6 mm'"));
  EXPECT_TRUE(contains(script, ", 8 with lines lw 1.5 dt 2 lc 2 title 'Xmax 8 mm'"));
  std::size_t limits = 0;
  for (std::size_t at = script.find("title 'limit 17 m/s'"); at != std::string::npos;
       at = script.find("title 'limit 17 m/s'", at + 1))
    ++limits;
  EXPECT_EQ(limits, 1u);
}

TEST(Pictures, MoreThanEightValuesAreColouredByValue) {
  std::vector<compare_curve> curves(9);
  for (int i = 0; i < 9; ++i) {
    curves[i].name = "Vb";
    curves[i].table = parsed(std::string(design_table_header) + "\n10.000000,1.0,1.0,1.0,1.0,1.0,1.0,1.0,1.0\n",
                             design_table_header);
    curves[i].has_value = true;
    curves[i].value = 20 + 5 * i;
  }
  const std::string script = compare_picture_script(curves, "t", "Vb [l]", "c.png");
  EXPECT_TRUE(contains(script, "set cbrange [20:60]"));
  EXPECT_TRUE(contains(script, "set cblabel 'Vb [l]'"));
  EXPECT_TRUE(contains(script, "$c8 using 1:2 with lines lw 2 lc palette cb 60 notitle"));
  curves.pop_back();
  EXPECT_TRUE(contains(compare_picture_script(curves, "t", "Vb [l]", "c.png"), "$c7 using 1:2 with lines lw 2 lc 8 title 'Vb'"));
}

TEST(Pictures, FiftyEvenlySpacedDesignsFirstAndLastAmongThem) {
  const struct {
    std::size_t count;
    std::vector<std::size_t> expected_head;  // the first drawn
    std::size_t drawn;
  } cases[] = {{1, {0}, 1}, {50, {0, 1, 2}, 50}, {51, {0, 1, 2}, 50}, {99, {0, 2, 4}, 50}, {1000, {0, 20, 41, 61}, 50}};
  for (const auto& c : cases) {
    const std::vector<std::size_t> d = drawn_designs(c.count);
    ASSERT_EQ(d.size(), c.drawn) << c.count;
    EXPECT_EQ(d.front(), 0u);
    EXPECT_EQ(d.back(), c.count - 1) << c.count;
    for (std::size_t i = 0; i < c.expected_head.size(); ++i) EXPECT_EQ(d[i], c.expected_head[i]) << c.count;
    for (std::size_t i = 1; i < d.size(); ++i) EXPECT_GT(d[i], d[i - 1]);
  }
}

TEST(Pictures, StudyPointsAreTheSummarysFigures) {
  std::vector<study_point> points(2);
  points[0].values = {20};
  points[0].summary.values = {{"F3", "40.1"}, {"lowest_max_SPL", "98.5"}, {"port_physical_length", "300"}, {"Zmin", "5.6"}};
  points[0].limit = "port";
  points[1].values = {25};
  points[1].summary.values = {{"Zmin", "5.7"}, {"F3", "38"}, {"lowest_max_SPL", "99"}};
  EXPECT_EQ(study_lines(points), (std::vector<std::string>{"20,40.1,98.5,300,5.6,port", "25,38,99,NaN,5.7,none"}));
  // A grid: a blank line where the first value changes, both values first.
  std::vector<study_point> grid(4);
  for (int i = 0; i < 4; ++i) {
    grid[i].values = {i < 2 ? 20.0 : 30.0, i % 2 ? 35.0 : 30.0};
    grid[i].summary.values = {{"F3", std::to_string(40 + i)}};
  }
  EXPECT_EQ(study_lines(grid), (std::vector<std::string>{"20,30,40,NaN,NaN,NaN,none", "20,35,41,NaN,NaN,NaN,none", "",
                                                         "30,30,42,NaN,NaN,NaN,none", "30,35,43,NaN,NaN,NaN,none"}));
  const std::string map = study_picture_script({"Vb [l]", "fb [Hz]"}, grid, "g", "s.png");
  EXPECT_TRUE(contains(map, "plot $study using 1:2:3 with image"));
  EXPECT_TRUE(contains(map, "strcol(7) eq 'Xmax' ? 0 : strcol(7) eq 'port' ? 1 :"));
  // One key: the limit's points only for the limits that occur.
  const std::string line = study_picture_script({"Vb [l]"}, points, "s", "s.png");
  EXPECT_TRUE(contains(line, "using 1:(strcol(6) eq 'port' ? $3 : NaN) with points pt 7 ps 0.8 lc rgb '#1f77b4'"));
  EXPECT_TRUE(contains(line, "strcol(6) eq 'none'"));
  EXPECT_FALSE(contains(line, "strcol(6) eq 'Xmax'"));
}

TEST(Pictures, TablesThatCannotBeDrawnAreOneLine) {
  const struct {
    std::string text;
    std::string error;
  } cases[] = {
      {"", "t.csv: empty: expected a header and rows"},
      {"time,x\n1.0,2.0\n", "t.csv: header \"time,x\": expected frequency[Hz],SPL[dB]..."},
      {"frequency[Hz],SPL[dB]\n", "t.csv: no rows: expected at least one"},
      {"frequency[Hz],SPL[dB]\n1.000000,2.000000\n1.000000\n", "t.csv: line 3 has 1 fields: expected 2"},
      {"frequency[Hz],SPL[dB]\n1.000000,abc\n", "t.csv: line 2 field 2 is \"abc\": expected a number"},
      {"frequency[Hz],SPL[dB]\n1.000000,1e5\n", "t.csv: line 2 field 2 is \"1e5\": expected a number"},
      {"frequency[Hz],SPL[dB],limited_by\n1.000000,-inf,Xmax\n", ""},
  };
  for (const auto& c : cases) {
    csv_table t;
    const status s = parse_csv_table("t.csv", c.text, "frequency[Hz],SPL[dB]", t);
    EXPECT_EQ(s.ok() ? "" : s.message, c.error) << c.text;
  }
}

bool have_gnuplot() { return std::system("gnuplot -e 'set terminal pngcairo' > /dev/null 2>&1") == 0; }

TEST(Pictures, GnuplotMissingOrFailingDrawsNothing) {
  scratch_dir dir;
  const std::string png = dir.file("p.png");
  const status missing = run_gnuplot({"set output '" + png + "'\nplot x\n"}, {png}, "no-such-gnuplot-here");
  EXPECT_EQ(missing.message, gnuplot_missing);
  if (!have_gnuplot()) GTEST_SKIP() << "no gnuplot";
  const status bad = run_gnuplot({"set terminal no_such_terminal\nset output '" + png + "'\nplot x\n"}, {png});
  EXPECT_EQ(bad.message, "gnuplot: unknown or ambiguous terminal type; type just 'set terminal' for a list");
  EXPECT_FALSE(file_exists(png));
  // A script that draws nothing into the file it promised.
  const status none = run_gnuplot({"print 1\n"}, {png});
  EXPECT_EQ(none.message, "gnuplot wrote no " + png);
  const csv_table t = parsed(vented_table, design_table_header);
  EXPECT_TRUE(run_gnuplot({design_picture_script(t, {}, {}, png)}, {png}).ok());
  EXPECT_EQ(read_file(png).substr(1, 3), "PNG");
}

}  // namespace
