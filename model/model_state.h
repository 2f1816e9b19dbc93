// model_state: the one record that carries a run from the parameter file
// to the last spectrum. Every operation takes it by reference; a fresh
// record has every number zero and every stream closed.
#pragma once

#include <cstdio>
#include <vector>

#include "model/text_file.h"

constexpr int MAX_ELEMENTS = 25;
constexpr int MAX_BRANCHES = (MAX_ELEMENTS - 1) / 2;  // 12
constexpr int MAX_CHAMBERS = MAX_BRANCHES + 1;        // 13

// The program's constants. pi carries six decimals on purpose: every
// formula (areas, excitation phase, transform weights, degrees) uses it.
constexpr double pi = 3.141592;
constexpr double two_pi = 6.283184;
constexpr double p0 = 101300.0;  // atmospheric pressure, Pa
constexpr double rho = 1.2;      // air density, kg/m^3

// The name every error line starts with; a companion command sets its own.
inline const char* program_name = "acoustic_sim";

using element_vector = double[MAX_ELEMENTS];
using element_matrix = double[MAX_ELEMENTS][MAX_ELEMENTS];

struct model_state {
  // Model inputs and derived element properties.
  double m0 = 0, radius = 0, f0 = 0;
  int n = 0, ND = 0, division = 0;
  double HCR = 0, b = 0;
  element_vector V{}, A{}, L{}, C{}, M{}, R{}, MP{}, MM{};
  double KS[MAX_CHAMBERS]{};
  double Ku = 0;

  // Stiffness and iteration matrices. QT is Q by columns and MM_over_MP
  // the per-element ratio; both hold the same numbers as Q and MM/MP, laid
  // out for the time-stepping loop.
  element_matrix KH{}, K{}, MK{}, Q{}, QT{};
  element_vector MM_over_MP{};

  // Run configuration.
  int vvso = 0, seqsw = 0, choice = 0;
  double F = 0, phi = 0, T = 0, delta = 0;
  int n_rows = 0, n_cycles = 0, req_cycles = 0;
  int fseq = 0, fsmin = 0, fsmax = 0;

  // Excitation of the current step.
  double tempo = 0, forte = 0;
  element_vector force{};

  // State vectors and sums.
  element_vector xp{}, xc{}, xn{}, vc{};
  double sumx = 0, sumv = 0;

  // Spectral analysis.
  int ndps = 0, np1 = 0;
  std::vector<double> wave;
  std::vector<double> wave_weight;  // wave[k] * 2 pi / ndps, once per signal
  double vel = 0, tw = 0;
  int t_window = 0;
  double fres = 0;
  int hf = 0, progress = 0;
  double delta_dft = 0, frequenza = 0, dftr = 0, dfti = 0, dftp = 0, dftl = 0, phase = 0;

  // Streams: the parameter file, the seven long-lived outputs, and the
  // three that live for one run or one analysis.
  std::FILE* input = nullptr;
  text_file displacement, displacement_n, velocity, velocity_n;
  text_file dft_params, matrix, dft_seqoutput;
  text_file dft_v, dft_output;
  std::FILE* dft_input = nullptr;

  model_state() = default;
  model_state(const model_state&) = delete;
  model_state& operator=(const model_state&) = delete;
  ~model_state() {
    if (input) std::fclose(input);
    if (dft_input) std::fclose(dft_input);
  }
};
