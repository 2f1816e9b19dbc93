// acoustic_design: a loudspeaker design from a driver's datasheet and an
// enclosure by type (a TOML file), solved as the network acoustic_sim and
// acoustic_steady solve, and answered as the figures a designer decides by.
#include "control/design_program.h"
#ifdef ACOUSTIC_LIVE_PAGE
#include "server/design_server.h"
#endif
#include "util/reporter.h"

int main(int argc, char** argv) {
  reporter report("acoustic_design");
  report.guard_console();
  design_options options;
  const status parsed = parse_design_options(argc, argv, options);
  if (!parsed.ok() || options.help) return report.finish(parsed);
  if (options.serve) {
#ifdef ACOUSTIC_LIVE_PAGE
    return report.finish(run_design_server({options.design_paths, options.listen, options.port}, report));
#else
    return report.finish(status::error("--serve: built without the live page (needs cpp-httplib and nlohmann-json)"));
#endif
  }
  return report.finish(run_design_program(options, report));
}
