#include "test_support.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "control/model_inputs.h"
#include "model/matrix_assembly.h"

const std::string closed_box = "20 8 40\n0 100 1.4 1\n20\n1.0\n";
const std::string one_branch = "20 8 40\n1 100 1.4 1\n20 5\n20 25\n50 150\n1.0 0.05 0.08\n";

const std::string example_params(const char* example) {
  return read_file(std::string(EXAMPLES_DIR) + "/" + example + "/parameters.txt");
}

scratch_dir::scratch_dir() {
  char buf[4096];
  previous_ = getcwd(buf, sizeof buf) ? buf : ".";
  char templ[] = "/tmp/acoustic_test_XXXXXX";
  const char* made = mkdtemp(templ);
  if (!made || chdir(made) != 0) std::abort();
  path_ = made;
}

scratch_dir::~scratch_dir() {
  if (chdir(previous_.c_str()) != 0) return;
  if (std::system(("rm -rf '" + path_ + "'").c_str()) != 0) return;
}

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

void write_file(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

program_run run_in(const std::string& dir, const std::string& command, const std::string& input,
                   const std::string& redirect_out) {
  write_file(dir + "/.in", input);
  const std::string out = redirect_out.empty() ? "> .out" : redirect_out;
  const int raw = std::system(("cd '" + dir + "' && " + command + " < .in " + out + " 2> .err").c_str());
  program_run run;
  run.exit_code = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  run.out = read_file(dir + "/.out");
  run.err = read_file(dir + "/.err");
  for (const char* name : {"/.in", "/.out", "/.err"}) std::remove((dir + name).c_str());
  return run;
}

program_run run_sim(const scratch_dir& dir, const std::string& parameters, const std::string& answers) {
  if (!parameters.empty()) write_file(dir.file("parameters.txt"), parameters);
  return run_in(dir.path(), "'" ACOUSTIC_SIM_PATH "'", answers);
}

std::unique_ptr<model_state> build_model(const std::string& parameters, double delta) {
  write_file("parameters.txt", parameters);
  auto s = std::make_unique<model_state>();
  const status loaded = load_model(*s);
  EXPECT_TRUE(loaded.ok()) << loaded.message;
  if (delta > 0) {
    s->delta = delta;
    EXPECT_TRUE(derive_checked_properties(*s).ok());
    assemble_matrices(*s);
  }
  return s;
}

std::vector<std::string> split_lines(const std::string& text) { return split_fields(text, '\n'); }

std::vector<std::string> split_fields(const std::string& line, char separator) {
  std::vector<std::string> fields;
  std::string field;
  std::istringstream in(line);
  while (std::getline(in, field, separator)) fields.push_back(field);
  if (separator == ',' && !line.empty() && line.back() == ',') fields.push_back("");
  return fields;
}

std::vector<std::vector<double>> csv_rows(const std::string& path) {
  std::vector<std::vector<double>> rows;
  const auto lines = split_lines(read_file(path));
  for (std::size_t i = 1; i < lines.size(); ++i) {
    std::vector<double> row;
    for (const std::string& f : split_fields(lines[i])) row.push_back(std::strtod(f.c_str(), nullptr));
    rows.push_back(row);
  }
  return rows;
}

std::string format(const char* fmt, ...) {
  char buf[4096];
  va_list args;
  va_start(args, fmt);
  std::vsnprintf(buf, sizeof buf, fmt, args);
  va_end(args);
  return buf;
}

bool file_exists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }
