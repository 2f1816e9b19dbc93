// Helpers shared by the tests: scratch folders, running the real program
// on a parameter file and answers, and building a model in-process.
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
  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_, previous_;
};

std::string read_file(const std::string& path);
void write_file(const std::string& path, const std::string& text);
bool file_exists(const std::string& path);

// Sends standard output to /dev/null while alive.
class silenced_stdout {
 public:
  silenced_stdout();
  ~silenced_stdout();

 private:
  int saved_;
};

struct program_run {
  int exit_code = -1;
  std::string out, err;
};

// Runs build/acoustic_sim in `dir` with `answers` on standard input.
program_run run_program_in(const std::string& dir, const std::string& answers);

// Writes parameters.txt into the current folder, loads it and (when
// delta > 0) derives the element properties and assembles the matrices,
// with standard output silenced.
std::unique_ptr<model_state> build_model(const std::string& parameters, double delta);

// The lines of a text, without their line ends.
std::vector<std::string> split_lines(const std::string& text);
std::vector<std::string> split_fields(const std::string& line);

// printf-style formatting into a std::string.
std::string format(const char* fmt, ...);
