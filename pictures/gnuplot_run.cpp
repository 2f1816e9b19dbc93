#include "pictures/gnuplot_run.h"

#include <sys/stat.h>

#include <cstdio>

#include "util/child_process.h"

const char* const gnuplot_missing =
    "gnuplot not found: expected gnuplot with the pngcairo terminal (Debian: apt-get install gnuplot-nox)";

status run_gnuplot(const std::vector<std::string>& scripts, const std::vector<std::string>& drawn,
                   const std::string& gnuplot) {
  std::string script;
  for (const std::string& s : scripts) script += s;
  const status ran = run_with_input(gnuplot, {}, script);
  if (!ran.ok())
    for (const std::string& path : drawn) std::remove(path.c_str());
  if (!ran.ok()) {
    if (ran.message == gnuplot + " not found on the PATH") return status::error(gnuplot_missing);
    return status::error("gnuplot: " + ran.message);
  }
  for (const std::string& path : drawn) {
    struct stat info;
    if (stat(path.c_str(), &info) != 0 || info.st_size == 0) return status::error("gnuplot wrote no " + path);
  }
  return status::success();
}
