// Helpers shared by the tests: scratch folders, running a program the way
// a user does, and building a model in-process.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "model/model_state.h"

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

std::string read_file(const std::string& path);
void write_file(const std::string& path, const std::string& text);

struct program_run {
  int exit_code = -1;
  std::string out, err;
};

// Runs `command` (a program and its arguments, shell syntax) in `dir` with
// `input` on standard input; `redirect_out` replaces "> captured stdout".
program_run run_in(const std::string& dir, const std::string& command, const std::string& input,
                   const std::string& redirect_out = "");

// acoustic_sim in `dir` with `parameters` written to parameters.txt first
// (unless empty) and `answers` on standard input.
program_run run_sim(const scratch_dir& dir, const std::string& parameters, const std::string& answers);

// Writes parameters.txt into the current folder, loads it and (when
// delta > 0) derives the element properties and assembles the matrices.
std::unique_ptr<model_state> build_model(const std::string& parameters, double delta);

std::vector<std::string> split_lines(const std::string& text);
std::vector<std::string> split_fields(const std::string& line, char separator = ',');
// The rows of a CSV file after its header, as numbers.
std::vector<std::vector<double>> csv_rows(const std::string& path);
std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
bool file_exists(const std::string& path);
bool contains(const std::string& text, const std::string& part);

// Networks used across the tests, as parameter files.
extern const std::string closed_box;  // n = 0
extern const std::string one_branch;  // n = 1
extern const std::string example_params(const char* example);
