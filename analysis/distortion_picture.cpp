#include "analysis/distortion_picture.h"

#include <algorithm>
#include <cmath>

#include "util/message.h"

namespace {

// gnuplot's single-quoted string: a quote doubled.
std::string quoted_for_gnuplot(const std::string& text) {
  std::string q = "'";
  for (char c : text) q += c == '\'' ? std::string("''") : std::string(1, c);
  return q + "'";
}

// A level's rows: frequency THD H2 H3 (percent, floored for the log axis)
// SPL SPL_linear out in dc (mm).
std::string level_block(const distortion_picture& p, std::size_t level) {
  const std::size_t levels = p.voltages.size();
  std::string block = message("$L%d << EOD\n", static_cast<int>(level));
  for (std::size_t j = level; j < p.rows.size(); j += levels) {
    const distortion_row& r = p.rows[j];
    const auto percent = [](double v) { return std::max(v * 100, 1e-4); };
    block += message("%g %g %g %g %g %g %g %g %g\n", r.frequency, percent(r.thd), percent(r.h2), percent(r.h3), r.spl,
                     r.spl_linear, r.excursion_out * 1e3, -r.excursion_in * 1e3, r.dc_offset * 1e3);
  }
  return block + "EOD\n";
}

// The grid frequency nearest f (in log f).
std::size_t nearest(const distortion_picture& p, double f) {
  const std::size_t levels = p.voltages.size();
  std::size_t best = 0;
  for (std::size_t j = 0; j < p.rows.size(); j += levels)
    if (std::abs(std::log(p.rows[j].frequency / f)) < std::abs(std::log(p.rows[best].frequency / f))) best = j;
  return best;
}

}  // namespace

std::string distortion_picture_script(const distortion_picture& p, const std::string& png) {
  const std::size_t levels = p.voltages.size();
  std::string s = "reset\nset terminal pngcairo size 1400,1500 noenhanced font 'Sans,10'\nset output " +
                  quoted_for_gnuplot(png) + "\nset grid\nset key top left\n";
  for (std::size_t k = 0; k < levels; ++k) s += level_block(p, k);
  // Compression against level at the resonance, twice it and 200 Hz.
  const std::size_t at[] = {nearest(p, p.resonance), nearest(p, 2 * p.resonance), nearest(p, 200)};
  std::vector<std::size_t> order(levels);
  for (std::size_t k = 0; k < levels; ++k) order[k] = k;
  std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return p.voltages[a] < p.voltages[b]; });
  s += "$C << EOD\n";
  for (std::size_t k : order)
    s += message("%g %g %g %g\n", p.voltages[k], p.rows[at[0] + k].compression, p.rows[at[1] + k].compression,
                 p.rows[at[2] + k].compression);
  s += "EOD\n$X << EOD\n";
  for (std::size_t j = 0; j < p.curve_x_mm.size(); ++j)
    s += message("%g %g %g %g\n", p.curve_x_mm[j], p.bl_ratio[j], p.cms_ratio[j], p.le_mh[j]);
  s += "EOD\n$M << EOD\n";
  for (std::size_t j = 0; j < p.limits.size(); ++j)
    s += message("%g %s %s\n", p.limits[j].frequency,
                 p.limits[j].voltage > 0 ? message("%g", p.limits[j].spl).c_str() : "?",
                 p.xmax_spl.empty() ? "?" : message("%g", p.xmax_spl[j]).c_str());
  s += "EOD\n";

  s += "set multiplot layout 3,2 title " + quoted_for_gnuplot(p.title) + "\n";
  const auto each_level = [&](const std::string& columns, const std::string& style, const std::string& suffix,
                              bool titled) {
    std::string plots;
    for (std::size_t k = 0; k < levels; ++k)
      plots += message("%s$L%d using %s with lines %s lc %d %s", plots.empty() ? "" : ", ", static_cast<int>(k),
                       columns.c_str(), style.c_str(), static_cast<int>(k + 1),
                       titled ? ("title " + quoted_for_gnuplot(message("%g V%s", p.voltages[k], suffix.c_str()))).c_str()
                              : "notitle");
    return plots;
  };
  s += "set logscale x\nset xlabel 'frequency [Hz]'\n";
  s += "set logscale y\nset ylabel 'distortion [%]'\nset title 'THD (solid), H2 (dashed), H3 (dotted)'\n";
  s += "plot " + each_level("1:2", "dt 1 lw 2", " THD", true) + ", " + each_level("1:3", "dt 2", "", false) + ", " +
       each_level("1:4", "dt 3", "", false) + message(", %g with lines dt 4 lc rgb 'black' title 'criterion'\n",
                                                       p.criterion * 100);
  s += "unset logscale y\nset ylabel 'SPL [dB]'\nset title 'fundamental (solid) and linear response (dashed)'\n";
  s += "plot " + each_level("1:5", "dt 1 lw 2", "", true) + ", " + each_level("1:6", "dt 2", "", false) + "\n";
  s += "unset logscale x\nset xlabel 'level [V rms]'\nset ylabel 'compression [dB]'\n"
       "set title 'compression against level'\n";
  s += message("plot $C using 1:2 with linespoints title '%g Hz', $C using 1:3 with linespoints title '%g Hz', "
               "$C using 1:4 with linespoints title '%g Hz'\n",
               p.rows[at[0]].frequency, p.rows[at[1]].frequency, p.rows[at[2]].frequency);
  s += "set logscale x\nset xlabel 'frequency [Hz]'\nset ylabel 'excursion [mm], outward +'\n"
       "set title 'peaks out and in (solid), DC offset (dashed)'\n";
  s += "plot " + each_level("1:7", "dt 1 lw 2", "", true) + ", " + each_level("1:8", "dt 1 lw 2", "", false) + ", " +
       each_level("1:9", "dt 2", "", false);
  if (p.xmax_mm > 0)
    s += message(", %g with lines dt 4 lc rgb 'black' title 'Xmax', %g with lines dt 4 lc rgb 'black' notitle",
                 p.xmax_mm, -p.xmax_mm);
  s += "\nunset logscale x\nset xlabel 'x [mm], outward +'\nset ylabel 'of the value at rest'\nset y2label 'Le [mH]'\n"
       "set ytics nomirror\nset y2tics\nset title 'the curves over +-range'\n";
  s += "plot $X using 1:2 with lines lw 2 title 'Bl / Bl(0)', $X using 1:3 with lines lw 2 title 'Cms / Cms(0)', "
       "$X using 1:4 axes x1y2 with lines lw 2 title 'Le', 0.82 with lines dt 2 lc rgb 'black' title '82 %', "
       "0.75 with lines dt 3 lc rgb 'black' title '75 %'\n";
  s += "unset y2label\nunset y2tics\nset ytics mirror\nset logscale x\nset xlabel 'frequency [Hz]'\n"
       "set ylabel 'max SPL [dB]'\nset title 'distortion-limited max SPL against the linear Xmax limit'\n";
  s += "plot $M using 1:2 with lines lw 2 title 'THD or range'";
  if (!p.xmax_spl.empty()) s += ", $M using 1:3 with lines dt 2 lw 2 title 'linear, Xmax'";
  s += "\nunset multiplot\n";
  return s;
}
