#include "pictures/companion_pictures.h"

#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "pictures/csv_table.h"
#include "pictures/gnuplot_script.h"
#include "util/message.h"
#include "util/output_set.h"

namespace {

std::string file_text(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  if (in) text << in.rdbuf();
  return text.str();
}

bool non_empty(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 && info.st_size > 0;
}

std::string first_line(const std::string& text) { return text.substr(0, text.find('\n')); }

// A value acoustic_steady recorded for its design file.
std::string setting(const std::string& dir, const std::string& key) {
  std::istringstream in(file_text(dir + "/steady_state_design_settings.txt"));
  std::string line;
  while (std::getline(in, line))
    if (line.compare(0, key.size() + 1, key + "=") == 0) return line.substr(key.size() + 1);
  return "";
}

// The whitespace-separated values of parameters.txt.
std::vector<std::string> tokens(const std::string& text) {
  std::istringstream in(text);
  std::vector<std::string> out;
  std::string t;
  while (in >> t) out.push_back(t);
  return out;
}

std::string g(const std::string& number) { return message("%g", std::strtod(number.c_str(), nullptr)); }

// Where the sim's files say its last run was a one-time run: every run
// rewrites dft_parameters.txt, and only a one-time run writes into it.
std::string last_run(const std::string& dir) {
  if (non_empty(dir + "/dft_parameters.txt")) return "one-time";
  const std::string sweep = file_text(dir + "/dft_sequential_calculation_result.csv");
  if (sweep.find('\n') != std::string::npos && sweep.find('\n') + 1 < sweep.size()) return "sweep";
  return "none";
}

std::string one_time_name(const std::string& dir, const std::string& branches) {
  const std::string header = first_line(file_text(dir + "/x_vectors.csv"));
  const std::string label = header.substr(header.find_last_of(',') + 1);
  if (label == "random") {
    const std::string normalized = first_line(file_text(dir + "/normalized_x_vectors.csv"));
    if (normalized.find("sweep rate") != std::string::npos) {
      const std::string key = "final frequency[Hz]=";
      const std::size_t at = normalized.find(key);
      const std::string final_frequency = at == std::string::npos ? "" : normalized.substr(at + key.size());
      return "linear sweep up to " + g(final_frequency) + " Hz, n = " + branches;
    }
    return "random force, n = " + branches;
  }
  if (label.size() > 4 && label.compare(label.size() - 4, 4, "[Hz]") == 0)
    return "sinusoid at " + g(label.substr(0, label.size() - 4)) + " Hz, n = " + branches;
  return "one-time run, n = " + branches;
}

const char* companion_start = "set key top right opaque box\n";

}  // namespace

status companion_pictures(const std::string& dir, std::vector<picture_script>& out) {
  out.clear();
  std::string branches = "?", force = "b";
  if (std::ifstream(dir + "/parameters.txt")) {
    const std::vector<std::string> t = tokens(file_text(dir + "/parameters.txt"));
    if (!t.empty()) {
      branches = t.size() > 3 ? t[3] : "";
      force = (t.size() > 6 ? t[6] : "") + " N";
    }
  }
  const std::string run = last_run(dir);
  auto path = [&](const char* name) { return dir + "/" + name; };

  if (non_empty(path("steady_state_design.csv"))) {
    csv_table checked;
    RETURN_IF_ERROR(parse_csv_table("steady_state_design.csv", file_text(path("steady_state_design.csv")),
                                    "frequency[Hz],SPL[dB],phase[deg],group_delay[ms],excursion[mm]", checked));
    const int columns = static_cast<int>(checked.header.size());
    const bool coil = first_line(file_text(path("steady_state_design.csv"))).find("impedance") != std::string::npos;
    const int ducts = columns - 5 - 2 * (coil ? 1 : 0);
    const std::string xmax = setting(dir, "xmax"), limit = setting(dir, "duct_velocity_limit");
    std::string s = picture_start(1200, 1200, output_set::working_name(path("design.png"))) + companion_start;
    s += data_block("design", checked.lines) + data_block("phase", phase_lines(checked.fields, 1, 3));
    if (coil) s += data_block("zphase", phase_lines(checked.fields, 1, columns));
    s += "set key outside below center horizontal nobox noopaque width 3\nset xrange [9.99:400]\nset logscale x\n"
         "set xtics (10, 20, 50, 100, 200, 400)\nset xlabel 'frequency [Hz]'\n";
    s += "set multiplot layout 3,2 title " +
         gnuplot_quoted("Steady state, n = " + branches + ": " + setting(dir, "drive") + ", at " + setting(dir, "distance") +
                " in " + setting(dir, "space") + " space") +
         "\n";
    s += "set ylabel 'SPL [dB re 20 uPa]'\nplot $design using 1:2 with lines lw 2 title 'SPL'\n";
    if (coil)
      s += message("set ylabel '|Z| [ohm]'\nset y2label 'phase of Z [deg]'\nset y2tics\nset y2range [-90:90]\n"
                   "set ytics nomirror\nplot $design using 1:%d with lines lw 2 title '|Z|', $zphase using 1:2 axes "
                   "x1y2 with lines lw 1.5 dt 2 title 'phase of Z'\nunset y2label\nunset y2tics\nset ytics mirror\n",
                   columns - 1);
    s += "set offsets 0, 0, graph 0.1, 0\nset ylabel 'piston excursion, peak [mm]'\n"
         "plot $design using 1:5 with lines lw 2 title 'excursion'";
    if (!xmax.empty()) s += ", " + xmax + " with lines lw 2 dt 2 lc rgb 'red' title " + gnuplot_quoted("Xmax " + xmax + " mm");
    s += "\n";
    if (ducts > 0) {
      s += "set ylabel 'duct air velocity, peak [m/s]'\nplot ";
      for (int i = 1; i <= ducts; ++i)
        s += message("$design using 1:%d with lines lw 1.5 title 'duct %d', ", 5 + i, i);
      s += limit + " with lines lw 2 dt 2 lc rgb 'red' title " + gnuplot_quoted("limit " + limit + " m/s") + "\n";
    }
    s += "set ylabel 'group delay [ms]'\nplot $design using 1:4 with lines lw 2 title 'group delay'\n"
         "set ylabel 'phase [deg]'\nset yrange [-180:180]\nset ytics 90\n"
         "plot $phase using 1:2 with lines lw 2 title 'phase of p against the drive'\n";
    out.push_back({"design.png", s + picture_end()});
  }

  const std::string response_header = "frequency[Hz],SPL,phase,Pa,Re,Im";
  auto response = [&](const char* name, csv_table& t) -> status {
    RETURN_IF_ERROR(parse_csv_table(name, file_text(path(name)), response_header, t, 6));
    if (t.header.size() != 6) return status::error(message("%s: header \"%s\": expected %s", name,
                                                          first_line(file_text(path(name))).c_str(),
                                                          response_header.c_str()));
    return status::success();
  };
  const bool steady_response = non_empty(path("steady_state_response.csv"));
  if (run == "sweep" || steady_response) {
    std::string blocks, spl, phase;
    std::string title = "exact steady state, force " + force + ", n = " + branches;
    if (run == "sweep") {
      csv_table t;
      RETURN_IF_ERROR(response("dft_sequential_calculation_result.csv", t));
      title = "sequential sweep 10-400 Hz, force " + force + ", n = " + branches;
      blocks += data_block("sweep", t.lines);
      spl = "$sweep using 1:2 with linespoints pt 7 ps 0.4 lw 1.5 title 'simulated sweep'";
      phase = "$sweep using 1:3 with points pt 7 ps 0.4 title 'simulated sweep'";
    }
    if (steady_response) {
      csv_table t;
      RETURN_IF_ERROR(response("steady_state_response.csv", t));
      blocks += data_block("steady", t.lines);
      spl += std::string(spl.empty() ? "" : ", ") + "$steady using 1:2 with lines lw 2 dt 2 title 'exact steady state'";
      phase += std::string(phase.empty() ? "" : ", ") + "$steady using 1:3 with lines lw 2 dt 2 title 'exact steady state'";
    }
    std::string s = picture_start(1000, 700, output_set::working_name(path("response.png"))) + companion_start + blocks;
    s += "set multiplot layout 2,1 title " + gnuplot_quoted("Frequency response: " + title) + "\n";
    s += "set ylabel 'SPL = 10 ln(Pa / 2e-5)'\nset xrange [10:400]\nplot " + spl + "\n";
    s += "set xlabel 'frequency [Hz]'\nset ylabel 'phase [degrees, modulo 180]'\nset yrange [-95:95]\nplot " + phase + "\n";
    out.push_back({"response.png", s + picture_end()});
  }

  if (non_empty(path("steady_state_elements.csv"))) {
    csv_table t;
    RETURN_IF_ERROR(parse_csv_table("steady_state_elements.csv", file_text(path("steady_state_elements.csv")),
                                    "frequency[Hz],x[0][mm]", t));
    const int nd = (static_cast<int>(t.header.size()) - 2) / 2;
    std::string velocities;
    for (int i = 1; i < nd; ++i)
      velocities += message("%s$elements using 1:%d with lines lw 1.5 title '%s %d'", velocities.empty() ? "" : ", ",
                            nd + 2 + i, i > (nd - 1) / 2 ? "external duct" : "internal duct", i);
    if (velocities.empty()) velocities = message("$elements using 1:%d with lines lw 1.5 title 'piston'", nd + 2);
    std::string s = picture_start(1000, 700, output_set::working_name(path("elements.png"))) + companion_start + data_block("elements", t.lines);
    s += "set multiplot layout 2,1 title " +
         gnuplot_quoted("Steady-state amplitudes, n = " + branches + ", force amplitude " + force) + "\n";
    s += "set xrange [10:400]\nset logscale y\nset ylabel 'piston excursion [mm]'\n"
         "plot $elements using 1:2 with lines lw 2 title 'piston'\n";
    s += "set xlabel 'frequency [Hz]'\nset ylabel 'air velocity [m/s]'\nplot " + velocities + "\n";
    out.push_back({"elements.png", s + picture_end()});
  }

  if (run == "one-time" && non_empty(path("dft_result.csv"))) {
    csv_table t;
    RETURN_IF_ERROR(response("dft_result.csv", t));
    std::string s = picture_start(1000, 700, output_set::working_name(path("spectrum.png"))) + companion_start + data_block("spectrum", t.lines);
    s += "set multiplot layout 2,1 title " + gnuplot_quoted("Spectrum of the velocity sum: " + one_time_name(dir, branches)) + "\n";
    s += "set ylabel 'SPL = 10 ln(Pa / 2e-5)'\nplot $spectrum using 1:2 with linespoints pt 7 ps 0.5 lw 1.5 title 'SPL'\n";
    s += "set xlabel 'frequency [Hz]'\nset ylabel 'Pa = 0.6 |X|^2'\nplot $spectrum using 1:4 with impulses lw 2 title 'Pa'\n";
    out.push_back({"spectrum.png", s + picture_end()});
  }

  const std::string x_header = first_line(file_text(path("x_vectors.csv")));
  if (run == "one-time" && non_empty(path("x_vectors.csv")) && x_header.rfind("time[s],force[N],x[0]", 0) == 0) {
    // The raw header has one field more than its rows, the weighted rows
    // one field more than the raw rows.
    int fields = 0;
    for (char c : x_header) fields += c == ',';
    csv_table x, sum_x, sum_v;
    RETURN_IF_ERROR(parse_csv_table("x_vectors.csv", file_text(path("x_vectors.csv")), "time[s],force[N],x[0]", x, fields));
    RETURN_IF_ERROR(parse_csv_table("normalized_x_vectors.csv", file_text(path("normalized_x_vectors.csv")),
                                    "time[s],sum_x[mm]", sum_x, fields + 1));
    RETURN_IF_ERROR(parse_csv_table("normalized_v_vectors.csv", file_text(path("normalized_v_vectors.csv")),
                                    "time[s],sum_v[m/s]", sum_v, fields + 1));
    std::string s = picture_start(1000, 700, output_set::working_name(path("history.png"))) + companion_start + data_block("x", x.lines) +
                    data_block("sum_x", sum_x.lines) + data_block("sum_v", sum_v.lines);
    s += "set multiplot layout 3,1 title " + gnuplot_quoted("Time histories: " + one_time_name(dir, branches)) + "\n";
    s += "set ylabel 'piston x [mm]'\nplot $x using 1:3 with lines lw 1.5 title 'piston displacement'\n";
    s += "set ylabel 'sum_x [mm]'\nplot $sum_x using 1:2 with lines lw 1.5 title 'area-weighted displacement sum'\n";
    s += "set xlabel 'time [s]'\nset ylabel 'sum_v [m/s]'\nplot $sum_v using 1:2 with lines lw 1.5 title "
         "'area-weighted velocity sum'\n";
    out.push_back({"history.png", s + picture_end()});
  }

  if (out.empty())
    return status::error(
        "nothing to draw here: expected the files of an acoustic_sim run (dft_result.csv, "
        "dft_sequential_calculation_result.csv) or of acoustic_steady");
  return status::success();
}
