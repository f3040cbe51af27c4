// Network commands: INTERNET, CONECTA, ATIVASSL, SERVE, OBSERVA, IP, TRAZDAREDE, and the
// network side of the file slots.
#include "console/ZnCrt.h"
#include "net/zninet.h"
#include "platform/paths.h"
#include "runtime/interp.h"
#include "runtime/values.h"
#include "speech/znsapi.h"

namespace rl {
namespace {

constexpr const char* kConnectError = "Erro de conexao";
constexpr const char* kPortError = "Erro na porta TCP/IP";
constexpr int kLineWaitSeconds = 30;

net::Settings read_net_settings(const speech::ConfigContext* cfg) {
  net::Settings s;
  if (!cfg) return s;
  if (auto t = to_int(speech::read_config(*cfg, "ZUNAPE", "TIMEOUT_REDE"))) s.timeout_us = *t;
  s.verify_tls = fold(trim(speech::read_config(*cfg, "ZUNAPE", "VERIFICASSL"))) != "N";
  return s;
}

net::Net& net_of(Interp& in) {
  if (in.net) return *in.net;
  auto n = std::make_shared<net::Net>();
  if (zn::Console* c = in.console) {
    n->hooks.pause = [c](int ms) { c->pause(ms); };
    n->hooks.pump = [c] { c->key_pressed(); };
    n->hooks.closed = [c] { return c->closed(); };
    n->hooks.console_line = [c](std::string_view t) {
      c->write(t);
      c->write_line_end();
    };
  }
  const speech::ConfigContext* cfg = in.config;
  n->read_settings = [cfg] { return read_net_settings(cfg); };
  in.net = std::move(n);
  return *in.net;
}

std::optional<int> port_number(std::string_view text) {
  auto p = to_int(text);
  if (!p || *p < 1 || *p > 65535) return std::nullopt;
  return *p;
}

// The slot becomes a network slot on this connection (a file it held is let go).
void install(Interp& in, int slot, std::unique_ptr<net::Link> link) {
  FileSlot& s = in.files[slot];
  if (s.file) std::fclose(s.file);
  s = FileSlot{};
  s.open = true;
  s.socket = true;
  s.link = std::move(link);
}

net::Link* link_of(Interp& in, int slot) {
  FileSlot& s = in.files[slot];
  return s.open && s.socket ? s.link.get() : nullptr;
}

bool take_tolerant(std::string_view& rest) {
  if (rest.empty() || rest.back() != '&') return false;
  rest = trim(rest.substr(0, rest.size() - 1));
  return true;
}

}  // namespace

bool net_send(Interp&, FileSlot& slot, std::string_view text, bool line_break) {
  if (!slot.link) return false;
  return line_break ? net::send_line(*slot.link, text) : net::send_raw(*slot.link, text);
}

bool net_receive_line(Interp&, FileSlot& slot, std::string& value) {
  if (!slot.link) return false;
  return net::read_line(*slot.link, value, kLineWaitSeconds) == net::LineResult::line;
}

void net_close(Interp& in, FileSlot& slot) {
  slot.link.reset();
  if (in.net) in.net->tls_requested = false;
}

bool cmd_internet(Interp&, std::string_view rest) {
  // Linux sockets need no start or stop.
  return starts_with_folded(rest, "INICIA") || starts_with_folded(rest, "TERMINA");
}

bool cmd_conecta(Interp& in, std::string_view rest) {
  net::Net& n = net_of(in);
  if (starts_with_folded(rest, "SSL ")) {
    n.tls_requested = true;
    rest = trim(rest.substr(4));
  }
  const bool tolerant = take_tolerant(rest);
  auto failed = [&] {
    if (tolerant) {
      in.status = 1;
      return true;
    }
    say_line(in, kConnectError);
    return false;
  };
  int slot = -1;
  std::string host, port;
  if (!read_file_number(rest, slot) || rest.empty()) return failed();
  if (!read_value(in, rest, host) || !read_value(in, rest, port)) return failed();
  n.last_host = host;
  n.last_port = port;
  // A port outside 1..65535 is as wrong as one that is no number (it would wrap).
  const auto p = port_number(port);
  if (!p) {
    if (tolerant) {
      in.status = 2;
      return true;
    }
    say_line(in, kPortError);
    return false;
  }
  auto link = n.tls_requested ? net::connect_tls(n, host, *p) : net::connect(n, host, *p);
  if (!link) return failed();
  install(in, slot, std::move(link));
  if (tolerant) in.status = 0;
  return true;
}

bool cmd_ativassl(Interp& in, std::string_view rest) {
  int slot = -1;
  if (!read_file_number(rest, slot)) return false;
  net::Net& n = net_of(in);
  std::unique_ptr<net::Link> link;
  if (const auto p = port_number(n.last_port)) link = net::connect_tls(n, n.last_host, *p);
  // The slot's previous connection is closed; a failed handshake leaves it with none.
  install(in, slot, std::move(link));
  return true;
}

bool cmd_serve(Interp& in, std::string_view rest) {
  int slot = -1;
  std::string port;
  if (!read_file_number(rest, slot) || rest.empty() || !read_value(in, rest, port)) {
    say_line(in, kConnectError);
    return false;
  }
  const auto p = port_number(port);
  if (!p) {
    say_line(in, kPortError);
    return false;
  }
  net::Net& n = net_of(in);
  const int listener = net::listen_on(n, *p);
  if (listener < 0) {
    say_line(in, kConnectError);
    return false;
  }
  auto link = net::accept_one(n, listener);
  net::close_socket(listener);
  if (!link) {
    say_line(in, kConnectError);
    return false;
  }
  install(in, slot, std::move(link));
  return true;
}

bool cmd_observa(Interp& in, std::string_view rest) {
  if (starts_with_folded(rest, "TECLADO ")) {
    rest = trim(rest.substr(8));
    const int var = read_var_ref(in, rest);
    if (var < 0 || !rest.empty()) return false;
    in.vars[var] = in.console->key_pressed() ? "1" : "0";
    return true;
  }
  int slot = -1;
  if (!read_file_number(rest, slot)) return false;
  const int var = read_var_ref(in, rest);
  if (var < 0 || !rest.empty()) return false;
  net::Link* link = link_of(in, slot);
  in.vars[var] = link && link->has_input() ? "1" : "0";
  return true;
}

bool cmd_ip(Interp& in, std::string_view rest) {
  bool local;
  if (starts_with_folded(rest, "LOCAL ")) {
    local = true;
    rest = trim(rest.substr(6));
  } else if (starts_with_folded(rest, "REMOTO ")) {
    local = false;
    rest = trim(rest.substr(7));
  } else {
    return false;
  }
  int slot = -1;
  if (!read_file_number(rest, slot)) return false;
  const int var = read_var_ref(in, rest);
  if (var < 0) return false;
  net::Link* link = link_of(in, slot);
  if (!link) return false;
  auto address = local ? net::local_address(link->fd()) : net::remote_address(link->fd());
  if (!address) return false;
  in.vars[var] = std::move(*address);
  return true;
}

bool cmd_trazdarede(Interp& in, std::string_view rest) {
  std::string url, file, flag, cookie;
  if (!read_value(in, rest, url) || !read_value(in, rest, file) || !read_value(in, rest, flag)) return false;
  if (flag != "0" && flag != "1") return false;
  if (!read_value(in, rest, cookie)) return false;
  const int var = read_var_ref(in, rest);
  if (var < 0) return false;
  net::DownloadRequest req;
  req.url = url;
  req.file_name = file;
  req.feedback = flag == "1";
  req.cookie = cookie;
  if (auto host = file.empty() ? std::nullopt : plat::host_path(*in.drives, file)) req.target = *host;
  zn::Console& c = *in.console;
  speech::Speech& s = *in.speech;
  net::DownloadUi ui;
  ui.beep = [&s] { speech::play_beep(s); };
  ui.click = [&s] { speech::play_click(s); };
  ui.say = [&in](std::string_view t) { say_line(in, t); };
  ui.speak = [&s](std::string_view t) { speech::speak_text(s, t); };
  ui.key_waiting = [&c] { return c.key_pressed(); };
  ui.read_key = [&c] { return c.read_key(); };
  ui.read_key_spoken = [&s] { return speech::read_key_spoken(s); };
  ui.write_line = [&c](std::string_view t) {
    c.write(t);
    c.write_line_end();
  };
  const bool complete = !req.url.empty() && !req.target.empty() && net::download(net_of(in), req, ui);
  in.vars[var] = complete ? "0" : "1";
  return true;
}

}  // namespace rl
