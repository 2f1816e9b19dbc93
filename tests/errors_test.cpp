// Bad input, faults during a run, and warnings: one clear line on standard
// error, a non-zero status, and either the earlier run's files exactly as
// they were or the complete set of the new run, never a mix.
#include <gtest/gtest.h>
#include <fnmatch.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <thread>

#include "test_support.h"

namespace {

const std::string sine_50 = "0\n1\n0\n50\n";

// Every output (what a link points to, not its bytes) and every file a run
// left under a working name.
std::string snapshot(const scratch_dir& dir) {
  std::string files = run_in(dir.path(), "ls -d *.incomplete", "").out;
  for (const std::string& name : output_files) {
    struct stat info;
    const bool link = lstat(dir.file(name).c_str(), &info) == 0 && S_ISLNK(info.st_mode);
    files += name + ":\n" + (link ? "a link" : read_file(dir.file(name)));
  }
  return files;
}

std::string box(const std::string& line1, const std::string& line2, const std::string& rest = "20\n1.0\n") {
  return line1 + "\n" + line2 + "\n" + rest;
}

std::string branch(const std::string& from_volumes) { return "20 8 40\n1 100 1.4 1\n" + from_volumes; }

// A duct of 1e308 cm^2: its area ratio squared is no double.
const std::string overflowing_duct = "30 10 30\n1 10 1.4 2\n40 10\n1e308 25\n50 150\n1.5 0.02 0.05\n";

// Every case runs in the folder of one good run; nothing of that run may
// change, and nothing of the set-up tables is printed.
TEST(BadInput, OneErrorLineAndEarlierResultsKept) {
  const struct {
    std::string parameters, answers;  // parameters "-": no file
    std::vector<std::string> words;
  } cases[] = {
      {"-", sine_50, {"cannot open parameters.txt", "No such file"}},
      {box("20 8 40", "0 100 abc 1.0"), sine_50, {"parameters.txt: value 6", "\"abc\"", "expected a number"}},
      {branch("20 5\n20 25\n50 150\n1.0 0.05\n"), sine_50, {"value 16", "C[2]", "ends before"}},
      {box("20 nan 40", "0 100 1.4 1.0"), sine_50, {"value 2", "nan", "positive"}},
      {box("20 8 40", "0 100 1.4 inf"), sine_50, {"value 7", "force amplitude", "finite"}},
      {box("20 8 40", "-1 100 1.4 1.0"), sine_50, {"branch count", "0 to 12"}},
      {box("20 8 40", "13 100 1.4 1.0"), sine_50, {"branch count", "\"13\"", "0 to 12"}},
      {box("20 8 40", "1.5 100 1.4 1.0"), sine_50, {"branch count", "whole number"}},
      {box("20 8 40", "0 0 1.4 1.0"), sine_50, {"division", "\"0\"", "from 1 to 2147483647"}},
      {box("20 8 40", "0 100 -1.4 1.0"), sine_50, {"heat capacity ratio", "\"-1.4\": expected a positive number"}},
      {box("20 8 40", "0 2147483648 1.4 1.0"), sine_50, {"division", "from 1 to 2147483647"}},
      {box("20 8 40", "0 2147483647 1.4 1.0"), sine_50, {"division 2147483647", "more than 2147483646 time steps"}},
      {box("20 0 40", "0 100 1.4 1.0"), sine_50, {"piston radius", "positive"}},
      {box("20 8 40", "0 100 1.4 1.0", "0\n1.0\n"), sine_50, {"V[0]", "positive"}},
      {branch("20 -5\n20 25\n50 150\n1.0 0.05 0.08\n"), sine_50, {"V[1]", "-5"}},
      {branch("20 5\n0 25\n50 150\n1.0 0 0.08\n"), sine_50, {"element 1", "2M+C*delta = 0"}},
      {box("-20 8 40", "0 100 1.4 1.0"), sine_50, {"piston mass", "0 or more"}},
      {branch("20 5\n-20 25\n50 150\n1.0 0.05 0.08\n"), sine_50, {"A[1]", "0 or more"}},
      {branch("20 5\n20 25\n50 -150\n1.0 0.05 0.08\n"), sine_50, {"L[2]", "0 or more"}},
      {box("20 8 40", "0 100 1.4 1.0", "1e-320\n1.0\n"), sine_50, {"V[0]", "infinite stiffness"}},
      {closed_box, "x\n1\n0\n50\n", {"vector sum option", "\"x\"", "whole number"}},
      {closed_box, "0\none\n", {"processing mode", "\"one\""}},
      {closed_box, "0\n1\n", {"excitation", "input ended"}},
      {closed_box, "", {"vector sum option", "input ended"}},
      {closed_box, "0\n1\n0\n0\n", {"input frequency[Hz]=", "\"0\"", "positive frequency"}},
      {closed_box, "0\n1\n0\n-50\n", {"input frequency", "\"-50\""}},
      {closed_box, "0\n1\n0\nnan\n", {"input frequency", "\"nan\""}},
      {closed_box, "0\n1\n0\n", {"input frequency", "input ended"}},
      {closed_box, "0\n1\n0\n1e-320\n", {"no finite period"}},
      {closed_box, "0\n1\n0\n1e8\n", {"more than 2147483646 time steps"}},
      {closed_box, "0\n1\n1\n0\n", {"highest frequency[Hz]=", "positive frequency"}},
      {box("20 8 40", "0 300000000 1.4 1.0"), "0\n0\n", {"sequential sweep", "time steps"}},
      {box("20 8 40", "0 30000 1.4 1.0"), "0\n0\n", {"division 30000", "0.000003", "0.900000 s", "longer than 0.9"}},
      {closed_box, "0\n1\n0\n0.5\n", {"sinusoid at 0.5 Hz runs 0 whole cycles"}},
      {closed_box, "0\n1\n0\n2.5\n", {"sinusoid at 2.5 Hz runs 2 whole cycles, 0.800000 s"}},
      {box("20 8 40", "0 300000 1.4 1.0"), "0\n1\n0\n1\n", {"printed as 0.000003", "0.900000 s"}},
      {box("20 8 40", "0 100 1.4 " + std::string(5000, '7')),
       sine_50,
       {"value 7", "\"77777777777777777777777777777777...\" (longer than 4096 characters)"}},
      {closed_box, std::string(100000, '\0'), {"vector sum option)\" is \"\\x00\\x00", "...\" (longer than 4096"}},
      {closed_box, "0\n\x1b[2J\n", {"processing mode)\" is \"\\x1b[2J\": expected"}},
      // Numbers that each pass but overflow the network together.
      {overflowing_duct, sine_50, {"duct area A[1] = 1e+308 cm^2 against a piston of 314.159 cm^2", "stiffness"}},
      {overflowing_duct, "0\n0\n", {"A[1] = 1e+308 cm^2", "overflows"}},
      {branch("20 5\n20 25\n50 150\n1.0 0.05 0.08\n").replace(3, 1, "1e-160"),
       sine_50,
       {"A[1] = 20 cm^2 against a piston of 3.14176e-320 cm^2", "area ratio overflows"}},
      {box("20 8 1.41e308", "0 100 1.4 1.0"), sine_50, {"f0 = 1.41e+308 Hz", "suspension stiffness overflows"}},
      {std::string("20\0junk 8 40\n0 100 1.4 1.0\n20\n1.0\n", 32), sine_50, {"value 1", "\"20\\x00junk\"", "a number"}},
      {closed_box, std::string("0\n1\0\n0\n50\n", 10), {"processing mode", "\"1\\x00\""}},
  };
  scratch_dir dir;
  ASSERT_EQ(run_sim(dir, closed_box, sine_50).exit_code, 0);
  const auto before = snapshot(dir);
  for (const auto& c : cases) {
    if (c.parameters == "-") std::remove(dir.file("parameters.txt").c_str());
    const program_run r = run_sim(dir, c.parameters == "-" ? "" : c.parameters, c.answers);
    const std::string where = c.words[0];
    EXPECT_EQ(r.exit_code, 1) << where;
    EXPECT_EQ(r.err.rfind("acoustic_sim: ", 0), 0u) << shown(r.err);
    EXPECT_EQ(split(r.err).size(), 1u) << shown(r.err);
    EXPECT_LT(r.err.size(), 600u);
    for (const std::string& word : c.words) EXPECT_TRUE(contains(r.err, word)) << word << " in " << shown(r.err);
    EXPECT_TRUE(snapshot(dir) == before) << where;
    EXPECT_FALSE(contains(r.out, "read data stored")) << where;
  }
}

// The box resonates at w = sqrt((Ku + KS0) / M0) = 454.4 rad/s (72.32 Hz),
// so the scheme is stable below 2 / w = 4.40 ms: at 50 Hz a division of 5
// (4 ms) is stable and 4 (5 ms) is not. A sweep at division 50 is sampled
// at 500 Hz.
TEST(Warnings, InstabilityAndAliasing) {
  scratch_dir dir;
  EXPECT_EQ(run_sim(dir, box("20 8 40", "0 5 1.4 1.0"), sine_50).err, "");
  const program_run unstable = run_sim(dir, box("20 8 40", "0 4 1.4 1.0"), sine_50);
  EXPECT_EQ(unstable.exit_code, 0);
  EXPECT_EQ(unstable.err,
            "acoustic_sim: warning: time step 0.005 s exceeds the stability limit 0.00440124 s of the explicit scheme "
            "(highest natural frequency 72.3228 Hz); the run will diverge: a division of at least 5 would be stable\n");
  EXPECT_EQ(run_sim(dir, box("20 8 40", "0 50 1.4 1.0"), "0\n0\n").err,
            "acoustic_sim: warning: every sweep run is sampled at 500 Hz, so from 251 Hz upwards the response is "
            "aliased; a division of 400 gives 400 Hz ten steps per period\n");
  EXPECT_TRUE(contains(run_sim(dir, box("20 8 40", "0 1 1.4 1.0"), "0\n0\n").err, "at 10 Hz, so from 10 Hz upwards"));
  // two_chamber's file with n = 1: 3 + 4 + 2 + 2 + 2 + 3 values are read.
  EXPECT_EQ(
      run_sim(dir, "30 10 30\n1 200 1.4 2\n40 10 5\n20 15 25 20\n50 80 150 120\n1.5 .02 .02 .05 .05\n", sine_50).err,
      "acoustic_sim: warning: parameters.txt: n = 1 needs 16 values; 7 more follow and are ignored\n");
  EXPECT_TRUE(contains(run_sim(dir, example_params("two_chamber") + "\n7 8 (notes)\n", sine_50).err,
                       "n = 2 needs 23 values; 3 more follow and are ignored\n"));
  // Negative damping runs as the arithmetic has it: 1 - MM/MP = 1 - 2.5/2.3.
  const program_run active = run_sim(dir, branch("20 5\n20 25\n50 150\n1.0 -0.05 0.08\n"), sine_50);
  EXPECT_EQ(active.exit_code, 0);
  EXPECT_TRUE(contains(active.out, "\n0.009950\t-0.086957\t0.034934\t\n"));
  EXPECT_EQ(active.err,
            "acoustic_sim: warning: parameters.txt: damping coefficient C[1] = -0.05 kg/s is negative: the network "
            "can gain energy, and its response may grow without bound\n");
}

// Faults after the input has been read. Each case makes an earlier run,
// sets up the fault, runs two_chamber's sine: the run either fails leaving
// the earlier files exactly as they were, or completes with the new set,
// the same bytes as an undisturbed run; nothing stays under a working name.
TEST(Faults, EarlierFilesWholeOrNewSetComplete) {
  const std::string sim = "'" ACOUSTIC_SIM_PATH "'";
  const struct {
    const char* name;
    std::string setup, command, redirect;
    int exit_code;
    std::string err;  // empty: the new set is complete
  } cases[] = {
      {"a folder in place of an output", "rm matrices.csv && mkdir matrices.csv", sim, "> .out", 1,
       "acoustic_sim: cannot replace matrices.csv: it is a folder\n"},
      {"a read-only output", "chmod 444 dft_sequential_calculation_result.csv", sim, "> .out", 1,
       "acoustic_sim: cannot replace dft_sequential_calculation_result.csv: it is read-only\n"},
      {"a folder where a working file goes", "mkdir -p dftv.txt.incomplete/kept", sim, "> .out", 1,
       "acoustic_sim: cannot create dftv.txt.incomplete: Is a directory\n"},
      {"files limited to 100 kB", "", "ulimit -f 200; " + sim, "> .out", 1,
       // whichever history reaches the limit first, on either thread
       "acoustic_sim: cannot write *_vectors.csv.incomplete: File too large\n"},
      {"leftovers of a killed run", "touch x_vectors.csv.incomplete dft_result.csv.incomplete", sim, "> .out", 0, ""},
      {"an output linked to /dev/full", "rm v_vectors.csv && ln -s /dev/full v_vectors.csv", sim, "> .out", 0, ""},
      {"a full console", "", sim, "> /dev/full", 1, "acoustic_sim: cannot write to standard output\n"},
      {"a closed console", "", sim, ">&-", 1, "acoustic_sim: cannot write to standard output: it is closed\n"},
      {"a console that goes away", "", "{ (" + sim + "; echo $? > .rc) | true; }", "> /dev/null", 0,
       "acoustic_sim: cannot write to standard output\n"},
  };
  scratch_dir undisturbed;
  ASSERT_EQ(run_sim(undisturbed, example_params("two_chamber"), sine_50).exit_code, 0);
  for (const auto& c : cases) {
    scratch_dir dir;
    ASSERT_EQ(run_sim(dir, example_params("two_chamber"), "0\n1\n2\n").exit_code, 0);
    ASSERT_EQ(run_in(dir.path(), c.setup.empty() ? "true" : c.setup, "").exit_code, 0) << c.name;
    const std::string before = snapshot(dir);
    const program_run r = run_in(dir.path(), c.command, sine_50, c.redirect);
    EXPECT_EQ(r.exit_code, c.exit_code) << c.name;
    EXPECT_TRUE(fnmatch(c.err.c_str(), r.err.c_str(), 0) == 0) << c.name << ": " << r.err;
    const bool complete = c.err.empty() || c.err.find("standard output") != std::string::npos;
    EXPECT_TRUE(snapshot(dir) == (complete ? snapshot(undisturbed) : before)) << c.name;
    if (c.command[0] == '{') {
      EXPECT_EQ(read_file(dir.file(".rc")), "1\n");  // the console went away
    }
  }
}

// A small file system that fills up during the run (root only: it mounts).
TEST(Faults, FullDisk) {
  scratch_dir dir;
  if (geteuid() != 0 || mount("tmpfs", dir.path().c_str(), "tmpfs", 0, "size=1500k") != 0) {
    GTEST_SKIP() << "mounting a small tmpfs needs root";
  }
  struct unmount {
    std::string path;
    ~unmount() { umount(path.c_str()); }
  } unmount_at_end{dir.path()};
  ASSERT_EQ(run_sim(dir, closed_box, sine_50).exit_code, 0);  // 0.7 MB
  const std::string before = snapshot(dir);
  const program_run r = run_sim(dir, "", "0\n1\n2\n");  // 1.4 MB more
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_TRUE(contains(r.err, ".incomplete: No space left on device\n")) << shown(r.err);
  EXPECT_TRUE(snapshot(dir) == before);
}

// Starts acoustic_sim in `dir` with default signal handling and returns
// its process id once it has begun writing.
pid_t start_run(const scratch_dir& dir, const std::string& answers) {
  write_file(dir.file(".in"), answers);
  const pid_t pid = fork();
  if (pid == 0) {
    if (chdir(dir.path().c_str()) != 0 || !freopen(".in", "r", stdin) || !freopen(".out", "w", stdout) ||
        !freopen(".err", "w", stderr))
      _exit(127);
    execl(ACOUSTIC_SIM_PATH, ACOUSTIC_SIM_PATH, static_cast<char*>(nullptr));
    _exit(127);
  }
  for (int i = 0; i < 500 && !file_exists(dir.file("x_vectors.csv.incomplete")); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  return pid;
}

int exit_code_of(pid_t pid) {
  int raw = 0;
  waitpid(pid, &raw, 0);
  return WIFEXITED(raw) ? WEXITSTATUS(raw) : -WTERMSIG(raw);
}

// Ctrl-C or kill mid-run: the earlier files stay, the working files go. A
// second run in the same folder stops at once and changes nothing.
TEST(Faults, InterruptedAndConcurrentRuns) {
  for (int signal : {SIGINT, SIGTERM}) {
    scratch_dir dir;
    ASSERT_EQ(run_sim(dir, example_params("two_chamber"), sine_50).exit_code, 0);
    const std::string before = snapshot(dir);
    const pid_t pid = start_run(dir, "0\n0\n");
    kill(pid, signal);
    EXPECT_EQ(exit_code_of(pid), 128 + signal);
    EXPECT_EQ(read_file(dir.file(".err")), std::string("acoustic_sim: interrupted by ") +
                                               (signal == SIGINT ? "SIGINT" : "SIGTERM") +
                                               ": the earlier results are kept\n");
    EXPECT_TRUE(snapshot(dir) == before);
  }
  scratch_dir dir;
  ASSERT_EQ(run_sim(dir, closed_box, sine_50).exit_code, 0);
  const std::string spectrum = read_file(dir.file("dft_result.csv"));
  const pid_t first = start_run(dir, "0\n0\n");
  const program_run second = run_in(dir.path(), "'" ACOUSTIC_SIM_PATH "'", sine_50);
  EXPECT_EQ(second.exit_code, 1);
  EXPECT_EQ(second.err, "acoustic_sim: another acoustic_sim run is working in " + dir.path() +
                            ": expected one run at a time in a folder; nothing was changed\n");
  EXPECT_EQ(second.out, "");
  EXPECT_EQ(exit_code_of(first), 0);
  EXPECT_EQ(split(read_file(dir.file("dft_sequential_calculation_result.csv"))).size(), 392u);
  EXPECT_EQ(read_file(dir.file("dft_result.csv")), spectrum);  // a sweep leaves the spectrum
}

}  // namespace
