// Helpers shared by the tests: scratch folders, running a program the way
// a user does, and building a model in-process.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "model/model_state.h"
#include "util/message.h"

// A fresh empty folder that is the working directory while the object
// lives; removed afterwards.
class scratch_dir {
 public:
  scratch_dir();
  ~scratch_dir();
  std::string file(const std::string& name) const { return path_ + "/" + name; }
  const std::string& path() const { return path_; }

 private:
  std::string path_, previous_;
};

struct program_run {
  int exit_code = -1;
  std::string out, err;
};

// Runs `command` (shell syntax) in `dir` with `input` on standard input;
// `out` replaces the redirection that captures standard output.
program_run run_in(const std::string& dir, const std::string& command, const std::string& input,
                   const std::string& out = "> .out");
// acoustic_sim in `dir`, with `parameters` written to parameters.txt first
// unless empty.
program_run run_sim(const scratch_dir& dir, const std::string& parameters, const std::string& answers);

// Loads `parameters` through parameters.txt in the current folder and, when
// delta > 0, derives the element properties and assembles the matrices.
std::unique_ptr<model_state> build_model(const std::string& parameters, double delta);

std::string read_file(const std::string& path);
void write_file(const std::string& path, const std::string& text);
bool file_exists(const std::string& path);
std::vector<std::string> split(const std::string& text, char separator = '\n');
// The rows of a CSV file after its header, as numbers.
std::vector<std::vector<double>> csv_rows(const std::string& path);
bool contains(const std::string& text, const std::string& part);
// Program output for a failure message: bytes that are not printable
// ASCII as \xNN (a broken program may write anything).
std::string shown(const std::string& text);

extern const std::string closed_box, one_branch;     // n = 0 and n = 1
extern const std::vector<std::string> output_files;  // every file acoustic_sim writes
std::string example_params(const char* example);
