// The direct discrete Fourier transform of the velocity signal: the whole
// band of a one-time run ("dft_result.csv") or the single bin of a sweep
// frequency (one row of the frequency-response file).
//
// Bin j sums, over the samples k, wave[k] (2 pi / ndps) e^(-i j delta_dft k)
// with pi = 3.141592; "Pa" is 0.6 |X|^2 and "SPL" 10 ln(Pa / 0.00002).
#pragma once

#include "model/model_state.h"
#include "model/status.h"

constexpr const char* spectrum_file_name = "dft_result.csv";

// What a bin's parts give: the phase in degrees (atan(im / re) with
// pi = 3.141592, known modulo 180), Pa = 0.6 |X|^2 and SPL = 10 ln(Pa / 2e-5).
struct bin_levels {
  double phase, pa, spl;
};
bin_levels levels_of_bin(double re, double im);

// Sets dftr, dfti, phase, dftp and dftl for bin j of wave.
void evaluate_bin(model_state& s, int j);

// Writes "frequenza,SPL,phase,Pa,Re,Im" of the last evaluated bin.
void write_bin_row(const model_state& s, text_file& out);

// Full spectrum of the signal on s.dft_input, bins 0 .. hf * t_window.
status dft(model_state& s);

// Bin fseq of the signal on s.dft_input, appended to dft_seqoutput.
status point_dft(model_state& s);
