#include "pictures/study_picture.h"

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
    lines.push_back(line);
  }
  return lines;
}

std::string study_picture_script(const std::vector<std::string>& keys, const std::vector<study_point>& points,
                                 const std::string& title, const std::string& output) {
  std::string s = picture_start(1200, 900, output) + data_block("study", study_lines(points));
  const bool grid = keys.size() == 2;
  const int first = static_cast<int>(keys.size()) + 1;
  s += "set multiplot layout 2,2 title " + gnuplot_quoted(title) + "\n";
  if (grid) {
    s += "set xlabel " + gnuplot_quoted(keys[0]) + "\nset ylabel " + gnuplot_quoted(keys[1]) +
         "\nset palette rgbformulae 33,13,10\nset autoscale xfix\nset autoscale yfix\nunset key\n";
    for (int f = 0; f < 4; ++f)
      s += message("set title %s\nplot $study using 1:2:%d with image\n", gnuplot_quoted(study_figures[f].label).c_str(),
                   first + f);
  } else {
    s += "set xlabel " + gnuplot_quoted(keys.empty() ? "" : keys[0]) + "\nset key top right opaque box\nunset key\n";
    for (int f = 0; f < 4; ++f)
      s += message("set ylabel %s\nplot $study using 1:%d with linespoints pt 7 ps 0.6 lw 1.5 notitle\n",
                   gnuplot_quoted(study_figures[f].label).c_str(), first + f);
  }
  return s + picture_end();
}
