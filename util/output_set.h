// output_set: the files a run writes, committed as a set. Each is written
// under its name with ".incomplete" appended, beside the final one, and
// renamed into place only once the whole run has succeeded: a failed,
// interrupted or killed run leaves the earlier files as they were.
#pragma once

#include <string>
#include <vector>

#include "util/status.h"

class output_set {
 public:
  static constexpr const char* working_suffix = ".incomplete";

  explicit output_set(std::vector<std::string> names) : names_(std::move(names)) {}

  // Where `name` is written until the set is committed.
  static std::string working_name(const std::string& name) { return name + working_suffix; }

  // Fails naming the first final name that a rename could not or should
  // not replace: a folder, or a file nobody may write.
  status check_replaceable() const;

  // Removes the working files of every name (what a killed run left).
  void discard() const;

  // Renames every working file that exists into place, in order.
  status commit() const;

 private:
  std::vector<std::string> names_;
};
