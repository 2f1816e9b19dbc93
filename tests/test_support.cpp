#include "test_support.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "model/element_properties.h"
#include "model/matrix_assembly.h"
#include "model/parameters.h"

scratch_dir::scratch_dir() {
  char buf[4096];
  previous_ = getcwd(buf, sizeof buf) ? buf : ".";
  char templ[] = "/tmp/acoustic_test_XXXXXX";
  const char* made = mkdtemp(templ);
  if (!made) std::abort();
  path_ = made;
  if (chdir(path_.c_str()) != 0) std::abort();
}

scratch_dir::~scratch_dir() {
  if (chdir(previous_.c_str()) != 0) return;
  const std::string command = "chmod -R u+w '" + path_ + "' && rm -rf '" + path_ + "'";
  if (std::system(command.c_str()) != 0) return;
}

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

void write_file(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
}

bool file_exists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

program_run run_program_in(const std::string& dir, const std::string& answers) {
  write_file(dir + "/.answers", answers);
  const std::string command = "cd '" + dir + "' && '" ACOUSTIC_SIM_PATH "' < .answers > .stdout 2> .stderr";
  const int raw = std::system(command.c_str());
  program_run run;
  run.exit_code = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  run.out = read_file(dir + "/.stdout");
  run.err = read_file(dir + "/.stderr");
  for (const char* name : {"/.answers", "/.stdout", "/.stderr"}) std::remove((dir + name).c_str());
  return run;
}

silenced_stdout::silenced_stdout() {
  std::fflush(stdout);
  saved_ = dup(1);
  FILE* null = std::fopen("/dev/null", "w");
  dup2(fileno(null), 1);
  std::fclose(null);
}

silenced_stdout::~silenced_stdout() {
  std::fflush(stdout);
  dup2(saved_, 1);
  close(saved_);
}

std::unique_ptr<model_state> build_model(const std::string& parameters, double delta) {
  write_file("parameters.txt", parameters);
  auto s = std::make_unique<model_state>();
  silenced_stdout quiet;
  s->input = std::fopen("parameters.txt", "r");
  const status loaded = load_parameters(*s);
  EXPECT_TRUE(loaded.ok()) << loaded.message;
  if (delta > 0) {
    s->delta = delta;
    derive_element_properties(*s);
    assemble_matrices(*s);
  }
  return s;
}

std::vector<std::string> split_lines(const std::string& text) {
  std::vector<std::string> lines;
  std::string line;
  std::istringstream in(text);
  while (std::getline(in, line)) lines.push_back(line);
  return lines;
}

std::vector<std::string> split_fields(const std::string& line) {
  std::vector<std::string> fields;
  std::string field;
  std::istringstream in(line);
  while (std::getline(in, field, ',')) fields.push_back(field);
  if (!line.empty() && line.back() == ',') fields.push_back("");
  return fields;
}

std::string format(const char* fmt, ...) {
  char buf[4096];
  va_list args;
  va_start(args, fmt);
  std::vsnprintf(buf, sizeof buf, fmt, args);
  va_end(args);
  return buf;
}
