#include "server/design_server.h"

#include <httplib.h>
#include <signal.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <future>
#include <thread>

#include "design/design_file.h"
#include "server/access.h"
#include "server/design_api.h"
#include "server/design_studies.h"
#include "server/design_text.h"
#include "server/page_assets.h"
#include "server/saved_design.h"
#include "util/message.h"

using nlohmann::json;

namespace {

constexpr std::size_t largest_body = 64 * 1024;

// What the server was started on; read by every request, written by none.
struct served_files {
  std::vector<std::string> folders;  // each design's folder, or "." alone
  std::vector<std::pair<int, std::string>> designs;  // folder index, file name
  std::string token;
  std::vector<std::string> hosts;
};

std::string folder_of(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

served_files files_of(const server_settings& s) {
  served_files f;
  for (const std::string& path : s.designs) {
    const std::string folder = folder_of(path), name = path.substr(path.find_last_of('/') + 1);
    auto at = std::find(f.folders.begin(), f.folders.end(), folder);
    if (at == f.folders.end()) at = f.folders.insert(at, folder);
    f.designs.push_back({static_cast<int>(at - f.folders.begin()), name});
  }
  if (f.folders.empty()) f.folders.push_back(".");
  return f;
}

void send_json(httplib::Response& res, const json& answer, int code = 200) {
  res.status = code;
  // Not "application/json" alone, which the library compresses for a
  // browser: brotli on every answer costs more than the computation.
  res.set_content(answer.dump(-1, ' ', false, json::error_handler_t::replace), "application/json; charset=utf-8");
}

void refuse(httplib::Response& res, int code, const std::string& why) {
  res.status = code;
  res.set_content(why + "\n", "text/plain; charset=utf-8");
  res.set_header("Connection", "close");
}

// The file a request names: one the server was started on, or a plain
// name in one of their folders. Empty when it names neither.
std::string path_named(const served_files& f, const json& request, bool& given) {
  const int folder = request.value("folder", -1);
  const std::string name = request.value("name", std::string());
  given = std::find(f.designs.begin(), f.designs.end(), std::make_pair(folder, name)) != f.designs.end();
  if (folder < 0 || folder >= static_cast<int>(f.folders.size()) || (!given && !valid_design_name(name))) return "";
  return f.folders[static_cast<std::size_t>(folder)] + "/" + name;
}

json loaded(const std::string& text) {
  key_values values;
  json answer = {{"text", text}, {"values", json::object()}};
  const status read = design_field_values(text, values);
  if (!read.ok()) answer["error"] = read.message;
  for (const auto& [key, value] : values) answer["values"][key] = value;
  return answer;
}

httplib::Server::HandlerResponse check_request(const served_files& f, const httplib::Request& req,
                                               httplib::Response& res) {
  using R = httplib::Server::HandlerResponse;
  if (req.has_header("Transfer-Encoding")) return refuse(res, 411, "a body with its Content-Length only"), R::Handled;
  if (req.has_header("Content-Length")) {
    const std::string length = req.get_header_value("Content-Length");
    if (length.size() > 7 || length.find_first_not_of("0123456789") != std::string::npos ||
        std::stoul("0" + length) > largest_body)
      return refuse(res, 413, "a body of at most 64 kB"), R::Handled;
  }
  if (!host_allowed(req.get_header_value("Host"), f.hosts)) return refuse(res, 403, "unknown host"), R::Handled;
  if (req.has_header("Origin") && !origin_allowed(req.get_header_value("Origin"), f.hosts))
    return refuse(res, 403, "foreign origin"), R::Handled;
  if (req.method == "GET" && req.path == "/" && req.has_param("token")) {
    if (!same_token(req.get_param_value("token"), f.token)) return refuse(res, 403, "wrong token"), R::Handled;
    res.set_header("Set-Cookie", "t=" + f.token + "; HttpOnly; SameSite=Strict; Path=/");
    res.set_redirect("/", 303);
    return R::Handled;
  }
  if (!same_token(cookie_value(req.get_header_value("Cookie"), "t"), f.token))
    return refuse(res, 403, "open the address acoustic_design --serve printed"), R::Handled;
  if (req.path.compare(0, 5, "/api/") == 0 && !same_token(req.get_header_value("X-Token"), f.token))
    return refuse(res, 403, "no X-Token"), R::Handled;
  return R::Unhandled;
}

// POST handlers take JSON and answer JSON; a body that is no JSON object is refused.
void on_json(httplib::Server& server, const char* path, std::function<json(const json&, int&)> answer) {
  server.Post(path, [answer](const httplib::Request& req, httplib::Response& res) {
    const json request = json::parse(req.body, nullptr, false);
    if (request.is_discarded() || !request.is_object()) return refuse(res, 400, "expected a JSON object");
    int code = 200;
    try {
      const json a = answer(request, code);
      send_json(res, a, code);
    } catch (const json::exception& e) {  // a field of the wrong type
      refuse(res, 400, std::string("expected the fields the page sends: ") + e.what());
    }
  });
}

void add_routes(httplib::Server& server, const served_files& f) {
  server.Get(R"(/[a-z.]*)", [&f](const httplib::Request& req, httplib::Response& res) {
    const page_asset* asset = find_page_asset(req.path.c_str());
    if (req.path == "/favicon.ico") return void(res.status = 204);
    if (!asset) return refuse(res, 404, "no such page");
    std::string content(reinterpret_cast<const char*>(asset->data), asset->size);
    // The page's script sends the token back as X-Token; the cookie it
    // came with is out of a script's reach.
    const std::size_t mark = content.find("@TOKEN@");
    if (mark != std::string::npos) content.replace(mark, 7, f.token);
    res.set_content(content, std::string(asset->type) + "; charset=utf-8");
  });
  server.Get("/api/start", [&f](const httplib::Request&, httplib::Response& res) {
    json designs = json::array();
    for (const auto& [folder, name] : f.designs) designs.push_back({{"folder", folder}, {"name", name}});
    send_json(res, {{"designs", designs}, {"folders", f.folders}, {"keys", keys_answer()}, {"accept_unusual", true}});
  });
  on_json(server, "/api/load", [&f](const json& request, int& code) -> json {
    bool given = false;
    const std::string path = path_named(f, request, given);
    std::string text;
    const status read = path.empty() ? status::error("not a design file here") : read_design_text(path, text);
    if (!read.ok()) return code = 404, json{{"error", read.message}};
    return loaded(text);
  });
  on_json(server, "/api/compute", [](const json& request, int&) { return compute_answer(request); });
  on_json(server, "/api/transient", [](const json& request, int&) { return transient_answer(request); });
  on_json(server, "/api/align", [](const json& request, int&) { return alignments_answer(request); });
  on_json(server, "/api/save", [&f](const json& request, int& code) -> json {
    bool given = false;
    const std::string path = path_named(f, request, given);
    if (path.empty()) return code = 400, json{{"error", "expected a name like box_2.toml in the design's folder"}};
    std::string text;
    status done = edited_design_text(request, text);
    if (done.ok()) {
      design_file checked;
      done = parse_design_text(text, request.value("name", std::string()), checked);
    }
    if (!done.ok()) return code = 422, json{{"error", "not saved: " + done.message}};
    save_outcome outcome = save_outcome::saved;
    done = save_design_text(path, request.value("text", std::string()), text, request.value("as_new", false),
                            request.value("overwrite", false), outcome);
    if (!done.ok()) return code = 500, json{{"error", "not saved: " + done.message}};
    if (outcome == save_outcome::exists) return code = 409, json{{"exists", true}};
    if (outcome == save_outcome::changed_on_disk) return code = 409, json{{"changed", true}};
    json answer = loaded(text);
    answer["saved"] = path;
    return answer;
  });
}

}  // namespace

status serve_design_page(const server_settings& settings,
                         const std::function<void(const std::string&, std::function<void()>)>& started) {
  served_files f = files_of(settings);
  RETURN_IF_ERROR(new_token(f.token));
  httplib::Server server;
  server.set_payload_max_length(largest_body);
  // The header and the body of an answer leave in separate writes: without
  // this, the body waits for the browser's delayed acknowledgement.
  server.set_tcp_nodelay(true);
  server.set_default_headers({{"Content-Security-Policy", "default-src 'self'"},
                              {"X-Content-Type-Options", "nosniff"},
                              {"Cache-Control", "no-store"},
                              {"Referrer-Policy", "no-referrer"}});
  server.set_pre_routing_handler(
      [&f](const httplib::Request& req, httplib::Response& res) { return check_request(f, req, res); });
  add_routes(server, f);
  int port = settings.port;
  if (port == 0)
    port = server.bind_to_any_port(settings.listen);
  else if (!server.bind_to_port(settings.listen, port))
    port = -1;
  if (port <= 0)
    return status::error(message("cannot listen on %s port %d", settings.listen.c_str(), settings.port));
  f.hosts = allowed_hosts(settings.listen, port);
  std::atomic<bool> finished{false};
  const std::string address = "http://" + f.hosts.front() + "/?token=" + f.token;
  started(address, [&server, &finished]() {
    while (!server.is_running() && !finished) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    server.stop();
  });
  const bool listened = server.listen_after_bind();
  finished = true;
  return listened ? status::success() : status::error(message("the server on port %d stopped", port));
}

status run_design_server(const server_settings& settings, const reporter& report) {
  for (const std::string& path : settings.designs) {
    std::string text;
    RETURN_IF_ERROR(read_design_text(path, text));
  }
  if (settings.listen != "127.0.0.1" && settings.listen != "localhost" && settings.listen != "::1")
    report.warning("--listen " + settings.listen + ": the page is open to every machine that reaches this address; "
                   "only the token guards the design files");
  // The server's threads leave SIGINT and SIGTERM to this one.
  sigset_t stopping, saved;
  sigemptyset(&stopping);
  sigaddset(&stopping, SIGINT);
  sigaddset(&stopping, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopping, &saved);
  std::promise<std::function<void()>> stopper;
  std::atomic<bool> done{false};
  status served = status::success();
  std::thread serving([&]() {
    served = serve_design_page(settings, [&](const std::string& address, std::function<void()> stop) {
      std::printf("%s\n", address.c_str());
      std::fflush(stdout);
      stopper.set_value(std::move(stop));
    });
    done = true;
  });
  const timespec tick{0, 100 * 1000 * 1000};
  while (!done && sigtimedwait(&stopping, nullptr, &tick) < 0) {
  }
  if (!done) stopper.get_future().get()();
  serving.join();
  pthread_sigmask(SIG_SETMASK, &saved, nullptr);
  return served;
}
