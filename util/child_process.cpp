#include "util/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <algorithm>
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

status run_with_input(const std::string& program, const std::vector<std::string>& args, const std::string& input) {
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  int to_child[2], from_child[2];
  if (pipe(to_child) != 0) return status::error("cannot start " + program);
  if (pipe(from_child) != 0) {
    close(to_child[0]);
    close(to_child[1]);
    return status::error("cannot start " + program);
  }
  std::fflush(stdout);
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(to_child[0], 0);
    dup2(from_child[1], 2);
    const int null = ::open("/dev/null", O_WRONLY);
    if (null >= 0) dup2(null, 1);
    close(to_child[1]);
    close(from_child[0]);
    execvp(program.c_str(), argv.data());
    std::fprintf(stderr, "%s not found on the PATH\n", program.c_str());
    _exit(127);
  }
  close(to_child[0]);
  close(from_child[1]);
  // A child that stops reading early must not kill this program.
  struct sigaction ignore = {}, previous = {};
  ignore.sa_handler = SIG_IGN;
  sigaction(SIGPIPE, &ignore, &previous);
  // The input is written while the errors are read: a child that warns at
  // length while the input is still coming would otherwise fill its pipe
  // and wait for us while we wait for it.
  std::string err;
  std::size_t sent = 0;
  bool writing = pid > 0 && !input.empty(), reading = pid > 0;
  if (!writing) close(to_child[1]);
  if (writing) fcntl(to_child[1], F_SETFL, fcntl(to_child[1], F_GETFL) | O_NONBLOCK);
  while (reading) {
    pollfd fds[2] = {{from_child[0], POLLIN, 0}, {writing ? to_child[1] : -1, POLLOUT, 0}};
    if (poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if (writing && (fds[1].revents & (POLLOUT | POLLERR | POLLHUP))) {
      const ssize_t put = write(to_child[1], input.data() + sent, std::min<std::size_t>(input.size() - sent, 65536));
      if (put > 0) sent += static_cast<std::size_t>(put);
      if ((put < 0 && errno != EINTR && errno != EAGAIN) || sent == input.size()) {
        writing = false;
        close(to_child[1]);
      }
    }
    if (fds[0].revents & (POLLIN | POLLHUP | POLLERR)) {
      char buffer[4096];
      const ssize_t got = read(from_child[0], buffer, sizeof buffer);
      if (got > 0) err.append(buffer, static_cast<std::size_t>(got));
      if (got == 0 || (got < 0 && errno != EINTR)) reading = false;
    }
  }
  if (writing) close(to_child[1]);
  close(from_child[0]);
  sigaction(SIGPIPE, &previous, nullptr);
  int raw = 0;
  if (pid < 0 || waitpid(pid, &raw, 0) < 0 || !WIFEXITED(raw) || WEXITSTATUS(raw) != 0) {
    // gnuplot echoes the failing line and a caret under the fault; the
    // reason follows the caret. Otherwise the last line says it.
    std::vector<std::string> lines;
    for (std::size_t from = 0; from <= err.size();) {
      const std::size_t end = std::min(err.find('\n', from), err.size());
      lines.push_back(err.substr(from, end - from));
      from = end + 1;
    }
    std::string reason;
    for (std::size_t i = 0; i + 1 < lines.size() && reason.empty(); ++i)
      if (lines[i].find('^') != std::string::npos && lines[i].find_first_not_of(" ^") == std::string::npos)
        reason = lines[i + 1];
    while (reason.empty() && !lines.empty()) {
      reason = lines.back();
      lines.pop_back();
    }
    while (!reason.empty() && reason.front() == ' ') reason.erase(reason.begin());
    return status::error(reason.empty() ? program + " failed" : reason);
  }
  return status::success();
}
