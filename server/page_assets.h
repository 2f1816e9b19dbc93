// The page's files, built into the program so that it works offline with
// nothing beside it: the HTML, its script and style sheet, and the chart
// library with its style sheet.
#pragma once

#include <cstddef>

struct page_asset {
  const char* path;  // "/page.js"
  const char* type;  // its Content-Type
  const unsigned char* data;
  std::size_t size;
};

// The asset served at `path`, or nullptr.
const page_asset* find_page_asset(const char* path);
