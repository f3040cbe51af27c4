// Arithmetic and string commands: variables changed in place.
#include "runtime/interp.h"
#include "runtime/values.h"

#include <algorithm>

namespace rl {
namespace {

// Reads "var value..." and gives the variable's slot; false when nothing follows it.
bool read_target(Interp& in, std::string_view& rest, int& slot) {
  slot = read_var_ref(in, rest);
  return slot >= 0 && !rest.empty();
}

enum class Op { sub, mul, div };

bool integer_op(Interp& in, std::string_view rest, Op op) {
  int slot;
  if (!read_target(in, rest, slot)) return false;
  auto a = to_int(in.vars[slot]);
  if (!a) return false;
  int32_t b;
  if (!read_int_value(in, rest, b)) return false;
  uint32_t ua = static_cast<uint32_t>(*a), ub = static_cast<uint32_t>(b);
  int32_t r;
  switch (op) {
    case Op::sub: r = static_cast<int32_t>(ua - ub); break;
    case Op::mul: r = static_cast<int32_t>(ua * ub); break;
    case Op::div:
      if (b == 0) {
        say_line(in, "Divis\xE3o por zero");
        return false;
      }
      // The one quotient that does not fit wraps, as the other operations do.
      r = (*a == INT32_MIN && b == -1) ? INT32_MIN : *a / b;
      break;
  }
  in.vars[slot] = int_text(r);
  return rest.empty();
}

// Reads the two trimmed integer values that follow the variables of COPIA and DELETA.
bool read_two_ints(Interp& in, std::string_view& rest, int32_t& x, int32_t& y) {
  std::string a, b;
  if (!read_value(in, rest, a) || !read_value(in, rest, b)) return false;
  auto na = to_int(trim(a)), nb = to_int(trim(b));
  if (!na || !nb) return false;
  x = *na;
  y = *nb;
  return true;
}

}  // namespace

bool cmd_soma(Interp& in, std::string_view rest) {
  int slot;
  if (!read_target(in, rest, slot)) return false;
  int32_t n;
  if (!read_int_value(in, rest, n)) return false;
  std::string& v = in.vars[slot];
  size_t digits = v.size();
  while (digits > 0 && is_digit(static_cast<unsigned char>(v[digits - 1]))) --digits;
  size_t start = digits;
  if (start > 0 && v[start - 1] == '-') --start;
  std::string_view number = std::string_view(v).substr(start);
  int32_t current = 0;
  if (!number.empty() && number != "-") {
    auto c = to_int(number);
    if (!c) return false;  // a number part too long for 32 bits
    current = *c;
  }
  int32_t sum = static_cast<int32_t>(static_cast<uint32_t>(current) + static_cast<uint32_t>(n));
  v.resize(start);
  v += int_text(sum);
  return true;
}

bool cmd_subtrai(Interp& in, std::string_view rest) { return integer_op(in, rest, Op::sub); }
bool cmd_multiplica(Interp& in, std::string_view rest) { return integer_op(in, rest, Op::mul); }
bool cmd_divide(Interp& in, std::string_view rest) { return integer_op(in, rest, Op::div); }

bool cmd_concatena(Interp& in, std::string_view rest) {
  int slot;
  if (!read_target(in, rest, slot)) return false;
  std::string v;
  if (!read_value(in, rest, v) || !rest.empty()) return false;
  if (in.vars[slot].size() + v.size() > kMaxValueLength) return false;
  in.vars[slot] += v;
  return true;
}

bool cmd_copia(Interp& in, std::string_view rest) {
  int target = read_var_ref(in, rest);
  if (target < 0) return false;
  int source = read_var_ref(in, rest);
  if (source < 0) return false;
  int32_t start, end;
  if (!read_two_ints(in, rest, start, end)) return false;
  const std::string& s = in.vars[source];
  int64_t length = static_cast<int64_t>(end) - start + 1;
  int64_t from = start < 1 ? 1 : start;
  std::string result;
  if (length > 0 && from <= static_cast<int64_t>(s.size())) {
    int64_t avail = static_cast<int64_t>(s.size()) - from + 1;
    result = s.substr(static_cast<size_t>(from - 1), static_cast<size_t>(std::min(length, avail)));
  }
  in.vars[target] = std::move(result);
  return true;
}

bool cmd_deleta(Interp& in, std::string_view rest) {
  int slot = read_var_ref(in, rest);
  if (slot < 0) return false;
  int32_t start, count;
  if (!read_two_ints(in, rest, start, count)) return false;
  std::string& v = in.vars[slot];
  if (start < 1 || static_cast<size_t>(start) > v.size() || count <= 0) return true;
  v.erase(static_cast<size_t>(start - 1), static_cast<size_t>(count));
  return true;
}

bool cmd_substitui(Interp& in, std::string_view rest) {
  int slot = read_var_ref(in, rest);
  if (slot < 0) return false;
  std::string search, replacement;
  if (!read_value(in, rest, search) || !read_value(in, rest, replacement)) return false;
  const std::string& t = in.vars[slot];
  const size_t len = search.size();
  if (len > t.size()) return true;
  // Positions are tried right to left, each once, on the text as already changed. The
  // part right of the position is kept reversed so that both growing it at the front and
  // replacing its first characters cost only what they move.
  std::string right(t.rbegin(), t.rbegin() + static_cast<std::ptrdiff_t>(len));
  for (size_t p = t.size() - len + 1; p >= 1; --p) {
    if (std::equal(search.begin(), search.end(), right.rbegin())) {
      right.resize(right.size() - len);
      if (right.size() + replacement.size() > kMaxValueLength) return false;
      right.append(replacement.rbegin(), replacement.rend());
    }
    if (p > 1) right += t[p - 2];
  }
  in.vars[slot].assign(right.rbegin(), right.rend());
  return true;
}

}  // namespace rl
