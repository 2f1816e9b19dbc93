// csv_table: a table the programs wrote, read back as the text it holds,
// so that a picture draws exactly the numbers the table gives.
#pragma once

#include <string>
#include <vector>

#include "util/status.h"

struct csv_table {
  std::string path;
  std::vector<std::string> header;                // column names
  std::vector<std::string> lines;                 // each row as written, without its newline
  std::vector<std::vector<std::string>> fields;   // each row split at its commas

  // The gnuplot column (from 1) whose name starts with `prefix`, 0 if none.
  int column(const std::string& prefix) const;
};

// Reads `path` whose header starts with `header_start`. Every row has
// `width` fields (0: as many as the header), each a "%f" number, inf or
// nan, except in a column named in `text_columns`. Fails with one line
// naming the file, and the line and field at fault.
status read_csv_table(const std::string& path, const std::string& header_start, csv_table& out, int width = 0,
                      const std::vector<std::string>& text_columns = {"limited_by"});

// The same checks on text already in memory.
status parse_csv_table(const std::string& path, const std::string& text, const std::string& header_start,
                       csv_table& out, int width = 0, const std::vector<std::string>& text_columns = {"limited_by"});
