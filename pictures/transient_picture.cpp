#include "pictures/transient_picture.h"

#include <cstdlib>

#include "pictures/gnuplot_script.h"
#include "util/message.h"

const char* const transient_table_header = "time[ms],voltage[V],current[A],excursion[mm],cone_velocity[m/s]";

namespace {

std::string limit_lines(const std::string& value, const std::string& name) {
  if (value.empty()) return "";
  return ", " + value + " with lines lw 1.5 dt 2 lc rgb 'red' title " + gnuplot_quoted(name) + ", -" + value +
         " with lines lw 1.5 dt 2 lc rgb 'red' notitle";
}

}  // namespace

std::string transient_picture_script(const csv_table& table, const design_labels& labels, const std::string& output) {
  const int port = table.column("port_velocity["), radiator = table.column("radiator_excursion["),
            pressure = table.column("pressure["), amplifier = table.column("amplifier_voltage[");
  const bool fourth = port > 0 || radiator > 0;
  const int panels = fourth ? 4 : 3;
  std::string s = picture_start(1200, panels * 300 + 100, output);
  s += data_block("transient", table.lines);
  // The record starts just after the switch-on: a point at 0 V one step
  // earlier shows the step itself.
  const std::string& t0 = table.fields.front()[0];
  const double step = table.lines.size() > 1
                          ? std::strtod(table.fields[1][0].c_str(), nullptr) - std::strtod(t0.c_str(), nullptr)
                          : 1;
  const std::string before = message("%f", std::strtod(t0.c_str(), nullptr) - step);
  std::vector<std::string> switch_on = {before + ",0.000000", t0 + "," + table.fields.front()[1]};
  if (amplifier) switch_on.insert(switch_on.end(), {"", "", before + ",0.000000", t0 + "," + table.fields.front()[amplifier - 1]});
  s += data_block("switch_on", switch_on);
  s += "set key inside top right opaque box\nset offsets 0, 0, graph 0.05, graph 0.05\nset lmargin 12\n";
  s += "set xrange [" + before + ":" + table.fields.back()[0] + "]\n";
  s += message("set multiplot layout %d,1 title %s\n", panels, gnuplot_quoted(labels.title).c_str());
  s += "set ylabel 'input [V]'\nset format x ''\nset yrange [*<0:0<*]\n";
  if (amplifier) {
    s += message("plot $transient using 1:%d with lines lw 1.5 lc rgb 'gray50' title 'the signal, before the high-pass', "
                 "$switch_on index 1 using 1:2 with lines lw 1.5 lc rgb 'gray50' notitle, "
                 "$transient using 1:2 with lines lw 1.5 lc 1 title 'at the coil, after the high-pass', "
                 "$switch_on index 0 using 1:2 with lines lw 1.5 lc 1 notitle\n",
                 amplifier);
  } else {
    s += "plot $transient using 1:2 with lines lw 1.5 lc 1 title 'voltage', "
         "$switch_on using 1:2 with lines lw 1.5 lc 1 notitle\n";
  }
  s += "set autoscale y\n";
  s += message("set ylabel 'pressure [Pa]'\nplot $transient using 1:%d with lines lw 1.5 title 'at the listening point'\n",
               pressure);
  s += "set ylabel 'excursion [mm]'\n";
  if (!fourth) s += "set format x '%g'\nset xlabel 'time [ms]'\n";
  s += "plot $transient using 1:4 with lines lw 1.5 title 'cone, forward'" +
       limit_lines(labels.xmax_mm, "Xmax " + labels.xmax_mm + " mm") + "\n";
  s += "set format x '%g'\nset xlabel 'time [ms]'\n";
  if (radiator) {
    s += message("set ylabel 'passive radiator [mm]'\nplot $transient using 1:%d with lines lw 1.5 title 'passive "
                 "radiator, forward'",
                 radiator) +
         limit_lines(labels.radiator_xmax_mm, "its Xmax " + labels.radiator_xmax_mm + " mm") + "\n";
  } else if (port) {
    s += message("set ylabel 'port air velocity [m/s]'\nplot $transient using 1:%d with lines lw 1.5 title 'port, out "
                 "of the box'",
                 port) +
         limit_lines(labels.port_limit, "limit " + labels.port_limit + " m/s") + "\n";
  }
  return s + picture_end();
}
