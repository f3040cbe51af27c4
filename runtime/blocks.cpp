// Conditions and the blocks found by scanning the store: SE, SENAO, ENQUANTO, REPETE, FIM.
#include "runtime/interp.h"
#include "runtime/values.h"

namespace rl {
namespace {

// Trimmed, folded, runs of blanks made one; kept per line since the store is constant.
const std::string& normalized(Interp& in, int32_t n) {
  static const std::string empty;
  LineCache* c = line_cache(in, n);
  if (!c) return empty;
  LineCache& lc = *c;
  if (!lc.normalized_ready) {
    std::string folded = fold(trim(in.store[n]));
    std::string out;
    out.reserve(folded.size());
    for (char c : folded) {
      if (c == ' ' && !out.empty() && out.back() == ' ') continue;
      out += c;
    }
    lc.normalized = std::move(out);
    lc.normalized_ready = true;
  }
  return lc.normalized;
}

std::string_view first_word(const std::string& norm) {
  size_t b = norm.find(' ');
  return b == std::string::npos ? std::string_view{} : std::string_view(norm).substr(0, b);
}

enum Closing { kFimSe = 0, kFimEnquanto = 1, kFimRepete = 2 };
constexpr const char* kClosingText[] = {"FIM SE", "FIM ENQUANTO", "FIM REPETE"};

// The first line after `from` whose normalised form is the closing text; line count + 1
// when there is none. Depends only on the text, so it is remembered.
int32_t scan_forward(Interp& in, int32_t from, Closing what) {
  LineCache* lc = line_cache(in, from);
  if (lc && lc->forward_kind == what) return lc->forward_target;
  int32_t found = in.line_count + 1;
  for (int32_t n = from + 1; n <= in.line_count; ++n) {
    if (normalized(in, n) == kClosingText[what]) {
      found = n;
      break;
    }
  }
  if (lc) {
    lc->forward_kind = what;
    lc->forward_target = found;
  }
  return found;
}

// The nearest line before `from` whose first word is `word`; 0 when there is none.
int32_t scan_backward(Interp& in, int32_t from, std::string_view word, int kind) {
  LineCache* lc = line_cache(in, from);
  if (lc && lc->backward_kind == kind) return lc->backward_target;
  int32_t found = 0;
  for (int32_t n = from - 1; n >= 1; --n) {
    if (first_word(normalized(in, n)) == word) {
      found = n;
      break;
    }
  }
  if (lc) {
    lc->backward_kind = kind;
    lc->backward_target = found;
  }
  return found;
}

bool has_substring_at_start(std::string_view a, std::string_view b) {
  return !b.empty() && a.find(b) == 0;
}

}  // namespace

// Reads "[NAO] value op value" and evaluates it; the rest is left trimmed in `t`.
bool read_condition(Interp& in, std::string_view& t, bool& truth) {
  t = trim(t);
  bool negate = false;
  if (starts_with_folded(t, "N\xC3O") || starts_with_folded(t, "NAO")) {
    t = trim(t.substr(3));
    negate = true;
    if (t.empty()) return false;
  }
  std::string a;
  if (!read_value(in, t, a) || t.empty()) return false;
  enum class Op { ge, le, eq_exact, ne, contains, starts, ends, in_list, eq, lt, gt } op;
  static constexpr struct {
    std::string_view text;
    Op op;
  } kOps[] = {{">=", Op::ge}, {"<=", Op::le}, {"==", Op::eq_exact}, {"<>", Op::ne}, {"*=*", Op::contains},
              {"=*", Op::starts}, {"*=", Op::ends}, {"EM", Op::in_list}, {"=", Op::eq}, {"<", Op::lt},
              {">", Op::gt}};
  bool found = false;
  for (const auto& o : kOps) {
    if (starts_with_folded(t, o.text)) {
      op = o.op;
      t.remove_prefix(o.text.size());
      found = true;
      break;
    }
  }
  if (!found) return false;
  t = trim(t);
  if (t.empty()) return false;
  bool r = false;
  if (op == Op::in_list) {
    std::string name;
    if (!read_bracketed_name(t, name)) return false;
    cmds::NamedList* list = in.lists.find(name);
    if (!list) return false;
    for (const auto& item : list->items) {
      if (compare_keys(item, a) == 0) {
        r = true;
        break;
      }
    }
  } else {
    std::string b;
    if (!read_value(in, t, b)) return false;
    switch (op) {
      case Op::eq: r = compare_keys(a, b) == 0; break;
      case Op::lt: r = compare_keys(a, b) < 0; break;
      case Op::gt: r = compare_keys(a, b) > 0; break;
      case Op::ge: r = compare_keys(a, b) >= 0; break;
      case Op::le: r = compare_keys(a, b) <= 0; break;
      case Op::ne: r = compare_keys(a, b) != 0; break;
      case Op::eq_exact: r = a == b; break;
      case Op::contains: r = !b.empty() && a.find(b) != std::string::npos; break;
      case Op::starts: r = has_substring_at_start(a, b); break;
      case Op::ends: {
        size_t p = b.empty() ? std::string::npos : a.find(b);
        r = p != std::string::npos && a.size() >= b.size() && p == a.size() - b.size();
        break;
      }
      case Op::in_list: break;
    }
  }
  truth = negate ? !r : r;
  t = trim(t);
  return true;
}

IfStep if_step(Interp& in, std::string_view& rest) {
  bool truth;
  if (!read_condition(in, rest, truth)) return IfStep::failed;
  if (!rest.empty()) return truth ? IfStep::run_tail : IfStep::done;
  if (truth) return IfStep::done;
  // A false block: nested blocks are skipped whole, SENAO at depth 1 runs the else branch.
  int depth = 1;
  for (int32_t n = in.current + 1; n <= in.line_count; ++n) {
    const std::string& norm = normalized(in, n);
    if (norm.size() > 3 && norm.compare(0, 3, "SE ") == 0) {
      std::string_view cond = std::string_view(norm).substr(3);
      bool ignored;
      if (read_condition(in, cond, ignored) && cond.empty()) ++depth;
    } else if (norm == "FIM SE") {
      if (--depth == 0) {
        in.current = n;
        return IfStep::done;
      }
    } else if (depth == 1 && (norm == "SENAO" || norm == "SEN\xC3O")) {
      in.current = n;
      return IfStep::done;
    }
  }
  in.current = in.line_count + 1;
  return IfStep::done;
}

bool cmd_senao(Interp& in, std::string_view rest) {
  if (!rest.empty()) return false;
  in.current = scan_forward(in, in.current, kFimSe);
  return true;
}

bool cmd_enquanto(Interp& in, std::string_view rest) {
  bool truth;
  if (!read_condition(in, rest, truth)) return false;
  if (!truth) in.current = scan_forward(in, in.current, kFimEnquanto);
  return true;
}

bool repete(Interp& in, std::string_view rest, bool first_entry) {
  int slot = read_var_ref(in, rest);
  if (slot < 0 || rest.empty()) return false;
  int32_t counter = 0;
  if (!first_entry) {
    auto c = to_int(in.vars[slot]);
    if (!c) return false;
    counter = *c;
  }
  int32_t limit;
  if (!read_int_value(in, rest, limit)) return false;
  int64_t next = static_cast<int64_t>(counter) + 1;
  in.vars[slot] = int_text(static_cast<int32_t>(static_cast<uint32_t>(counter) + 1u));
  if (limit < next) in.current = scan_forward(in, in.current, kFimRepete);
  return true;
}

bool cmd_repete(Interp& in, std::string_view rest) { return repete(in, rest, true); }

bool cmd_fim(Interp& in, std::string_view rest) {
  if (rest.empty()) return false;
  std::string word = fold(rest);
  if (word == "SE") return true;
  if (word == "ENQUANTO") {
    int32_t open = scan_backward(in, in.current, "ENQUANTO", 0);
    if (open == 0) return false;
    in.current = open - 1;
    return true;
  }
  if (word == "REPETE") {
    int32_t open = scan_backward(in, in.current, "REPETE", 1);
    if (open == 0) return false;
    in.current = open;
    std::string_view line = trim(in.store[open]);
    size_t b = line.find(' ');
    return repete(in, trim(line.substr(b + 1)), false);
  }
  return true;
}

}  // namespace rl
