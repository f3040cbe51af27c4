// Reading the program source: a small lexer for the fixed parts, raw lines for the literals.
#include "app/dprsource.h"

#include <cstdint>

namespace app {

namespace {

enum class Tok { word, number, symbol, end };

struct Token {
  Tok kind = Tok::end;
  std::string text;
  int line = 0;  // 1-based
};

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\f' || c == '\v' || c == '\r'; }
bool is_letter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; }
bool is_digit(char c) { return c >= '0' && c <= '9'; }

char fold(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }

bool same_word(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (fold(a[i]) != fold(b[i])) return false;
  }
  return true;
}

std::string_view trim_right(std::string_view s) {
  while (!s.empty() && is_blank(s.back())) s.remove_suffix(1);
  return s;
}

bool ends_with(std::string_view s, std::string_view tail) {
  return s.size() >= tail.size() && s.substr(s.size() - tail.size()) == tail;
}

// How a found token is named in a message: printable bytes as they are, others by code.
std::string shown(const Token& t) {
  if (t.kind == Tok::end) return "end of file";
  std::string out = "'";
  for (unsigned char c : t.text) {
    if (c < 32 || c == 127) out += "#" + std::to_string(c);
    else out += static_cast<char>(c);
  }
  return out + "'";
}

// Splits at LF, dropping the CR before it; a last line without LF still counts.
std::vector<std::string_view> split_lines(std::string_view src) {
  std::vector<std::string_view> out;
  size_t pos = 0;
  while (pos < src.size()) {
    size_t lf = src.find('\n', pos);
    size_t end = lf == std::string_view::npos ? src.size() : lf;
    size_t stop = (end > pos && src[end - 1] == '\r') ? end - 1 : end;
    out.push_back(src.substr(pos, stop - pos));
    pos = lf == std::string_view::npos ? src.size() : lf + 1;
  }
  return out;
}

// The reader's state: where it stands in the source, and what it has found so far.
struct Reader {
  std::vector<std::string_view> lines;
  size_t li = 0;   // 0-based line
  size_t col = 0;  // byte in that line
  bool has_peek = false;
  Token peeked;
  DprProgram& out;

  explicit Reader(DprProgram& o) : out(o) {}

  int line_no() const { return static_cast<int>(li < lines.size() ? li + 1 : lines.size()); }

  void fault(int line, std::string msg) {
    if (static_cast<int>(out.faults.size()) < kMaxFaults) out.faults.push_back({line < 1 ? 1 : line, std::move(msg)});
  }
  bool full() const { return static_cast<int>(out.faults.size()) >= kMaxFaults; }

  // Skips blanks and comments across lines; false at the end of the source. An
  // unterminated comment is a fault of its own.
  bool skip_space() {
    while (li < lines.size()) {
      std::string_view l = lines[li];
      if (col >= l.size()) {
        ++li;
        col = 0;
        continue;
      }
      char c = l[col];
      if (is_blank(c)) {
        ++col;
      } else if (c == '/' && col + 1 < l.size() && l[col + 1] == '/') {
        col = l.size();
      } else if (c == '{' || (c == '(' && col + 1 < l.size() && l[col + 1] == '*')) {
        const std::string_view close = c == '{' ? "}" : "*)";
        const int start = line_no();
        col += c == '{' ? 1 : 2;
        for (;;) {
          if (li >= lines.size()) {
            fault(start, "Unterminated comment");
            return false;
          }
          size_t at = lines[li].find(close, col);
          if (at != std::string_view::npos) {
            col = at + close.size();
            break;
          }
          ++li;
          col = 0;
        }
      } else {
        return true;
      }
    }
    return false;
  }

  Token lex() {
    Token t;
    if (!skip_space()) {
      t.line = line_no();
      return t;
    }
    std::string_view l = lines[li];
    t.line = line_no();
    size_t start = col;
    if (is_letter(l[col])) {
      t.kind = Tok::word;
      while (col < l.size() && (is_letter(l[col]) || is_digit(l[col]))) ++col;
    } else if (is_digit(l[col])) {
      t.kind = Tok::number;
      while (col < l.size() && is_digit(l[col])) ++col;
    } else {
      t.kind = Tok::symbol;
      std::string_view two = l.substr(col, 2);
      col += (two == ":=" || two == "..") ? 2 : 1;
    }
    t.text.assign(l.substr(start, col - start));
    return t;
  }

  Token next() {
    if (has_peek) {
      has_peek = false;
      return std::move(peeked);
    }
    return lex();
  }
  const Token& peek() {
    if (!has_peek) {
      peeked = lex();
      has_peek = true;
    }
    return peeked;
  }

  bool expect(std::string_view want) {
    Token t = next();
    if ((t.kind == Tok::word || t.kind == Tok::symbol) && same_word(t.text, want)) return true;
    fault(t.line, "'" + std::string(want) + "' expected but " + shown(t) + " found");
    return false;
  }

  bool identifier(std::string& name) {
    Token t = next();
    if (t.kind == Tok::word) {
      name = t.text;
      return true;
    }
    fault(t.line, "Identifier expected but " + shown(t) + " found");
    return false;
  }

  // The same name as declared before, in any letter case.
  bool same_identifier(const std::string& declared) { return expect(declared); }

  bool number(std::string& digits) {
    Token t = next();
    if (t.kind == Tok::number) {
      digits = t.text;
      return true;
    }
    fault(t.line, "Number expected but " + shown(t) + " found");
    return false;
  }

  // What is left of the current line, with the blanks before it skipped; used where the
  // text is taken as written (the program name, the title) rather than lexed.
  bool rest_of_line(std::string_view& rest) {
    if (has_peek || li >= lines.size()) return false;
    std::string_view l = lines[li];
    while (col < l.size() && is_blank(l[col])) ++col;
    rest = l.substr(col);
    return true;
  }
};

// A literal line, as the converter writes it: true with the text when it is one.
// last is set when it ends the array.
bool literal_line(std::string_view l, std::string& text, bool& last) {
  size_t q = l.find('\'');
  std::string_view t = trim_right(l);
  if (ends_with(t, "');") && t.size() - 3 > q) {
    text.assign(t.substr(q + 1, t.size() - 3 - q - 1));
    last = true;
    return true;
  }
  if (ends_with(t, "',") && t.size() - 2 > q) {
    text.assign(t.substr(q + 1, t.size() - 2 - q - 1));
    last = false;
    return true;
  }
  return false;
}

bool blank_or_comment(std::string_view l) {
  size_t i = 0;
  while (i < l.size() && is_blank(l[i])) ++i;
  return i == l.size() || l.substr(i, 2) == "//";
}

bool starts_literal(std::string_view l) {
  size_t i = 0;
  while (i < l.size() && is_blank(l[i])) ++i;
  return i < l.size() && l[i] == '\'';
}

bool read_header(Reader& r, std::string& count_name, std::string& loop_var, std::string& array_name,
                 int64_t& declared, int& declared_line) {
  DprProgram& out = r.out;
  if (!r.expect("program")) return false;
  std::string_view rest;
  if (!r.rest_of_line(rest)) {
    r.fault(r.line_no(), "Program name expected");
    return false;
  }
  size_t semi = rest.find(';');
  std::string_view name = trim_right(rest.substr(0, semi));
  if (name.empty()) {
    r.fault(r.line_no(), "Program name expected");
    return false;
  }
  if (semi == std::string_view::npos) {
    r.fault(r.line_no(), "';' expected after the program name");
    return false;
  }
  out.name.assign(name);
  r.col += semi + 1;

  if (!r.expect("uses") || !r.expect("rlplus") || !r.expect(";")) return false;
  if (!r.expect("const") || !r.identifier(count_name) || !r.expect("=")) return false;
  std::string digits;
  declared_line = r.peek().line;
  if (!r.number(digits) || !r.expect(";")) return false;
  declared = 0;
  for (char c : digits) {
    declared = declared * 10 + (c - '0');
    if (declared > kMaxScriptLines) break;
  }
  if (declared > kMaxScriptLines) {
    r.fault(declared_line, count_name + " exceeds the " + std::to_string(kMaxScriptLines) +
                               " lines a program can hold");
    return false;
  }
  if (declared < 1) {
    r.fault(declared_line, "Low bound exceeds high bound: the script needs at least one line");
    return false;
  }
  if (!r.expect("var") || !r.identifier(loop_var) || !r.expect(":") || !r.expect("integer") || !r.expect(";"))
    return false;
  if (!r.identifier(array_name) || !r.expect(":") || !r.expect("array") || !r.expect("[")) return false;
  std::string low;
  Token lo_tok = r.peek();
  if (!r.number(low)) return false;
  if (low.find_first_not_of('0') == std::string::npos || low.substr(low.find_first_not_of('0')) != "1") {
    r.fault(lo_tok.line, "The script array must start at 1");
    return false;
  }
  if (!r.expect("..") || !r.same_identifier(count_name) || !r.expect("]") || !r.expect("of") ||
      !r.expect("string") || !r.expect("=") || !r.expect("("))
    return false;
  std::string_view after;
  if (!r.rest_of_line(after) || !blank_or_comment(after)) {
    r.fault(r.line_no(), "Each script line must stand on a line of its own");
    return false;
  }
  return true;
}

// The literal lines after the array's opening line; true when `');` closed the array.
// The reader is left on the first line after the array.
bool read_array(Reader& r, const std::string& count_name, int64_t declared) {
  DprProgram& out = r.out;
  ++r.li;
  r.col = 0;
  int last_literal_line = r.line_no();
  while (r.li < r.lines.size() && !r.full()) {
    std::string_view l = r.lines[r.li];
    const int n = r.line_no();
    if (blank_or_comment(l)) {
      ++r.li;
      continue;
    }
    if (!starts_literal(l)) {
      r.fault(n, "')' expected after the last script line, on line " + std::to_string(last_literal_line));
      return false;
    }
    std::string text;
    bool last = false;
    if (!literal_line(l, text, last)) {
      r.fault(n, "Unterminated string: a script line ends in ', or in ');");
      out.lines.emplace_back();
    } else {
      out.lines.push_back(std::move(text));
    }
    last_literal_line = n;
    ++r.li;
    if (last) {
      if (static_cast<int64_t>(out.lines.size()) != declared)
        r.fault(n, "Number of elements (" + std::to_string(out.lines.size()) + ") differs from declaration (" +
                       count_name + " = " + std::to_string(declared) + ")");
      return true;
    }
  }
  if (!r.full()) r.fault(r.line_no(), "Unexpected end of file in the script array");
  return false;
}

void read_body(Reader& r, const std::string& count_name, const std::string& loop_var,
               const std::string& array_name) {
  DprProgram& out = r.out;
  if (!r.expect("begin") || !r.expect("inicializa") || !r.expect("(")) return;
  std::string_view rest;
  if (!r.rest_of_line(rest) || rest.empty() || rest[0] != '\'') {
    r.fault(r.line_no(), "The title must follow inicializa ( as a string on the same line");
    return;
  }
  bool last = false;
  std::string title;
  if (!literal_line(rest, title, last) || !last) {
    r.fault(r.line_no(), "Unterminated string: the title ends in ');");
    return;
  }
  out.title = std::move(title);
  ++r.li;
  r.col = 0;
  if (!r.expect("for") || !r.same_identifier(loop_var) || !r.expect(":=")) return;
  std::string one;
  Token one_tok = r.peek();
  if (!r.number(one)) return;
  if (one != "1") {
    r.fault(one_tok.line, "The loop must start at 1");
    return;
  }
  if (!r.expect("to") || !r.same_identifier(count_name) || !r.expect("do")) return;
  if (!r.expect("carregascript") || !r.expect("(") || !r.same_identifier(array_name) || !r.expect("[") ||
      !r.same_identifier(loop_var) || !r.expect("]") || !r.expect(",") || !r.same_identifier(loop_var) ||
      !r.expect(")") || !r.expect(";"))
    return;
  if (!r.expect("processa")) return;
  if (r.peek().kind == Tok::symbol && r.peek().text == ";") r.next();
  if (!r.expect("end")) return;
  r.expect(".");
}

}  // namespace

DprProgram read_dpr(std::string_view source) {
  DprProgram out;
  Reader r(out);
  r.lines = split_lines(source);
  out.source_lines = static_cast<int>(r.lines.size());
  std::string count_name, loop_var, array_name;
  int64_t declared = 0;
  int declared_line = 0;
  if (read_header(r, count_name, loop_var, array_name, declared, declared_line)) {
    const bool closed = read_array(r, count_name, declared);
    if (!r.full() && (closed || r.li < r.lines.size())) read_body(r, count_name, loop_var, array_name);
  }
  if (!out.ok()) {
    out.lines.clear();
    out.title.clear();
  }
  return out;
}

}  // namespace app
