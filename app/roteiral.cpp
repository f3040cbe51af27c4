// roteiral: runs a script file directly, with the file name as its title.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>

#include "runtime/rlplus.h"

namespace {

// The file's bytes as they are, split at LF with a CR before it dropped.
std::optional<std::string> read_script_file(const plat::DriveTable& drives, const std::string& name) {
  auto host = plat::host_path(drives, name);
  if (!host) return std::nullopt;
  std::ifstream f(*host, std::ios::binary);
  if (!f) return std::nullopt;
  return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

bool load_script(rl::Runtime& rt, const std::string& bytes) {
  int n = 0;
  size_t pos = 0;
  while (pos < bytes.size()) {
    size_t lf = bytes.find('\n', pos);
    size_t end = lf == std::string::npos ? bytes.size() : lf;
    size_t stop = (end > pos && bytes[end - 1] == '\r') ? end - 1 : end;
    if (!rl::carregascript(rt, std::string_view(bytes).substr(pos, stop - pos), ++n)) return false;
    pos = lf == std::string::npos ? bytes.size() : lf + 1;
  }
  return true;
}

// A script saved as UTF-8 reads as the Windows-1252 text it stands for.
std::string script_as_cp1252(const std::string& bytes) {
  plat::ScriptText t = plat::script_text_to_cp1252(bytes);
  if (t.first_lost_line > 0)
    std::fprintf(stderr, "roteiral: linha %d: caractere sem equivalente em Windows-1252 trocado por '?'\n",
                 t.first_lost_line);
  return std::move(t.text);
}

bool has_extension(const std::string& name) {
  size_t dot = name.find_last_of('.');
  size_t sep = name.find_last_of("\\/");
  return dot != std::string::npos && (sep == std::string::npos || dot > sep);
}

}  // namespace

int main(int argc, char** argv) {
  auto rt = rl::make_program_runtime(argv[0], argc, argv);
  std::string name = argc > 1 ? plat::utf8_to_cp1252(argv[1]) : std::string();
  rl::inicializa(*rt, name.empty() ? "roteiral" : name);
  if (name.empty()) {
    rl::show_message(*rt, "SCNOMARQ", 0);
    name = rt->console.read_line();
    rt->console.set_title(name);
  }
  auto bytes = name.empty() ? std::nullopt : read_script_file(rt->drives, name);
  if (!bytes && !name.empty() && !has_extension(name)) bytes = read_script_file(rt->drives, name + ".cmd");
  if (!bytes) {
    rl::show_message(*rt, "SCARQNAO", 1);
    rl::finish(*rt);
    return 0;
  }
  if (!load_script(*rt, script_as_cp1252(*bytes))) {
    rl::show_message(*rt, "SCERRO", 1);
    rl::finish(*rt);
    return 0;
  }
  rl::processa(*rt);
  rl::finish(*rt);
  return 0;
}
