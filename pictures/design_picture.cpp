#include "pictures/design_picture.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "pictures/gnuplot_script.h"
#include "util/message.h"

const char* const design_table_header =
    "frequency[Hz],SPL[dB],phase[deg],group_delay[ms],excursion[mm],impedance[ohm],impedance_phase[deg],max_SPL[dB],"
    "max_voltage[V]";

const char* const limit_names[5] = {"Xmax", "port", "Pe", "radiator_Xmax", "none"};

const char* limit_colour(const std::string& limit) {
  if (limit == "Xmax") return "#d62728";
  if (limit == "port") return "#1f77b4";
  if (limit == "Pe") return "#ff7f0e";
  if (limit == "radiator_Xmax") return "#9467bd";
  return "#7f7f7f";
}

namespace {

const char* frequency_axis =
    "set logscale x\nset autoscale xfix\nset xlabel 'frequency [Hz]'\n"
    "set xtics (1, 2, 5, 10, 20, 50, 100, 200, 500, 1000, 2000, 5000, 10000, 20000)\n";

}  // namespace

std::vector<std::pair<std::string, std::vector<std::string>>> limit_stretches(const csv_table& table) {
  std::vector<std::pair<std::string, std::vector<std::string>>> out;
  const int column = table.column("limited_by");
  if (column == 0) return out;
  for (const char* name : limit_names) {
    std::vector<std::string> lines;
    bool inside = false;
    for (std::size_t i = 0; i < table.lines.size(); ++i) {
      const bool here = table.fields[i][column - 1] == name;
      if (here && !inside && !lines.empty()) lines.push_back("");
      if (here) lines.push_back(table.lines[i]);
      inside = here;
    }
    if (!lines.empty()) out.emplace_back(name, std::move(lines));
  }
  return out;
}

std::string design_picture_script(const csv_table& table, const summary_figures& summary, const design_labels& labels,
                                  const std::string& output) {
  std::string s = picture_start(1200, 1300, output);
  s += data_block("design", table.lines);
  s += data_block("phase", phase_lines(table.fields, 1, 3));
  s += data_block("zphase", phase_lines(table.fields, 1, 7));
  const auto stretches = limit_stretches(table);
  for (std::size_t i = 0; i < stretches.size(); ++i) s += data_block("limit_" + stretches[i].first, stretches[i].second);
  s += frequency_axis;
  s += "set key outside below center horizontal nobox noopaque width 3\n";
  s += "set multiplot layout 3,2 title " + gnuplot_quoted(labels.title) + "\n";

  // SPL with its marks: each a dotted vertical line, named from the foot,
  // where the curves rise away from it; the lowest named on its left, the
  // others on their right, so that close marks keep their names apart.
  s += "set ylabel 'SPL [dB re 20 uPa]'\n";
  const auto marks = frequency_marks(summary);
  double lowest = INFINITY;
  for (const auto& mark : marks) lowest = std::min(lowest, std::strtod(mark.second.c_str(), nullptr));
  int tag = 1;
  for (const auto& [name, value] : marks) {
    const bool left = std::strtod(value.c_str(), nullptr) == lowest;
    s += message("set arrow %d from %s, graph 0 to %s, graph 1 nohead dt 3 lw 1.5 lc rgb 'gray30'\n", tag,
                 value.c_str(), value.c_str());
    s += message("set label %d %s at %s, graph 0.03 rotate by 90 left offset %s, 0 textcolor rgb 'gray20'\n", tag,
                 gnuplot_quoted(name + " " + value + " Hz").c_str(), value.c_str(), left ? "-0.7" : "1.4");
    ++tag;
  }
  s += "plot $design using 1:2 with lines lw 2 lc rgb '#2ca02c' title 'SPL at the drive'";
  if (stretches.empty()) {
    s += ", $design using 1:8 with lines lw 2 lc rgb 'black' title 'max SPL within the limits'";
  } else {
    for (const auto& [name, lines] : stretches)
      s += message(", $limit_%s using 1:8 with lines lw 2.5 lc rgb '%s' title %s", name.c_str(), limit_colour(name),
                   gnuplot_quoted("max SPL, limited by " + name).c_str());
  }
  if (const int unfiltered = table.column("SPL_unfiltered["))
    s += message(", $design using 1:%d with lines lw 1.5 dt 2 lc rgb 'gray40' title 'SPL without the high-pass'",
                 unfiltered);
  s += "\n";
  for (int t = 1; t < tag; ++t) s += message("unset arrow %d\nunset label %d\n", t, t);

  s += "set ylabel '|Z| [ohm]'\nset y2label 'phase of Z [deg]'\nset y2tics\nset y2range [-90:90]\nset ytics nomirror\n"
       "plot $design using 1:6 with lines lw 2 title '|Z|', $zphase using 1:2 axes x1y2 with lines lw 1.5 dt 2 "
       "title 'phase of Z'\n"
       "unset y2label\nunset y2tics\nset ytics mirror\n";

  s += "set offsets 0, 0, graph 0.1, 0\nset ylabel 'cone excursion, peak [mm]'\n"
       "plot $design using 1:5 with lines lw 2 title 'excursion'";
  if (!labels.xmax_mm.empty())
    s += ", " + labels.xmax_mm + " with lines lw 2 dt 2 lc rgb 'red' title " + gnuplot_quoted("Xmax " + labels.xmax_mm + " mm");
  if (const int unfiltered = table.column("excursion_unfiltered["))
    s += message(", $design using 1:%d with lines lw 1.5 dt 2 lc rgb 'gray40' title 'without the high-pass'",
                 unfiltered);
  s += "\n";

  if (const int radiator = table.column("radiator_excursion[")) {
    s += message("set ylabel 'passive radiator excursion, peak [mm]'\nplot $design using 1:%d with lines lw 2 title "
                 "'passive radiator'",
                 radiator);
    if (!labels.radiator_xmax_mm.empty())
      s += ", " + labels.radiator_xmax_mm + " with lines lw 2 dt 2 lc rgb 'red' title " +
           gnuplot_quoted("its Xmax " + labels.radiator_xmax_mm + " mm");
    s += "\n";
  } else if (const int port = table.column("port_velocity[")) {
    s += message("set ylabel 'port air velocity, peak [m/s]'\nplot $design using 1:%d with lines lw 2 title 'port'", port);
    if (!labels.port_limit.empty())
      s += ", " + labels.port_limit + " with lines lw 2 dt 2 lc rgb 'red' title " +
           gnuplot_quoted("limit " + labels.port_limit + " m/s");
    s += "\n";
  } else {
    // Without a port the sixth panel shows how far the amplifier may go.
    s += "set logscale y\nset format y '%g'\nset ylabel 'max voltage within the limits [V]'\n"
         "plot $design using 1:9 with lines lw 2 title 'max voltage'";
    if (summary.has("Pe") && summary.has("Re")) {
      const std::string pe_voltage = message("%.4g", std::sqrt(summary.value("Pe") * summary.value("Re")));
      s += ", " + pe_voltage + " with lines lw 2 dt 2 lc rgb '#ff7f0e' title " +
           gnuplot_quoted("Pe's voltage sqrt(Pe Re) = " + pe_voltage + " V");
    }
    s += "\nunset logscale y\n";
  }

  s += "set ylabel 'group delay [ms]'\nplot $design using 1:4 with lines lw 2 title 'group delay'\n";
  s += "set ylabel 'phase of p [deg]'\nset yrange [-180:180]\nset ytics 90\n"
       "plot $phase using 1:2 with lines lw 2 title 'phase of the pressure against the voltage'\n";
  return s + picture_end();
}
