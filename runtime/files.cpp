// File system commands (REMOVE, RENOMEIA, REPLICA), DIR and the directory search BUSCA.
#include "commands/commands.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "runtime/interp.h"
#include "runtime/values.h"

namespace rl {
namespace {

// The tolerant suffix: a final '&' is dropped (and what is left trimmed); a failure of the
// file operation itself then counts as success and says nothing.
bool take_tolerant(std::string_view& rest) {
  if (rest.empty() || rest.back() != '&') return false;
  rest = trim(rest.substr(0, rest.size() - 1));
  return true;
}

const plat::DriveTable& drives_of(const Interp& in) {
  static const plat::DriveTable none;
  return in.drives ? *in.drives : none;
}

std::optional<std::string> host(const Interp& in, std::string_view name) { return script_host_path(in, name); }

// Where `to` names the very file `from` is (only its letter case differs), the new name
// as the script spelled it, so that a rename can change the letter case.
std::string spelled_target(const std::string& from, const std::string& to, std::string_view name) {
  if (!cmds::same_file(from, to)) return to;
  size_t sep = name.find_last_of("\\/");
  std::string_view last = sep == std::string_view::npos ? name : name.substr(sep + 1);
  if (sep == std::string_view::npos && name.size() >= 2 && name[1] == ':') last = name.substr(2);
  if (last.empty()) return to;
  size_t host_sep = to.rfind('/');
  std::string dir = host_sep == std::string::npos ? std::string() : to.substr(0, host_sep + 1);
  return dir + plat::cp1252_to_utf8(last);
}

}  // namespace

// Every name a script gives reaches the disk through the paths layer.
std::optional<std::string> script_host_path(const Interp& in, std::string_view name) {
  if (in.sandbox) return std::nullopt;
  return plat::host_path(drives_of(in), name);
}

bool cmd_remove(Interp& in, std::string_view rest) {
  if (rest.empty()) return false;
  const bool tolerant = take_tolerant(rest);
  std::string name;
  if (!read_value(in, rest, name) || name.empty()) return false;
  // Text after the name is ignored.
  auto path = host(in, name);
  if (path && cmds::remove_file(*path)) return true;
  if (tolerant) return true;
  say_line(in, "Erro no apagamento do arquivo " + name);
  return false;
}

bool cmd_renomeia(Interp& in, std::string_view rest) {
  if (rest.empty()) return false;
  const bool tolerant = take_tolerant(rest);
  std::string from, to;
  if (!read_value(in, rest, from) || !read_value(in, rest, to) || !rest.empty()) return false;
  auto from_path = from.empty() ? std::nullopt : host(in, from);
  auto to_path = to.empty() ? std::nullopt : host(in, to);
  bool ok = from_path && to_path &&
            cmds::rename_file(*from_path, spelled_target(*from_path, *to_path, to));
  return ok || tolerant;
}

bool cmd_replica(Interp& in, std::string_view rest) {
  if (rest.empty()) return false;
  const bool tolerant = take_tolerant(rest);
  std::string source, target;
  if (!read_value(in, rest, source) || !read_value(in, rest, target) || !rest.empty()) return false;
  auto source_path = source.empty() ? std::nullopt : host(in, source);
  auto target_path = target.empty() ? std::nullopt : host(in, target);
  if (!source_path || !target_path) return tolerant;
  // Nothing is read from or written to a file that did not open, tolerant or not.
  switch (cmds::copy_file(*source_path, *target_path).result) {
    case cmds::CopyResult::ok: return true;
    case cmds::CopyResult::read_failed:
      if (tolerant) return true;
      say_line(in, "Erro no processamento de arquivo " + source);
      return false;
    case cmds::CopyResult::write_failed:
      if (tolerant) return true;
      say_line(in, "Erro na escrita de arquivo " + target);
      return false;
    case cmds::CopyResult::source_open_failed:
    case cmds::CopyResult::target_open_failed:
    case cmds::CopyResult::same_file:  // copying a file onto itself would empty it
      return tolerant;
  }
  return false;
}

bool cmd_dir(Interp& in, std::string_view rest) {
  const bool tolerant = take_tolerant(rest);
  enum class Op { create, remove, change } op;
  if (fold(rest.substr(0, 5)) == "CRIA ") op = Op::create;
  else if (fold(rest.substr(0, 7)) == "REMOVE ") op = Op::remove;
  else if (fold(rest.substr(0, 6)) == "TROCA ") op = Op::change;
  else return false;
  rest = trim(rest.substr(rest.find(' ')));
  std::string name;
  if (!read_value(in, rest, name) || !rest.empty()) return false;
  auto path = name.empty() ? std::nullopt : host(in, name);
  bool ok = false;
  if (path) {
    switch (op) {
      case Op::create: ok = cmds::make_directory(*path); break;
      case Op::remove: ok = cmds::remove_directory(*path); break;
      case Op::change: ok = cmds::change_directory(*path); break;
    }
  }
  if (ok || tolerant) return true;
  say_line(in, "Erro no processamento do diret\xF3rio " + name);
  return false;
}

bool cmd_busca(Interp& in, std::string_view rest) {
  const int slot = read_var_ref(in, rest);
  if (slot < 0 || rest.empty()) return false;
  bool directory_mode = false;
  if (fold(rest.substr(0, 3)) == "DIR") {
    directory_mode = true;
    // Only the word goes: a pattern written right after it keeps its first character.
    rest = trim(rest.substr(3));
  }
  const std::string keyword = fold(rest.substr(0, 7));
  std::string found;
  if (keyword != "PROXIMO" && keyword != "PR\xD3XIMO") {
    if (rest.empty()) {  // BUSCA var DIR
      in.vars[slot] = std::string(trim(plat::current_directory()));
      return true;
    }
    std::string pattern;
    if (!read_value(in, rest, pattern) || !rest.empty()) return false;
    // A pattern past 144 characters finds nothing (and ends the previous search).
    const uint32_t required = directory_mode ? cmds::kAttrDirectory : cmds::kAttrArchive;
    if (in.sandbox) return false;
    if (auto first = in.search.start(drives_of(in), pattern, required)) found = std::move(*first);
  } else {
    rest.remove_prefix(7);
    if (!rest.empty()) return false;
    // A DIR before the keyword changes nothing: the last search's bit applies.
    if (auto next = in.search.next()) found = std::move(*next);
  }
  in.vars[slot] = std::string(trim(found));
  return true;
}

}  // namespace rl
