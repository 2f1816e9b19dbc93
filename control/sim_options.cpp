#include "control/sim_options.h"

#include <string>

#include "util/message.h"
#include "util/token_reader.h"
#include "util/worker_thread.h"

const char* const sim_usage =
    "Usage: acoustic_sim [--no-histories]\n"
    "\n"
    "Time-domain simulation of the network in parameters.txt (in the current folder), with the run's\n"
    "settings answered on standard input, and the spectrum or 10-400 Hz response of its velocity sum.\n"
    "\n"
    "Options:\n"
    "  --no-histories  write every file but the four response histories (x_vectors.csv,\n"
    "                  normalized_x_vectors.csv, v_vectors.csv, normalized_v_vectors.csv)\n"
    "  -h, --help      print this help and exit\n"
    "\n"
    "Environment:\n"
    "  ACOUSTIC_THREADS  threads for the histories and the transform (default: the machine's);\n"
    "                    the output is the same, byte for byte, with any count\n";

status parse_sim_options(int argc, const char* const* argv, const char* threads_variable, unsigned hardware,
                         sim_options& options) {
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument == "--help" || argument == "-h") {
      options.help = true;
      return status::success();
    }
    if (argument == "--no-histories") {
      options.histories = false;
    } else if (argument.size() > 1 && argument[0] == '-') {
      return status::error(message("unknown option %s: see --help", quoted(argument).c_str()));
    } else {
      return status::error(message("unexpected argument %s: see --help", quoted(argument).c_str()));
    }
  }
  const thread_count_result threads = thread_count(threads_variable, hardware);
  if (!threads.error.empty()) return status::error(threads.error);
  options.threads = threads.threads;
  return status::success();
}
