#include "pictures/compare_picture.h"

#include <algorithm>

#include "pictures/gnuplot_script.h"
#include "util/message.h"

namespace {

bool by_value(const std::vector<compare_curve>& curves) {
  if (curves.size() <= 8) return false;
  for (const compare_curve& c : curves)
    if (!c.has_value) return false;
  return true;
}

// The curve's colour clause: gnuplot's own sequence, or its value on the palette.
std::string colour(const std::vector<compare_curve>& curves, std::size_t i) {
  if (by_value(curves)) return message("lc palette cb %.10g", curves[i].value);
  return message("lc %zu", i + 1);
}

std::string legend(const std::vector<compare_curve>& curves, std::size_t i) {
  return by_value(curves) ? "notitle" : "title " + gnuplot_quoted(curves[i].name);
}

// The palette's range and bar, shown on the first panel only.
std::string colour_bar(const std::vector<compare_curve>& curves, const std::string& value_label) {
  if (!by_value(curves)) return "unset colorbox\n";
  // The colour bar names the curves: the key holds only the limit lines.
  double low = curves.front().value, high = low;
  for (const compare_curve& c : curves) {
    low = std::min(low, c.value);
    high = std::max(high, c.value);
  }
  if (high == low) high = low + 1;
  return message("set key nobox noopaque\nset palette rgbformulae 33,13,10\nset cbrange [%.10g:%.10g]\nset cblabel %s\nset colorbox\n", low,
                 high, gnuplot_quoted(value_label).c_str());
}

// One plot clause per curve whose table has the column named `prefix`.
std::string clauses(const std::vector<compare_curve>& curves, const std::string& prefix, const std::string& style = "") {
  std::string out;
  for (std::size_t i = 0; i < curves.size(); ++i) {
    const int column = curves[i].table.column(prefix);
    if (column == 0) continue;
    out += message("%s$c%zu using 1:%d with lines lw 2 %s%s %s", out.empty() ? "" : ", ", i, column, style.c_str(),
                   colour(curves, i).c_str(), legend(curves, i).c_str());
  }
  return out;
}

// A dashed line per distinct limit (the `field` of each curve), in the
// colour of the first design that has it, named with every design sharing it.
std::string limit_clauses(const std::vector<compare_curve>& curves, std::string compare_curve::*field,
                          const std::string& what, const std::string& unit) {
  std::string out;
  std::vector<std::string> seen;
  for (std::size_t i = 0; i < curves.size(); ++i) {
    const std::string& value = curves[i].*field;
    if (value.empty() || std::find(seen.begin(), seen.end(), value) != seen.end()) continue;
    seen.push_back(value);
    out += ", " + value + " with lines lw 1.5 dt 2 " + colour(curves, i) + " title " +
           gnuplot_quoted(what + " " + value + " " + unit);
  }
  return out;
}

std::string data_blocks(const std::vector<compare_curve>& curves) {
  std::string s;
  for (std::size_t i = 0; i < curves.size(); ++i) s += data_block(message("c%zu", i), curves[i].table.lines);
  return s;
}

}  // namespace

std::vector<std::size_t> drawn_designs(std::size_t count, std::size_t most) {
  std::vector<std::size_t> out;
  if (count <= most || most < 2) {
    for (std::size_t i = 0; i < std::min(count, std::max<std::size_t>(most, 1)); ++i) out.push_back(i);
    return out;
  }
  // Rounded to the nearest design: i (count - 1) / (most - 1), exact in integers.
  for (std::size_t i = 0; i < most; ++i) out.push_back((2 * i * (count - 1) + (most - 1)) / (2 * (most - 1)));
  return out;
}

std::string compare_picture_script(const std::vector<compare_curve>& curves, const std::string& title,
                                   const std::string& value_label, const std::string& output) {
  std::string s = picture_start(1200, 1300, output) + data_blocks(curves);
  s += "set key inside top right opaque box\nset logscale x\nset autoscale xfix\nset xlabel 'frequency [Hz]'\n"
       "set xtics (1, 2, 5, 10, 20, 50, 100, 200, 500, 1000, 2000, 5000, 10000, 20000)\n";
  s += "set multiplot layout 3,2 title " + gnuplot_quoted(title) + "\n";
  s += colour_bar(curves, value_label);
  s += "set key bottom right\nset ylabel 'SPL at the drive [dB re 20 uPa]'\nplot " + clauses(curves, "SPL[") + "\n";
  s += "unset colorbox\n";
  s += "set ylabel 'max SPL within the limits [dB]'\nplot " + clauses(curves, "max_SPL[") + "\n";
  // Room above the highest curve, so that a limit line there stays in sight.
  s += "set offsets 0, 0, graph 0.1, 0\nset key top right\nset ylabel 'cone excursion, peak [mm]'\nplot " + clauses(curves, "excursion[") +
       limit_clauses(curves, &compare_curve::xmax_mm, "Xmax", "mm") + "\n";
  const std::string ports = clauses(curves, "port_velocity["), radiators = clauses(curves, "radiator_excursion[", "dt 2 ");
  if (ports.empty() && radiators.empty()) {
    s += "set ylabel 'port air velocity, peak [m/s]'\nset label 1 'no port' at graph 0.5, graph 0.5 center\n"
         "plot [][0:1] NaN notitle\nunset label 1\n";
  } else {
    std::string plot = ports.empty() ? "" : ports + limit_clauses(curves, &compare_curve::port_limit, "limit", "m/s");
    if (!radiators.empty()) {
      // The radiators' excursion, dashed, on the right-hand axis.
      std::string named;
      for (std::size_t i = 0; i < curves.size(); ++i) {
        const int column = curves[i].table.column("radiator_excursion[");
        if (column == 0) continue;
        named += message("%s$c%zu using 1:%d axes x1y2 with lines lw 2 dt 2 %s title %s", named.empty() ? "" : ", ", i,
                         column, colour(curves, i).c_str(),
                         gnuplot_quoted((by_value(curves) ? std::string() : curves[i].name + ": ") + "passive radiator").c_str());
      }
      s += "set y2label 'passive radiator excursion, peak [mm], dashed'\nset y2tics\nset ytics nomirror\n";
      plot += (plot.empty() ? "" : ", ") + named;
    }
    s += "set ylabel 'port air velocity, peak [m/s]'\nplot " + plot + "\n";
    s += "unset y2label\nunset y2tics\nset ytics mirror\n";
  }
  s += "set offsets 0, 0, 0, 0\nset ylabel '|Z| [ohm]'\nplot " + clauses(curves, "impedance[") + "\n";
  s += "set ylabel 'group delay [ms]'\nplot " + clauses(curves, "group_delay[") + "\n";
  return s + picture_end();
}

std::string compare_transient_script(const std::vector<compare_curve>& curves, const std::string& title,
                                     const std::string& value_label, const std::string& output) {
  std::string s = picture_start(1200, 600, output) + data_blocks(curves);
  s += "set key inside top right opaque box\nset autoscale xfix\nset offsets 0, 0, graph 0.05, graph 0.05\n";
  s += "set title " + gnuplot_quoted(title) + "\n" + colour_bar(curves, value_label);
  s += "set xlabel 'time [ms]'\nset ylabel 'pressure at the listening point [Pa]'\nplot " +
       clauses(curves, "pressure[") + "\n";
  return s + "set output\n";
}
