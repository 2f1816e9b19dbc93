// The live page's server over real sockets: who is refused, that nothing
// is written for a refused request, and the headers every answer carries.
#include <arpa/inet.h>
#include <dirent.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <future>
#include <nlohmann/json.hpp>
#include <thread>

#include "server/design_server.h"
#include "test_support.h"

namespace {

struct reply {
  int code = 0;
  std::string head, body;
};

// One request on its own connection: the body sent from a second thread
// while the answer is read, as a client that does not wait would.
reply request_reply(int port, const std::string& head, const std::string& body = "") {
  reply r;
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in at{};
  at.sin_family = AF_INET;
  at.sin_port = htons(static_cast<uint16_t>(port));
  at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (connect(fd, reinterpret_cast<sockaddr*>(&at), sizeof at) != 0) return close(fd), r;
  const std::string all = head + body;
  std::thread sender([&]() {
    for (std::size_t sent = 0; sent < all.size();) {
      const ssize_t n = send(fd, all.data() + sent, all.size() - sent, MSG_NOSIGNAL);
      if (n <= 0) break;
      sent += static_cast<std::size_t>(n);
    }
  });
  std::string in;
  char buffer[4096];
  for (ssize_t n; (n = recv(fd, buffer, sizeof buffer, 0)) > 0;) in.append(buffer, static_cast<std::size_t>(n));
  shutdown(fd, SHUT_RDWR);
  sender.join();
  close(fd);
  const std::size_t end = in.find("\r\n\r\n");
  r.head = in.substr(0, end == std::string::npos ? end : end + 2);
  if (end != std::string::npos) r.body = in.substr(end + 4);
  if (in.size() > 12) r.code = std::atoi(in.substr(9, 3).c_str());
  return r;
}

std::vector<std::string> listing(const std::string& dir) {
  std::vector<std::string> names;
  if (DIR* d = opendir(dir.c_str())) {
    while (dirent* e = readdir(d)) names.push_back(e->d_name);
    closedir(d);
  }
  std::sort(names.begin(), names.end());
  return names;
}

class ServerHttp : public ::testing::Test {
 protected:
  void SetUp() override {
    write_file(dir.file("box.toml"), read_file(EXAMPLES_DIR "/designs/woofer_closed.toml"));
    mkdir(dir.file("sub").c_str(), 0777);
    std::promise<std::string> started;
    server = std::thread([&]() {
      serve_design_page({{dir.file("box.toml")}, "127.0.0.1", 0}, [&](const std::string& address, std::function<void()> s) {
        stop = std::move(s);
        started.set_value(address);
      });
    });
    const std::string address = started.get_future().get();
    port = std::atoi(address.substr(address.rfind(':') + 1).c_str());
    token = address.substr(address.find("token=") + 6);
    host = "Host: 127.0.0.1:" + std::to_string(port) + "\r\n";
  }
  void TearDown() override {
    stop();
    server.join();
  }
  std::string api(const std::string& path, const std::string& body) const {
    return "POST " + path + " HTTP/1.1\r\n" + host + "Cookie: t=" + token + "\r\nX-Token: " + token +
           "\r\nContent-Type: application/json\r\nConnection: close\r\nContent-Length: " + std::to_string(body.size()) +
           "\r\n\r\n";
  }

  scratch_dir dir;
  std::thread server;
  std::function<void()> stop;
  int port = 0;
  std::string token, host;
};

TEST_F(ServerHttp, TokenCookieAndRedirect) {
  reply r = request_reply(port, "GET /?token=" + token + " HTTP/1.1\r\n" + host + "Connection: close\r\n\r\n");
  EXPECT_EQ(r.code, 303);
  EXPECT_TRUE(contains(r.head, "\r\nSet-Cookie: t=" + token + "; HttpOnly; SameSite=Strict")) << r.head;
  EXPECT_TRUE(contains(r.head, "\r\nLocation: /\r\n")) << r.head;
  r = request_reply(port, "GET / HTTP/1.1\r\n" + host + "Cookie: t=" + token + "\r\nConnection: close\r\n\r\n");
  EXPECT_EQ(r.code, 200);
  EXPECT_TRUE(contains(r.head, "\r\nContent-Security-Policy: default-src 'self'\r\n")) << r.head;
  EXPECT_TRUE(contains(r.head, "\r\nX-Content-Type-Options: nosniff\r\n")) << r.head;
  EXPECT_TRUE(contains(r.body, "<meta name=\"token\" content=\"" + token + "\">"));
  r = request_reply(port, "GET /dygraph.min.js HTTP/1.1\r\n" + host + "Cookie: t=" + token + "\r\nConnection: close\r\n\r\n");
  EXPECT_EQ(r.code, 200);
  EXPECT_TRUE(contains(r.head, "Content-Type: text/javascript")) << r.head;
  const std::string compute = R"({"seq":3,"name":"box.toml","text":"[driver]\n"})";
  r = request_reply(port, api("/api/compute", compute), compute);
  EXPECT_EQ(r.code, 200);
  EXPECT_TRUE(contains(r.body, "\"seq\":3")) << r.body;
}

// Every refused request: its status, and the folder as it was.
TEST_F(ServerHttp, RefusedRequestsWriteNothing) {
  const std::vector<std::string> before = listing(dir.path());
  const std::string original = read_file(dir.file("box.toml"));
  // A valid design, but not the text on disk.
  const std::string save = nlohmann::json{{"folder", 0}, {"name", "box.toml"}, {"text", original + "# before\n"},
                                          {"values", {{"enclosure.Vb", "20 l"}}}}.dump();
  const std::string good_head = api("/api/save", save);
  auto without = [&](const std::string& line) {
    std::string head = good_head;
    head.erase(head.find(line), line.size());
    return head;
  };
  auto replaced = [&](const std::string& line, const std::string& by) {
    std::string head = good_head;
    head.replace(head.find(line), line.size(), by);
    return head;
  };
  const std::string big(100 * 1024, ' ');
  std::string chunked;
  for (int k = 0; k < 256; ++k) chunked += "1000\r\n" + std::string(4096, ' ') + "\r\n";
  chunked += "0\r\n\r\n";
  const std::string t = token;
  const struct {
    const char* what;
    std::string head, body;
    int code;
  } cases[] = {
      {"no cookie", without("Cookie: t=" + t + "\r\n"), save, 403},
      {"a wrong cookie", replaced("Cookie: t=" + t, "Cookie: t=" + std::string(32, '0')), save, 403},
      {"no X-Token", without("X-Token: " + t + "\r\n"), save, 403},
      {"a wrong X-Token", replaced("X-Token: " + t, "X-Token: " + t.substr(1) + "0"), save, 403},
      {"a wrong token in the address", "GET /?token=" + std::string(32, 'f') + " HTTP/1.1\r\n" + host +
                                           "Connection: close\r\n\r\n", "", 403},
      {"a page without the cookie", "GET /page.js HTTP/1.1\r\n" + host + "Connection: close\r\n\r\n", "", 403},
      {"a foreign Host", replaced(host, "Host: evil.example:" + std::to_string(port) + "\r\n"), save, 403},
      {"no Host", without(host), save, 403},
      {"a foreign Origin", replaced(host, host + "Origin: http://evil.example\r\n"), save, 403},
      {"a body of 100 kB", api("/api/save", big), big, 413},
      {"a chunked body of 1 MB",
       replaced("Content-Length: " + std::to_string(save.size()), "Transfer-Encoding: chunked"), chunked, 411},
      {"a folder in a new name", api("/api/save", R"({"folder":0,"name":"sub/x.toml","as_new":true,"text":""})"),
       R"({"folder":0,"name":"sub/x.toml","as_new":true,"text":""})", 400},
      {"a parent folder", api("/api/save", R"({"folder":0,"name":"../x.toml","as_new":true,"text":""})"),
       R"({"folder":0,"name":"../x.toml","as_new":true,"text":""})", 400},
      {"a name without .toml", api("/api/save", R"({"folder":0,"name":"x.csv","as_new":true,"text":""})"),
       R"({"folder":0,"name":"x.csv","as_new":true,"text":""})", 400},
      {"another folder", api("/api/save", R"({"folder":1,"name":"x.toml","as_new":true,"text":""})"),
       R"({"folder":1,"name":"x.toml","as_new":true,"text":""})", 400},
      {"a file changed since it was loaded", good_head, save, 409},
      {"no JSON", api("/api/save", "[driver]"), "[driver]", 400},
      {"a field of the wrong type", api("/api/save", R"({"folder":"0","name":"box.toml"})"),
       R"({"folder":"0","name":"box.toml"})", 400},
      {"a computation with a text for a number", api("/api/compute", R"({"seq":"1","text":""})"),
       R"({"seq":"1","text":""})", 400},
  };
  for (const auto& c : cases) {
    const reply r = request_reply(port, c.head, c.body);
    EXPECT_EQ(r.code, c.code) << c.what << "\n" << r.head;
    EXPECT_EQ(listing(dir.path()), before) << c.what;
    EXPECT_EQ(read_file(dir.file("box.toml")), original) << c.what;
  }
}

// Save and Save as through the server: the atomic write, an existing file
// only when replacing it was confirmed.
TEST_F(ServerHttp, SaveAndSaveAs) {
  const std::string original = read_file(dir.file("box.toml"));
  auto post = [&](const std::string& name, bool as_new, bool overwrite) {
    nlohmann::json body = {{"folder", 0}, {"name", name}, {"text", original}, {"as_new", as_new},
                           {"overwrite", overwrite}, {"values", {{"enclosure.Vb", "25 l"}}}};
    return request_reply(port, api("/api/save", body.dump()), body.dump());
  };
  EXPECT_EQ(post("box.toml", false, false).code, 200);
  std::string expected = original;
  expected.replace(expected.find("Vb = \"30 l\""), 11, "Vb = \"25 l\"");
  EXPECT_EQ(read_file(dir.file("box.toml")), expected);
  EXPECT_EQ(post("box_2.toml", true, false).code, 200);
  EXPECT_EQ(read_file(dir.file("box_2.toml")), expected);
  write_file(dir.file("box_2.toml"), "kept");
  EXPECT_EQ(post("box_2.toml", true, false).code, 409);
  EXPECT_EQ(read_file(dir.file("box_2.toml")), "kept");
  EXPECT_EQ(post("box_2.toml", true, true).code, 200);
  EXPECT_EQ(read_file(dir.file("box_2.toml")), expected);
  EXPECT_EQ(post("sub.toml", true, false).code, 200);
  mkdir(dir.file("folder.toml").c_str(), 0777);
  EXPECT_EQ(post("folder.toml", true, true).code, 500);
  EXPECT_EQ(listing(dir.path()), (std::vector<std::string>{".", "..", "box.toml", "box_2.toml", "folder.toml", "sub",
                                                           "sub.toml"}));
}

}  // namespace

namespace {

// The program as a user runs it: one flushed address line, the page
// behind it, and a clean stop on Ctrl-C and on SIGTERM.
TEST(ServerProgram, AddressLineAndCleanStop) {
  if (std::string(ACOUSTIC_DESIGN_PATH).empty()) GTEST_SKIP() << "acoustic_design not built";
  for (const int signal : {SIGINT, SIGTERM}) {
    int out[2];
    ASSERT_EQ(pipe(out), 0);
    const pid_t pid = fork();
    if (pid == 0) {
      dup2(out[1], 1);
      close(out[0]);
      close(out[1]);
      execl(ACOUSTIC_DESIGN_PATH, "acoustic_design", "--serve", EXAMPLES_DIR "/designs/woofer_closed.toml",
            static_cast<char*>(nullptr));
      _exit(127);
    }
    close(out[1]);
    std::string line;
    char c = 0;
    while (read(out[0], &c, 1) == 1 && c != '\n') line += c;
    close(out[0]);
    const std::size_t colon = line.rfind(':');
    const int port = colon == std::string::npos ? 0 : std::atoi(line.c_str() + colon + 1);
    EXPECT_EQ(line.rfind("http://127.0.0.1:", 0), 0u) << line;
    EXPECT_EQ(line.size() - line.find("/?token=") - 8, 32u) << line;
    const std::string host = "Host: 127.0.0.1:" + std::to_string(port) + "\r\n";
    EXPECT_EQ(request_reply(port, "GET / HTTP/1.1\r\n" + host + "Connection: close\r\n\r\n").code, 403);
    const std::string token = line.substr(line.find("token=") + 6);
    EXPECT_EQ(request_reply(port, "GET /?token=" + token + " HTTP/1.1\r\n" + host + "Connection: close\r\n\r\n").code,
              303);
    kill(pid, signal);
    int exit_status = 0;
    ASSERT_EQ(waitpid(pid, &exit_status, 0), pid);
    EXPECT_TRUE(WIFEXITED(exit_status) && WEXITSTATUS(exit_status) == 0) << "signal " << signal << ": " << exit_status;
  }
}

TEST(ServerProgram, OptionErrors) {
  if (std::string(ACOUSTIC_DESIGN_PATH).empty()) GTEST_SKIP() << "acoustic_design not built";
  scratch_dir dir;
  const struct {
    const char *arguments, *message;
  } cases[] = {
      {"--port 8000 x.toml", "acoustic_design: options --port and --listen need --serve: see --help"},
      {"--listen 0.0.0.0 x.toml", "acoustic_design: options --port and --listen need --serve: see --help"},
      {"--serve --port 70000", "acoustic_design: option --port: expected a port from 0 to 65535"},
      {"--serve x.toml --vary enclosure.Vb=1l:2l:1l",
       "acoustic_design: option --serve takes design files, --port and --listen only"},
      {"--serve missing.toml", "acoustic_design: cannot open missing.toml"},
  };
  for (const auto& c : cases) {
    const program_run run =
        run_in(dir.path(), std::string("'" ACOUSTIC_DESIGN_PATH "' ") + c.arguments, "");
    EXPECT_EQ(run.exit_code, 1) << c.arguments;
    EXPECT_EQ(run.err.rfind(c.message, 0), 0u) << run.err;
  }
}

}  // namespace
