// acoustic_sim: time-domain simulation of a piston-driven lumped acoustic
// network and the spectrum of its velocity response. Reads
// "parameters.txt" and the console, writes fixed files in the working
// folder.
#include <cstdio>

#include "control/program.h"
#include "util/reporter.h"

int main() {
  reporter report("acoustic_sim");
  report.guard_console();
  return report.finish(run_simulation_program(stdin, report));
}
