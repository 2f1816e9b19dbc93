// acoustic_sim: time-domain simulation of a piston-driven lumped acoustic
// network and the spectrum of its velocity response. Reads
// "parameters.txt" and the console, writes fixed files in the working
// folder.
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "control/program.h"
#include "control/sim_options.h"
#include "util/reporter.h"

int main(int argc, char** argv) {
  reporter report("acoustic_sim");
  report.guard_console();
  sim_options options;
  const status parsed =
      parse_sim_options(argc, argv, std::getenv("ACOUSTIC_THREADS"), std::thread::hardware_concurrency(), options);
  if (!parsed.ok()) return report.finish(parsed);
  if (options.help) {
    std::fputs(sim_usage, stdout);
    return report.finish(status::success());
  }
  return report.finish(run_simulation_program(stdin, options, report));
}
