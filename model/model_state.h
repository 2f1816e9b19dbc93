// model_state: the one record that carries a run from the parameter file
// to the last spectrum. Every operation takes it by reference; a fresh
// record has every number zero and every stream closed.
#pragma once

#include <cstdio>
#include <vector>

#include "util/signal_guard.h"
#include "util/text_file.h"

constexpr int MAX_ELEMENTS = 25;
constexpr int MAX_BRANCHES = (MAX_ELEMENTS - 1) / 2;  // 12
constexpr int MAX_CHAMBERS = MAX_BRANCHES + 1;        // 13

// The program's constants. pi carries six decimals on purpose: every
// formula (areas, excitation phase, transform weights, degrees) uses it.
constexpr double pi = 3.141592;
constexpr double two_pi = 6.283184;
constexpr double p0 = 101300.0;  // atmospheric pressure, Pa
constexpr double rho = 1.2;      // air density, kg/m^3
// The full-precision pi, for what only the design programs compute (a
// voltage signal, a filter's poles, an alignment's): the network keeps
// its six decimals.
constexpr double exact_pi = 3.14159265358979323846;

// Element 0 is the piston, 1..n the internal ducts, n+1..2n the external
// ducts; chamber 0 is the main chamber, chamber i lies between internal
// duct i and external duct n+i.
using element_vector = double[MAX_ELEMENTS];
using element_matrix = double[MAX_ELEMENTS][MAX_ELEMENTS];

struct model_state {
  // The model as read from the parameter file.
  double m0 = 0;       // piston mass, g
  double radius = 0;   // piston radius, cm
  double f0 = 0;       // piston resonance on its suspension alone, Hz
  int n = 0;           // branches (side chambers), 0..12
  int ND = 0;          // elements, 2n + 1
  int division = 0;    // time steps per excitation period
  double HCR = 0;      // heat capacity ratio of air (adiabatic exponent)
  double b = 0;        // force amplitude on the piston, N
  element_vector V{};  // chamber volumes 0..n: l as read, m^3 once derived
  element_vector A{};  // element areas, cm^2 (A[0] the piston's)
  element_vector L{};  // element lengths, mm (L[0]: the air column of the piston's mass)
  element_vector C{};  // damping coefficients, kg/s
  element_vector Kd{};  // a duct's suspension to rest (a passive radiator's), N/m; never in the parameter file
  // The air in the ducts and chambers; the parameter file's is always the
  // constants above, a design file may name another.
  double air_density = rho;           // kg/m^3
  double air_pressure = p0;           // Pa; the chambers' stiffness is HCR times it
  // A duct the steady state solves as a plane-wave line (a design's
  // distributed duct): its acoustic length, m (0: a lumped mass), its
  // viscothermal attenuation over sqrt(w) per metre (0: C spread along it),
  // and a rigid far end in place of its side chamber (a closed tube).
  element_vector line_length{};
  element_vector line_loss{};
  bool line_rigid_end[MAX_ELEMENTS]{};

  // Derived element properties.
  element_vector M{};         // moving masses, kg
  element_vector R{};         // area ratios A[i] / A[0]
  element_vector MP{};        // 2 M[i] + C[i] delta, kg
  element_vector MM{};        // 2 M[i] - C[i] delta, kg
  double KS[MAX_CHAMBERS]{};  // chamber stiffnesses referred to the piston area, N/m
  double Ku = 0;              // suspension stiffness of the piston, N/m

  // Matrices of the central-difference scheme (leading ND x ND block).
  element_matrix KH{};  // standard stiffness, every chamber referred to the piston area, N/m
  element_matrix K{};   // actual stiffness, KH scaled by the area ratios, N/m
  element_matrix MK{};  // 2 (2M - delta^2 K), kg
  element_matrix Q{};   // iteration matrix: row i of MK divided by MP[i]

  // How the run is carried out, fixed by the command line and the
  // environment before the dialogue; the thread count changes no byte.
  int threads = 1;              // threads for the history files and the transform
  bool write_histories = true;  // false: the four histories are not written

  // Run configuration, fixed by the dialogue.
  int vvso = 0;        // vector sum option: 0 sums every element, else leaves the internal ducts out
  int seqsw = 0;       // processing mode as answered: 1 one-time, 0 sequential sweep
  int choice = 0;      // excitation: 0 sinusoid, 1 linear sweep, other random
  double F = 0;        // excitation frequency (a sweep's final frequency), Hz
  double phi = 0;      // sweep rate, Hz/s
  double T = 0;        // period 1 / F, s
  double delta = 0;    // time step, s (replaced by the printed one after each analysis)
  int n_rows = 0;      // index of a run's last step; a run has n_rows + 1 steps
  int n_cycles = 0;    // excitation cycles, as reported in dft_parameters.txt
  int req_cycles = 0;  // F truncated, from which n_cycles is copied
  int fseq = 0;        // current frequency of the sequential sweep, Hz
  int fsmin = 0;       // first frequency of the sequential sweep, Hz
  int fsmax = 0;       // last frequency of the sequential sweep, Hz

  // Excitation of the current step.
  double tempo = 0;        // time, s
  double forte = 0;        // force on the piston, N
  element_vector force{};  // scaled force terms 2 delta^2 f / MP (only [0] is driven), m

  // State of the recursion.
  element_vector xp{};  // displacements at the previous step, m
  element_vector xc{};  // displacements at the current step, m
  element_vector xn{};  // displacements at the next step, m
  element_vector vc{};  // backward-difference velocities (xc - xp) / delta, m/s
  double sumx = 0;      // area-weighted displacement sum, mm
  double sumv = 0;      // area-weighted velocity sum chosen by vvso, m/s

  // Spectral analysis of the signal file.
  int ndps = 0;                     // samples the signal file declares
  int np1 = 0;                      // ndps + 1, the length of wave
  std::vector<double> wave;         // the samples, m/s
  std::vector<double> wave_weight;  // wave[k] 2 pi / ndps, once per signal
  double vel = 0;                   // the sample just read, m/s
  double tw = 0;                    // time window ndps delta, s
  int t_window = 0;                 // the time window's whole seconds
  double fres = 0;                  // frequency resolution 1 / t_window, Hz
  int hf = 0;                       // upper frequency limit, Hz; then the last bin
  int progress = 0;                 // bins since the last progress message
  double delta_dft = 0;             // angular step 2 pi / ndps, rad
  double frequenza = 0;             // frequency of the current bin, Hz
  double dftr = 0;                  // real part of the current bin
  double dfti = 0;                  // imaginary part of the current bin
  double dftp = 0;                  // the "Pa" column: 0.6 |X|^2
  double dftl = 0;                  // the "SPL" column: 10 ln(Pa / 0.00002)
  double phase = 0;                 // phase of the current bin, degrees

  // Streams: the parameter file, the seven outputs that live for the whole
  // run, and the three that live for one run or one analysis.
  std::FILE* input = nullptr;      // parameters.txt
  text_file displacement;          // x_vectors.csv
  text_file displacement_n;        // normalized_x_vectors.csv
  text_file velocity;              // v_vectors.csv
  text_file velocity_n;            // normalized_v_vectors.csv
  text_file dft_params;            // dft_parameters.txt
  text_file matrix;                // matrices.csv
  text_file dft_seqoutput;         // dft_sequential_calculation_result.csv
  text_file dft_v;                 // the signal file, written by each run
  text_file dft_output;            // dft_result.csv
  std::FILE* dft_input = nullptr;  // the signal file, read by each analysis

  // Answers whether the run has been interrupted; none outside a run.
  const signal_guard* signals = nullptr;

  model_state() = default;
  model_state(const model_state&) = delete;
  model_state& operator=(const model_state&) = delete;
  ~model_state() {
    if (input) std::fclose(input);
    if (dft_input) std::fclose(dft_input);
  }
};

// The first duct in the velocity sum after the piston: with vvso != 0 the
// internal ducts 1..n stay out of it.
inline int first_summed_duct(const model_state& s) { return (s.vvso != 0 ? s.n : 0) + 1; }
