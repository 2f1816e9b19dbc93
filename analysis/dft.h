// The direct discrete Fourier transform of the velocity signal: the whole
// band of a one-time run ("dft_result.csv") or the single bin of a sweep
// frequency (one row of the frequency-response file).
//
// Bin j sums, over the samples k, wave[k] (2 pi / ndps) e^(-i j delta_dft k)
// with pi = 3.141592; "Pa" is 0.6 |X|^2 and "SPL" 10 ln(Pa / 0.00002).
#pragma once

#include "model/model_state.h"
#include "util/status.h"

constexpr const char* spectrum_file_name = "dft_result.csv";

// The header of every spectrum and frequency-response table.
constexpr const char* spectrum_header = "frequency[Hz],SPL,phase,Pa,Re,Im\n";

// One row of a spectrum: a bin's parts and what they give, the phase in
// degrees (atan(im / re) with pi = 3.141592, known modulo 180),
// Pa = 0.6 |X|^2 and SPL = 10 ln(Pa / 2e-5).
struct spectrum_row {
  double frequency, spl, phase, pa, re, im;
};
spectrum_row spectrum_row_of(double frequency, double re, double im);

// "frequency,SPL,phase,Pa,Re,Im" and a line end.
void write_spectrum_row(text_file& out, const spectrum_row& row);

// The sums of bin j over the weighted samples; reads s only, so that bins
// can be summed side by side.
struct bin_sums {
  double re, im;
};
bin_sums sum_bin(const model_state& s, int j);

// Sets dftr, dfti, phase, dftp and dftl for bin j of wave.
void evaluate_bin(model_state& s, int j);

// Full spectrum of the signal on s.dft_input, bins 0 .. hf * t_window.
status dft(model_state& s);

// Bin fseq of the signal on s.dft_input, appended to dft_seqoutput.
status point_dft(model_state& s);
