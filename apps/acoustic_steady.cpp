// acoustic_steady: the exact steady-state response of the network in
// "parameters.txt", its natural frequencies, the stability limit of the
// explicit scheme and the figures an enclosure is designed by (SPL,
// excursion, duct air velocity, impedance). Companion of acoustic_sim; its
// response file overlays the sequential sweep's.
#include <cstdio>

#include "control/steady_program.h"
#include "util/reporter.h"

int main(int argc, char** argv) {
  reporter report("acoustic_steady");
  report.guard_console();
  steady_options options;
  const status parsed = parse_steady_options(argc, argv, options);
  if (!parsed.ok() || options.help) return report.finish(parsed);
  return report.finish(run_steady_program(options, stdin, report));
}
