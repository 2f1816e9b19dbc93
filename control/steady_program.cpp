#include "control/steady_program.h"

#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "analysis/design_figures.h"
#include "analysis/steady_state.h"
#include "control/dialogue.h"
#include "control/model_inputs.h"
#include "control/run_timing.h"
#include "model/enclosure.h"
#include "model/natural_frequencies.h"
#include "util/message.h"

namespace {

void print_natural_frequencies(const model_state& s) {
  const std::vector<double> w = natural_angular_frequencies(s);
  if (w.empty()) {
    std::puts("natural frequencies: none (an element has no mass)");
    return;
  }
  std::puts("natural frequencies [Hz] (undamped, of M^-1 K):");
  for (std::size_t i = 0; i < w.size(); ++i) std::printf("  %zu\t%f\n", i + 1, w[i] / two_pi);
  const double limit = critical_time_step(s);
  // A sweep keeps the 10 Hz step 1 / (10 division) for every frequency.
  const double division = smallest_stable_division(10, limit);
  std::printf("stability limit of the explicit scheme: time step below %f s (w_max = %f rad/s)\n", limit, w.back());
  std::printf("smallest stable division: %.0f for a sequential sweep; F x division > %f for a sinusoid of F Hz\n",
              division, 1 / limit);
}

void print_enclosure(const model_state& s, const steady_options& o) {
  const double bl = o.coil_given ? o.coil.bl : 0, re = o.coil.re;
  const small_signal_parameters t = piston_parameters(s, bl, re);
  std::printf("piston: fs = %f Hz, Qms = %f, Vas = %f l\n", t.fs, t.qms, t.vas_litres);
  if (o.coil_given) std::printf("with the voice coil: Qes = %f, Qts = %f\n", t.qes, t.qts);
  if (s.n == 0 && !chamber_is_open(s, 0)) {
    std::printf("closed box of %f l: fc = %f Hz, Q = %f\n", s.V[0] * 1000, closed_box_resonance(s),
                closed_box_q(s, bl, re));
  }
  if (chamber_is_open(s, 0)) std::puts("main chamber open: the piston sits in an infinite baffle");
  for (int i = 1; i <= s.n; ++i) {
    if (chamber_is_open(s, i)) std::printf("port %d (side chamber %d open): tuned to %f Hz\n", i, i, port_tuning(s, i));
  }
}

// "from 22 Hz to 31 Hz, 40 Hz to 42 Hz" for the rows where `above` holds.
std::string ranges(const std::vector<design_row>& rows, const std::function<bool(const design_row&)>& above) {
  std::string text;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (!above(rows[i])) continue;
    std::size_t last = i;
    while (last + 1 < rows.size() && above(rows[last + 1])) ++last;
    text += message("%s%g Hz to %g Hz", text.empty() ? "from " : ", ", rows[i].frequency, rows[last].frequency);
    i = last;
  }
  return text;
}

void print_limits(const std::vector<design_row>& rows, const steady_options& o, int ducts) {
  bool exceeded = false;
  if (o.xmax_mm > 0) {
    const std::string where = ranges(rows, [&](const design_row& r) { return r.excursion_mm > o.xmax_mm; });
    if (!where.empty()) std::printf("excursion above %.1f mm %s\n", o.xmax_mm, where.c_str());
    exceeded = exceeded || !where.empty();
  }
  for (int i = 1; i <= ducts; ++i) {
    const std::string where =
        ranges(rows, [&](const design_row& r) { return r.duct_velocity[i - 1] > o.duct_velocity_limit; });
    if (!where.empty()) std::printf("duct %d air velocity above %g m/s %s\n", i, o.duct_velocity_limit, where.c_str());
    exceeded = exceeded || !where.empty();
  }
  if (exceeded) return;
  std::string checked = o.xmax_mm > 0 ? message("excursion up to %.1f mm", o.xmax_mm) : "";
  if (ducts > 0)
    checked += message("%sduct air velocity up to %g m/s", checked.empty() ? "" : ", ", o.duct_velocity_limit);
  if (checked.empty()) {
    std::puts("no limit to check: --xmax gives the piston's");
  } else {
    std::printf("all within the limits: %s\n", checked.c_str());
  }
}

// What the pictures of the design file need to say what they show.
status write_design_settings(const model_state& s, const steady_options& o) {
  text_file out;
  RETURN_IF_ERROR(out.open("steady_state_design_settings.txt"));
  out.put(message("distance=%g m\nspace=%s\n", o.at.distance, o.at.full_space ? "full" : "half"));
  out.put(o.coil_given ? message("drive=%g V rms, BL %g T m, RE %g ohm, LE %g mH\n", o.coil.voltage, o.coil.bl,
                                 o.coil.re, o.coil.le * 1000)
                       : message("drive=force %g N\n", s.b));
  out.put(o.xmax_mm > 0 ? message("xmax=%g\n", o.xmax_mm) : std::string("xmax=\n"));
  out.put(message("duct_velocity_limit=%g\n", o.duct_velocity_limit));
  return out.close();
}

status run(model_state& s, const steady_options& o, std::FILE* answers, const reporter& report) {
  RETURN_IF_ERROR(load_model(s, report));
  if (o.vector_sum_given) {
    s.vvso = o.vector_sum;
  } else {
    token_reader in(answers);
    RETURN_IF_ERROR(ask_vector_sum_option(s, in));
    std::puts("");
  }
  // The element checks of a sequential sweep, whose response this overlays.
  RETURN_IF_ERROR(time_sequential(s));
  RETURN_IF_ERROR(derive_checked_properties(s));
  print_natural_frequencies(s);
  print_enclosure(s, o);
  // The response and element files overlay the sweep, so they stay driven
  // by the force; the design follows the coil when there is one.
  const std::vector<steady_point> forced = solve_sweep(s);
  RETURN_IF_ERROR(write_steady_state_files(s, forced));
  std::vector<design_row> rows;
  for (const steady_point& p : o.coil_given ? solve_sweep(s, &o.coil) : forced)
    rows.push_back(design_figures(s, p, o.at));
  print_limits(rows, o, s.ND - 1);
  RETURN_IF_ERROR(write_design_file(rows, s.ND - 1, o.coil_given));
  RETURN_IF_ERROR(write_design_settings(s, o));
  std::puts("wrote steady_state_response.csv and steady_state_elements.csv (10 to 400 Hz)");
  std::puts("wrote steady_state_design.csv and steady_state_design_settings.txt");
  return status::success();
}

}  // namespace

status run_steady_program(const steady_options& options, std::FILE* answers, const reporter& report) {
  auto s = std::make_unique<model_state>();
  return run(*s, options, answers, report);
}
