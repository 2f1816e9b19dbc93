// acoustic_steady: the exact steady-state response of the network in
// "parameters.txt", its natural frequencies and the stability limit of the
// explicit scheme. Companion of acoustic_sim; its response file overlays
// the sequential sweep's.
#include <cstdio>

#include "control/steady_program.h"
#include "util/reporter.h"

int main() {
  reporter report("acoustic_steady");
  report.guard_console();
  return report.finish(run_steady_program(stdin, report));
}
