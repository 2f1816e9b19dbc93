#include "test_support.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include "control/model_inputs.h"
#include "model/matrix_assembly.h"

const std::string closed_box = "20 8 40\n0 100 1.4 1\n20\n1.0\n";
const std::string one_branch = "20 8 40\n1 100 1.4 1\n20 5\n20 25\n50 150\n1.0 0.05 0.08\n";
const std::vector<std::string> output_files = {
    "x_vectors.csv", "normalized_x_vectors.csv", "v_vectors.csv",  "normalized_v_vectors.csv",
    "matrices.csv",  "dft_parameters.txt",       "dft_result.csv", "dft_sequential_calculation_result.csv",
    "dftv.txt"};

std::string example_params(const char* example) {
  return read_file(std::string(EXAMPLES_DIR) + "/" + example + "/parameters.txt");
}

scratch_dir::scratch_dir() {
  char buf[4096], templ[] = "/tmp/acoustic_test_XXXXXX";
  previous_ = getcwd(buf, sizeof buf) ? buf : ".";
  const char* made = mkdtemp(templ);
  if (!made || chdir(made) != 0) std::abort();
  path_ = made;
}

scratch_dir::~scratch_dir() {
  if (chdir(previous_.c_str()) == 0 && std::system(("rm -rf '" + path_ + "'").c_str()) != 0) ADD_FAILURE();
}

program_run run_in(const std::string& dir, const std::string& command, const std::string& input,
                   const std::string& out) {
  write_file(dir + "/.in", input);
  const int raw = std::system(("cd '" + dir + "' && " + command + " < .in " + out + " 2> .err").c_str());
  program_run run{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, read_file(dir + "/.out"), read_file(dir + "/.err")};
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
  EXPECT_EQ(load_model(*s, reporter("acoustic_tests")).message, "");
  s->delta = delta;
  if (delta > 0) {
    EXPECT_EQ(derive_checked_properties(*s).message, "");
    assemble_matrices(*s);
  }
  return s;
}

std::string read_file(const std::string& path) {
  std::stringstream text;
  text << std::ifstream(path, std::ios::binary).rdbuf();
  return text.str();
}

void write_file(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

bool file_exists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

std::vector<std::string> split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::string part;
  std::istringstream in(text);
  while (std::getline(in, part, separator)) parts.push_back(part);
  return parts;
}

std::vector<std::vector<double>> csv_rows(const std::string& path) {
  std::vector<std::vector<double>> rows;
  const auto lines = split(read_file(path));
  for (std::size_t i = 1; i < lines.size(); ++i) {
    rows.emplace_back();
    for (const std::string& field : split(lines[i], ',')) rows.back().push_back(std::strtod(field.c_str(), nullptr));
  }
  return rows;
}

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

std::string shown(const std::string& text) {
  std::string printable;
  for (unsigned char c : text) {
    if ((c >= 0x20 && c < 0x7f) || c == '\n' || c == '\t') {
      printable += static_cast<char>(c);
    } else {
      printable += message("\\x%02x", c);
    }
  }
  return printable;
}
