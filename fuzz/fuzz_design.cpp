// The design file, read, completed and compiled: an accepted design has a
// finite network, and every figure the program would write of it is a
// number: each column of NAME.csv (inf only as max_voltage and max_SPL
// where no limit is given), the summary, the rows --at prints, the
// alignments of its driver and a short transient with its summary lines.
#include <cstdint>
#include <string>

#include "control/design_alignments.h"
#include "control/design_at.h"
#include "control/design_files.h"
#include "control/design_program.h"
#include "control/design_transient.h"
#include "fuzz_support.h"
#include "util/message.h"

namespace {

bool has(const std::string& text, const char* part) { return text.find(part) != std::string::npos; }

// A response row: no nan, and inf only in max_SPL and max_voltage (the
// eighth and ninth fields) of a row limited by nothing.
void require_numbers(const std::string& row) {
  if (has(row, "nan")) std::abort();
  std::size_t field = 0, from = 0;
  const bool unlimited = row.size() >= 6 && row.compare(row.size() - 6, 6, ",none\n") == 0;
  for (;;) {
    const std::size_t comma = row.find(',', from);
    const std::string value = row.substr(from, comma == std::string::npos ? std::string::npos : comma - from);
    if (has(value, "inf") && !(unlimited && (field == 7 || field == 8))) std::abort();
    if (comma == std::string::npos) break;
    from = comma + 1;
    ++field;
  }
}

void require_text(const std::string& text) {
  if (has(text, "nan") || has(text, "inf")) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  design_file file;
  if (!parse_design_text(text, "fuzz.toml", file).ok()) return 0;
  std::vector<alignment_row> rows;
  std::vector<std::string> notes;
  if (align_driver(file, rows, notes).ok()) require_text(alignment_table(rows));
  design_result r;
  if (!compute_design(file, {20, 200}, r).ok()) return 0;
  require_finite(*r.compiled.network);
  const response_columns columns = columns_of(r.drive);
  for (const design_point& p : r.points) require_numbers(response_row(p, columns));
  if (overflowing_row(r.summary)) std::abort();
  std::string at;
  if (rows_at(r, {33.3, 1234.5}, at).ok()) {
    for (std::size_t from = at.find('\n') + 1; from < at.size();) {
      const std::size_t end = at.find('\n', from);
      require_numbers(at.substr(from, end - from + 1));
      from = end + 1;
    }
  }
  voltage_signal step;
  step.kind = signal_kind::step;
  transient_result t;
  if (compute_transient(r, step, 0.005, t).ok()) {
    for (const std::string& line : transient_summary(r, step, t)) require_text(line);
    for (const std::vector<double>* column : {&t.record.voltage, &t.record.current, &t.columns.excursion_mm,
                                              &t.columns.cone_velocity, &t.columns.port_velocity,
                                              &t.columns.radiator_mm, &t.columns.pressure})
      for (std::size_t k = 0; k < column->size() && k < static_cast<std::size_t>(t.rows); ++k)
        if (!std::isfinite((*column)[k])) std::abort();
  }
  return 0;
}
