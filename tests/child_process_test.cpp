// Another program fed through a pipe: its errors come back as one line,
// and a program that writes much to its errors while the input is still
// coming does not stall the two of them.
#include <gtest/gtest.h>

#include "util/child_process.h"

namespace {

TEST(ChildProcess, InputAndErrorsTravelTogether) {
  const std::string megabyte(1 << 20, 'x');
  const struct {
    const char* name;
    std::vector<std::string> args;
    std::string input;
    std::string error;  // empty: success
  } cases[] = {
      {"reads all", {"-c", "test \"$(wc -c)\" -eq 1048576"}, megabyte, ""},
      {"fails", {"-c", "cat > /dev/null; echo 'first' >&2; echo 'the reason' >&2; exit 3"}, "abc", "the reason"},
      // 200 kB of errors before it reads a byte: more than a pipe holds.
      {"warns first", {"-c", "i=0; while [ $i -lt 10000 ]; do echo warning line $i >&2; i=$((i+1)); done; "
                             "cat > /dev/null; exit 1"},
       megabyte, "warning line 9999"},
      {"stops reading", {"-c", "head -c 10 > /dev/null; echo stopped >&2; exit 1"}, megabyte, "stopped"},
      // gnuplot's form: the failing line, a caret under the fault, the reason.
      {"caret", {"-c", "cat > /dev/null; printf 'gnuplot> set terminal foo\\n       ^\\n   line 0: unknown terminal\\n\\n' >&2; exit 1"},
       "", "line 0: unknown terminal"},
  };
  for (const auto& c : cases) {
    const status s = run_with_input("sh", c.args, c.input);
    EXPECT_EQ(s.ok() ? "" : s.message, c.error) << c.name;
  }
  EXPECT_EQ(run_with_input("no-such-program-here", {}, "x").message, "no-such-program-here not found on the PATH");
}

}  // namespace
