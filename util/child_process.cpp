#include "util/child_process.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

status run_quietly(const std::string& program, const std::vector<std::string>& args) {
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  int pipe_fds[2];
  if (pipe(pipe_fds) != 0) return status::error("cannot start " + program);
  std::fflush(stdout);
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(pipe_fds[1], 2);
    const int null = ::open("/dev/null", O_WRONLY);
    if (null >= 0) dup2(null, 1);
    close(pipe_fds[0]);
    execv(program.c_str(), argv.data());
    std::fprintf(stderr, "cannot run %s\n", program.c_str());
    _exit(127);
  }
  close(pipe_fds[1]);
  std::string err;
  char buffer[512];
  ssize_t got;
  while ((got = read(pipe_fds[0], buffer, sizeof buffer)) > 0) err.append(buffer, static_cast<std::size_t>(got));
  close(pipe_fds[0]);
  int raw = 0;
  if (pid < 0 || waitpid(pid, &raw, 0) < 0 || !WIFEXITED(raw) || WEXITSTATUS(raw) != 0) {
    while (!err.empty() && err.back() == '\n') err.pop_back();
    return status::error(err.empty() ? program + " failed" : err.substr(0, err.find('\n')));
  }
  return status::success();
}
