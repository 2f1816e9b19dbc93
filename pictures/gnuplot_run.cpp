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
  // Named as a file, the pipe is read through stdio's buffer: as its
  // standard input gnuplot reads it a byte per system call, which costs
  // more than drawing.
  const status ran = run_with_input(gnuplot, {"/dev/stdin"}, script);
  if (!ran.ok())
    for (const std::string& path : drawn) std::remove(path.c_str());
  if (!ran.ok()) {
    if (ran.message == gnuplot + " not found on the PATH") return status::error(gnuplot_missing);
    // "/dev/stdin" line 12: what went wrong; the line of a script nobody sees says nothing.
    std::string reason = ran.message;
    const std::string place = "\"/dev/stdin\" line ";
    if (reason.rfind(place, 0) == 0 && reason.find(": ") != std::string::npos) reason = reason.substr(reason.find(": ") + 2);
    return status::error("gnuplot: " + reason);
  }
  for (const std::string& path : drawn) {
    struct stat info;
    if (stat(path.c_str(), &info) != 0 || info.st_size == 0) return status::error("gnuplot wrote no " + path);
  }
  return status::success();
}
