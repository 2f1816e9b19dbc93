#include "server/saved_design.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <regex>
#include <sstream>

#include "control/design_files.h"
#include "util/message.h"
#include "util/output_set.h"

bool valid_design_name(const std::string& name) {
  static const std::regex pattern("[A-Za-z0-9_][A-Za-z0-9_.-]{0,99}\\.toml");
  return std::regex_match(name, pattern);
}

status read_design_text(const std::string& path, std::string& text) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return status::error(message("cannot open %s: %s", path.c_str(), std::strerror(errno)));
  std::ostringstream all;
  all << in.rdbuf();
  if (in.bad()) return status::error(message("cannot read %s", path.c_str()));
  text = all.str();
  return status::success();
}

status save_design_text(const std::string& path, const std::string& loaded, const std::string& text, bool as_new,
                        bool overwrite, save_outcome& outcome) {
  struct stat info;
  const bool exists = stat(path.c_str(), &info) == 0;
  if (exists && !S_ISREG(info.st_mode)) return status::error(message("%s is not a file", path.c_str()));
  if (as_new && exists && !overwrite) {
    outcome = save_outcome::exists;
    return status::success();
  }
  if (!as_new) {
    std::string now;
    if (!read_design_text(path, now).ok() || now != loaded) {
      outcome = save_outcome::changed_on_disk;
      return status::success();
    }
  }
  const output_set outputs({path});
  RETURN_IF_ERROR(outputs.check_replaceable());
  status written = write_text(output_set::working_name(path), text);
  if (written.ok()) written = outputs.commit();
  if (!written.ok()) outputs.discard();
  outcome = save_outcome::saved;
  return written;
}
