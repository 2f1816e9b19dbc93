// The design files the page reads and writes: names in the folders the
// server was started on, each write through the same atomic replacement
// as every other output, and never over a file that changed on disk.
#pragma once

#include <string>

#include "util/status.h"

// [A-Za-z0-9_][A-Za-z0-9_.-]{0,99}\.toml: a file's name and nothing more.
bool valid_design_name(const std::string& name);

status read_design_text(const std::string& path, std::string& text);

enum class save_outcome { saved, changed_on_disk, exists };

// Writes `text` to `path`. With `as_new` (Save as), an existing file only
// with `overwrite`; otherwise the file must still hold `loaded`, the text
// the page started from. Anything else leaves the disk as it was.
status save_design_text(const std::string& path, const std::string& loaded, const std::string& text, bool as_new,
                        bool overwrite, save_outcome& outcome);
