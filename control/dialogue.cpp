#include "control/dialogue.h"

#include <cmath>
#include <string>

#include "control/run_timing.h"
#include "util/message.h"
#include "util/token_reader.h"

namespace {

std::string about(const char* question) { return message("console answer to \"%s\"", question); }

status read_answer(token_reader& in, const char* question, int& value) {
  std::fflush(stdout);
  std::string text;
  const read_result r = in.read_int(value, text);
  if (is_missing(r)) {
    return status::error(message("%s: input ended before the answer", about(question).c_str()));
  }
  if (r != read_result::ok) {
    return status::error(message("%s is %s: expected a whole number", about(question).c_str(), quoted(text).c_str()));
  }
  return status::success();
}

status read_frequency(token_reader& in, const char* question, double& value) {
  std::fflush(stdout);
  std::string text;
  const read_result r = in.read_real(value, text);
  if (is_missing(r)) {
    return status::error(message("%s: input ended before the answer", about(question).c_str()));
  }
  if (r != read_result::ok || !std::isfinite(value) || !(value > 0)) {
    return status::error(
        message("%s is %s: expected a positive frequency in Hz", about(question).c_str(), quoted(text).c_str()));
  }
  return status::success();
}

status ask_excitation(model_state& s, token_reader& in) {
  std::puts("Choose Sinusoidal, Sweep or Random\n");
  std::puts("\t0:Sinusoidal, 1:Linear Sweep, 2:Random");
  std::fputs("Your choice =\t", stdout);
  RETURN_IF_ERROR(read_answer(in, "Your choice = (excitation)", s.choice));
  std::fputs("\n", stdout);

  if (s.choice == 0) {
    std::fputs("input frequency[Hz]=", stdout);
    double F = 0;
    RETURN_IF_ERROR(read_frequency(in, "input frequency[Hz]=", F));
    RETURN_IF_ERROR(time_sinusoid(s, F));
    std::printf("You have chosen sinsoidal wave at %f [Hz].\n", s.F);
  } else if (s.choice == 1) {
    std::puts("Sweep rate is set as highest frequency per second.");
    std::puts("This is to simplify DFT analysis; time window is always 1[s].");
    std::fputs("highest frequency[Hz]=", stdout);
    double F = 0;
    RETURN_IF_ERROR(read_frequency(in, "highest frequency[Hz]=", F));
    RETURN_IF_ERROR(time_sweep(s, F));
    std::printf("Number of Rows = %d\n", s.n_rows);
    std::printf("You have chosen linear sweep at %f [Hz/s] up to %f [Hz].\n", s.phi, s.F);
  } else {
    RETURN_IF_ERROR(time_random(s));
    std::puts("You have chosen random signal.");
  }
  return status::success();
}

}  // namespace

status ask_vector_sum_option(model_state& s, token_reader& in) {
  std::puts("Choose vector sum option");
  std::puts("\t 0: All ducts, 1: ignore internal ducts");
  std::fputs("Your choice =\t", stdout);
  return read_answer(in, "Your choice = (vector sum option)", s.vvso);
}

status run_dialogue(model_state& s, std::FILE* answers) {
  token_reader in(answers);
  RETURN_IF_ERROR(ask_vector_sum_option(s, in));

  std::puts("Choose Sequential Processing or One time Processing");
  std::puts("\tSequential Processing:\t0\n\tOne Time Processing:\t1");
  std::fputs("You choose :", stdout);
  RETURN_IF_ERROR(read_answer(in, "You choose : (processing mode)", s.seqsw));
  std::fputs("\n", stdout);

  // Only 1 is one-time processing here; every other answer gets the
  // sequential set-up.
  if (s.seqsw == 1) return ask_excitation(s, in);
  return time_sequential(s);
}
