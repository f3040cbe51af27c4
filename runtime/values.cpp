#include "runtime/values.h"

#include <cstring>

#include "speech/znsapi.h"

namespace rl {

std::string_view trim(std::string_view t) {
  size_t b = 0, e = t.size();
  while (b < e && is_blank_or_control(static_cast<unsigned char>(t[b]))) ++b;
  while (e > b && is_blank_or_control(static_cast<unsigned char>(t[e - 1]))) --e;
  return t.substr(b, e - b);
}

std::string fold(std::string_view t) { return speech::to_upper_pt(t); }

bool starts_with_folded(std::string_view t, std::string_view upper_word) {
  if (t.size() < upper_word.size()) return false;
  for (size_t i = 0; i < upper_word.size(); ++i) {
    if (speech::fold_pt(static_cast<unsigned char>(t[i])) != static_cast<unsigned char>(upper_word[i]))
      return false;
  }
  return true;
}

std::optional<int32_t> to_int(std::string_view t) {
  size_t i = 0;
  while (i < t.size() && t[i] == ' ') ++i;
  bool negative = false;
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) {
    negative = t[i] == '-';
    ++i;
  }
  int base = 10;
  if (i < t.size() && (t[i] == '$' || t[i] == 'x' || t[i] == 'X')) {
    base = 16;
    ++i;
  } else if (i + 1 < t.size() && t[i] == '0' && (t[i + 1] == 'x' || t[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  if (i >= t.size()) return std::nullopt;
  int64_t v = 0;
  for (; i < t.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(t[i]);
    int d;
    if (is_digit(c)) d = c - '0';
    else if (base == 16 && c >= 'a' && c <= 'f') d = c - 'a' + 10;
    else if (base == 16 && c >= 'A' && c <= 'F') d = c - 'A' + 10;
    else return std::nullopt;
    v = v * base + d;
    if (v > 2147483648LL) return std::nullopt;
  }
  if (negative) v = -v;
  if (v > INT32_MAX || v < INT32_MIN) return std::nullopt;
  return static_cast<int32_t>(v);
}

std::string int_text(int64_t v) { return std::to_string(v); }

int named_slot(Interp& in, std::string_view upper_name) {
  // Small names are looked up without building a key on the heap.
  std::string key(upper_name);
  auto it = in.name_slots.find(key);
  if (it != in.name_slots.end()) return it->second;
  if (static_cast<int>(in.names.size()) >= kNamedVars) return -1;
  int slot = kLetterVars + static_cast<int>(in.names.size());
  in.names.push_back(key);
  in.name_slots.emplace(std::move(key), slot);
  return slot;
}

namespace {

// Takes the name after '$': letters, digits and, where allowed, underscores.
std::string take_name(std::string_view& t, bool underscore) {
  std::string name;
  size_t i = 0;
  while (i < t.size()) {
    unsigned char c = static_cast<unsigned char>(t[i]);
    if (!(is_ascii_letter(c) || is_digit(c) || (underscore && c == '_'))) break;
    name += static_cast<char>(ascii_upper(c));
    ++i;
  }
  t.remove_prefix(i);
  return name;
}

int letter_slot(unsigned char c) { return ascii_upper(c) - 'A'; }

}  // namespace

int read_var_ref(Interp& in, std::string_view& t) {
  t = trim(t);
  if (t.empty()) return -1;
  unsigned char c = static_cast<unsigned char>(t[0]);
  int slot;
  if (c == '$') {
    std::string_view rest = t.substr(1);
    std::string name = take_name(rest, true);
    if (name.empty()) return -1;
    slot = named_slot(in, name);
    if (slot < 0) return -1;
    t = rest;
  } else if (is_ascii_letter(c)) {
    if (t.size() > 1) {
      unsigned char n = static_cast<unsigned char>(t[1]);
      if (is_ascii_letter(n) || is_digit(n)) return -1;
    }
    slot = letter_slot(c);
    t.remove_prefix(1);
  } else {
    return -1;
  }
  t = trim(t);
  return slot;
}

// ---- integer expressions ------------------------------------------------------

namespace {

enum class Tok { end, lparen, rparen, mul, plus, minus, div, number, variable, error };

struct Lexer {
  Interp& in;
  std::string_view text;
  size_t pos = 0;
  // The token in hand.
  Tok tok = Tok::end;
  size_t tok_start = 0;
  int32_t value = 0;
  int depth = 0;

  void next() {
    while (pos < text.size() && text[pos] == ' ') ++pos;
    tok_start = pos;
    if (pos >= text.size()) {
      tok = Tok::end;
      return;
    }
    unsigned char c = static_cast<unsigned char>(text[pos]);
    switch (c) {
      case '(': tok = Tok::lparen; ++pos; return;
      case ')': tok = Tok::rparen; ++pos; return;
      case '*': tok = Tok::mul; ++pos; return;
      case '+': tok = Tok::plus; ++pos; return;
      case '-': tok = Tok::minus; ++pos; return;
      case '/': tok = Tok::div; ++pos; return;
      default: break;
    }
    if (is_digit(c)) {
      uint32_t v = 0;
      while (pos < text.size() && is_digit(static_cast<unsigned char>(text[pos]))) {
        v = v * 10u + static_cast<uint32_t>(text[pos] - '0');
        ++pos;
      }
      value = static_cast<int32_t>(v);
      tok = Tok::number;
      return;
    }
    int slot = -1;
    if (c == '$') {
      std::string_view rest = text.substr(pos + 1);
      std::string name = take_name(rest, false);
      pos = text.size() - rest.size();
      if (!name.empty()) slot = named_slot(in, name);
    } else if (is_ascii_letter(c)) {
      slot = letter_slot(c);
      ++pos;
    } else {
      ++pos;
    }
    if (slot < 0) {
      tok = Tok::error;
      return;
    }
    auto v = to_int(in.vars[slot]);
    if (!v) {
      tok = Tok::error;
      return;
    }
    value = *v;
    tok = Tok::variable;
  }
};

bool starts_factor(Tok t) {
  return t == Tok::number || t == Tok::variable || t == Tok::lparen || t == Tok::minus;
}

// Nesting deeper than this is refused rather than risking the stack.
constexpr int kMaxExpressionDepth = 1000;

bool parse_expression(Lexer& lx, int32_t& out);

bool parse_factor(Lexer& lx, int32_t& out) {
  switch (lx.tok) {
    case Tok::number:
    case Tok::variable:
      out = lx.value;
      lx.next();
      return true;
    case Tok::lparen: {
      if (++lx.depth > kMaxExpressionDepth) return false;
      lx.next();
      if (!parse_expression(lx, out)) return false;
      if (lx.tok != Tok::rparen) return false;
      --lx.depth;
      lx.next();
      return true;
    }
    case Tok::minus: {
      if (++lx.depth > kMaxExpressionDepth) return false;
      lx.next();
      int32_t v;
      if (!parse_factor(lx, v)) return false;
      --lx.depth;
      out = static_cast<int32_t>(0u - static_cast<uint32_t>(v));
      return true;
    }
    default:
      return false;
  }
}

bool parse_term(Lexer& lx, int32_t& out) {
  if (!parse_factor(lx, out)) return false;
  while (lx.tok == Tok::mul || lx.tok == Tok::div) {
    Tok op = lx.tok;
    lx.next();
    if (!starts_factor(lx.tok)) {
      // An operator with no operand is ignored, unless another of its level follows.
      if (lx.tok == Tok::mul || lx.tok == Tok::div) return false;
      return true;
    }
    int32_t rhs;
    if (!parse_factor(lx, rhs)) return false;
    if (op == Tok::mul) {
      out = static_cast<int32_t>(static_cast<uint32_t>(out) * static_cast<uint32_t>(rhs));
    } else {
      if (rhs == 0 || (out == INT32_MIN && rhs == -1)) return false;
      out /= rhs;
    }
  }
  return true;
}

bool parse_expression(Lexer& lx, int32_t& out) {
  if (!parse_term(lx, out)) return false;
  while (lx.tok == Tok::plus || lx.tok == Tok::minus) {
    Tok op = lx.tok;
    lx.next();
    if (!starts_factor(lx.tok)) {
      if (lx.tok == Tok::plus || lx.tok == Tok::minus) return false;
      return true;
    }
    int32_t rhs;
    if (!parse_term(lx, rhs)) return false;
    uint32_t a = static_cast<uint32_t>(out), b = static_cast<uint32_t>(rhs);
    out = static_cast<int32_t>(op == Tok::plus ? a + b : a - b);
  }
  return true;
}

}  // namespace

bool read_value(Interp& in, std::string_view& t, std::string& out) {
  t = trim(t);
  if (t.empty()) return false;
  unsigned char c = static_cast<unsigned char>(t[0]);
  if (c == '-' || is_digit(c)) {
    size_t i = 1;
    while (i < t.size() && is_digit(static_cast<unsigned char>(t[i]))) ++i;
    out.assign(t.data(), i);
    t.remove_prefix(i);
  } else if (c == '"') {
    out.clear();
    for (;;) {
      t.remove_prefix(1);  // the opening quote
      size_t q = t.find('"');
      if (q == std::string_view::npos) {
        out.append(t);
        t = {};
        break;
      }
      out.append(t.substr(0, q));
      t.remove_prefix(q + 1);
      if (t.empty() || t[0] != '"') break;
      out += '"';
    }
  } else if (c == '$') {
    std::string_view rest = t.substr(1);
    std::string name = take_name(rest, true);
    if (name.empty()) return false;
    int slot = named_slot(in, name);
    if (slot < 0) return false;
    out = in.vars[slot];
    t = rest;
  } else if (is_ascii_letter(c)) {
    out = in.vars[letter_slot(c)];
    t.remove_prefix(1);
  } else if (c == '(') {
    Lexer lx{in, t.substr(1)};
    lx.next();
    int32_t v;
    if (!parse_expression(lx, v)) return false;
    if (lx.tok != Tok::rparen) return false;
    out = int_text(v);
    t.remove_prefix(1 + lx.pos);
  } else {
    return false;
  }
  t = trim(t);
  return true;
}

bool read_int_value(Interp& in, std::string_view& t, int32_t& out) {
  std::string v;
  if (!read_value(in, t, v)) return false;
  auto n = to_int(v);
  if (!n) return false;
  out = *n;
  return true;
}

bool read_file_number(std::string_view& t, int& slot) {
  t = trim(t);
  if (t.empty() || t[0] != '#') return false;
  if (t.size() < 2 || !is_digit(static_cast<unsigned char>(t[1]))) return false;
  if (t.size() > 2 && t[2] != ' ') return false;
  slot = t[1] - '0';
  t.remove_prefix(2);
  size_t i = 0;
  while (i < t.size() && t[i] == ' ') ++i;
  t.remove_prefix(i);
  return true;
}

bool read_bracketed_name(std::string_view& t, std::string& name) {
  t = trim(t);
  if (t.size() < 2 || t[0] != '[') return false;
  name.clear();
  for (size_t i = 1; i < t.size(); ++i) {
    if (t[i] == ']' && !name.empty()) {
      t = trim(t.substr(i + 1));
      return true;
    }
    name += t[i];
  }
  return false;
}

namespace {

// Digit-only (or empty) texts are padded to 21 characters so that numbers compare by value.
struct Key {
  char small[64];
  std::string big;
  std::string_view view;

  explicit Key(std::string_view v) {
    bool digits = true;
    for (unsigned char c : v) {
      if (!is_digit(c)) {
        digits = false;
        break;
      }
    }
    if (digits) {
      // Twenty zeros in front, then the last 21 characters.
      size_t total = v.size() + 20;
      size_t skip = total > 21 ? total - 21 : 0;
      char* p = small;
      for (size_t i = skip; i < total; ++i) *p++ = i < 20 ? '0' : v[i - 20];
      view = std::string_view(small, static_cast<size_t>(p - small));
      return;
    }
    char* dst = small;
    if (v.size() > sizeof small) {
      big.resize(v.size());
      dst = big.data();
    }
    for (size_t i = 0; i < v.size(); ++i)
      dst[i] = static_cast<char>(speech::fold_pt(static_cast<unsigned char>(v[i])));
    view = std::string_view(dst, v.size());
  }
  Key(const Key&) = delete;
};

bool all_digits(std::string_view v) {
  for (unsigned char c : v) {
    if (!is_digit(c)) return false;
  }
  return true;
}

// Two numbers of up to 21 digits: the padded keys order like the numbers themselves.
int compare_numbers(std::string_view a, std::string_view b) {
  auto significant = [](std::string_view v) {
    if (v.size() > 21) v = v.substr(v.size() - 21);
    size_t z = 0;
    while (z + 1 < v.size() && v[z] == '0') ++z;
    return v.substr(z);
  };
  a = significant(a);
  b = significant(b);
  if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
  int c = std::memcmp(a.data(), b.data(), a.size());
  return c < 0 ? -1 : c > 0 ? 1 : 0;
}

}  // namespace

int compare_keys(std::string_view a, std::string_view b) {
  if (!a.empty() && !b.empty() && all_digits(a) && all_digits(b)) return compare_numbers(a, b);
  Key ka(a), kb(b);
  size_t n = std::min(ka.view.size(), kb.view.size());
  int c = n ? std::memcmp(ka.view.data(), kb.view.data(), n) : 0;
  if (c != 0) return c < 0 ? -1 : 1;
  if (ka.view.size() == kb.view.size()) return 0;
  return ka.view.size() < kb.view.size() ? -1 : 1;
}

}  // namespace rl
