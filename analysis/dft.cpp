#include "analysis/dft.h"

#include <cmath>
#include <cstdio>
#include <vector>

#include "analysis/signal_reader.h"
#include "simulation/signal_file.h"
#include "util/message.h"
#include "util/ordered_parallel.h"
#include "util/output_set.h"

spectrum_row spectrum_row_of(double frequency, double re, double im) {
  spectrum_row row;
  row.frequency = frequency;
  row.re = re;
  row.im = im;
  // The one-argument arctangent: the phase is known modulo 180 degrees.
  row.phase = std::atan(im / re) * 180 / pi;
  row.pa = (re * re + im * im) * 0.6;
  row.spl = 10 * std::log(row.pa / 0.00002);
  return row;
}

void write_spectrum_row(text_file& out, const spectrum_row& row) {
  const double values[] = {row.frequency, row.spl, row.phase, row.pa, row.re, row.im};
  for (int i = 0; i < 6; ++i) {
    if (i) out.put(',');
    out.put_fixed(values[i]);
  }
  out.put('\n');
}

namespace {

void write_current_bin(const model_state& s, text_file& out) {
  write_spectrum_row(out, {s.frequenza, s.dftl, s.phase, s.dftp, s.dftr, s.dfti});
}

}  // namespace

bin_sums sum_bin(const model_state& s, int j) {
  const int ndps = s.ndps;
  const double* weight = s.wave_weight.data();
  const double bin_step = j * s.delta_dft;
  double re = 0, im = 0;
  for (int k = 0; k < ndps; ++k) {
    // a = j delta_dft k; sine and cosine of the same argument (one sincos).
    const double a = bin_step * k;
    const double w = weight[k];
    re = std::cos(a) * w + re;
    im = im - std::sin(a) * w;
  }
  return {re, im};
}

namespace {

void set_current_bin(model_state& s, bin_sums sums) {
  const spectrum_row row = spectrum_row_of(s.frequenza, sums.re, sums.im);
  s.dftr = row.re;
  s.dfti = row.im;
  s.phase = row.phase;
  s.dftp = row.pa;
  s.dftl = row.spl;
}

}  // namespace

void evaluate_bin(model_state& s, int j) { set_current_bin(s, sum_bin(s, j)); }

status dft(model_state& s) {
  RETURN_IF_ERROR(read_signal_header(s, true));
  RETURN_IF_ERROR(compute_time_window(s));
  std::printf("frequency resolution =\t%f\n\n", s.fres);
  s.hf = 200;
  std::printf("time window = %d\n", s.t_window);
  if (s.ndps < s.hf) s.hf = s.ndps;
  if (s.hf < 40) s.hf = 40;
  std::puts("lower frequency = 1\t[Hz]");
  std::printf("upper frequency = %d\t[Hz]\n", s.hf);
  if (static_cast<long long>(s.hf) * s.t_window > 100000000) {
    return status::error(
        message("%s: time window of %d s gives more than 10^8 bins: expected about 1 s", signal_file_name, s.t_window));
  }
  RETURN_IF_ERROR(read_signal_samples(s));

  // The spectrum file is created only once the signal has been read whole,
  // so a signal that cannot be analysed leaves an earlier spectrum intact.
  RETURN_IF_ERROR(s.dft_output.open(output_set::working_name(spectrum_file_name)));
  s.dft_output.put(spectrum_header);
  s.progress = -1;
  s.hf = s.hf * s.t_window;
  // The bins are independent: they are summed on the worker threads and
  // written here in order, each as one thread would write it.
  RETURN_IF_ERROR(for_each_in_order<bin_sums>(
      s.hf + 1, s.threads, [&s](int j) { return sum_bin(s, j); },
      [&s](int j, bin_sums sums) {
        s.frequenza = static_cast<double>(j) / s.t_window;
        s.progress = s.progress + 1;
        if (s.progress == 100) {
          std::printf("%d of %d steps done.\n", j, s.hf);
          s.progress = 0;
        }
        set_current_bin(s, sums);
        write_current_bin(s, s.dft_output);
        RETURN_IF_ERROR(check_not_interrupted(s.signals));
        return s.dft_output.write_status();
      }));
  release_signal(s);
  RETURN_IF_ERROR(s.dft_output.close());
  std::puts("DFT has been completed.");
  return status::success();
}

status point_dft(model_state& s) {
  RETURN_IF_ERROR(read_signal_header(s, false));
  RETURN_IF_ERROR(compute_time_window(s));
  RETURN_IF_ERROR(read_signal_samples(s));
  s.frequenza = static_cast<double>(s.fseq) / s.t_window;
  evaluate_bin(s, s.fseq);
  write_current_bin(s, s.dft_seqoutput);
  RETURN_IF_ERROR(s.dft_seqoutput.flush());
  std::printf("%d [Hz]\t%f\n", s.fseq, s.dftl);
  release_signal(s);
  return status::success();
}
