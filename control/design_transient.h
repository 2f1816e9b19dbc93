// acoustic_design --transient: the design driven through its voice coil in
// the time domain by a step, an impulse, a tone burst or a switched-on
// sine; NAME_transient.csv, NAME_transient.png and the summary lines.
#pragma once

#include <string>
#include <vector>

#include "analysis/transient_figures.h"
#include "control/design_program.h"
#include "simulation/transient_run.h"
#include "util/reporter.h"

struct transient_plan {
  double delta = 0;     // s
  int rows = 0;         // simulated; a settling record may keep fewer
  double highest = 0;   // Hz, resolved with at least 50 steps per period
  std::string set_by;   // what `highest` is
  bool settle = false;  // the record ends once the response has settled
};

// At least 50 steps per period of the highest of the signal's frequency,
// the network's highest natural frequency, each mass's damping rate
// C / (2 pi M) (the coil's Bl^2 / Re on the cone) and, with Le > 0, the
// coil's corner Re / (2 pi Le); a burst's or a sine's period a whole number of
// steps. The record: `duration` (s) if given, a sine's length, else 2 s
// to settle in. Fails when it would take more than 10^6 steps.
status plan_transient(const model_state& s, const voice_coil& coil, const voltage_signal& signal, double duration,
                      transient_plan& plan);

struct transient_result {
  transient_plan plan;
  transient_record record;
  transient_columns columns;
  int rows = 0;  // the rows written
  std::vector<double> amplifier_voltage;  // with a high-pass, the signal before it (V); else empty
};

// Through the design's coil; signal.peak is set from its rms voltage.
// Fails naming the first column of the rows written that is not finite.
status compute_transient(design_result& r, voltage_signal signal, double duration, transient_result& out);

// The summary lines: the step used, the peaks with their times, and for a
// burst or a sine the steady state's at the same frequency and voltage.
std::vector<std::string> transient_summary(const design_result& r, const voltage_signal& signal,
                                           const transient_result& t);

// "a burst of 8 cycles at 40 Hz, 2.83 V peak".
std::string describe_signal(const voltage_signal& signal, double rms_voltage);

status write_transient_table(const std::string& path, const transient_result& t);
