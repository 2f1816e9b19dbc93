#include "pictures/study_picture.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "pictures/design_picture.h"
#include "pictures/gnuplot_script.h"
#include "util/message.h"

const study_figure study_figures[4] = {{"F3", "F3 [Hz]"},
                                       {"lowest_max_SPL", "lowest max SPL within the limits [dB]"},
                                       {"port_physical_length", "port length [mm]"},
                                       {"Zmin", "Zmin [ohm]"}};

std::vector<std::string> study_lines(const std::vector<study_point>& points) {
  std::vector<std::string> lines;
  for (std::size_t i = 0; i < points.size(); ++i) {
    const study_point& p = points[i];
    // A grid's rows of one first value make one scan line of the map.
    if (i > 0 && p.values.size() == 2 && p.values[0] != points[i - 1].values[0]) lines.push_back("");
    std::string line;
    for (double v : p.values) line += message("%s%.10g", line.empty() ? "" : ",", v);
    for (const study_figure& f : study_figures) {
      const std::string text = p.summary.text(f.quantity);
      line += "," + (text.empty() ? std::string("NaN") : text);
    }
    line += "," + (p.limit.empty() ? std::string("none") : p.limit);
    lines.push_back(line);
  }
  return lines;
}

namespace {

// Whether any design has the figure as a finite number: a closed box has no
// port length, a design without limits no lowest max SPL.
bool any_finite(const std::vector<study_point>& points, const char* quantity) {
  for (const study_point& p : points) {
    const std::string text = p.summary.text(quantity);
    if (!text.empty() && std::isfinite(std::strtod(text.c_str(), nullptr))) return true;
  }
  return false;
}

// A panel that says the figure is missing; plotting only missing values
// would stop gnuplot and with it every picture of the run.
std::string empty_panel(const study_figure& f) {
  return message("set title %s\nunset key\nunset colorbox\nunset border\nunset tics\nunset xlabel\nunset ylabel\n"
                 "set label 99 'none of these designs has it' at graph 0.5,0.5 center\n"
                 "plot [0:1][0:1] -1 notitle\nunset label 99\nset border\nset tics\nunset title\n",
                 gnuplot_quoted(f.label).c_str());
}

}  // namespace

std::string study_picture_script(const std::vector<std::string>& keys, const std::vector<study_point>& points,
                                 const std::string& title, const std::string& output) {
  std::string s = picture_start(1200, 900, output) + data_block("study", study_lines(points));
  const bool grid = keys.size() == 2;
  const int first = static_cast<int>(keys.size()) + 1, limit = first + 4;
  s += message("set multiplot layout %s title %s\n", grid ? "3,2" : "2,2", gnuplot_quoted(title).c_str());
  if (grid) {
    s += "set xlabel " + gnuplot_quoted(keys[0]) + "\nset ylabel " + gnuplot_quoted(keys[1]) +
         "\nset palette rgbformulae 33,13,10\nset autoscale xfix\nset autoscale yfix\nunset key\n";
    for (int f = 0; f < 4; ++f)
      s += !any_finite(points, study_figures[f].quantity)
               ? empty_panel(study_figures[f]) + "set xlabel " + gnuplot_quoted(keys[0]) + "\nset ylabel " +
                     gnuplot_quoted(keys[1]) + "\nset colorbox\n"
               : message("set title %s\nplot $study using 1:2:%d with image\n",
                         gnuplot_quoted(study_figures[f].label).c_str(), first + f);
    // The limit as a map of discrete colours, one tic per limit.
    s += "set title 'what sets the lowest max SPL'\nset cbrange [-0.5:4.5]\nset palette maxcolors 5\n"
         "set palette defined (0 '#d62728', 1 '#1f77b4', 2 '#ff7f0e', 3 '#9467bd', 4 '#7f7f7f')\nset cbtics (";
    for (int k = 0; k < 5; ++k) s += message("%s'%s' %d", k ? ", " : "", limit_names[k], k);
    s += ")\nplot $study using 1:2:(";
    for (int k = 0; k < 4; ++k) s += message("strcol(%d) eq '%s' ? %d : ", limit, limit_names[k], k);
    s += "4) with image\n";
  } else {
    s += "set xlabel " + gnuplot_quoted(keys.empty() ? "" : keys[0]) + "\n";
    for (int f = 0; f < 4; ++f) {
      if (!any_finite(points, study_figures[f].quantity)) {
        s += empty_panel(study_figures[f]) + "set xlabel " + gnuplot_quoted(keys.empty() ? "" : keys[0]) + "\n";
        continue;
      }
      s += f == 1 ? "set key top right opaque box\n" : "unset key\n";
      s += message("set ylabel %s\nplot $study using 1:%d with lines lw 1.5 lc rgb 'gray60' notitle",
                   gnuplot_quoted(study_figures[f].label).c_str(), first + f);
      // The lowest max SPL's points in the colour of the limit that sets it.
      for (int k = 0; f == 1 && k < 5; ++k)
        if (std::find_if(points.begin(), points.end(), [&](const study_point& p) {
              return (p.limit.empty() ? std::string("none") : p.limit) == limit_names[k];
            }) != points.end())
          s += message(", $study using 1:(strcol(%d) eq '%s' ? $%d : NaN) with points pt 7 ps 0.8 lc rgb '%s' title %s",
                     limit, limit_names[k], first + f, limit_colour(limit_names[k]),
                     gnuplot_quoted(std::string("limited by ") + limit_names[k]).c_str());
      if (f != 1) s += message(", $study using 1:%d with points pt 7 ps 0.6 lc rgb 'black' notitle", first + f);
      s += "\n";
    }
  }
  return s + picture_end();
}
