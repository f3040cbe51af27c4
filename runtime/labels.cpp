// Labels, jumps, calls and the end of a run.
#include <cstdint>
#include "runtime/interp.h"
#include "runtime/values.h"

namespace rl {
namespace {

// Label lines are those whose very first character is '@'; the first of a name wins.
void build_label_index(Interp& in) {
  in.labels.clear();
  for (int32_t n = 1; n <= in.line_count; ++n) {
    const std::string& line = in.store[n];
    if (!line.empty() && line[0] == '@') in.labels.emplace(fold(std::string_view(line).substr(1)), n);
  }
  in.labels_ready = true;
}

bool read_label_target(Interp& in, std::string_view rest, std::string& name) {
  if (rest.empty()) return false;
  if (rest[0] == '@') {
    name.assign(rest.substr(1));
    return name.find(' ') == std::string::npos;
  }
  if (!read_value(in, rest, name)) return false;
  return rest.empty();
}

bool jump_to_label(Interp& in, const std::string& name) {
  if (!in.labels_ready) build_label_index(in);
  auto it = in.labels.find(fold(name));
  if (it == in.labels.end()) return false;
  in.current = it->second;
  return true;
}

// A literal @label written on the current line always names the same line: remember it.
LineCache* literal_target_cache(Interp& in, std::string_view rest, uint32_t& offset) {
  if (rest.empty() || rest[0] != '@' || in.current < 1 || in.current > in.line_count) return nullptr;
  const std::string& line = in.store[in.current];
  auto p = reinterpret_cast<uintptr_t>(rest.data()), b = reinterpret_cast<uintptr_t>(line.data());
  if (p < b || p + rest.size() > b + line.size()) return nullptr;
  offset = static_cast<uint32_t>(p - b);
  return line_cache(in, in.current);
}

bool jump(Interp& in, std::string_view rest) {
  uint32_t offset = 0;
  LineCache* lc = literal_target_cache(in, rest, offset);
  if (lc && lc->jump_offset == offset) {
    in.current = lc->jump_target;
    return true;
  }
  std::string name;
  if (!read_label_target(in, rest, name) || !jump_to_label(in, name)) return false;
  if (lc) {
    lc->jump_offset = offset;
    lc->jump_target = in.current;
  }
  return true;
}

}  // namespace

bool cmd_desvia(Interp& in, std::string_view rest) { return jump(in, rest); }

bool cmd_chama(Interp& in, std::string_view rest) {
  std::string name;
  if (!read_label_target(in, rest, name)) return false;
  if (in.call_depth >= kMaxCalls) {
    say_line(in, "Muitas chamadas sem retorno");
    return false;
  }
  in.calls[in.call_depth++] = in.current;
  return jump(in, rest);
}

bool cmd_retorna(Interp& in, std::string_view rest) {
  if (!rest.empty()) return false;
  if (in.call_depth == 0) {
    say_line(in, "Retorno sem chamada");
    return false;
  }
  in.current = in.calls[--in.call_depth];
  return true;
}

bool cmd_termina(Interp& in, std::string_view rest) {
  in.stop = true;
  in.mute = fold(rest) == "MUDO";
  return true;
}

}  // namespace rl
