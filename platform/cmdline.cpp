#include "platform/cmdline.h"

namespace plat {
namespace {

bool is_blank(char c) { return c == ' ' || c == '\t'; }
bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Appends a quoted part starting after its opening quote; false when it never closes.
bool take_quoted(std::string_view s, size_t& i, std::string& out) {
  while (i < s.size()) {
    if (s[i] == '"') {
      if (i + 1 < s.size() && s[i + 1] == '"') {
        out += '"';
        i += 2;
        continue;
      }
      ++i;
      return true;
    }
    out += s[i++];
  }
  return false;
}

}  // namespace

Words split_words(std::string_view s) {
  Words r;
  std::string word;
  bool have = false;
  size_t i = 0;
  while (i < s.size()) {
    const char c = s[i];
    if (is_blank(c)) {
      if (have) r.words.push_back(std::move(word));
      word.clear();
      have = false;
      ++i;
    } else if (c == '"') {
      ++i;
      have = true;
      if (!take_quoted(s, i, word)) r.unbalanced = true;
    } else {
      word += c;
      have = true;
      ++i;
    }
  }
  if (have) r.words.push_back(std::move(word));
  return r;
}

std::string join_words(const std::vector<std::string>& words) {
  std::string out;
  for (const auto& word : words) {
    if (!out.empty()) out += ' ';
    std::string_view w = word;
    // A redirection keeps its operator outside the quotes its file name needs.
    size_t op = (!w.empty() && is_digit(w[0])) ? 1 : 0;
    if (op < w.size() && (w[op] == '>' || w[op] == '<')) {
      ++op;
      if (op < w.size() && w[op] == '>' && w[op - 1] == '>') ++op;
      if (op < w.size() && w[op] != '&') {
        out.append(w.substr(0, op));
        w.remove_prefix(op);
      }
    }
    const bool quote = w.empty() || w.find_first_of(" \t\"") != std::string::npos;
    if (!quote) {
      out += w;
      continue;
    }
    out += '"';
    for (char c : w) {
      if (c == '"') out += '"';
      out += c;
    }
    out += '"';
  }
  return out;
}

ParsedCommand parse_command(std::string_view s) {
  ParsedCommand r;
  auto fail = [&r](ParseError e, std::string detail) {
    r.error = e;
    r.detail = std::move(detail);
    r.command = {};
    return r;
  };
  std::string word;
  bool have = false;
  auto flush = [&] {
    if (have) r.command.words.push_back(std::move(word));
    word.clear();
    have = false;
  };
  size_t i = 0;
  while (i < s.size()) {
    char c = s[i];
    if (is_blank(c)) {
      flush();
      ++i;
      continue;
    }
    if (c == '"') {
      ++i;
      have = true;
      if (!take_quoted(s, i, word)) return fail(ParseError::unbalanced_quotes, "\"");
      continue;
    }
    if (c == '^') {
      ++i;
      if (i < s.size()) {
        word += s[i++];
        have = true;
      }
      continue;
    }
    if (c == '|' || c == '&') {
      std::string op(1, c);
      if (i + 1 < s.size() && s[i + 1] == c) op += c;
      return fail(ParseError::unsupported_operator, op);
    }
    // A handle number counts only at the start of a word, right before the operator.
    int fd = -1;
    if (is_digit(c) && !have && i + 1 < s.size() && (s[i + 1] == '>' || s[i + 1] == '<')) {
      fd = c - '0';
      c = s[++i];
    }
    if (c != '>' && c != '<') {
      word += c;
      have = true;
      ++i;
      continue;
    }
    flush();
    Redirect rd;
    ++i;
    if (c == '<') {
      rd.kind = RedirectKind::read;
      rd.fd = fd < 0 ? 0 : fd;
    } else {
      rd.fd = fd < 0 ? 1 : fd;
      rd.kind = RedirectKind::write;
      if (i < s.size() && s[i] == '>') {
        rd.kind = RedirectKind::append;
        ++i;
      }
    }
    if (i < s.size() && s[i] == '&') {
      if (i + 1 >= s.size() || !is_digit(s[i + 1])) return fail(ParseError::missing_target, std::string(1, c));
      rd.kind = RedirectKind::duplicate;
      rd.to_fd = s[i + 1] - '0';
      i += 2;
      r.command.redirects.push_back(std::move(rd));
      continue;
    }
    while (i < s.size() && is_blank(s[i])) ++i;
    bool got = false;
    while (i < s.size() && !is_blank(s[i]) && s[i] != '<' && s[i] != '>' && s[i] != '|' && s[i] != '&') {
      if (s[i] == '"') {
        ++i;
        got = true;
        if (!take_quoted(s, i, rd.target)) return fail(ParseError::unbalanced_quotes, "\"");
      } else if (s[i] == '^') {
        ++i;
        if (i < s.size()) {
          rd.target += s[i++];
          got = true;
        }
      } else {
        rd.target += s[i++];
        got = true;
      }
    }
    if (!got || rd.target.empty()) return fail(ParseError::missing_target, std::string(1, c));
    r.command.redirects.push_back(std::move(rd));
  }
  flush();
  return r;
}

std::string strip_line_quotes(std::string_view line, const std::function<bool(const std::string&)>& is_program) {
  if (line.empty() || line[0] != '"') return std::string(line);
  const size_t last = line.rfind('"');
  size_t quotes = 0;
  for (char c : line) quotes += c == '"';
  if (quotes == 2) {
    const std::string inner(line.substr(1, line.find('"', 1) - 1));
    const bool special = inner.find_first_of("&<>()@^|") != std::string::npos;
    const bool blank = inner.find_first_of(" \t") != std::string::npos;
    if (!special && blank && is_program(inner)) return std::string(line);
  }
  if (last == 0) return std::string(line.substr(1));
  std::string out(line.substr(1, last - 1));
  out.append(line.substr(last + 1));
  return out;
}

}  // namespace plat
