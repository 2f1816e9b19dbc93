#include "control/design_distortion.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "util/message.h"
#include "util/ordered_parallel.h"
#include "util/text_file.h"

namespace {

// The largest current the levels drive through the coil's resistance,
// with room for the resonances' current peaks.
double current_bound(double voltage, double re) { return 2 * std::sqrt(2.0) * voltage / re; }

status check_currents(const design_result& r, double voltage) {
  const char* what = "";
  double at = 0;
  if (!find_unphysical(r.large->model, current_bound(voltage, r.driver.re), what, at))
    return status::error(message("nonlinear: %s is not positive at x = %.4g mm for the currents of %g V: expected it "
                                 "positive within +-%g mm (range)",
                                 what, at * 1e3, voltage, r.large->model.range * 1e3));
  return status::success();
}

}  // namespace

status prepare_large_signal(const design_file& file, design_result& r) {
  double voltage = file.voltage;
  for (double v : file.distortion.voltages) voltage = std::max(voltage, v);
  r.large = std::make_shared<large_signal_design>();
  RETURN_IF_ERROR(build_large_signal(file, r.driver, current_bound(voltage, r.driver.re), *r.large, r.warnings));
  if (file.nonlinear.given) large_signal_summary(r, r.summary, r.warnings);
  return status::success();
}

distortion_setup large_signal_setup(const design_result& r) {
  distortion_setup setup;
  const large_signal_design& l = *r.large;
  setup.network = l.compiled.network.get();
  setup.coil = voice_coil{0, l.driver.bl, l.driver.re, l.driver.le, l.compiled.coil_polarity};
  setup.model = &l.model;
  setup.radiators = l.compiled.radiators;
  setup.port = l.compiled.port;
  setup.at = r.drive.at;
  setup.highpass = r.drive.highpass;
  return setup;
}

status compute_distortion(const design_file& file, const design_result& r, const distortion_request& request,
                          distortion_result& out) {
  if (!r.large || !file.nonlinear.given)
    return status::error("a distortion sweep needs the driver's large-signal curves: expected a [nonlinear] table");
  RETURN_IF_ERROR(check_currents(r, *std::max_element(request.voltages.begin(), request.voltages.end())));
  const distortion_setup setup = large_signal_setup(r);
  out = distortion_result();
  out.computed = true;
  out.port = setup.port >= 0;
  const int count = static_cast<int>(request.grid.size());
  RETURN_IF_ERROR(for_each_in_order<std::vector<distortion_row>>(
      count, request.threads, [&](int j) { return distortion_at(setup, request.grid[j], request.voltages); },
      [&](int, const std::vector<distortion_row>& rows) {
        for (const distortion_row& row : rows)
          for (double v : {row.spl, row.thd, row.dc_offset, row.excursion_out, row.excursion_in, row.port_velocity})
            if (!std::isfinite(v))
              return status::error(message("the large-signal response at %g Hz and %g V grew without bound: expected "
                                           "a level the curves hold within +-%g mm (range)",
                                           row.frequency, row.voltage, r.large->model.range * 1e3));
        out.rows.insert(out.rows.end(), rows.begin(), rows.end());
        return status::success();
      }));
  out.criterion = file.distortion.given ? file.distortion.criterion : 0.10;
  // The search starts from the highest level of the sweep that kept
  // within both limits.
  const std::size_t levels = request.voltages.size();
  const double smallest = *std::min_element(request.voltages.begin(), request.voltages.end());
  const auto start = [&](int j) {
    double v = smallest / 8;
    for (std::size_t k = 0; k < levels; ++k) {
      const distortion_row& row = out.rows[j * levels + k];
      if (row.status == periodic_status::ok && row.thd < out.criterion) v = std::max(v, row.voltage);
    }
    return v;
  };
  const double most = 1000;  // V rms
  RETURN_IF_ERROR(for_each_in_order<level_limit>(
      count, request.threads,
      [&](int j) { return distortion_limited_level(setup, request.grid[j], out.criterion, start(j), most); },
      [&](int j, const level_limit& l) {
        out.limits.push_back(l);
        if (r.driver.xmax > 0) {
          // The linear network's own limit, as the response table has it.
          const design_point p = evaluate_design(*r.compiled.network, r.drive, request.grid[j]);
          const double v = r.drive.coil.voltage * r.driver.xmax * 1e3 / p.excursion_mm;
          out.xmax_voltage.push_back(v);
          out.xmax_spl.push_back(p.spl + 20 * std::log10(v / r.drive.coil.voltage));
        }
        return status::success();
      }));
  const two_tone_sheet& tt = file.distortion.two_tone;
  if (tt.given) {
    const int levels = static_cast<int>(request.voltages.size());
    RETURN_IF_ERROR(for_each_in_order<imd_row>(
        levels, request.threads,
        [&](int j) { return two_tone_at(setup, tt.f1, tt.f2, tt.ratio, request.voltages[j]); },
        [&](int, const imd_row& row) {
          out.imd.push_back(row);
          return status::success();
        }));
  }
  return status::success();
}

status write_distortion_table(const std::string& path, const distortion_result& d) {
  text_file out;
  RETURN_IF_ERROR(out.open(path));
  out.put("frequency[Hz],voltage[V],SPL_fundamental[dB],SPL_linear[dB],compression[dB],H2[%],H3[%],THD[%],"
          "dc_offset[mm],excursion_out[mm],excursion_in[mm]");
  if (d.port) out.put(",port_velocity[m/s]");
  out.put(",status\n");
  for (const distortion_row& row : d.rows) {
    const double values[] = {row.frequency, row.voltage, row.spl, row.spl_linear, row.compression,
                             row.h2 * 100, row.h3 * 100, row.thd * 100, row.dc_offset * 1e3,
                             row.excursion_out * 1e3, row.excursion_in * 1e3};
    for (std::size_t k = 0; k < sizeof values / sizeof values[0]; ++k) {
      if (k > 0) out.put(',');
      out.put_fixed(values[k]);
    }
    if (d.port) {
      out.put(',');
      out.put_fixed(row.port_velocity);
    }
    out.put(',');
    out.put(status_name(row.status));
    out.put('\n');
  }
  return out.close();
}

status write_imd_table(const std::string& path, const distortion_result& d) {
  text_file out;
  RETURN_IF_ERROR(out.open(path));
  out.put("f1[Hz],f2[Hz],voltage[V],IMD2[%],IMD3[%],status\n");
  for (const imd_row& row : d.imd) {
    for (double v : {row.f1, row.f2, row.voltage, row.imd2 * 100}) {
      out.put_fixed(v);
      out.put(',');
    }
    out.put_fixed(row.imd3 * 100);
    out.put(',');
    out.put(status_name(row.status));
    out.put('\n');
  }
  return out.close();
}

void large_signal_summary(const design_result& r, design_summary& summary, std::vector<std::string>& warnings) {
  const large_signal& m = r.large->model;
  const double xbl = bl_limit(m), xc = compliance_limit(m);
  const double limit = xbl > 0 && xc > 0 ? std::min(xbl, xc) : std::max(xbl, xc);
  const auto row = [&](const char* name, double x) {
    if (x > 0) summary.rows.push_back({name, x * 1e3, "mm"});
  };
  row("XBl", xbl);
  row("XC", xc);
  row("X_limit", limit);
  if (xbl == 0 || xc == 0)
    summary.notes.push_back(message("%s stays above %s within +-%g mm (range)", xbl == 0 ? "Bl" : "Cms",
                                    xbl == 0 ? "82 % of Bl(0)" : "75 % of Cms(0)", m.range * 1e3));
  if (limit > 0 && r.driver.xmax > limit)
    warnings.push_back(message("Xmax %g mm exceeds X_limit %.3g mm, where the motor or the suspension lets go",
                               r.driver.xmax * 1e3, limit * 1e3));
}

namespace {

void fill_picture(const design_file& file, const design_result& r, distortion_result& d,
                  const std::vector<double>& voltages) {
  distortion_picture& p = d.picture;
  p.title = message("%s: large-signal distortion at %g m", file.name.c_str(), file.distance);
  p.voltages = voltages;
  p.rows = d.rows;
  p.limits = d.limits;
  p.xmax_spl = d.xmax_spl;
  p.xmax_mm = r.driver.xmax * 1e3;
  p.resonance = enclosure_resonance(file, r.summary);
  p.criterion = d.criterion;
  const large_signal& m = r.large->model;
  const double bl0 = m.bl.value(0), k0 = m.kms.value(0);
  for (int j = 0; j <= 200; ++j) {
    const double x = m.range * (j / 100.0 - 1);
    p.curve_x_mm.push_back(x * 1e3);
    p.bl_ratio.push_back(m.bl.value(x) / bl0);
    p.cms_ratio.push_back(k0 / m.kms.value(x));
    p.le_mh.push_back(m.has_inductance() ? m.le.value(x) * 1e3 : 0);
  }
}

}  // namespace

status run_distortion(const design_options& o, const std::string& path, const design_file& file, design_result& r) {
  if (!file.distortion.given && o.distortion_voltages.empty()) return status::success();
  distortion_request request;
  request.voltages = o.distortion_voltages.empty() ? file.distortion.voltages : o.distortion_voltages;
  request.grid = log_grid(o.distortion_from, o.distortion_to, o.distortion_per_octave);
  const thread_count_result threads = thread_count(std::getenv("ACOUSTIC_THREADS"), std::thread::hardware_concurrency());
  if (!threads.error.empty()) return status::error(threads.error);
  request.threads = threads.threads;
  r.distortion = std::make_shared<distortion_result>();
  distortion_result& d = *r.distortion;
  const status computed = compute_distortion(file, r, request, d);
  if (!computed.ok()) return status::error(path + ": " + computed.message);
  fill_picture(file, r, d, request.voltages);
  // The lowest distortion-limited max SPL.
  const level_limit* lowest = nullptr;
  for (const level_limit& l : d.limits)
    if (l.voltage > 0 && (!lowest || l.spl < lowest->spl)) lowest = &l;
  if (lowest) {
    r.summary.rows.push_back({"distortion_max_SPL", lowest->spl, "dB"});
    r.summary.rows.push_back({"distortion_max_SPL_frequency", lowest->frequency, "Hz"});
    std::printf("distortion: lowest max SPL %.6g dB at %.6g Hz, %.6g V (limited by %s, THD criterion %g %%)\n",
                lowest->spl, lowest->frequency, lowest->voltage, lowest->limited_by, d.criterion * 100);
  }
  return status::success();
}


status write_maxspl_table(const std::string& path, const distortion_result& d) {
  text_file out;
  RETURN_IF_ERROR(out.open(path));
  const bool xmax = !d.xmax_voltage.empty();
  out.put("frequency[Hz],max_voltage[V],max_SPL[dB],limited_by");
  if (xmax) out.put(",Xmax_voltage[V],Xmax_SPL[dB]");
  out.put('\n');
  for (std::size_t j = 0; j < d.limits.size(); ++j) {
    const level_limit& l = d.limits[j];
    for (double v : {l.frequency, l.voltage, l.spl}) {
      out.put_fixed(v);
      out.put(',');
    }
    out.put(l.limited_by);
    if (xmax) {
      out.put(',');
      out.put_fixed(d.xmax_voltage[j]);
      out.put(',');
      out.put_fixed(d.xmax_spl[j]);
    }
    out.put('\n');
  }
  return out.close();
}

status check_large_signal_step(const design_result& r, double delta) {
  const double w = fastest_rate(large_signal_setup(r));
  if (w * delta < 2) return status::success();
  return status::error(message("the large-signal driver's stiffest point within +-%g mm (range) needs a time step "
                               "below %.4g us: expected curves a suspension has, or a smaller range",
                               r.large->model.range * 1e3, 2 / w * 1e6));
}
