#include "control/design_at.h"

#include "control/design_files.h"
#include "util/message.h"

status rows_at(const design_result& r, const std::vector<double>& frequencies, std::string& text) {
  const response_columns columns = columns_of(r.drive);
  text = response_header(columns);
  for (double f : frequencies) {
    const design_point p = evaluate_design(*r.compiled.network, r.drive, f);
    if (const char* name = overflowing_figure(p))
      return status::error(message("--at %g Hz: the design's %s overflows", f, name));
    text += response_row(p, columns);
  }
  return status::success();
}
